#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "BmpFile.h"
#include "Errors.h"
#include "FileContents.h"
#include "GdalReadBack.h"
#include "GeoReference.h"
#include "TempDir.h"

namespace {

namespace fs = std::filesystem;

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string SmallBmp(const TempDir& folder, const std::string& name) {
    const std::string path = folder / name;
    SaveBitmapToBmp(Bitmap(8, 4, PixelFormat::Bgr24), path);
    return path;
}

// Pixels of half a degree by a quarter, the upper-left one centred on 10.25 E, 50.75 N.
const GeoTransform kTransform = GeoTransform::NorthUp({10.25, 50.75}, 0.5, 0.25);

// The authority of the system as a whole: the AUTHORITY node at the root of the WKT, not one
// of a datum, spheroid or unit inside it.
std::string RootAuthority(const std::string& wkt) {
    int depth = 0;
    for (std::size_t at = 0; at < wkt.size(); ++at) {
        if (wkt[at] == '[') ++depth;
        if (wkt[at] == ']') --depth;
        if (depth == 1 && wkt.compare(at, 11, ",AUTHORITY[") == 0) {
            const std::size_t end = wkt.find(']', at);
            std::string node = wkt.substr(at + 11, end - at - 11);
            std::erase(node, '"');
            std::replace(node.begin(), node.end(), ',', ':');
            return node;
        }
    }
    return {};
}

}  // namespace

TEST(GeoReference, AuxiliaryFileNamesWgs84ByItsEpsgCode) {
    TempDir folder;
    const std::string image = folder / "map.png";
    WriteGeoreference(image, Wgs84Reference(kTransform));
    const GeoReference read = ParseAuxFile(ReadText(AuxFileName(image)), AuxFileName(image));
    ASSERT_TRUE(read.coordinateSystem);
    const std::string& wkt = read.coordinateSystem->wkt;
    EXPECT_EQ(wkt.rfind("GEOGCS[\"WGS 84\",DATUM[\"WGS_1984\"", 0), 0u) << wkt;
    EXPECT_EQ(RootAuthority(wkt), "EPSG:4326");
    EXPECT_EQ(read.coordinateSystem->axisMapping, "2,1");
    EXPECT_EQ(RootAuthority("GEOGCS[\"x\",DATUM[\"d\",AUTHORITY[\"EPSG\",\"6326\"]]]"), "");
}

TEST(GeoReference, GdalPlacesTheImageInWgs84) {
    SKIP_WITHOUT_GDAL();
    TempDir folder;
    const std::string image = SmallBmp(folder, "map.bmp");
    WriteGeoreference(image, Wgs84Reference(kTransform));

    EXPECT_TRUE(fs::exists(folder / "map.bpw"));
    EXPECT_TRUE(fs::exists(folder / "map.bmp.aux.xml"));
    const GdalReadBack gdal = ReadWithGdal(image);
    EXPECT_EQ(gdal.epsg, "EPSG:4326");
    ASSERT_EQ(gdal.geoTransform.size(), 6u);
    EXPECT_DOUBLE_EQ(gdal.X(0, 0), 10.25);
    EXPECT_DOUBLE_EQ(gdal.Y(0, 0), 50.75);
    EXPECT_DOUBLE_EQ(gdal.X(7, 3), 13.75);
    EXPECT_DOUBLE_EQ(gdal.Y(7, 3), 50.0);
}

TEST(GeoReference, TransformMapsBothWays) {
    const GeoTransform rotated{0.5, 0.1, -0.2, -0.25, 3, 4};
    const MapPoint point = rotated.PixelToMap(6, 2);
    const MapPoint pixel = rotated.MapToPixel(point);
    EXPECT_NEAR(pixel.x, 6, 1e-12);
    EXPECT_NEAR(pixel.y, 2, 1e-12);
    EXPECT_EQ(kTransform.UpperLeftCorner(), (MapPoint{10.0, 50.875}));
}

TEST(GeoReference, SidecarNamesFollowGdal) {
    EXPECT_EQ(WorldFileName("out/topo.png"), "out/topo.pgw");
    EXPECT_EQ(WorldFileName("TEMP.BMP"), "TEMP.BPW");
    EXPECT_EQ(WorldFileName("a.b/map"), "a.b/map.wld");
    EXPECT_EQ(AuxFileName("combined.bmp"), "combined.bmp.aux.xml");
}

