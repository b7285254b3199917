// makecountries: the map viewer's "Countries.dat" from a classic shoreline file and
// national border lines.
#include <iostream>
#include <string>
#include <vector>

#include "ClassicShoreline.h"
#include "CountriesBuilder.h"
#include "Errors.h"
#include "MultisegmentText.h"
#include "PieceChainer.h"
#include "ReadOnlyFile.h"
#include "ReplacingFile.h"
#include "ToolMain.h"

namespace {

const char kSummary[] =
    "Builds a cartography file (\"Countries.dat\") for orbisko: little-endian records of a\n"
    "point count, a kind byte and points in whole arc-minutes. Shoreline polygons become\n"
    "filled areas (levels 1 and 3 land, kind 0; levels 2 and 4 water, kind 8), written in\n"
    "level order; border lines follow as open lines (kind 1). Polygons and lines are cut at\n"
    "the 180th meridian, and consecutive points on the same arc-minute are merged.\n"
    "The output is written whole or not at all. Exit status: 0 done, 1 failed, 2 bad options.";

app::CommandLineSyntax Syntax() {
    std::vector<app::OptionSpec> options = {
        {.name = "output",
         .placeholder = "FILE",
         .help = "the cartography file to write",
         .defaultValue = "",
         .shortName = 'o',
         .required = true},
        {"shore", "FILE", "a classic GSHHS shoreline file, e.g. from gshhg2gshhs", "", true},
        {"borders", "FILE",
         "border lines as multisegment text, e.g. from\n"
         "  gmt coast -Rd -Dl -M -N1/0.1p > borders.txt\n"
         "pieces cut at gmt's bin edges are joined again",
         "", true},
    };
    return app::ToolSyntax("makecountries", "[options] -o OUTPUT --shore FILE [--borders FILE]...",
                           kSummary, options);
}

std::vector<ClassicPolygon> ReadShores(const std::vector<std::string>& shoreFiles) {
    std::vector<ClassicPolygon> shore;
    for (const std::string& path : shoreFiles) {
        for (ClassicPolygon& polygon : ParseClassicShoreline(ReadWholeFile(path), path)) {
            shore.push_back(std::move(polygon));
        }
    }
    return shore;
}

std::vector<GeoRing> ReadBorders(const std::vector<std::string>& borderFiles) {
    std::vector<GeoRing> pieces;
    for (const std::string& path : borderFiles) {
        std::vector<unsigned char> bytes = ReadWholeFile(path);
        for (TextSegment& segment :
             ParseMultisegmentText(std::string(bytes.begin(), bytes.end()), path)) {
            pieces.push_back(std::move(segment.points));
        }
    }
    ChainedPieces chained = ChainPieces(pieces);
    std::vector<GeoRing> borders = std::move(chained.lines);
    for (GeoRing& ring : chained.rings) {
        ring.push_back(ring.front());  // a border that closes on itself is drawn closed
        borders.push_back(std::move(ring));
    }
    return borders;
}

void Build(const app::Options& options) {
    const std::string output = options.Value("output");
    const std::vector<std::string> shoreFiles = options.Values("shore");
    const std::vector<std::string> borderFiles = options.Values("borders");
    if (shoreFiles.empty() && borderFiles.empty()) {
        throw app::UsageError("nothing to convert: give --shore and/or --borders");
    }
    std::vector<ClassicPolygon> shore = ReadShores(shoreFiles);
    std::vector<GeoRing> borders = ReadBorders(borderFiles);

    std::vector<CartogSegment> segments = BuildCartography(shore, borders);
    if (segments.empty()) throw VarnholtError("no outlines found in the input");
    std::string bytes = EncodeCartography(segments);
    ReplacingFile file(output);
    file.Write(bytes);
    file.Commit();

    if (options.Quiet()) return;
    std::size_t areas = 0;
    std::size_t lines = 0;
    for (const CartogSegment& segment : segments) {
        (segment.kind & 1 ? lines : areas) += 1;
    }
    std::cout << "Wrote " << output << ": " << segments.size() << " segments (" << areas
              << " areas, " << lines << " lines), " << bytes.size() << " bytes\n";
}

}  // namespace

int main(int argc, char** argv) { return RunTool(Syntax(), argc, argv, Build); }
