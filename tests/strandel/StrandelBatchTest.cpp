#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "BatchRunner.h"
#include "Bitmap.h"
#include "FileContents.h"
#include "GSHHSdata.h"
#include "GdalReadBack.h"
#include "IsolatedUser.h"
#include "PNG_IO.h"
#include "RegistryVariables.h"
#include "ShorelineFile.h"
#include "StrandelProgram.h"
#include "VectorRendering.h"

namespace {

constexpr int W = 3600;
constexpr int H = 1800;

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

// The batch run as main() makes it, in this process.
RunResult RunStrandel(std::vector<std::string> args) {
    std::ostringstream out;
    std::ostringstream err;
    app::ProgramDescription program = StrandelProgram();
    args.insert(args.begin(), "--batch");
    app::ParsedCommandLine parsed = app::ParseProgramCommandLine(args, program);
    if (parsed.action == app::CommandLineAction::Fail) return {2, "", parsed.message};
    int status = app::RunBatch(program, parsed.options, out, err, false);
    return {status, out.str(), err.str()};
}

// A 24-bit Windows BMP read without the code that wrote it.
Bitmap ReadBmp24(const std::string& path) {
    const std::vector<unsigned char> bytes = ReadBytes(path);
    auto u32 = [&](std::size_t at) {
        return std::uint32_t(bytes.at(at)) | std::uint32_t(bytes.at(at + 1)) << 8 |
               std::uint32_t(bytes.at(at + 2)) << 16 | std::uint32_t(bytes.at(at + 3)) << 24;
    };
    EXPECT_EQ(bytes.at(0), 'B');
    EXPECT_EQ(bytes.at(1), 'M');
    EXPECT_EQ(bytes.at(28), 24);
    const std::uint32_t offset = u32(10);
    const int width = int(u32(18));
    const int height = int(std::int32_t(u32(22)));
    const bool bottomUp = height > 0;
    const int rows = std::abs(height);
    const std::size_t stride = (std::size_t(width) * 3 + 3) / 4 * 4;
    // A 24-bit bitmap's rows hold the same blue, green, red bytes.
    Bitmap bitmap(width, rows, PixelFormat::Bgr24);
    if (bytes.size() < offset + stride * std::size_t(rows)) {
        ADD_FAILURE() << path << " is cut short";
        return bitmap;
    }
    for (int y = 0; y < rows; ++y) {
        std::size_t row = offset + stride * std::size_t(bottomUp ? rows - 1 - y : y);
        std::memcpy(bitmap.Row(y), &bytes[row], std::size_t(width) * 3);
    }
    return bitmap;
}

class StrandelBatchTest : public ::testing::Test {
protected:
    IsolatedUser user;
    TempDir folder;
};

// Random coast-like outlines in both longitude conventions, many crossing the 180th meridian,
// of every level, with steps from sub-pixel to several degrees.
std::vector<std::vector<ShorelinePoint>> SampleOutlines(std::uint32_t seed, int count) {
    std::uint64_t state = seed;
    auto next = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return std::uint32_t(state >> 33);
    };
    std::vector<std::vector<ShorelinePoint>> outlines;
    for (int n = 0; n < count; ++n) {
        std::int64_t lon = std::int64_t(next() % 360'000'000) - (n % 2 ? 180'000'000 : 0);
        std::int64_t lat = std::int64_t(next() % 170'000'000) - 85'000'000;
        std::int64_t stepLimit = n % 3 == 0 ? 30'000 : n % 3 == 1 ? 400'000 : 5'000'000;
        std::vector<ShorelinePoint> points;
        int length = 1 + int(next() % 400);
        for (int i = 0; i < length; ++i) {
            points.push_back({std::int32_t(lon), std::int32_t(lat)});
            lon += std::int64_t(next() % std::uint32_t(2 * stepLimit)) - stepLimit;
            lat += std::int64_t(next() % std::uint32_t(2 * stepLimit)) - stepLimit;
            lat = std::clamp<std::int64_t>(lat, -90'000'000, 90'000'000);
            lon = std::clamp<std::int64_t>(lon, -179'999'999, 359'999'999);
        }
        if (n % 5 != 4) points.push_back(points.front());  // most outlines are closed
        outlines.push_back(points);
    }
    return outlines;
}

