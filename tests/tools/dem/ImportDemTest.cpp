// importdem and its library on small rasters made with GDAL here.
#ifdef VARNHOLT_HAVE_GDAL
#include <cpl_conv.h>
#include <gdal.h>
#include <gtest/gtest.h>
#include <ogr_srs_api.h>

#include <cmath>
#include <filesystem>

#include "ByteOrder.h"
#include "ClassicShoreline.h"
#include "DemImport.h"
#include "DemSource.h"
#include "Errors.h"
#include "Gtopo30Layout.h"
#include "ReadOnlyFile.h"
#include "RunCommand.h"
#include "TempDir.h"
#include "ToolTestSupport.h"

namespace {

struct Raster {
    int columns = 360;
    int rows = 180;
    std::vector<double> transform{-180, 1, 0, 90, 0, -1};
    std::string srs = "EPSG:4326";  // none when empty
    std::vector<float> values;
    std::optional<double> nodata;
};

std::string WriteGeoTiff(const std::string& path, const Raster& raster) {
    GDALAllRegister();
    GDALDatasetH dataset = GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), raster.columns,
                                      raster.rows, 1, GDT_Float32, nullptr);
    EXPECT_NE(dataset, nullptr);
    if (!raster.transform.empty()) {
        std::vector<double> transform = raster.transform;
        GDALSetGeoTransform(dataset, transform.data());
    }
    if (!raster.srs.empty()) {
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        OSRSetFromUserInput(srs, raster.srs.c_str());
        char* wkt = nullptr;
        OSRExportToWkt(srs, &wkt);
        GDALSetProjection(dataset, wkt);
        CPLFree(wkt);
        OSRDestroySpatialReference(srs);
    }
    GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
    if (raster.nodata) GDALSetRasterNoDataValue(band, *raster.nodata);
    std::vector<float> values = raster.values;
    EXPECT_EQ(GDALRasterIO(band, GF_Write, 0, 0, raster.columns, raster.rows, values.data(),
                           raster.columns, raster.rows, GDT_Float32, 0, 0),
              CE_None);
    GDALClose(dataset);
    return path;
}

// A 1° world whose heights say where they are, sea depths included.
float DegreeHeight(int column, int row) { return float((column * 7 + row * 13) % 600 - 200); }

Raster DegreeWorld() {
    Raster raster;
    for (int row = 0; row < 180; ++row) {
        for (int column = 0; column < 360; ++column) {
            raster.values.push_back(DegreeHeight(column, row));
        }
    }
    return raster;
}

CommandResult RunImportdem(const std::string& arguments) {
    return RunCommand(ToolPath("importdem") + " " + arguments);
}

// The tile sample of the 30" cell holding (lon, lat).
int TileValue(const std::string& folder, double lon, double lat) {
    const int column = static_cast<int>(std::floor((lon + 180) * 120));
    const int row = static_cast<int>(std::floor((90 - lat) * 120));
    const gtopo30::TileLayout& tile = gtopo30::kTiles[gtopo30::SlotOf(column, row)];
    std::uint8_t bytes[2] = {};
    EXPECT_TRUE(ReadOnlyFile(folder + "/" + tile.Name() + ".dem")
                    .ReadExactAt(2 * (std::uint64_t(row - tile.firstRow) * tile.columns +
                                      std::uint64_t(column - tile.firstColumn)),
                                 bytes, 2));
    return LoadBigEndianInt16(bytes);
}

int GridValue(const Bytes& grid, int row, int column) {
    return GetLittle16(grid, 2 * (static_cast<std::size_t>(row) * 4321 + column));
}

std::int64_t Micro(double degrees) { return std::llround(degrees * 1e6); }

}  // namespace

