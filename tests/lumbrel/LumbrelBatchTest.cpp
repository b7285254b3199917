#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "BatchRunner.h"
#include "FileContents.h"
#include "FileSizeLimit.h"
#include "GeoReference.h"
#include "LumbrelProgram.h"
#include "PNG_IO.h"
#include "ReliefShading.h"
#include "ShaderTestSupport.h"
#include "TempDir.h"

namespace {

struct BatchRun {
    int status = -1;
    std::string out;
    std::string err;
};

class LumbrelBatch : public ::testing::Test {
protected:
    LumbrelBatch() : folder_(temp_.Path()) {}

    BatchRun Run(const std::vector<std::string>& args) {
        const app::ProgramDescription program = LumbrelProgram();
        app::ParsedCommandLine parsed =
            app::ParseCommandLine(args, program.name, program.summary, program.options);
        EXPECT_EQ(parsed.action, app::CommandLineAction::Run) << parsed.message;
        std::ostringstream out, err;
        BatchRun run;
        run.status = app::RunBatch(program, parsed.options, out, err, false);
        run.out = out.str();
        run.err = err.str();
        return run;
    }

    TempDir temp_;
    InFolder folder_;
};

// One land pair differing by 2 (10 against 12).
const Codes kCodes = {{0, 10, 20}, {10, 30, 12}};
const std::string kStatistics = "Number of cells at each height difference\n0  1  0  0  0  \n";

}  // namespace

TEST_F(LumbrelBatch, ShadesTheNamedFileOrTopoPngAndPrintsTheMessagesThenTheStatistics) {
    WriteHeightPng(kCodes, "hills.png");
    BatchRun run = Run({"--batch", "hills.png"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Coloured, shaded image written to COMBINED.BMP\n" + kStatistics);
    EXPECT_TRUE(std::filesystem::exists("combined.bmp"));

    std::filesystem::rename("hills.png", "topo.png");
    BatchRun byDefault = Run({"--batch"});
    EXPECT_EQ(byDefault.status, 0) << byDefault.err;
    EXPECT_EQ(byDefault.out, run.out);
}

TEST_F(LumbrelBatch, MissingFileEndsWithTheWindowsMessageAndStatusOne) {
    BatchRun named = Run({"--batch", "absent.png"});
    EXPECT_EQ(named.status, 1);
    EXPECT_EQ(named.out, "Cannot find height PNG file absent.png, so closing down.\n");

    BatchRun unnamed = Run({"--batch"});
    EXPECT_EQ(unnamed.status, 1);
    EXPECT_EQ(unnamed.out, "Cannot find height PNG file topo.png, so closing down.\n");
    EXPECT_FALSE(std::filesystem::exists("combined.bmp"));
}

TEST_F(LumbrelBatch, ColourPngIsRefusedOnStandardErrorWithStatusOneAndNoStatistics) {
    Bitmap rgb(2, 2, PixelFormat::Bgr24);
    SaveBitmapToPng(rgb, "photo.png", "", "", "", "");
    BatchRun run = Run({"--batch", "photo.png"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "lumbrel: photo.png is not an 8-bit greyscale PNG image, so it cannot be read "
              "as heights.\n");
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(std::filesystem::exists("combined.bmp"));
}

TEST_F(LumbrelBatch, CombinedImageTakesTheHeightImagesGeoreferencing) {
    WriteHeightPng(kCodes, "hills.png");
    const GeoReference hills = Wgs84Reference(GeoTransform::NorthUp({-10, 50}, 0.5, 0.25));
    WriteGeoreference("hills.png", hills);
    EXPECT_EQ(Run({"--batch", "hills.png"}).status, 0);
    EXPECT_EQ(ReadGeoreference("combined.bmp"), hills);

    // A height image without sidecars leaves none of the last run beside the new image.
    WriteGeoreference("hills.png", GeoReference{});
    EXPECT_EQ(Run({"--batch", "hills.png"}).status, 0);
    EXPECT_EQ(ReadGeoreference("combined.bmp"), GeoReference{});

    // A damaged one is reported, unless the user asked for no georeferencing.
    WriteGeoreference("hills.png", hills);
    std::ofstream("hills.pgw") << "0.5 0 0";
    BatchRun run = Run({"--batch", "hills.png"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("hills.pgw is not a world file"), std::string::npos) << run.err;
    EXPECT_EQ(Run({"--batch", "--no-georef", "hills.png"}).status, 0);
    EXPECT_EQ(ReadGeoreference("combined.bmp"), GeoReference{});
}

TEST_F(LumbrelBatch, SaveChoosesTheFormatByTheExtensionAndCarriesTheGeoreferencingOver) {
    const Codes codes = {{0, 10, 20, 3, 9, 40, 41},
                         {10, 30, 12, 3, 3, 0, 41},
                         {3, 5, 7, 11, 13, 17, 19},
                         {0, 0, 0, 9, 9, 9, 9},
                         {50, 60, 70, 80, 90, 99, 3}};
    WriteHeightPng(codes, "hills.png");
    const GeoReference hills = Wgs84Reference(GeoTransform::NorthUp({-10, 50}, 0.5, 0.25));
    WriteGeoreference("hills.png", hills);
    BatchRun run = Run({"--batch", "--save", "shaded.png", "hills.png"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')),
              "Coloured, shaded image written to shaded.png");
    EXPECT_FALSE(std::filesystem::exists("combined.bmp"));
    EXPECT_EQ(ReadGeoreference("shaded.png"), hills);

    Bitmap expected;
    MakeShadedImage(HeightImage(codes), expected, {});
    Bitmap saved;
    LoadPngToBitmap(saved, "shaded.png", true);
    ASSERT_EQ(saved.Width(), 7);
    ASSERT_EQ(saved.Height(), 5);
    for (int y = 0; y < 5; ++y) EXPECT_EQ(std::memcmp(saved.Row(y), expected.Row(y), 21), 0) << y;

    const app::ProgramDescription program = LumbrelProgram();
    for (const char* name : {"shaded.gif", "shaded"}) {
        app::ParsedCommandLine parsed =
            app::ParseProgramCommandLine({"--batch", "--save", name}, program);
        EXPECT_EQ(parsed.action, app::CommandLineAction::Fail) << name;
    }
}

TEST_F(LumbrelBatch, AFullDiskAtFullWidthNamesTheFileAndKeepsTheEarlierImage) {
    WriteHeightPng(kCodes, "hills.png");
    ASSERT_EQ(Run({"--batch", "hills.png"}).status, 0);
    const std::vector<unsigned char> earlier = ReadBytes("combined.bmp");
    // The widest height image, of a few rows that compress poorly.
    Codes codes(3, std::vector<int>(43200));
    for (std::size_t y = 0; y < 3; ++y)
        for (std::size_t x = 0; x < 43200; ++x) codes[y][x] = int((x * 7919 + y * 104729) % 251);
    WriteHeightPng(codes, "wide.png");
    for (const std::string output : {"combined.bmp", "wide-shaded.png"}) {
        BatchRun run;
        {
            FileSizeLimit limit(1000);
            run = output == "combined.bmp" ? Run({"--batch", "wide.png"})
                                           : Run({"--batch", "--save", output, "wide.png"});
        }
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("Cannot write file: " + output + ": File too large"),
                  std::string::npos)
            << run.err;
    }
    EXPECT_EQ(ReadBytes("combined.bmp"), earlier);
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator("."))
        files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"combined.bmp", "hills.png", "wide.png"}));
}
