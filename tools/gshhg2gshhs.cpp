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

const char kSummary[] =
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
    "The output is written whole or not at all. Exit status: 0 done, 1 failed, 2 bad options.";

app::CommandLineSyntax Syntax() {
    std::vector<app::OptionSpec> options = {
        {.name = "output",
         .placeholder = "FILE",
         .help = "the classic shoreline file to write",
         .defaultValue = "",
         .shortName = 'o',
         .required = true},
        {"level", "N",
         "level (1 land, 2 lake, 3 island in lake, 4 pond) of the text inputs after it\n"
         "whose segment headers name none",
         "", true},
        {.name = "antarctica",
         .placeholder = "COAST",
         .help = "Antarctica from native files; it becomes a level-1 polygon",
         .defaultValue = "ice-front",
         .choices = {"ice-front", "grounding-line"}},
        {"cut-dateline", "",
         "cut polygons that cross the 180th meridian into pieces closed along it, for\n"
         "readers that draw longitudes from 180 W to 180 E (a ring round the globe,\n"
         "Antarctica, is closed along the map's edges in any case)",
         ""},
        {"input", "INPUT", "a native GSHHG file or multisegment text", "", true, true},
    };
    return app::ToolSyntax("gshhg2gshhs", "[options] -o OUTPUT INPUT...", kSummary, options);
}

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

struct ConvertOptions {
    std::string output;
    std::vector<TextInput> inputs;
    AntarcticCoast antarctica = AntarcticCoast::IceFront;
    bool quiet = false;
    bool cutDateline = false;
};

// Each text input takes the --level given last before it.
ConvertOptions ParseOptions(const app::Options& given) {
    ConvertOptions options;
    options.output = given.Value("output");
    int textLevel = 0;
    for (const auto& [name, value] : given.Given()) {
        if (name == "level") textLevel = static_cast<int>(app::ParseInteger(name, value, 1, 4));
        if (name == "input") options.inputs.push_back({value, textLevel});
    }
    if (options.inputs.empty()) throw app::UsageError("no input files given");
    if (given.Value("antarctica") == "grounding-line") {
        options.antarctica = AntarcticCoast::GroundingLine;
    }
    options.quiet = given.Quiet();
    options.cutDateline = given.Has("cut-dateline");
    return options;
}

// What the inputs hold: whole rings from native files, pieces from text still to be joined.
struct ReadShores {
    std::vector<ShoreRing> rings;
    std::map<int, std::vector<GeoRing>> piecesByLevel;
    int skipped = 0;
};

ReadShores ReadInputs(const ConvertOptions& options) {
    ReadShores shores;
    for (const TextInput& input : options.inputs) {
        std::vector<unsigned char> bytes = ReadWholeFile(input.path);
        if (LooksBinary(bytes)) {
            GshhgReadResult native = ParseGshhgNative(bytes, input.path, options.antarctica);
            shores.skipped += native.skipped;
            for (ShoreRing& ring : native.rings) shores.rings.push_back(std::move(ring));
            continue;
        }
        std::string text(bytes.begin(), bytes.end());
        for (TextSegment& segment : ParseMultisegmentText(text, input.path)) {
            int level = input.level != 0 ? input.level : segment.level;
            if (level < 1 || level > 4) {
                throw VarnholtError(input.path + ":" + std::to_string(segment.firstLine) +
                                    ": segment of unknown level; give --level N before the file");
            }
            shores.piecesByLevel[level].push_back(std::move(segment.points));
        }
    }
    return shores;
}

// Joins the text pieces into rings appended to shores.rings with ids from nextId on; returns
// how many lines had to be closed by force.
int JoinPieces(ReadShores& shores, std::int32_t& nextId) {
    int closedByForce = 0;
    std::vector<ShoreRing> joined;
    for (auto& [level, pieces] : shores.piecesByLevel) {
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
    std::stable_sort(order.begin(), order.end(), [&](const auto& left, const auto& right) {
        const int leftLevel = joined[left.second].level;
        const int rightLevel = joined[right.second].level;
        if (leftLevel != rightLevel) return leftLevel < rightLevel;
        return left.first > right.first;
    });
    for (const auto& [area, index] : order) {
        joined[index].id = nextId++;
        shores.rings.push_back(std::move(joined[index]));
    }
    return closedByForce;
}

std::vector<ShoreRing> CutAtDateline(std::vector<ShoreRing>& rings, std::int32_t& nextId) {
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
    return pieces;
}

struct WrittenSummary {
    std::size_t polygons = 0;
    std::map<int, int> perLevel;
    std::size_t points = 0;
    int degenerate = 0;
};

WrittenSummary WriteClassic(const std::vector<ShoreRing>& rings, const std::string& output) {
    WrittenSummary summary;
    std::vector<ClassicPolygon> polygons;
    for (const ShoreRing& ring : rings) {
        if (ring.points.size() < 3) {
            ++summary.degenerate;
            continue;
        }
        polygons.push_back(ToClassicPolygon(ring));
        ++summary.perLevel[ring.level];
        summary.points += polygons.back().points.size();
    }
    if (polygons.empty()) throw VarnholtError("no polygons found in the input");
    summary.polygons = polygons.size();

    ReplacingFile file(output);
    file.Write(EncodeClassicShoreline(polygons));
    file.Commit();
    return summary;
}

void PrintSummary(const std::string& output, const WrittenSummary& summary, int skipped) {
    std::cout << "Wrote " << output << ": " << summary.polygons << " polygons (";
    const char* names[] = {"", "land", "lakes", "islands in lakes", "ponds"};
    bool first = true;
    for (auto [level, count] : summary.perLevel) {
        std::cout << (first ? "" : ", ") << count << " " << names[level];
        first = false;
    }
    std::cout << "), " << summary.points << " points";
    if (skipped + summary.degenerate > 0) {
        std::cout << "; skipped " << skipped + summary.degenerate
                  << " (other levels or < 3 points)";
    }
    std::cout << "\n";
}

void Convert(const app::Options& given) {
    const ConvertOptions options = ParseOptions(given);
    ReadShores shores = ReadInputs(options);
    std::int32_t nextId = 0;
    for (const ShoreRing& ring : shores.rings) nextId = std::max(nextId, ring.id + 1);
    const int closedByForce = JoinPieces(shores, nextId);
    if (options.cutDateline) shores.rings = CutAtDateline(shores.rings, nextId);
    const WrittenSummary summary = WriteClassic(shores.rings, options.output);

    if (closedByForce > 0) {
        std::cerr << "gshhg2gshhs: warning: " << closedByForce
                  << " line(s) did not close into polygons (input cut to a region?); each "
                     "was closed with a straight edge\n";
    }
    if (!options.quiet) PrintSummary(options.output, summary, shores.skipped);
}

}  // namespace

int main(int argc, char** argv) { return RunTool(Syntax(), argc, argv, Convert); }