TEST(Importdem, TilesAndGridCarryTheInputWithOceanFromTheShorelines) {
    TempDir dir;
    Raster world = DegreeWorld();
    world.nodata = -32768;
    world.values[75 * 360 + 195] = -32768;  // 15° E, 14° N, on the land below
    std::string input = WriteGeoTiff(dir / "world.tif", world);
    // The tiles from the part of the world around the land, 5° to 25° E and N: the rest of the
    // globe is sea without data, as much of it is for a regional input.
    Raster region = world;
    region.columns = region.rows = 20;
    region.transform = {5, 1, 0, 25, 0, -1};
    region.values.clear();
    for (int row = 65; row < 85; ++row) {
        for (int column = 185; column < 205; ++column) {
            region.values.push_back(world.values[row * 360 + column]);
        }
    }
    std::string regionInput = WriteGeoTiff(dir / "region.tif", region);
    ShoreRing box;
    box.points = {{Micro(10), Micro(10)},
                  {Micro(20), Micro(10)},
                  {Micro(20), Micro(20)},
                  {Micro(10), Micro(20)}};
    std::string shore = EncodeClassicShoreline({ToClassicPolygon(box)});
    dir.Write("shore.b", Bytes(shore.begin(), shore.end()));

    // Nearest cells are the averages here (each 30" cell lies in one degree) and twice as fast.
    const std::string options = "--quiet --resampling nearest --shorelines " + dir / "shore.b ";
    CommandResult run = RunImportdem(options + "--tiles " + dir / "tiles " + regionInput);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("had no data"), std::string::npos) << run.err;
    run = RunImportdem("--quiet --resampling nearest --grid " + dir / "grid " + input);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "tiles"),
                            std::filesystem::directory_iterator{}),
              66);  // tiles and headers, no temporary left
    for (const gtopo30::TileLayout& tile : gtopo30::kTiles) {
        EXPECT_EQ(std::filesystem::file_size(dir / ("tiles/" + tile.Name() + ".dem")),
                  2u * tile.columns * tile.rows)
            << tile.Name();
    }

    bool belowSeaLevel = false;
    for (int row = 70; row < 80; ++row) {
        for (int column = 190; column < 200; ++column) {
            double lon = column - 180 + 0.3;
            double lat = 90 - row - 0.6;
            int expected = row == 75 && column == 195 ? 0 : int(DegreeHeight(column, row));
            belowSeaLevel |= expected < 0;
            EXPECT_EQ(TileValue(dir / "tiles", lon, lat), expected) << lon << " " << lat;
        }
    }
    EXPECT_TRUE(belowSeaLevel);  // land keeps its height below sea level
    for (auto [lon, lat] : {std::pair{9.99, 15.0},
                            {20.01, 15.0},
                            {15.0, 9.99},
                            {-179.99, 89.99},
                            {179.99, -89.99},
                            {0.01, 0.01}}) {
        EXPECT_EQ(TileValue(dir / "tiles", lon, lat), -9999) << lon << " " << lat;
    }

    Bytes grid = ReadWholeFile(dir / "grid");
    ASSERT_EQ(grid.size(), 4321u * 2160 * 2);
    EXPECT_EQ(GridValue(grid, 0, 0), -4290);
    EXPECT_EQ(GridValue(grid, 0, 4320), -4290);
    // Nodes in the middle of a degree take its height, sea depths kept; the last column
    // repeats the first.
    for (int row = 6; row < 2160; row += 12 * 7) {
        for (int column = 6; column < 4320; column += 12 * 11) {
            int degreeColumn = (column / 12 + 180) % 360;
            int degreeRow = row / 12;
            int expected = degreeRow == 75 && degreeColumn == 195
                               ? 0
                               : int(DegreeHeight(degreeColumn, degreeRow));
            EXPECT_EQ(GridValue(grid, row, column), expected) << row << " " << column;
        }
        EXPECT_EQ(GridValue(grid, row, 4320), GridValue(grid, row, 0));
    }
}

TEST(Importdem, PartOfTheWorldIsConvertedWithANoteAndTheRestAtSeaLevel) {
    TempDir dir;
    Raster patch;
    patch.columns = 4;
    patch.rows = 2;
    patch.transform = {10, 1, 0, 50, 0, -1};  // 10° to 14° E, 48° to 50° N
    patch.values = {100, 200, 300, 400, -100, -200, -300, -400};
    std::string input = WriteGeoTiff(dir / "patch.tif", patch);
    CommandResult run = RunImportdem("--grid " + dir / "grid " + input);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("covers only 10.00°E to 14.00°E, 48.00°N to 50.00°N"), std::string::npos)
        << run.err;
    Bytes grid = ReadWholeFile(dir / "grid");
    EXPECT_EQ(GridValue(grid, 12 * 40 + 6, 12 * 10 + 6), 100);
    EXPECT_EQ(GridValue(grid, 12 * 41 + 6, 12 * 13 + 6), -400);
    EXPECT_EQ(GridValue(grid, 12 * 42 + 6, 12 * 13 + 6), 0);
    EXPECT_EQ(GridValue(grid, 12 * 41 + 6, 12 * 14 + 6), 0);
}

