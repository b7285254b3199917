#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Errors.h"
#include "GtopoTiles.h"
#include "TempDir.h"
#include "TileData.h"

namespace {

constexpr std::uint64_t kBandTileBytes = GtopoTiles::kBandTileBytes;
constexpr std::uint64_t kPolarTileBytes = GtopoTiles::kPolarTileBytes;

// The 33 tiles as sparse files of full length: zeros everywhere except the samples a test puts.
class TileSet : public ::testing::Test {
protected:
    void CreateTiles(const std::string& extension = ".dem") {
        tiles_ = std::make_unique<GtopoTiles>(dir.Folder(), extension);
    }
    void CreateTile(const std::string& name, std::uint64_t bytes) {
        MakeSparseFile(dir / name, bytes);
    }
    // Stores a big-endian sample at (column, row) of the tile named.
    void Put(const std::string& name, int column, int row, std::int16_t value) {
        tiles_->Put(name, column, row, value);
    }
    std::string OpenError(const std::string& path) {
        try {
            TTileArray tiles(path);
        } catch (const EFOpenError& error) {
            return error.what();
        }
        return "opened";
    }
    // Whether any of this test's files is still open in the process.
    bool AnyTileOpen() {
        for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code ignored;
            const auto target = std::filesystem::read_symlink(entry.path(), ignored);
            if (target.string().find(dir.Path().string()) != std::string::npos) return true;
        }
        return false;
    }

    TempDir dir;

private:
    std::unique_ptr<GtopoTiles> tiles_;
};

}  // namespace

TEST_F(TileSet, CellsAtBandAndTileBoundariesComeFromTheirTiles) {
    CreateTiles();
    Put("W180N90.dem", 0, 0, 1);  // bytes 00 01
    Put("W180N90.dem", 4799, 5999, 11);
    Put("W140N90.dem", 0, 5999, 12);
    Put("W140N40.dem", 0, 0, -9999);  // bytes D8 F1
    Put("W140S10.dem", 2400, 5999, 4321);
    Put("W120S60.dem", 0, 0, 1234);
    Put("E140S10.dem", 4799, 5999, 31);
    Put("E120S60.dem", 7199, 3599, -1);  // bytes FF FF
    TTileArray tiles(dir.Folder());
    EXPECT_EQ(tiles.CellHeight(0, 0), 1);
    EXPECT_EQ(tiles.CellHeight(4799, 5999), 11);
    EXPECT_EQ(tiles.CellHeight(4800, 5999), 12);
    EXPECT_EQ(tiles.CellHeight(4800, 6000), -9999);
    EXPECT_EQ(tiles.CellHeight(7200, 17999), 4321);
    EXPECT_EQ(tiles.CellHeight(7200, 18000), 1234);
    EXPECT_EQ(tiles.CellHeight(43199, 17999), 31);
    EXPECT_EQ(tiles.CellHeight(43199, 21599), -1);
    EXPECT_EQ(tiles.CellHeight(43198, 21599), 0);
    EXPECT_EQ(tiles.Tiles[27]->Columns, 7200);
    EXPECT_EQ(tiles.Tiles[26]->Columns, 4800);
    EXPECT_THROW(tiles.CellHeight(43200, 0), std::out_of_range);
    EXPECT_THROW(tiles.CellHeight(0, -1), std::out_of_range);
}

TEST_F(TileSet, TheFirstMissingTileInOpeningOrderFailsTheSetAndReleasesTheRest) {
    CreateTiles();
    std::filesystem::remove(dir / "W100N40.dem");
    EXPECT_EQ(OpenError(dir.Folder()), "Cannot open file: " + dir.Folder() + "W100N40.dem");
    EXPECT_FALSE(AnyTileOpen());

    // Tiles open column by column: W180S10 comes before W140N90.
    std::filesystem::remove(dir / "W180S10.dem");
    std::filesystem::remove(dir / "W140N90.dem");
    EXPECT_EQ(OpenError(dir.Folder()), "Cannot open file: " + dir.Folder() + "W180S10.dem");
    EXPECT_FALSE(AnyTileOpen());
}

