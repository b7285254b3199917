// maketerrain: a synthetic, seeded GTOPO30 tile set and ETOPO5-type grids whose land
// follows a real shoreline file, so that the programs can be run without downloads.
#include <algorithm>
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

const char kSummary[] =
    "Generates a plausible world relief whose land lies where the level-1 polygons of a\n"
    "classic GSHHS shoreline file are: lowlands rising inland to mountain ranges, an ice\n"
    "sheet on Antarctica, shelves falling to the deep sea. The same inputs and seed always\n"
    "give the same bytes.\n"
    "Each file is written whole or not at all, and the 33 tiles replace the folder's earlier\n"
    "ones together. Exit status: 0 done, 1 failed, 2 bad options.";

app::CommandLineSyntax Syntax() {
    const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    std::vector<app::OptionSpec> options = {
        {"shore",
         "FILE",
         "classic shoreline file whose level-1 polygons are land",
         "",
         false,
         false,
         {},
         0,
         true},
        {"tiles", "FOLDER",
         "write the 33 GTOPO30 tiles (W180N90.dem ... E120S60.dem, big-endian int16,\n"
         "ocean -9999) with .HDR headers into FOLDER, created if missing: 1.87 GB",
         ""},
        {"grid", "LAYOUT:FILE",
         "write an ETOPO5-type grid (heights in metres, sea negative) in one of the\n"
         "layouts orbisko recognises:\n"
         "  1  4321 x 2160, little-endian, from Greenwich     18.7 MB\n"
         "  2  4320 x 2160, big-endian, from 180 W            18.7 MB\n"
         "  3  4320 x 2160, big-endian, from Greenwich        18.7 MB\n"
         "  4  10800 x 6336, big-endian, 2' Mercator rows     137 MB",
         "", true},
        {"seed", "N", "seed of the relief", "1"},
        {"resolution", "N",
         "cells a degree of the land mask and relief, 1 to 60 (15 is 4 arc-minutes;\n"
         "memory grows with its square: 60 needs 3 GB)",
         "15"},
        {"threads", "N", "worker threads, 1 to 64 (by default the number of processors)",
         std::to_string(std::min(64u, processors))},
    };
    return app::ToolSyntax("maketerrain",
                           "[options] --shore FILE [--tiles FOLDER] [--grid LAYOUT:FILE]...",
                           kSummary, options);
}

struct GridRequest {
    int layout = 0;
    std::string path;
};

GridRequest ParseGridRequest(const std::string& text) {
    std::size_t colon = text.find(':');
    if (colon != 1 || text.size() < 3 || text[0] < '1' || text[0] > '4') {
        throw app::UsageError("option --grid takes LAYOUT:FILE with a layout from 1 to 4, not '" +
                              text + "'");
    }
    return {text[0] - '0', text.substr(2)};
}

void Generate(const app::Options& options) {
    const std::string shorePath = options.Value("shore");
    const std::string tileFolder = options.Value("tiles");
    std::vector<GridRequest> grids;
    for (const std::string& grid : options.Values("grid")) grids.push_back(ParseGridRequest(grid));
    const long long seed = options.Integer("seed", 0, 1LL << 62);
    const int resolution = static_cast<int>(options.Integer("resolution", 1, 60));
    const int threads = static_cast<int>(options.Integer("threads", 1, 64));
    const bool quiet = options.Quiet();
    if (tileFolder.empty() && grids.empty()) {
        throw app::UsageError("nothing to write: give --tiles FOLDER and/or --grid LAYOUT:FILE");
    }

    std::vector<ClassicPolygon> shore = ParseClassicShoreline(ReadWholeFile(shorePath), shorePath);
    app::ProgressPrinter progress(std::cerr, app::ProgressWanted(quiet));
    const app::ProgressCallback report = progress.Callback();
    TerrainModel model(shore, static_cast<std::uint64_t>(seed), resolution, threads);

    if (!tileFolder.empty()) {
        std::error_code error;
        std::filesystem::create_directories(tileFolder, error);
        if (error) {
            throw EFOpenError("Cannot create folder: " + tileFolder + ": " + error.message());
        }
        WriteGtopo30Tiles(model, tileFolder, threads, report);
        progress.Report(1.0);
        if (!quiet) std::cout << "Wrote 33 GTOPO30 tiles with headers into " << tileFolder << "\n";
    }
    for (const GridRequest& grid : grids) {
        WriteEtopoGrid(model, grid.layout, grid.path, report);
        progress.Report(1.0);
        if (!quiet) {
            std::cout << "Wrote " << grid.path << " (grid layout " << grid.layout << ")\n";
        }
    }
}

}  // namespace

int main(int argc, char** argv) { return RunTool(Syntax(), argc, argv, Generate); }