TEST(Importdem, BadInputFailsNamingTheFileAndWritesNothing) {
    TempDir dir;
    dir.Write("text.tif", ToBytes("not a raster\n"));
    Raster unplaced = DegreeWorld();
    unplaced.srs.clear();
    unplaced.transform.clear();
    WriteGeoTiff(dir / "unplaced.tif", unplaced);
    WriteGeoTiff(dir / "world.tif", DegreeWorld());
    dir.Write("file", ToBytes("x"));
    struct Case {
        std::string arguments;
        std::string named;
    };
    for (const Case& bad :
         {Case{dir / "missing.tif", dir / "missing.tif"}, Case{dir / "text.tif", dir / "text.tif"},
          Case{dir / "unplaced.tif", dir / "unplaced.tif"},
          Case{dir / "world.tif --tiles " + dir / "file/tiles", dir / "file"}}) {
        std::string arguments = bad.arguments.find("--tiles") == std::string::npos
                                    ? "--grid " + dir / "grid " + bad.arguments
                                    : bad.arguments;
        CommandResult run = RunImportdem(arguments);
        EXPECT_EQ(run.status, 1) << arguments;
        EXPECT_NE(run.err.find(bad.named), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "grid"));
    EXPECT_EQ(RunImportdem("--resampling cubic --grid " + dir / "grid " + dir / "world.tif").status,
              2);
    EXPECT_EQ(RunImportdem(dir / "world.tif").status, 2);
}

TEST(DemSource, AGeotransformThatPlacesNoCellIsRefusedNamingTheFile) {
    // Infinite, not-a-number and overflowing terms once sent GDAL's transformer into a loop.
    TempDir dir;
    const double nan = std::nan("");
    const double huge = 1e308;
    for (const auto& transform :
         std::vector<std::vector<double>>{{-180, 1, 0, 90, 0, -nan},
                                          {-huge, -huge, -huge, nan, HUGE_VAL, huge},
                                          {0, huge, 0, 0, 0, -huge},
                                          {10, 1, 2, 50, 0.5, 1}}) {
        Raster raster{4, 3, transform, "EPSG:3857", std::vector<float>(12, 5.0f), {}};
        const std::string path = WriteGeoTiff(dir / "odd.tif", raster);
        try {
            DemSource source(path);
            ADD_FAILURE() << "opened with " << transform[1] << " " << transform[5];
        } catch (const VarnholtError& error) {
            EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
        }
    }
}

