// The program itself, run without a display as a user would in a script.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "TempDir.h"
#include "TerrafoldFixtures.h"

using terrafold_test::ReadPngChunks;
using terrafold_test::ShorelineFile;
using terrafold_test::SparseTileSet;

namespace {

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string FileText(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A fresh user: own home, own settings, own working folder.
class TerrafoldBatch : public ::testing::Test {
protected:
    RunResult Run(const std::string& arguments) {
        const std::string command = "cd " + Quoted(work.Path()) +
                                    " && HOME=" + Quoted(home.Path()) +
                                    " XDG_CONFIG_HOME=" + Quoted(config.Path()) + " " +
                                    Quoted(std::string(VARNHOLT_BIN_DIR) + "/terrafold") +
                                    " --batch " + arguments + " 2>" + Quoted(errFile);
        RunResult result;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe) return result;
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            result.out.append(buffer, got);
        const int raw = ::pclose(pipe);
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.err = FileText(errFile);
        return result;
    }
    std::string Settings() const {
        return FileText((config.Path() / "Varnholt" / "terrafold.conf").string());
    }

    TempDir home;
    TempDir config;
    TempDir work;
    TempDir data;
    std::string errFile = data / "stderr.txt";
};

}  // namespace

TEST_F(TerrafoldBatch, WritesBothImagesRemembersTheLocationsAndStopsWhereTheWindowWouldAsk) {
    std::filesystem::create_directories(data.Path() / "tiles");
    SparseTileSet tiles(data.Folder() + "tiles/");
    tiles.PutCell(8 * 2700, 8 * 1350, 8848);
    const std::string shoreline = data / "gshhs_l.b";
    ShorelineFile().PixelRectangle(2, 30000, 100, 100, 110, 110).WriteTo(shoreline);

    RunResult run = Run("--gtopo30 " + Quoted(data / "tiles") + " --gshhs " + Quoted(shoreline));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Image(s) written to file topo.png\n");
    for (const char* name : {"topo.png", "LandSeaMask.png"}) {
        auto chunks = ReadPngChunks(work / name);
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

TEST_F(TerrafoldBatch, FolderWithoutTheTilesFailsWithTheMissingTilesName) {
    std::ofstream(data / "E020N40.dem") << "not a tile";
    RunResult run = Run("--gtopo30 " + Quoted(data.Folder()));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Cannot open file: " + data.Folder() + "W180N90.dem"), std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(work / "topo.png"));
    // The folder given stands for the one picked in the dialog, so it is remembered all the same.
    EXPECT_NE(Settings().find("GTOPO30Folder=" + data.Folder()), std::string::npos);
}

TEST_F(TerrafoldBatch, WithoutDataAnywhereEndsAtTheFirstQuestion) {
    RunResult run = Run("");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Terrafold cannot continue without GTOPO30 data files!\n");
}