TEST_F(StrandelBatchTest, EveryUsedPointOfSelectedPolygonsIsBlackOnSavedMap) {
    auto outlines = SampleOutlines(7, 300);
    ShorelineFile file;
    std::vector<bool> selected;
    for (std::size_t n = 0; n < outlines.size(); ++n) {
        std::int32_t level = std::int32_t(1 + n % 4);
        std::uint32_t area = n % 8 < 4 ? 10001 : 10000;
        file.Outline(level, area, outlines[n]);
        selected.push_back(level == 1 || (level == 2 && area > 10000));
    }
    std::string input = folder.Write("world.b", file.bytes);
    std::string output = folder / "map.bmp";
    RunResult run = RunStrandel({"--save", output, input});
    ASSERT_EQ(run.status, 0) << run.err;
    Bitmap map = ReadBmp24(output);
    ASSERT_EQ(map.Width(), W);
    ASSERT_EQ(map.Height(), H);

    int checked = 0;
    for (std::size_t n = 0; n < outlines.size(); ++n) {
        if (!selected[n]) continue;
        const auto& points = outlines[n];
        std::int32_t numPoints = std::int32_t(points.size());
        PointThinner thinner(numPoints);
        for (std::int32_t index = 1; index <= numPoints; ++index) {
            const ShorelinePoint& p = points[std::size_t(index - 1)];
            Point pixel = GeoToPixel({p.lonMicroDeg, p.latMicroDeg}, W, H, LongitudeWrap::Once);
            if (!thinner.Use(index, pixel) || index == numPoints) continue;
            if (pixel.x < 0 || pixel.y < 0 || pixel.x >= W || pixel.y >= H) continue;
            ASSERT_EQ(map.PixelColour(pixel.x, pixel.y), Colours::Black)
                << "polygon " << n << " point " << index << " at " << pixel.x << "," << pixel.y;
            ++checked;
        }
    }
    EXPECT_GT(checked, 10000);
}

// At the default width an RGB PNG, at others a 1-bit one: the same pixels either way.
TEST_F(StrandelBatchTest, PngAndBmpHoldTheSameMap) {
    std::string input = folder.Write(
        "shore.b", ShorelineFile().Land({Degrees(0, 0), Degrees(30, 20), Degrees(0, 0)}).bytes);
    for (const char* width : {"3600", "1080"}) {
        ASSERT_EQ(RunStrandel({"--width", width, "--save", folder / "map.BMP", input}).status, 0);
        ASSERT_EQ(RunStrandel({"--width", width, "--save", folder / "map.png", input}).status, 0);
        Bitmap fromBmp = ReadBmp24(folder / "map.BMP");
        Bitmap fromPng;
        ASSERT_TRUE(LoadPngToBitmap(fromPng, folder / "map.png", true));
        ASSERT_EQ(fromPng.Width(), std::stoi(width));
        ASSERT_EQ(fromPng.Height(), fromBmp.Height());
        for (int y = 0; y < fromPng.Height(); ++y)
            for (int x = 0; x < fromPng.Width(); ++x)
                ASSERT_EQ(fromPng.PixelColour(x, y), fromBmp.PixelColour(x, y)) << x << "," << y;
        EXPECT_EQ(fromBmp.PixelColour(fromBmp.Width() / 2, fromBmp.Height() / 2), Colours::Black);
    }
}

// The westmost vertex of a triangle is the westmost black pixel inside the frame; GDAL puts it
// there through the world file.
TEST_F(StrandelBatchTest, SavedVertexLiesWhereTheWorldFilePutsIt) {
    SKIP_WITHOUT_GDAL();
    const std::string input = folder / "triangle.b";
    const double vertexLon = 10.03;
    const double vertexLat = 45.37;
    ShorelineFile()
        .Land({Degrees(vertexLon, vertexLat), Degrees(12.5, 44), Degrees(12.5, 47)})
        .WriteTo(input);
    const std::string output = folder / "map.bmp";
    ASSERT_EQ(RunStrandel({"--save", output, input}).status, 0);

    Bitmap map = ReadBmp24(output);
    Point westmost{W, 0};
    for (int y = 1; y < H - 1; ++y)
        for (int x = 1; x < westmost.x; ++x)
            if (map.PixelColour(x, y) == Colours::Black) westmost = {x, y};
    const GdalReadBack gdal = ReadWithGdal(output);
    EXPECT_EQ(gdal.epsg, "EPSG:4326");
    ASSERT_EQ(gdal.geoTransform.size(), 6u);
    EXPECT_LE(std::abs(gdal.X(westmost.x, westmost.y) - vertexLon), 0.5 * gdal.geoTransform[1]);
    EXPECT_LE(std::abs(gdal.Y(westmost.x, westmost.y) - vertexLat), -0.5 * gdal.geoTransform[5]);

    ASSERT_EQ(RunStrandel({"--save", output, "--no-georef", input}).status, 0);
    EXPECT_TRUE(ReadWithGdal(output).geoTransform.empty());
}