TEST(DemSource, MercatorRasterLandsInTheCellsItCovers) {
    TempDir dir;
    constexpr double kHalfWorld = 20037508.342789244;  // the sphere's half circumference
    auto mercatorY = [](double lat) {
        return 6378137.0 * std::log(std::tan(M_PI / 4 + lat * M_PI / 360));
    };
    Raster mercator;
    mercator.columns = 360;
    mercator.rows = 200;
    const double top = mercatorY(80);
    const double cellHeight = 2 * top / mercator.rows;
    const double cellWidth = 2 * kHalfWorld / mercator.columns;
    mercator.transform = {-kHalfWorld, cellWidth, 0, top, 0, -cellHeight};
    mercator.srs = "EPSG:3857";
    for (int row = 0; row < mercator.rows; ++row) {
        for (int column = 0; column < mercator.columns; ++column) {
            mercator.values.push_back(float(row * 1000 + column));
        }
    }
    PrepareGdal(64 << 20);
    DemSource source(WriteGeoTiff(dir / "mercator.tif", mercator));
    LonLatExtent extent = source.Coverage();
    EXPECT_NEAR(extent.north, 80, 1e-6);
    EXPECT_NEAR(extent.south, -80, 1e-6);

    const GeoGrid grid{-180, 90, 0.5, 720, 360};
    std::vector<float> heights(720 * 360);
    source.Warp(grid, 0, 360, Resampling::Nearest, heights.data());
    int checked = 0;
    for (int row = 0; row < 360; row += 7) {
        for (int column = 0; column < 720; column += 13) {
            double lat = 90 - (row + 0.5) * 0.5;
            double x = (-180 + (column + 0.5) * 0.5) * kHalfWorld / 180;
            double sourceRow = (top - mercatorY(lat)) / cellHeight;
            double sourceColumn = (x + kHalfWorld) / cellWidth;
            float height = heights[row * 720 + column];
            if (std::abs(lat) > 80) {
                EXPECT_TRUE(std::isnan(height)) << lat;
                continue;
            }
            if (std::abs(sourceRow - std::round(sourceRow)) < 0.05) continue;  // near an edge
            EXPECT_EQ(height, std::floor(sourceRow) * 1000 + std::floor(sourceColumn))
                << lat << " " << x;
            ++checked;
        }
    }
    EXPECT_GT(checked, 500);
}

TEST(DemImport, TileSamplesSayOceanByShorelinesOrBySeaLevel) {
    std::vector<std::uint8_t> cells(43200);
    ShorelineLandMask* noMask = nullptr;
    EXPECT_EQ(TileSample(12.5f, noMask, false), 12);
    EXPECT_EQ(TileSample(0.0f, noMask, false), gtopo30::kOcean);
    EXPECT_EQ(TileSample(-3.0f, noMask, false), gtopo30::kOcean);
    EXPECT_EQ(TileSample(NAN, noMask, false), gtopo30::kOcean);
    EXPECT_EQ(TileSample(40000.0f, noMask, false), 32767);
    TempDir dir;
    // One lake without points: no land anywhere.
    std::vector<unsigned char> lake(36, 0);
    lake[11] = 2;
    dir.Write("empty.b", lake);
    ShorelineLandMask mask(dir / "empty.b", 120);
    EXPECT_EQ(TileSample(-28.4f, &mask, true), -28);
    EXPECT_EQ(TileSample(NAN, &mask, true), 0);
    EXPECT_EQ(TileSample(-20000.0f, &mask, true), gtopo30::kOcean + 1);
    EXPECT_EQ(TileSample(500.0f, &mask, false), gtopo30::kOcean);
}
namespace {

// A raster's heights on a 1° world grid.
std::vector<float> OnDegreeGrid(const std::string& path,
                                Resampling resampling = Resampling::Nearest) {
    PrepareGdal(64 << 20);
    DemSource source(path);
    const GeoGrid grid{-180, 90, 1, 360, 180};
    std::vector<float> heights(360 * 180);
    source.Warp(grid, 0, 180, resampling, heights.data());
    return heights;
}

// The degree cell whose south-west corner is at (lon, lat).
float At(const std::vector<float>& heights, int lon, int lat) {
    return heights[std::size_t(89 - lat) * 360 + std::size_t(lon + 180)];
}

}  // namespace

