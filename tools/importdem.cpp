// importdem: today's elevation rasters (GeoTIFF, netCDF, VRT mosaics of ETOPO 2022, GEBCO,
// SRTM15+, Copernicus...) as the GTOPO30 tiles and the ETOPO5-type grid the programs read.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "DemImport.h"
#include "DemSource.h"
#include "Errors.h"
#include "Gtopo30Layout.h"
#include "ShorelineLandMask.h"
#include "ToolMain.h"

namespace {

const char kSummary[] =
    "Converts an elevation raster that GDAL reads (GeoTIFF, COG, netCDF, a VRT of many tiles),\n"
    "in any coordinate system GDAL can transform to WGS 84, with integer or floating-point\n"
    "heights in metres, into the files terrafold and orbisko read. Its nodata value is\n"
    "honoured.\n"
    "Cells without data, outside the area the input covers or nodata in it, are taken as sea\n"
    "level (0 m): ocean in the tiles (land at 0 m where --shorelines puts land) and 0 m in the\n"
    "grid. An input covering only part of the world is converted with a note saying which part\n"
    "it covers. Memory stays under 1 GB whatever the size of the input; one of more than\n"
    "10^11 cells needs overviews (gdaladdo). Infinite heights count as no data.\n"
    "Each output is written whole or not at all: the 33 tiles replace the folder's earlier\n"
    "ones together, and a run stopped while renaming them is finished by the next run into\n"
    "the folder. Exit status: 0 done, 1 failed, 2 bad options.";

app::CommandLineSyntax Syntax() {
    std::vector<app::OptionSpec> options = {
        {"tiles", "DIR",
         "write the 33 GTOPO30 tiles (W180N90.dem ... E120S60.dem,\n"
         "30\" cells, big-endian int16, ocean -9999) with .HDR\n"
         "headers into DIR, created if missing: 1.87 GB. Land\n"
         "heights are rounded to whole metres and clamped to\n"
         "-9998 .. 32767.",
         ""},
        {"shorelines", "GSHHSFILE",
         "a tile cell is ocean exactly when its centre lies\n"
         "outside every level-1 (land) polygon of this shoreline\n"
         "file; land keeps its height even below sea level.\n"
         "Without it, heights at or below 0 m are ocean.",
         ""},
        {"grid", "FILE",
         "write a 5' grid in the first ETOPO5 layout\n"
         "(etopo5.elev: 4321 x 2160, little-endian, from\n"
         "Greenwich, sea depths kept) for orbisko. Its first row\n"
         "is the north pole, a single point, so it holds -4290 m\n"
         "throughout, the value orbisko recognises the layout by;\n"
         "no map shows that row.",
         ""},
        {"resampling",
         "METHOD",
         "how input cells become output cells",
         "average",
         false,
         false,
         {"average", "nearest", "bilinear"}},
        {"input", "INPUT", "the elevation raster", "", false, true, {}, 0, true},
    };
    return app::ToolSyntax("importdem", "[options] [--tiles DIR] [--grid FILE] INPUT", kSummary,
                           options);
}

constexpr long long kGdalCacheBytes = 256LL << 20;

std::string Degrees(double value, char positive, char negative) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f°%c", std::fabs(value), value < 0 ? negative : positive);
    return text;
}

void NoteCoverage(const DemSource& source) {
    LonLatExtent extent = source.Coverage();
    const double slack = 1.0 / 240;  // half a tile cell
    // Longitudes from 0 to 360 go round the world as well.
    bool allLongitudes = extent.east - extent.west >= 360 - slack;
    if (allLongitudes && extent.south <= -90 + slack && extent.north >= 90 - slack) {
        return;
    }
    std::cerr << "importdem: note: " << source.Path() << " covers only "
              << Degrees(extent.west, 'E', 'W') << " to " << Degrees(extent.east, 'E', 'W') << ", "
              << Degrees(extent.south, 'N', 'S') << " to " << Degrees(extent.north, 'N', 'S')
              << "; the rest of the world is written as sea level (0 m)\n";
}

void NoteEmptyCells(const ImportCounts& counts, const std::string& what) {
    if (counts.cellsWithoutData == 0) return;
    std::fprintf(
        stderr,
        "importdem: note: %lld of the %lld cells of the %s (%.2f%%) had no data and are "
        "sea level (0 m)\n",
        counts.cellsWithoutData, counts.cells, what.c_str(),
        100.0 * static_cast<double>(counts.cellsWithoutData) / static_cast<double>(counts.cells));
}

struct Request {
    std::string input;
    std::string tileFolder;
    std::string gridPath;
    std::string shorePath;
    Resampling resampling = Resampling::Average;
    bool quiet = false;
};

Request ParseRequest(const app::Options& options) {
    Request request;
    request.input = options.Value("input");
    request.tileFolder = options.Value("tiles");
    request.gridPath = options.Value("grid");
    request.shorePath = options.Value("shorelines");
    request.resampling = *ResamplingNamed(options.Value("resampling"));  // one of the choices
    request.quiet = options.Quiet();
    if (request.tileFolder.empty() && request.gridPath.empty()) {
        throw app::UsageError("nothing to write: give --tiles DIR and/or --grid FILE");
    }
    if (!request.shorePath.empty() && request.tileFolder.empty()) {
        throw app::UsageError("--shorelines decides the ocean of the tiles: give --tiles DIR too");
    }
    return request;
}

void Convert(const app::Options& options) {
    const Request request = ParseRequest(options);
    const std::string& input = request.input;
    const std::string& tileFolder = request.tileFolder;
    const std::string& gridPath = request.gridPath;
    const std::string& shorePath = request.shorePath;
    const Resampling resampling = request.resampling;
    const bool quiet = request.quiet;

    PrepareGdal(kGdalCacheBytes);
    DemSource source(input);
    NoteCoverage(source);
    std::optional<ShorelineLandMask> land;
    if (!shorePath.empty()) {
        land.emplace(shorePath, gtopo30::kGridColumns / 360);
    } else if (!tileFolder.empty()) {
        std::cerr << "importdem: note: no --shorelines given: tile cells at or below 0 m are "
                     "written as ocean\n";
    }

    app::ProgressPrinter progress(std::cerr, app::ProgressWanted(quiet));
    // The tiles hold a hundred times the cells of the grid.
    const double tileShare = gridPath.empty() ? 1.0 : tileFolder.empty() ? 0.0 : 0.99;
    ImportCounts tileCounts;
    ImportCounts gridCounts;
    if (!tileFolder.empty()) {
        std::error_code error;
        std::filesystem::create_directories(tileFolder, error);
        if (error) {
            throw EFOpenError("Cannot create folder: " + tileFolder + ": " + error.message());
        }
        tileCounts = ImportTiles(source, tileFolder, resampling, land ? &*land : nullptr,
                                 [&](double done) { progress.Report(done * tileShare); });
    }
    if (!gridPath.empty()) {
        gridCounts = ImportEtopoGrid(source, gridPath, resampling, [&](double done) {
            progress.Report(tileShare + done * (1 - tileShare));
        });
    }
    progress.Report(1.0);
    // After the progress line, which they would break.
    NoteEmptyCells(tileCounts, "tiles");
    NoteEmptyCells(gridCounts, "grid");
    if (!quiet) {
        if (!tileFolder.empty()) {
            std::cout << "Wrote 33 GTOPO30 tiles with headers into " << tileFolder << "\n";
        }
        if (!gridPath.empty()) std::cout << "Wrote " << gridPath << " (grid layout 1)\n";
    }
}

}  // namespace

int main(int argc, char** argv) { return RunTool(Syntax(), argc, argv, Convert); }
