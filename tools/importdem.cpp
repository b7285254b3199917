// importdem: today's elevation rasters (GeoTIFF, netCDF, VRT mosaics of ETOPO 2022, GEBCO,
// SRTM15+, Copernicus...) as the GTOPO30 tiles and the ETOPO5-type grid the programs read.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "DemImport.h"
#include "DemSource.h"
#include "Errors.h"
#include "ShorelineLandMask.h"
#include "ToolMain.h"

namespace {

const char kUsage[] =
    "Usage: importdem [--tiles DIR] [--grid FILE] [--shorelines GSHHSFILE]\n"
    "                 [--resampling average|nearest|bilinear] [--quiet] INPUT\n"
    "\n"
    "Converts an elevation raster that GDAL reads (GeoTIFF, COG, netCDF, a VRT of many tiles),\n"
    "in any coordinate system GDAL can transform to WGS 84, with integer or floating-point\n"
    "heights in metres, into the files terrafold and orbisko read. Its nodata value is\n"
    "honoured.\n"
    "\n"
    "Options:\n"
    "  --tiles DIR            write the 33 GTOPO30 tiles (W180N90.dem ... E120S60.dem, 30\"\n"
    "                         cells, big-endian int16, ocean -9999) with .HDR headers into\n"
    "                         DIR, created if missing: 1.87 GB. Land heights are rounded to\n"
    "                         whole metres and clamped to -9998 .. 32767.\n"
    "  --shorelines GSHHSFILE a cell of the tiles is ocean exactly when its centre lies outside\n"
    "                         every level-1 (land) polygon of this shoreline file; land keeps\n"
    "                         its height even below sea level. Without it, heights at or below\n"
    "                         0 m are ocean.\n"
    "  --grid FILE            write a 5' grid in the first ETOPO5 layout (etopo5.elev: 4321 x\n"
    "                         2160, little-endian, from Greenwich, sea depths kept) for\n"
    "                         orbisko. Its first row is the north pole, a single point, so it\n"
    "                         holds -4290 m throughout, the value orbisko recognises the\n"
    "                         layout by; no map shows that row.\n"
    "  --resampling METHOD    average (the default), nearest or bilinear\n"
    "  -q, --quiet            no progress and no summary\n"
    "  -h, --help             this text\n"
    "\n"
    "Cells without data, outside the area the input covers or nodata in it, are taken as sea\n"
    "level (0 m): ocean in the tiles (land at 0 m where --shorelines puts land) and 0 m in the\n"
    "grid. An input covering only part of the world is converted with a note saying which part\n"
    "it covers. Memory stays under 1 GB whatever the size of the input.\n"
    "\n"
    "Each output is written whole or not at all: the 33 tiles appear together. Exit status:\n"
    "0 done, 1 failed, 2 bad options.\n";

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

Request ParseRequest(ArgCursor& args) {
    Request request;
    while (args.Next()) {
        if (args.Is("--tiles")) {
            request.tileFolder = args.Value();
        } else if (args.Is("--grid")) {
            request.gridPath = args.Value();
        } else if (args.Is("--shorelines")) {
            request.shorePath = args.Value();
        } else if (args.Is("--resampling")) {
            std::string name = args.Value();
            std::optional<Resampling> named = ResamplingNamed(name);
            if (!named) {
                throw UsageError("--resampling takes average, nearest or bilinear, not '" + name +
                                 "'");
            }
            request.resampling = *named;
        } else if (args.Is("--quiet", "-q")) {
            request.quiet = true;
        } else if (args.IsOption()) {
            throw UsageError("unknown option " + args.Current());
        } else if (request.input.empty()) {
            request.input = args.Current();
        } else {
            throw UsageError("unexpected argument '" + args.Current() + "'");
        }
    }
    if (request.input.empty()) throw UsageError("no input raster given");
    if (request.tileFolder.empty() && request.gridPath.empty()) {
        throw UsageError("nothing to write: give --tiles DIR and/or --grid FILE");
    }
    if (!request.shorePath.empty() && request.tileFolder.empty()) {
        throw UsageError("--shorelines decides the ocean of the tiles: give --tiles DIR too");
    }
    return request;
}

void Convert(ArgCursor& args) {
    const Request request = ParseRequest(args);
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
        land.emplace(shorePath, 120);
    } else if (!tileFolder.empty()) {
        std::cerr << "importdem: note: no --shorelines given: tile cells at or below 0 m are "
                     "written as ocean\n";
    }

    Progress progress(quiet);
    // The tiles hold a hundred times the cells of the grid.
    const double tileShare = gridPath.empty() ? 1.0 : tileFolder.empty() ? 0.0 : 0.99;
    if (!tileFolder.empty()) {
        std::error_code error;
        std::filesystem::create_directories(tileFolder, error);
        if (error) {
            throw EFOpenError("Cannot create folder: " + tileFolder + ": " + error.message());
        }
        ImportCounts counts = ImportTiles(source, tileFolder, resampling, land ? &*land : nullptr,
                                          [&](double done) { progress.Update(done * tileShare); });
        NoteEmptyCells(counts, "tiles");
    }
    if (!gridPath.empty()) {
        ImportCounts counts = ImportEtopoGrid(source, gridPath, resampling, [&](double done) {
            progress.Update(tileShare + done * (1 - tileShare));
        });
        NoteEmptyCells(counts, "grid");
    }
    progress.Done();
    if (!quiet) {
        if (!tileFolder.empty()) {
            std::cout << "Wrote 33 GTOPO30 tiles with headers into " << tileFolder << "\n";
        }
        if (!gridPath.empty()) std::cout << "Wrote " << gridPath << " (grid layout 1)\n";
    }
}

}  // namespace

int main(int argc, char** argv) { return RunTool("importdem", kUsage, argc, argv, Convert); }
