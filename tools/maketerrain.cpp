// maketerrain: a synthetic, seeded GTOPO30 tile set and ETOPO5-type grids whose land
// follows a real shoreline file, so that the programs can be run without downloads.
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "ClassicShoreline.h"
#include "Errors.h"
#include "ReadOnlyFile.h"
#include "TerrainFiles.h"
#include "TerrainModel.h"
#include "ToolMain.h"

namespace {

const char kUsage[] =
    "Usage: maketerrain [options] --shore FILE [--tiles FOLDER] [--grid LAYOUT:FILE]...\n"
    "\n"
    "Generates a plausible world relief whose land lies where the level-1 polygons of a\n"
    "classic GSHHS shoreline file are: lowlands rising inland to mountain ranges, an ice\n"
    "sheet on Antarctica, shelves falling to the deep sea. The same inputs and seed always\n"
    "give the same bytes.\n"
    "\n"
    "Options:\n"
    "  --shore FILE         classic shoreline file whose level-1 polygons are land (required)\n"
    "  --tiles FOLDER       write the 33 GTOPO30 tiles (W180N90.dem ... E120S60.dem, big-endian\n"
    "                       int16, ocean -9999) with .HDR headers into FOLDER, created if\n"
    "                       missing: 1.87 GB\n"
    "  --grid LAYOUT:FILE   write an ETOPO5-type grid (heights in metres, sea negative) in\n"
    "                       one of the layouts orbisko recognises (repeatable):\n"
    "                         1  4321 x 2160, little-endian, from Greenwich     18.7 MB\n"
    "                         2  4320 x 2160, big-endian, from 180 W            18.7 MB\n"
    "                         3  4320 x 2160, big-endian, from Greenwich        18.7 MB\n"
    "                         4  10800 x 6336, big-endian, 2' Mercator rows     137 MB\n"
    "  --seed N             seed of the relief [1]\n"
    "  --resolution N       cells a degree of the land mask and relief, 1 to 60 [15, that\n"
    "                       is 4 arc-minutes; memory grows with its square: 60 needs 3 GB]\n"
    "  --threads N          worker threads [the number of processors]\n"
    "  -q, --quiet          no progress and no summary\n"
    "  -h, --help           this text\n"
    "\n"
    "Each file is written whole or not at all. Exit status: 0 done, 1 failed, 2 bad options.\n";

struct GridRequest {
    int layout = 0;
    std::string path;
};

GridRequest ParseGridRequest(const std::string& text) {
    std::size_t colon = text.find(':');
    if (colon != 1 || text.size() < 3 || text[0] < '1' || text[0] > '4') {
        throw UsageError("--grid takes LAYOUT:FILE with a layout from 1 to 4, not '" + text + "'");
    }
    return {text[0] - '0', text.substr(2)};
}

void Generate(ArgCursor& args) {
    std::string shorePath;
    std::string tileFolder;
    std::vector<GridRequest> grids;
    long long seed = 1;
    int resolution = 15;
    int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    bool quiet = false;
    while (args.Next()) {
        if (args.Is("--shore")) {
            shorePath = args.Value();
        } else if (args.Is("--tiles")) {
            tileFolder = args.Value();
        } else if (args.Is("--grid")) {
            grids.push_back(ParseGridRequest(args.Value()));
        } else if (args.Is("--seed")) {
            seed = args.IntegerValue(0, 1LL << 62);
        } else if (args.Is("--resolution")) {
            resolution = static_cast<int>(args.IntegerValue(1, 60));
        } else if (args.Is("--threads")) {
            threads = static_cast<int>(args.IntegerValue(1, 64));
        } else if (args.Is("--quiet", "-q")) {
            quiet = true;
        } else if (args.IsOption()) {
            throw UsageError("unknown option " + args.Current());
        } else {
            throw UsageError("unexpected argument '" + args.Current() + "'");
        }
    }
    if (shorePath.empty()) throw UsageError("no shoreline file given (--shore FILE)");
    if (tileFolder.empty() && grids.empty()) {
        throw UsageError("nothing to write: give --tiles FOLDER and/or --grid LAYOUT:FILE");
    }

    std::vector<ClassicPolygon> shore = ParseClassicShoreline(ReadWholeFile(shorePath), shorePath);
    Progress progress(quiet);
    auto report = [&progress](double fraction) { progress.Update(fraction); };
    TerrainModel model(shore, static_cast<std::uint64_t>(seed), resolution, threads);

    if (!tileFolder.empty()) {
        std::error_code error;
        std::filesystem::create_directories(tileFolder, error);
        if (error) {
            throw EFOpenError("Cannot create folder: " + tileFolder + ": " + error.message());
        }
        WriteGtopo30Tiles(model, tileFolder, threads, report);
        progress.Done();
        if (!quiet) std::cout << "Wrote 33 GTOPO30 tiles with headers into " << tileFolder << "\n";
    }
    for (const GridRequest& grid : grids) {
        WriteEtopoGrid(model, grid.layout, grid.path, report);
        progress.Done();
        if (!quiet) {
            std::cout << "Wrote " << grid.path << " (grid layout " << grid.layout << ")\n";
        }
    }
}

}  // namespace

int main(int argc, char** argv) { return RunTool("maketerrain", kUsage, argc, argv, Generate); }
