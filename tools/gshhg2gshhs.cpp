// gshhg2gshhs: today's GSHHG shorelines (native binary files, or the multisegment text of
// `gmt coast -M -W`) into the classic GSHHS file that terrafold and strandel read.
#include <algorithm>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "ClassicShoreline.h"
#include "DatelineCut.h"
#include "Errors.h"
#include "GshhgNative.h"
#include "MultisegmentText.h"
#include "PieceChainer.h"
#include "ReadOnlyFile.h"
#include "ReplacingFile.h"
#include "SphericalArea.h"
#include "ToolMain.h"

namespace {

const char kUsage[] =
    "Usage: gshhg2gshhs [options] -o OUTPUT INPUT...\n"
    "\n"
    "Converts GSHHG shorelines into a classic GSHHS shoreline file (36-byte big-endian\n"
    "polygon headers, micro-degree points) as terrafold and strandel read it. Each INPUT is\n"
    "recognised by its contents:\n"
    "  - a native GSHHG 2.x binary file (gshhs_f.b ... gshhs_c.b, 44-byte polygon headers);\n"
    "  - multisegment text as written by gmt, one run per level, for example\n"
    "      gmt coast -Rd -Dl -A0/1/1 -M -W1/0.1p > land.txt    (level 1, land)\n"
    "      gmt coast -Rd -Dl -A0/2/2 -M -W2/0.1p > lakes.txt   (level 2, lakes)\n"
    "    gmt cuts every polygon at the edges of its storage bins; the pieces are joined back\n"
    "    into whole polygons (also across the 180th meridian) and their areas computed on\n"
    "    the sphere.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE    the classic shoreline file to write (required)\n"
    "  --level N            level (1 land, 2 lake, 3 island in lake, 4 pond) of the text\n"
    "                       inputs after it whose segment headers name none [from headers]\n"
    "  --antarctica COAST   Antarctica from native files: ice-front or grounding-line\n"
    "                       [ice-front]; it becomes a level-1 polygon\n"
    "  --cut-dateline       cut polygons that cross the 180th meridian into pieces closed\n"
    "                       along it, for readers that draw longitudes from 180 W to 180 E\n"
    "                       (a ring round the globe, Antarctica, is closed along the map's\n"
    "                       edges in any case)\n"
    "  -q, --quiet          no summary on standard output\n"
    "  -h, --help           this text\n"
    "\n"
    "The output is written whole or not at all. Exit status: 0 done, 1 failed, 2 bad options.\n";

struct TextInput {
    std::string path;
    int level = 0;
};

bool LooksBinary(const std::vector<unsigned char>& bytes) {
    // Native files begin with polygon id 0, big-endian; text never holds a NUL byte.
    std::size_t probe = std::min<std::size_t>(bytes.size(), 4096);
    return std::find(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(probe), 0) !=
           bytes.begin() + static_cast<std::ptrdiff_t>(probe);
}

void Convert(ArgCursor& args) {
    std::string output;
    std::vector<TextInput> inputs;
    int textLevel = 0;
    AntarcticCoast antarctica = AntarcticCoast::IceFront;
    bool quiet = false;
    bool cutDateline = false;
    while (args.Next()) {
        if (args.Is("--output", "-o")) {
            output = args.Value();
        } else if (args.Is("--level")) {
            textLevel = static_cast<int>(args.IntegerValue(1, 4));
        } else if (args.Is("--antarctica")) {
            std::string coast = args.Value();
            if (coast == "ice-front") {
                antarctica = AntarcticCoast::IceFront;
            } else if (coast == "grounding-line") {
                antarctica = AntarcticCoast::GroundingLine;
            } else {
                throw UsageError("--antarctica takes ice-front or grounding-line, not '" + coast +
                                 "'");
            }
        } else if (args.Is("--cut-dateline")) {
            cutDateline = true;
        } else if (args.Is("--quiet", "-q")) {
            quiet = true;
        } else if (args.IsOption()) {
            throw UsageError("unknown option " + args.Current());
        } else {
            inputs.push_back({args.Current(), textLevel});
        }
    }
    if (output.empty()) throw UsageError("no output file given (-o FILE)");
    if (inputs.empty()) throw UsageError("no input files given");

    std::vector<ShoreRing> rings;
    std::map<int, std::vector<GeoRing>> piecesByLevel;
    int skipped = 0;
    for (const TextInput& input : inputs) {
        std::vector<unsigned char> bytes = ReadWholeFile(input.path);
        if (LooksBinary(bytes)) {
            GshhgReadResult native = ParseGshhgNative(bytes, input.path, antarctica);
            skipped += native.skipped;
            for (ShoreRing& ring : native.rings) rings.push_back(std::move(ring));
            continue;
        }
        std::string text(bytes.begin(), bytes.end());
        for (TextSegment& segment : ParseMultisegmentText(text, input.path)) {
            int level = input.level != 0 ? input.level : segment.level;
            if (level < 1 || level > 4) {
                throw VarnholtError(input.path + ":" + std::to_string(segment.firstLine) +
                                    ": segment of unknown level; give --level N before the file");
            }
            piecesByLevel[level].push_back(std::move(segment.points));
        }
    }

    std::int32_t nextId = 0;
    for (const ShoreRing& ring : rings) nextId = std::max(nextId, ring.id + 1);
    int closedByForce = 0;
    std::vector<ShoreRing> joined;
    for (auto& [level, pieces] : piecesByLevel) {
        ChainedPieces chained = ChainPieces(pieces);
        closedByForce += static_cast<int>(chained.lines.size());
        for (auto* group : {&chained.rings, &chained.lines}) {
            for (GeoRing& points : *group) {
                ShoreRing ring;
                ring.level = level;
                ring.points = std::move(points);
                joined.push_back(std::move(ring));
            }
        }
    }
    // Largest first within a level, as in the classic files (Eurasia is polygon 0).
    std::vector<std::pair<long double, std::size_t>> order;
    for (std::size_t i = 0; i < joined.size(); ++i) {
        order.emplace_back(SphericalAreaKm2(UnwrapRing(joined[i].points).points), i);
    }
    std::stable_sort(order.begin(), order.end(), [&](const auto& a, const auto& b) {
        if (joined[a.second].level != joined[b.second].level) {
            return joined[a.second].level < joined[b.second].level;
        }
        return a.first > b.first;
    });
    for (const auto& [area, index] : order) {
        joined[index].id = nextId++;
        rings.push_back(std::move(joined[index]));
    }

    if (cutDateline) {
        std::vector<ShoreRing> pieces;
        for (ShoreRing& ring : rings) {
            // A ring round the globe is already closed along the map's edges.
            std::vector<GeoRing> cut;
            if (!UnwrapRing(ring.points).closedThroughPole) cut = CutRingAtDateline(ring.points);
            if (cut.size() <= 1) {
                pieces.push_back(std::move(ring));
                continue;
            }
            for (std::size_t i = 0; i < cut.size(); ++i) {
                ShoreRing piece;
                piece.id = i == 0 ? ring.id : nextId++;
                piece.level = ring.level;
                piece.source = ring.source;
                piece.points = std::move(cut[i]);
                pieces.push_back(std::move(piece));  // area measured anew for each piece
            }
        }
        rings = std::move(pieces);
    }

    std::vector<ClassicPolygon> polygons;
    std::map<int, int> perLevel;
    std::size_t points = 0;
    int degenerate = 0;
    for (const ShoreRing& ring : rings) {
        if (ring.points.size() < 3) {
            ++degenerate;
            continue;
        }
        polygons.push_back(ToClassicPolygon(ring));
        ++perLevel[ring.level];
        points += polygons.back().points.size();
    }
    if (polygons.empty()) throw VarnholtError("no polygons found in the input");

    ReplacingFile file(output);
    file.Write(EncodeClassicShoreline(polygons));
    file.Commit();

    if (closedByForce > 0) {
        std::cerr << "gshhg2gshhs: warning: " << closedByForce
                  << " line(s) did not close into polygons (input cut to a region?); each "
                     "was closed with a straight edge\n";
    }
    if (quiet) return;
    std::cout << "Wrote " << output << ": " << polygons.size() << " polygons (";
    const char* names[] = {"", "land", "lakes", "islands in lakes", "ponds"};
    bool first = true;
    for (auto [level, count] : perLevel) {
        std::cout << (first ? "" : ", ") << count << " " << names[level];
        first = false;
    }
    std::cout << "), " << points << " points";
    if (skipped + degenerate > 0) {
        std::cout << "; skipped " << skipped + degenerate << " (other levels or < 3 points)";
    }
    std::cout << "\n";
}

}  // namespace

int main(int argc, char** argv) { return RunTool("gshhg2gshhs", kUsage, argc, argv, Convert); }
