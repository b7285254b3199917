// The program itself, run without a display as a user would in a script.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "FileContents.h"
#include "GdalReadBack.h"
#include "RunCommand.h"
#include "TempDir.h"
#include "TerrafoldFixtures.h"

using pngfiles::FileChunks;
using terrafold_test::Pixel;

namespace {

using TerrafoldBatch = terrafold_test::FreshUserBatch;

}  // namespace

TEST_F(TerrafoldBatch, WritesBothImagesRemembersTheLocationsAndStopsWhereTheWindowWouldAsk) {
    std::filesystem::create_directories(data.Path() / "tiles");
    GtopoTiles tiles(data.Folder() + "tiles/");
    tiles.PutCell(8 * 2700, 8 * 1350, 8848);
    const std::string shoreline = data / "gshhs_l.b";
    // A file cut inside its last polygon: its lakes are painted, and the cut is said.
    ShorelineFile file = ShorelineFile().Box(2, 30000, Pixel(100, 100), Pixel(110, 110));
    file.Polygon(5, 1).Point(0, 0);
    file.WriteTo(shoreline);

    CommandResult run =
        Run("--gtopo30 " + Quoted(data / "tiles") + " --gshhs " + Quoted(shoreline));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Image(s) written to file topo.png\n");
    EXPECT_EQ(run.err, "terrafold: " + shoreline +
                           ": shoreline file ends inside a record after 1 polygons\n");
    for (const char* name : {"topo.png", "LandSeaMask.png"}) {
        auto chunks = FileChunks(work / name);
        ASSERT_GE(chunks.size(), 3u) << name;
        EXPECT_EQ(chunks.front().type, "IHDR");
        EXPECT_EQ(chunks.back().type, "IEND");
        EXPECT_EQ(chunks.front().data[3], 0x18) << "width 5400";   // 0x1518
        EXPECT_EQ(chunks.front().data[7], 0x8C) << "height 2700";  // 0x0A8C
    }
    const std::string settings = Settings();
    EXPECT_NE(settings.find("GTOPO30Folder=" + data.Folder() + "tiles/"), std::string::npos)
        << settings;
    EXPECT_NE(settings.find("GSHHSFile=" + shoreline), std::string::npos) << settings;

    // The next run finds the tiles by itself, but the shoreline file has gone: where the window
    // would ask for it, the run ends with the window's message and nothing is written.
    std::filesystem::remove(shoreline);
    std::filesystem::remove(work / "topo.png");
    run = Run("");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Terrafold cannot continue without a GSHHS data file!\n");
    EXPECT_FALSE(std::filesystem::exists(work / "topo.png"));
}

TEST_F(TerrafoldBatch, NonShorelineFilesAreAnErrorAndWriteNothing) {
    std::filesystem::create_directories(data.Path() / "tiles");
    GtopoTiles tiles(data.Folder() + "tiles/");
    const std::string good = data / "gshhs_l.b";
    ShorelineFile::Blank().WriteTo(good);
    std::filesystem::create_directories(config.Path() / "Varnholt");
    std::ofstream(config.Path() / "Varnholt" / "terrafold.conf")
        << "[General]\nGSHHSFile=" << good << "\n";
    const std::string text = "# Varnholt world-map toolkit\n\nFour programs and their data.\n";
    const std::vector<std::pair<std::string, std::vector<unsigned char>>> wrong = {
        {"topo.png", ReadBytes(std::string(VARNHOLT_TEST_DATA) + "/pngsuite/PngSuite.png")},
        {"README.md", {text.begin(), text.end()}},
        {"empty.b", {}},
        {"short.b", std::vector<unsigned char>(20, 0)}};
    for (const auto& [name, bytes] : wrong) {
        const std::string path = data.Write(name, bytes);
        CommandResult run = Run("--gtopo30 " + Quoted(data / "tiles") + " --gshhs " + Quoted(path));
        EXPECT_EQ(run.status, 1) << name;
        EXPECT_EQ(run.err, "terrafold: " + path + " is not a GSHHS shoreline file\n");
        EXPECT_TRUE(std::filesystem::is_empty(work.Path())) << name;
        EXPECT_NE(Settings().find("GSHHSFile=" + good), std::string::npos) << name;
    }
}

TEST_F(TerrafoldBatch, FolderWithoutTheTilesFailsWithTheMissingTilesName) {
    std::ofstream(data / "E020N40.dem") << "not a tile";
    CommandResult run = Run("--gtopo30 " + Quoted(data.Folder()));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Cannot open file: " + data.Folder() + "W180N90.dem"), std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(work / "topo.png"));
    // The folder given stands for the one picked in the dialog, so it is remembered all the same.
    EXPECT_NE(Settings().find("GTOPO30Folder=" + data.Folder()), std::string::npos);
}

TEST_F(TerrafoldBatch, WithoutDataAnywhereEndsAtTheFirstQuestion) {
    CommandResult run = Run("");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Terrafold cannot continue without GTOPO30 data files!\n");
}

TEST_F(TerrafoldBatch, BothImagesArePlacedOnTheirSampledCellsUnlessGeoreferencingIsOff) {
    SKIP_WITHOUT_GDAL();
    std::filesystem::create_directories(data.Path() / "tiles");
    GtopoTiles tiles(data.Folder() + "tiles/");
    const std::string shoreline = data / "gshhs_l.b";
    ShorelineFile::Blank().WriteTo(shoreline);
    const std::string locations =
        "--gtopo30 " + Quoted(data / "tiles") + " --gshhs " + Quoted(shoreline);
    ASSERT_EQ(Run(locations).status, 0);

    constexpr double cellDegrees = 1.0 / 120;
    for (const char* name : {"topo.png", "LandSeaMask.png"}) {
        const GdalReadBack gdal = ReadWithGdal(work / name);
        EXPECT_EQ(gdal.epsg, "EPSG:4326") << name;
        ASSERT_EQ(gdal.geoTransform.size(), 6u) << name;
        // Pixel (x, y) holds cell (8x, 8y); its centre is that cell's centre.
        for (auto [x, y] : {std::pair{0, 0}, {2700, 1350}, {5399, 2699}}) {
            EXPECT_NEAR(gdal.X(x, y), -180 + (8 * x + 0.5) * cellDegrees, 1e-9) << name;
            EXPECT_NEAR(gdal.Y(x, y), 90 - (8 * y + 0.5) * cellDegrees, 1e-9) << name;
        }
    }

    ASSERT_EQ(Run(locations + " --no-georef").status, 0);
    for (const char* name : {"topo.pgw", "topo.png.aux.xml", "LandSeaMask.pgw"})
        EXPECT_FALSE(std::filesystem::exists(work / name)) << name;
}