TEST(GeoReference, ReadsBackWhatWasWrittenAndWhatGdalWrites) {
    TempDir folder;
    const std::string image = folder / "map.png";
    const GeoReference written = Wgs84Reference(kTransform);
    WriteGeoreference(image, written);
    EXPECT_EQ(ReadGeoreference(image), written);

    // GDAL's own form: its geotransform in the auxiliary file and a world file named .wld.
    const std::string other = folder / "other.png";
    WriteText(AuxFileName(other),
              "<PAMDataset>\n  <SRS>GEOGCS[&quot;x&quot;]</SRS>\n"
              "  <GeoTransform> 10, 0.5, 0, 50.875, 0, -0.25</GeoTransform>\n"
              "  <PAMRasterBand band=\"1\"><Metadata/></PAMRasterBand>\n</PAMDataset>\n");
    GeoReference read = ReadGeoreference(other);
    EXPECT_EQ(read.transform, kTransform);
    EXPECT_EQ(read.coordinateSystem, (CoordinateSystem{"GEOGCS[\"x\"]", ""}));
    WriteText(folder / "other.wld", "1\r\n0\r\n0\r\n-1\r\n+5\r\n6\r\n");
    EXPECT_EQ(ReadGeoreference(other).transform, GeoTransform::NorthUp({5, 6}, 1, 1));

    EXPECT_EQ(ReadGeoreference(folder / "none.png"), GeoReference{});
}

TEST(GeoReference, DamagedSidecarsAreRefusedNamingTheFile) {
    TempDir folder;
    const std::string image = folder / "map.png";
    for (const char* text : {"1 0 0 -1 5", "1 0 0 -1 five 6", "1 0 0 0 5 6", "1 0 0 -1 5 nan"}) {
        WriteText(WorldFileName(image), text);
        try {
            ReadGeoreference(image);
            ADD_FAILURE() << "accepted " << text;
        } catch (const VarnholtError& error) {
            EXPECT_NE(std::string(error.what()).find("map.pgw"), std::string::npos);
        }
    }
    fs::remove(WorldFileName(image));
    WriteText(AuxFileName(image), "<PAMDataset><SRS>x</PAMDataset>");
    EXPECT_THROW(ReadGeoreference(image), VarnholtError);
    WriteText(AuxFileName(image), "not xml");
    EXPECT_THROW(ReadGeoreference(image), VarnholtError);
}

TEST(GeoReference, NoStaleSidecarsAfterANewImage) {
    TempDir folder;
    const std::string image = folder / "map.bmp";
    WriteGeoreference(image, Wgs84Reference(kTransform));
    WriteGeoreference(image, GeoReference{});
    EXPECT_FALSE(fs::exists(WorldFileName(image)));
    EXPECT_FALSE(fs::exists(AuxFileName(image)));

    // The auxiliary file cannot be replaced: the failure is reported and the world file, which
    // would describe the image without its coordinate system, goes too.
    WriteGeoreference(image, Wgs84Reference(kTransform));
    fs::remove(AuxFileName(image));
    fs::create_directory(AuxFileName(image));
    EXPECT_THROW(WriteGeoreference(image, Wgs84Reference(kTransform)), EInOutError);
    EXPECT_FALSE(fs::exists(WorldFileName(image)));
}

TEST(GeoReference, BeforeANewImageOnlySidecarsThatDescribeItStay) {
    TempDir folder;
    const std::string image = folder / "map.bmp";
    WriteGeoreference(image, Wgs84Reference(kTransform));
    WithdrawStaleGeoreference(image, Wgs84Reference(kTransform));
    EXPECT_TRUE(fs::exists(WorldFileName(image)));
    EXPECT_TRUE(fs::exists(AuxFileName(image)));

    // Another place in the same system: the world file goes, the auxiliary file still holds.
    WithdrawStaleGeoreference(image, Wgs84Reference(GeoTransform::NorthUp({0, 0}, 1, 1)));
    EXPECT_FALSE(fs::exists(WorldFileName(image)));
    EXPECT_TRUE(fs::exists(AuxFileName(image)));
    WriteText(WorldFileName(image), WorldFileText(kTransform) + "more");
    WithdrawStaleGeoreference(image, GeoReference{kTransform, std::nullopt});
    EXPECT_FALSE(fs::exists(WorldFileName(image)));
    EXPECT_FALSE(fs::exists(AuxFileName(image)));
}