TEST_F(TileSet, TilesShorterThanTheirGridFailTheSet) {
    CreateTiles();
    CreateTile("E060S60.dem", kPolarTileBytes - 1);
    EXPECT_EQ(OpenError(dir.Folder()),
              "Cannot open file: " + dir.Folder() + "E060S60.dem (file is shorter than its grid)");
    CreateTile("W140N40.dem", kPolarTileBytes);  // long enough only for a polar tile
    EXPECT_EQ(OpenError(dir.Folder()),
              "Cannot open file: " + dir.Folder() + "W140N40.dem (file is shorter than its grid)");
    CreateTile("W140N40.dem", 0);
    EXPECT_NE(OpenError(dir.Folder()).find("W140N40.dem (file is shorter"), std::string::npos);
    EXPECT_FALSE(AnyTileOpen());
}

TEST_F(TileSet, TilesAreFoundInCapitalsAndFromAFileInTheFolder) {
    CreateTiles(".DEM");
    Put("E020N40.DEM", 5, 7, 8848);
    TTileArray tiles(dir / "E020N40.dem");
    EXPECT_EQ(tiles.Folder, dir.Folder());
    EXPECT_EQ(tiles.CellHeight(5 * 4800 + 5, 6007), 8848);
}

TEST_F(TileSet, BadDataIsReportedAtEveryLookupInTheRow) {
    CreateTiles();
    Put("W180N90.dem", 0, 10, -9999);
    Put("W180N90.dem", 4799, 10, -9998);
    Put("W060S60.dem", 7199, 20, -10000);
    Put("W060S60.dem", 5, 20, 42);
    Put("E140N40.dem", 0, 30, -32768);
    std::vector<std::string> messages;
    TTileArray tiles(dir.Folder(), [&](const std::string& text) { messages.push_back(text); });

    EXPECT_EQ(tiles.CellHeight(0, 10), -9999);
    EXPECT_EQ(tiles.CellHeight(4799, 10), -9998);
    EXPECT_TRUE(messages.empty());

    EXPECT_EQ(tiles.CellHeight(2 * 7200 + 5, 18020), 42);
    EXPECT_EQ(tiles.CellHeight(2 * 7200 + 6, 18020), 0);
    EXPECT_EQ(tiles.CellHeight(40000, 6030), 0);
    EXPECT_EQ(tiles.CellHeight(40000, 6031), 0);
    EXPECT_EQ(messages, (std::vector<std::string>{"Bad Data", "Bad Data", "Bad Data"}));
}

TEST_F(TileSet, ATileThatShrinksAfterOpeningFailsTheLookupWithoutCrashing) {
    CreateTiles();
    Put("W180N90.dem", 7, 5999, 123);
    TTileArray tiles(dir.Folder());
    EXPECT_EQ(tiles.CellHeight(7, 5999), 123);
    EXPECT_EQ(tiles.CellHeight(8, 5999), 0);  // the same row again

    CreateTile("W180N90.dem", kBandTileBytes / 2);
    try {
        tiles.CellHeight(7, 5998);
        FAIL() << "read past the end of the shortened tile";
    } catch (const EInOutError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot read file: " + dir.Folder() + "W180N90.dem");
    }
    EXPECT_EQ(tiles.CellHeight(7, 2000), 0);
}

TEST_F(TileSet, OnlyTheFileNameMakesATilePolar) {
    std::filesystem::create_directory(dir.Path() / "GT0S60");
    CreateTile("GT0S60/W180N90.dem", kBandTileBytes);
    TTile tile(dir / "GT0S60/W180N90.dem");
    EXPECT_EQ(tile.Columns, 4800);
    EXPECT_THROW(tile.RowPointer(6000), std::out_of_range);
}

TEST_F(TileSet, AFolderWhoseTilesAreHalfReplacedIsRefusedUntilTheReplacementEnds) {
    CreateTiles();
    const std::string journal = "varnholt pending renames\n.W140N40.dem.9.part" +
                                std::string(1, '\0') + "W140N40.dem" + std::string(1, '\0');
    dir.Write(".pending-renames", std::vector<unsigned char>(journal.begin(), journal.end()));
    CreateTile(".W140N40.dem.9.part", kBandTileBytes);
    EXPECT_EQ(OpenError(dir.Folder()),
              "Cannot open file: " + dir.Folder() +
                  "W180N90.dem: the folder's tiles are half replaced by a run that was stopped; "
                  "run it again to finish (" +
                  dir.Folder() + ".pending-renames)");
    EXPECT_FALSE(AnyTileOpen());
    std::filesystem::rename(dir / ".W140N40.dem.9.part", dir / "W140N40.dem");
    EXPECT_EQ(OpenError(dir.Folder()), "opened");
}