TEST_F(StrandelBatchTest, ViewOptionSelectsPolygonsBeforeSaving) {
    std::string input =
        folder.Write("shore.b", ShorelineFile()
                                    .Outline(1, 0, {Degrees(0, 10), Degrees(1, 10)})
                                    .Outline(2, 20000, {Degrees(0, 20), Degrees(1, 20)})
                                    .bytes);
    auto drawn = [&](const std::string& view) {
        std::string output = folder / (view + ".bmp");
        RunResult run = RunStrandel({"--view", view, "--save", output, input});
        EXPECT_EQ(run.status, 0) << run.err;
        Bitmap map = ReadBmp24(output);
        return std::pair{map.PixelColour(1805, 800) == Colours::Black,
                         map.PixelColour(1805, 700) == Colours::Black};
    };
    EXPECT_EQ(drawn("both"), std::pair(true, true));
    EXPECT_EQ(drawn("land"), std::pair(true, false));
    EXPECT_EQ(drawn("lakes"), std::pair(false, true));
}

TEST_F(StrandelBatchTest, FileGivenIsStoredAndUsedByTheNextRun) {
    std::string input =
        folder.Write("shore.b", ShorelineFile().Land({Degrees(0, 0), Degrees(1, 0)}).bytes);
    ASSERT_EQ(RunStrandel({"--gshhs", input}).status, 0);
    EXPECT_EQ(TRegistryString("DataFile", "").Value, input);
    RunResult again = RunStrandel({"--save", folder / "again.bmp"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(ReadBmp24(folder / "again.bmp").PixelColour(1800, 900), Colours::Black);
}

TEST_F(StrandelBatchTest, UnreadableFileIsAnErrorAndSavesNothing) {
    std::string output = folder / "map.png";
    // Without a file anywhere, the default in the home folder is looked for.
    RunResult noFile = RunStrandel({"--save", output});
    EXPECT_EQ(noFile.status, 1);
    EXPECT_NE(noFile.err.find("Cannot open file: " + user.home.Folder() + "GSHHS/gshhs_l.b"),
              std::string::npos)
        << noFile.err;
    EXPECT_FALSE(std::filesystem::exists(output));

    RunResult missing = RunStrandel({"--save", output, folder / "absent.b"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("Cannot open file: " + folder / "absent.b"), std::string::npos)
        << missing.err;
    EXPECT_FALSE(std::filesystem::exists(output));
    // The path is stored all the same, as the window does.
    EXPECT_EQ(TRegistryString("DataFile", "").Value, folder / "absent.b");
}

TEST_F(StrandelBatchTest, CutFileIsDrawnAsFarAsItGoesSavedAndSaidSo) {
    std::vector<unsigned char> bytes = ShorelineFile()
                                           .Land({Degrees(0, 0), Degrees(1, 0)})
                                           .Land({Degrees(0, 0), Degrees(1, 0), Degrees(2, 0)})
                                           .bytes;
    bytes.erase(bytes.end() - 3, bytes.end());
    std::string input = folder.Write("cut.b", bytes);
    RunResult run = RunStrandel({"--view", "land", "--save", folder / "map.bmp", input});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadBmp24(folder / "map.bmp").PixelColour(1805, 900), Colours::Black);
    EXPECT_EQ(run.err,
              "strandel: " + input + ": shoreline file ends inside a record after 1 polygons\n");
}

TEST_F(StrandelBatchTest, NonShorelineFilesAreAnErrorAndNothingIsWrittenOrStored) {
    const std::string good =
        folder.Write("good.b", ShorelineFile().Land({Degrees(0, 0), Degrees(1, 0)}).bytes);
    ASSERT_EQ(RunStrandel({good}).status, 0);
    const std::string text = "# Varnholt world-map toolkit\n\nFour programs that turn data.\n";
    const std::vector<std::pair<std::string, std::vector<unsigned char>>> wrong = {
        {"map.png",
         ReadBytes(std::filesystem::path(VARNHOLT_TEST_DATA) / "pngsuite" / "PngSuite.png")},
        {"README.md", {text.begin(), text.end()}},
        {"empty.b", {}},
        {"short.b", std::vector<unsigned char>(20, 0)}};
    for (const auto& [name, bytes] : wrong) {
        const std::string input = folder.Write(name, bytes);
        for (const char* output : {"map.bmp", "map.svg"}) {
            RunResult run = RunStrandel({"--save", folder / output, input});
            EXPECT_EQ(run.status, 1) << name;
            EXPECT_EQ(run.err, "strandel: " + input + " is not a GSHHS shoreline file\n");
            EXPECT_FALSE(std::filesystem::exists(folder / output)) << name;
        }
        EXPECT_EQ(TRegistryString("DataFile", "").Value, good) << name;
    }
}

TEST_F(StrandelBatchTest, UnusableOptionsStopBeforeAnyWork) {
    std::string input = folder.Write("shore.b", ShorelineFile::Blank().bytes);
    RunResult view = RunStrandel({"--view", "sea", input});
    EXPECT_EQ(view.status, 2);
    EXPECT_NE(view.err.find("--view"), std::string::npos);
    RunResult format = RunStrandel({"--save", folder / "map.jpg", input});
    EXPECT_EQ(format.status, 2);
    EXPECT_NE(format.err.find(".png or .bmp"), std::string::npos);
    EXPECT_EQ(RunStrandel({input, input}).status, 2);
    EXPECT_FALSE(std::filesystem::exists(folder / "map.jpg"));
    for (const char* width : {"1000", "0", "43560", "-360", "3600.5"}) {
        RunResult run = RunStrandel({"--width", width, "--save", folder / "map.bmp", input});
        EXPECT_EQ(run.status, 2) << width;
        EXPECT_NE(run.err.find("--width"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "map.bmp"));
}

// The same drawing rules at other scales: W / 360 pixels a degree, a quarter of the width as the
// step taken for a crossing of the 180th meridian.
class StrandelWidthTest : public StrandelBatchTest, public ::testing::WithParamInterface<int> {
protected:
    int width = GetParam();
    int height = width / 2;

    Bitmap SavedMap(const std::vector<unsigned char>& bytes) {
        const std::string output = folder / "map.bmp";
        RunResult run = RunStrandel(
            {"--width", std::to_string(width), "--save", output, folder.Write("shore.b", bytes)});
        EXPECT_EQ(run.status, 0) << run.err;
        Bitmap map = ReadBmp24(output);
        EXPECT_EQ(map.Width(), width);
        EXPECT_EQ(map.Height(), height);
        return map;
    }
    // Whole degrees fall on whole pixels at every width.
    int Column(int lonDeg) const { return width * (lonDeg + 180) / 360; }
    int RowOf(int latDeg) const { return width * (90 - latDeg) / 360; }
    bool Black(const Bitmap& map, int x, int y) const {
        return map.PixelColour(x, y) == Colours::Black;
    }
};

TEST_P(StrandelWidthTest, QuarterStepIsCutAtTheEdgesAndAnIslandInAPixelIsADot) {
    const double pixelDeg = 360.0 / width;
    const double dot = pixelDeg / 100;
    Bitmap map =
        SavedMap(ShorelineFile()
                     // One column short of a quarter: a line, its end pixel left out.
                     .Land({Degrees(-150, 10), Degrees(-60 - pixelDeg, 10)})
                     // A quarter: out at the left edge, in again at the right.
                     .Land({Degrees(-100, -20), Degrees(-10, -21)})
                     .Land({Degrees(100, -40), Degrees(100 + dot, -40 + dot), Degrees(100, -40)})
                     .bytes);
    ASSERT_EQ(map.Width(), width);
    for (int x = Column(-150); x < Column(-60) - 1; ++x) ASSERT_TRUE(Black(map, x, RowOf(10))) << x;
    EXPECT_FALSE(Black(map, Column(-60) - 1, RowOf(10)));

    for (int x = 1; x <= Column(-100); ++x) ASSERT_TRUE(Black(map, x, RowOf(-20))) << x;
    for (int x = Column(-10) + 1; x < width; ++x) ASSERT_TRUE(Black(map, x, RowOf(-21))) << x;
    EXPECT_FALSE(Black(map, Column(-100) + 1, RowOf(-20)));
    EXPECT_FALSE(Black(map, Column(-10), RowOf(-21)));

    EXPECT_TRUE(Black(map, Column(100), RowOf(-40)));
    EXPECT_FALSE(Black(map, Column(100) + 1, RowOf(-40)));
    EXPECT_FALSE(Black(map, Column(100), RowOf(-40) - 1));
}

// The low-resolution world file shipped with the toolkit, framed and registered at the map's
// size: its outlines are cut at the 180th meridian, so no line may run across the map there.
TEST_P(StrandelWidthTest, RealWorldFileDrawsEveryUsedPointAndNoLineAcrossTheMap) {
    const std::string input =
        (std::filesystem::path(VARNHOLT_TEST_DATA).parent_path().parent_path() / "data" /
         "gshhs_l.b")
            .string();
    ASSERT_TRUE(std::filesystem::exists(input));
    Bitmap map = SavedMap(ReadBytes(input));
    ASSERT_EQ(map.Width(), width);
    for (int x = 0; x < width; ++x) ASSERT_TRUE(Black(map, x, 0) && Black(map, x, height - 1));
    for (int y = 0; y < height; ++y) ASSERT_TRUE(Black(map, 0, y) && Black(map, width - 1, y));
    std::istringstream worldFile(ReadText(folder / "map.bpw"));
    double terms[6] = {};
    for (double& term : terms) ASSERT_TRUE(worldFile >> term);
    EXPECT_DOUBLE_EQ(terms[0], 360.0 / width);
    EXPECT_DOUBLE_EQ(terms[3], -180.0 / height);

    ShorelineReader reader(input);
    TGSHHSHeader header;
    int checked = 0;
    while (reader.ReadHeader(header)) {
        if (header.Level != 1 && !(header.Level == 2 && header.Area > 10000)) {
            reader.SkipPoints(header);
            continue;
        }
        PointThinner thinner(header.NumPoints);
        TGSHHSPoint point;
        for (std::int32_t index = 1; index <= header.NumPoints && reader.ReadPoint(point);
             ++index) {
            Point pixel = GeoToPixel(point, width, height, LongitudeWrap::Once);
            if (!thinner.Use(index, pixel) || index == header.NumPoints) continue;
            if (pixel.x >= width || pixel.y >= height) continue;
            ASSERT_EQ(map.PixelColour(pixel.x, pixel.y), Colours::Black)
                << "polygon " << header.Id << " point " << index;
            ++checked;
        }
    }
    EXPECT_GT(checked, width * 5);
    for (int y = 1; y < height - 1; ++y) {
        int run = 0;
        for (int x = 1; x < width - 1; ++x) {
            run = Black(map, x, y) ? run + 1 : 0;
            ASSERT_LT(run, width / 4) << "row " << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, StrandelWidthTest, ::testing::Values(360, 3600, 7200));

}  // namespace

// Vector documents: rendered by librsvg, the outlines fall on the raster's, both ways round.
class StrandelVectorTest : public StrandelBatchTest {
protected:
    void ExpectSvgMatchesRaster(const std::string& input, const std::vector<std::string>& view) {
        std::vector<std::string> args = view;
        args.insert(args.end(), {"--save", folder / "map.bmp", input});
        ASSERT_EQ(RunStrandel(args).status, 0);
        args[args.size() - 2] = folder / "map.svg";
        RunResult run = RunStrandel(args);
        ASSERT_EQ(run.status, 0) << run.err;
        const Bitmap raster = ReadBmp24(folder / "map.bmp");
        const Bitmap rendered = RenderSvg(folder / "map.svg", W, H);
        ASSERT_EQ(rendered.Width(), W);
        EXPECT_GE(OutlineCoverage(raster, rendered), 0.98);
        EXPECT_GE(InkNearOutlines(raster, rendered), 0.98);
    }
};

TEST_F(StrandelVectorTest, HandMadeOutlinesAcrossTheDateLineMatchTheRaster) {
    ShorelineFile file;
    for (const auto& outline : SampleOutlines(11, 120)) file.Land(outline);
    // An island inside one pixel shows as a dot on both.
    file.Land({Degrees(10, 10), Degrees(10.01, 10.01), Degrees(10, 10)});
    ExpectSvgMatchesRaster(folder.Write("hand.b", file.bytes), {});
}

TEST_F(StrandelVectorTest, BundledWorldFileMatchesTheRasterInEachView) {
    const std::string input =
        (std::filesystem::path(VARNHOLT_TEST_DATA).parent_path().parent_path() / "data" /
         "gshhs_l.b")
            .string();
    ExpectSvgMatchesRaster(input, {});
    ExpectSvgMatchesRaster(input, {"--view", "lakes"});
}

TEST_F(StrandelVectorTest, PdfPageHasTheAskedWidthAndTheMapsProportions) {
    const std::string input = folder.Write("shore.b", ShorelineFile::Blank().bytes);
    ASSERT_EQ(RunStrandel({"--save", folder / "map.pdf", input}).status, 0);
    EXPECT_NE(RunCommand("pdfinfo " + Quoted(folder / "map.pdf"))
                  .out.find("Page size:       3600 x 1800 pts"),
              std::string::npos);
    ASSERT_EQ(RunStrandel({"--save", folder / "a3.pdf", "--page-width", "420", input}).status, 0);
    // 420 mm is 1190.55 points; the PDF writer keeps whole points.
    const CommandResult info = RunCommand("pdfinfo " + Quoted(folder / "a3.pdf"));
    EXPECT_NE(info.out.find("Page size:       1191 x 595 pts"), std::string::npos);
    EXPECT_NE(info.out.find("EPSG:4326"), std::string::npos);
}

TEST_F(StrandelVectorTest, EmptyMapIsAValidDocumentWithItsBoundsInTheMetadata) {
    const std::string input = folder.Write("empty.b", ShorelineFile::Blank().bytes);
    ASSERT_EQ(RunStrandel({"--save", folder / "map.svg", "--page-width", "297", input}).status, 0);
    const std::string svg = ReadText(folder / "map.svg");
    EXPECT_NE(svg.find("width=\"297mm\""), std::string::npos);
    EXPECT_NE(svg.find("<dc:coverage>180.05 W to 179.95 E, 89.95 S to 90.05 N; WGS 84"),
              std::string::npos);
    const Bitmap rendered = RenderSvg(folder / "map.svg", W, H);
    ASSERT_EQ(rendered.Width(), W);
    EXPECT_EQ(rendered.PixelColour(W / 2, H / 2), Colours::White);
    EXPECT_TRUE(IsInked(rendered.PixelColour(W / 2, 0)));

    // Another width: the same world on a page of its own size.
    ASSERT_EQ(RunStrandel({"--width", "720", "--save", folder / "small.pdf", input}).status, 0);
    const CommandResult info = RunCommand("pdfinfo " + Quoted(folder / "small.pdf"));
    EXPECT_NE(info.out.find("Page size:       720 x 360 pts"), std::string::npos) << info.out;
    ASSERT_EQ(RunStrandel({"--width", "720", "--save", folder / "small.svg", input}).status, 0);
    EXPECT_NE(ReadText(folder / "small.svg")
                  .find("<dc:coverage>180.25 W to 179.75 E, 89.75 S to 90.25 N; WGS 84"),
              std::string::npos);
}

TEST_F(StrandelVectorTest, UnwritableFolderGivesTheFileErrorAndLeavesNothing) {
    const std::string input = folder.Write("shore.b", ShorelineFile::Blank().bytes);
    for (const char* name : {"missing/map.svg", "missing/map.pdf"}) {
        RunResult run = RunStrandel({"--save", folder / name, input});
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("Cannot create file"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
    EXPECT_EQ(RunStrandel({"--save", folder / "map.svg", "--page-width", "wide", input}).status, 2);
}