TEST(DemSource, OddGeometriesLandWhereTheirCellsLie) {
    TempDir dir;
    // One cell of 2°.
    Raster single{1, 1, {10, 2, 0, 50, 0, -2}, "EPSG:4326", {123}, {}};
    std::vector<float> heights = OnDegreeGrid(WriteGeoTiff(dir / "single.tif", single));
    EXPECT_EQ(At(heights, 10, 48), 123);
    EXPECT_EQ(At(heights, 11, 49), 123);
    EXPECT_TRUE(std::isnan(At(heights, 12, 49)));
    EXPECT_TRUE(std::isnan(At(heights, 10, 50)));

    // Turned a quarter: columns run south, rows east.
    Raster turned{4, 3, {10, 0, 1, 50, -1, 0}, "EPSG:4326", {}, {}};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column) turned.values.push_back(10 * column + row);
    heights = OnDegreeGrid(WriteGeoTiff(dir / "turned.tif", turned));
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(At(heights, 10 + row, 49 - column), 10 * column + row) << column << row;

    // South up, and longitudes from 0 to 360.
    Raster southUp = DegreeWorld();
    southUp.transform = {-180, 1, 0, -90, 0, 1};
    heights = OnDegreeGrid(WriteGeoTiff(dir / "south-up.tif", southUp));
    Raster fromGreenwich = DegreeWorld();
    fromGreenwich.transform = {0, 1, 0, 90, 0, -1};
    const std::vector<float> eastward =
        OnDegreeGrid(WriteGeoTiff(dir / "0-360.tif", fromGreenwich));
    for (int lat = -90; lat < 90; lat += 7) {
        for (int lon = -180; lon < 180; lon += 11) {
            EXPECT_EQ(At(heights, lon, lat), DegreeHeight(lon + 180, lat + 90)) << lon << lat;
            EXPECT_EQ(At(eastward, lon, lat), DegreeHeight((lon + 360) % 360, 89 - lat))
                << lon << lat;
        }
    }
}

TEST(DemSource, HeightsThatAreNoNumbersOrTheNodataValueCountAsNoData) {
    TempDir dir;
    // Half-degree cells, four to a degree.
    Raster raster{4, 2, {10, 0.5, 0, 50, 0, -0.5}, "EPSG:4326", {}, 100.0};
    const float nan = std::nanf("");
    const float infinity = HUGE_VALF;
    raster.values = {100, 50, nan, 8, 70, 30, infinity, -infinity};
    const std::string path = WriteGeoTiff(dir / "odd-values.tif", raster);
    const std::vector<float> average = OnDegreeGrid(path, Resampling::Average);
    EXPECT_EQ(At(average, 10, 49), 50);  // 100 is the nodata value, though a height
    const std::vector<float> nearest = OnDegreeGrid(path);
    EXPECT_TRUE(std::isfinite(At(nearest, 10, 49))) << At(nearest, 10, 49);
    // Infinities are no data, which may take the finite cell beside them along.
    for (float height : {At(average, 11, 49), At(nearest, 11, 49)})
        EXPECT_TRUE(std::isnan(height) || height == 8) << height;
    for (float height : average) EXPECT_FALSE(std::isinf(height));
    for (float height : nearest) EXPECT_FALSE(std::isinf(height));
}

TEST(DemSource, RastersThatCannotBePlacedOrReadWholeFailNamingTheFile) {
    TempDir dir;
    // Cells of a size but nowhere on the earth.
    Raster unplaced = DegreeWorld();
    unplaced.srs.clear();
    const std::string path = WriteGeoTiff(dir / "no-crs.tif", unplaced);
    try {
        DemSource source(path);
        ADD_FAILURE() << "opened";
    } catch (const VarnholtError& error) {
        EXPECT_NE(std::string(error.what()).find(path + ": it has no coordinate system"),
                  std::string::npos)
            << error.what();
    }

    // A million cells square: the importer would read for hours.
    dir.Write("huge.vrt",
              ToBytes("<VRTDataset rasterXSize=\"1000000\" rasterYSize=\"1000000\">\n"
                      "  <SRS>EPSG:4326</SRS>\n"
                      "  <GeoTransform>-180, 0.00036, 0, 90, 0, -0.00018</GeoTransform>\n"
                      "  <VRTRasterBand dataType=\"Int16\" band=\"1\"/>\n"
                      "</VRTDataset>\n"));
    PrepareGdal(64 << 20);
    try {
        DemSource source(dir / "huge.vrt");
        ADD_FAILURE() << "opened";
    } catch (const VarnholtError& error) {
        EXPECT_NE(std::string(error.what()).find(dir / "huge.vrt"), std::string::npos)
            << error.what();
    }

    // Cut short after its header: GDAL opens it, then cannot read the rows.
    const std::string cut = WriteGeoTiff(dir / "cut.tif", DegreeWorld());
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
    try {
        OnDegreeGrid(cut);
        ADD_FAILURE() << "read";
    } catch (const VarnholtError& error) {
        EXPECT_NE(std::string(error.what()).find(cut), std::string::npos) << error.what();
    }
}
#endif
