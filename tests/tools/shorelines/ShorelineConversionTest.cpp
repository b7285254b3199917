#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <utility>

#include "ClassicShoreline.h"
#include "Errors.h"
#include "GSHHSdata.h"
#include "GshhgNative.h"
#include "MultisegmentText.h"
#include "PieceChainer.h"
#include "ReadOnlyFile.h"
#include "SphericalArea.h"
#include "TempDir.h"
#include "ToolTestSupport.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRadiusKm = 6371.0072;

double BoxAreaKm2(double west, double east, double south, double north) {
    return kRadiusKm * kRadiusKm * (east - west) * kPi / 180 *
           (std::sin(north * kPi / 180) - std::sin(south * kPi / 180));
}

using Degrees = std::vector<std::pair<double, double>>;  // (lon, lat)

std::int64_t Micro(double degrees) { return std::llround(degrees * 1e6); }

int NativeFlag(int level, int version, int source, int magnitude) {
    return level | version << 8 | source << 24 | magnitude << 26;
}

void AppendNative(Bytes& file, int id, int flag, std::uint32_t area, const Degrees& points) {
    PutBig32(file, id);
    PutBig32(file, static_cast<std::int64_t>(points.size()));
    PutBig32(file, flag);
    for (int bound = 0; bound < 4; ++bound) PutBig32(file, 0);
    PutBig32(file, area);
    PutBig32(file, area);
    PutBig32(file, -1);
    PutBig32(file, -1);
    for (auto [lon, lat] : points) {
        PutBig32(file, Micro(lon));
        PutBig32(file, Micro(lat));
    }
}

const Degrees kSmallBox = {{10, 50}, {12, 50}, {12, 51}, {10, 51}, {10, 50}};

ClassicPolygon ClassicOf(const Degrees& points, int level = 1) {
    ShoreRing ring;
    ring.level = level;
    for (auto [lon, lat] : points) ring.points.push_back({Micro(lon), Micro(lat)});
    return ToClassicPolygon(ring);
}

// The widest step between consecutive pixels of an outline, as the shoreline viewer maps and
// thins them on its 3600 x 1800 map, leaving out steps along the off-map south-pole row.
int WidestVisibleStep(const std::string& path) {
    ShorelineReader reader(path);
    TGSHHSHeader header;
    int widest = 0;
    while (reader.ReadHeader(header)) {
        std::vector<Point> pixels =
            ReadPolygonPixels(reader, header, 3600, 1800, LongitudeWrap::Once);
        for (std::size_t i = 1; i < pixels.size(); ++i) {
            if (pixels[i].y == 1800 && pixels[i - 1].y == 1800) continue;
            widest = std::max(widest, std::abs(pixels[i].x - pixels[i - 1].x));
        }
    }
    return widest;
}

}  // namespace

TEST(GshhgNative, TakesLevelsAreasAndTheChosenAntarcticCoast) {
    Bytes file;
    AppendNative(file, 7, NativeFlag(1, 15, 1, 1), 1234, kSmallBox);  // 123.4 km² × 10^1
    AppendNative(file, 8, NativeFlag(2, 15, 0, 3), 5000, kSmallBox);  // 5 km² × 10^3
    AppendNative(file, 9, NativeFlag(2, 7, 0, 0), 555, kSmallBox);    // old: tenths of km²
    AppendNative(file, 10, NativeFlag(5, 15, 1, 1), 10, kSmallBox);   // ice front
    AppendNative(file, 11, NativeFlag(6, 15, 1, 1), 10, kSmallBox);   // grounding line

    GshhgReadResult iceFront = ParseGshhgNative(file, "f.b", AntarcticCoast::IceFront);
    ASSERT_EQ(iceFront.rings.size(), 4u);
    EXPECT_EQ(iceFront.skipped, 1);
    EXPECT_EQ(iceFront.rings[0].id, 7);
    EXPECT_EQ(iceFront.rings[0].level, 1);
    EXPECT_EQ(iceFront.rings[0].source, 1);
    EXPECT_EQ(*iceFront.rings[0].areaTenthsKm2, 1234u);
    EXPECT_EQ(*iceFront.rings[1].areaTenthsKm2, 50u);
    EXPECT_EQ(iceFront.rings[1].level, 2);
    EXPECT_EQ(*iceFront.rings[2].areaTenthsKm2, 555u);
    EXPECT_EQ(iceFront.rings[3].id, 10);
    EXPECT_EQ(iceFront.rings[3].level, 1);
    EXPECT_EQ(iceFront.rings[0].points.size(), 4u) << "the repeated closing point is dropped";

    GshhgReadResult grounding = ParseGshhgNative(file, "f.b", AntarcticCoast::GroundingLine);
    ASSERT_EQ(grounding.rings.size(), 4u);
    EXPECT_EQ(grounding.rings[3].id, 11);
}

TEST(GshhgNative, DamagedFilesAreErrorsNamingFileAndPolygon) {
    Bytes whole;
    AppendNative(whole, 0, NativeFlag(1, 15, 1, 1), 1, kSmallBox);
    std::size_t firstSize = whole.size();

    Bytes truncatedHeader = whole;
    truncatedHeader.resize(firstSize + 20, 0);
    try {
        ParseGshhgNative(truncatedHeader, "cut.b", AntarcticCoast::IceFront);
        FAIL() << "no error";
    } catch (const VarnholtError& error) {
        EXPECT_NE(std::string(error.what()).find("cut.b"), std::string::npos);
        EXPECT_NE(std::string(error.what()).find("byte " + std::to_string(firstSize)),
                  std::string::npos);
    }

    Bytes shortPoints = whole;
    shortPoints.resize(firstSize - 4);
    EXPECT_THROW(ParseGshhgNative(shortPoints, "p.b", AntarcticCoast::IceFront), VarnholtError);

    Bytes negativeCount = whole;
    negativeCount[4] = 0xFF;
    EXPECT_THROW(ParseGshhgNative(negativeCount, "n.b", AntarcticCoast::IceFront), VarnholtError);

    Bytes badLatitude;
    AppendNative(badLatitude, 0, NativeFlag(1, 15, 1, 1), 1, {{0, 0}, {1, 91}, {1, 0}});
    EXPECT_THROW(ParseGshhgNative(badLatitude, "l.b", AntarcticCoast::IceFront), VarnholtError);
}

TEST(ClassicShoreline, HeaderAndPointsHaveTheClassicLayout) {
    ClassicPolygon polygon = ClassicOf(kSmallBox, 2);
    polygon.id = 42;
    Bytes file = ToBytes(EncodeClassicShoreline({polygon}));
    ASSERT_EQ(file.size(), 36u + 5 * 8);
    EXPECT_EQ(GetBig32(file, 0), 42);
    EXPECT_EQ(GetBig32(file, 4), 5) << "closed: the first point repeated";
    EXPECT_EQ(GetBig32(file, 8), 2);
    EXPECT_EQ(GetBig32(file, 12), 10'000'000);
    EXPECT_EQ(GetBig32(file, 16), 12'000'000);
    EXPECT_EQ(GetBig32(file, 20), 50'000'000);
    EXPECT_EQ(GetBig32(file, 24), 51'000'000);
    EXPECT_NEAR(GetBig32(file, 28), BoxAreaKm2(10, 12, 50, 51) * 10, 1);
    EXPECT_EQ(GetBig16(file, 32), 0);
    EXPECT_EQ(GetBig16(file, 34), 0) << "lakes come from WDBII";
    EXPECT_EQ(GetBig32(file, 36), 10'000'000);
    EXPECT_EQ(GetBig32(file, 40), 50'000'000);
    EXPECT_EQ(GetBig32(file, 36 + 4 * 8), 10'000'000);

    std::vector<ClassicPolygon> read = ParseClassicShoreline(file, "x.b");
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].points, polygon.points);
    EXPECT_EQ(read[0].areaTenthsKm2, polygon.areaTenthsKm2);

    file.resize(file.size() - 3);
    EXPECT_THROW(ParseClassicShoreline(file, "x.b"), VarnholtError);
}

TEST(ClassicShoreline, LongitudesFollowTheClassicConvention) {
    // Stored 0..360 as native files do: crossing Greenwich from 350° to 10°.
    ClassicPolygon greenwich = ClassicOf({{350, 10}, {10, 10}, {10, 20}, {350, 20}});
    EXPECT_EQ(greenwich.greenwich, 1);
    EXPECT_EQ(greenwich.west, -10'000'000);
    EXPECT_EQ(greenwich.east, 10'000'000);
    for (GeoPoint p : greenwich.points) EXPECT_LE(std::llabs(p.lon), 10'000'000);

    ClassicPolygon western = ClassicOf({{-170, 0}, {-160, 0}, {-160, 5}});
    EXPECT_EQ(western.greenwich, 0);
    EXPECT_EQ(western.west, 190'000'000);
    EXPECT_EQ(western.east, 200'000'000);
}

TEST(MultisegmentText, ReadsSegmentsLevelsAndReportsBadLines) {
    std::vector<TextSegment> segments = ParseMultisegmentText(
        "> Shore Bin # 1, Level 2\n10 20\n10.5\t-20.25\n# note\n\n>\n-1.000001 2 extra\n>\n",
        "t.txt");
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[0].level, 2);
    EXPECT_EQ(segments[1].level, 0);
    ASSERT_EQ(segments[0].points.size(), 2u);
    EXPECT_EQ(segments[0].points[1], (GeoPoint{10'500'000, -20'250'000}));
    EXPECT_EQ(segments[1].points[0], (GeoPoint{-1'000'001, 2'000'000}));

    try {
        ParseMultisegmentText(">\n1 2\n3 north\n", "bad.txt");
        FAIL() << "no error";
    } catch (const VarnholtError& error) {
        EXPECT_NE(std::string(error.what()).find("bad.txt:3"), std::string::npos);
    }
    EXPECT_THROW(ParseMultisegmentText("1 95\n", "t.txt"), VarnholtError);
}

TEST(PieceChainer, JoinsPiecesAcrossBinEdgesAndTheDateline) {
    // An island from 179° E to 179° W cut by the 180th meridian, and its eastern part by
    // the parallel 11° N, as gmt writes bins.
    auto P = [](double lon, double lat) { return GeoPoint{Micro(lon), Micro(lat)}; };
    std::vector<GeoRing> pieces = {
        {P(-180, 10), P(-179, 10), P(-179, 11)},
        {P(180, 12), P(179, 12), P(179, 10), P(180, 10)},
        {P(-179, 11), P(-179, 12), P(-180, 12)},
        {P(-179, 11), P(-179.5, 11.5)},  // a stray line from the same place, listed later
        {P(5, 5), P(6, 5), P(6, 6), P(5, 5)},
    };
    ChainedPieces chained = ChainPieces(pieces);
    ASSERT_EQ(chained.rings.size(), 2u);
    ASSERT_EQ(chained.lines.size(), 1u);
    EXPECT_EQ(chained.lines[0].size(), 2u);
    EXPECT_EQ(chained.rings[0].size(), 3u) << "a closed piece loses only its repeated point";
    const GeoRing& island = chained.rings[1];
    EXPECT_EQ(island.size(), 7u);
    double area = static_cast<double>(SphericalAreaKm2(UnwrapRing(island).points));
    EXPECT_NEAR(area, BoxAreaKm2(179, 181, 10, 12), 1e-6 * BoxAreaKm2(179, 181, 10, 12));
}

TEST(PieceChainer, ALineListedFromTheMiddleIsStillOneLine) {
    std::vector<GeoRing> pieces = {
        {{Micro(1), Micro(0)}, {Micro(2), Micro(0)}},
        {{Micro(0), Micro(0)}, {Micro(1), Micro(0)}},
        {{Micro(2), Micro(0)}, {Micro(3), Micro(1)}},
    };
    ChainedPieces chained = ChainPieces(pieces);
    ASSERT_EQ(chained.lines.size(), 1u);
    EXPECT_EQ(chained.lines[0].front(), (GeoPoint{0, 0}));
    EXPECT_EQ(chained.lines[0].back(), (GeoPoint{Micro(3), Micro(1)}));
    EXPECT_EQ(chained.lines[0].size(), 4u);
}

class Gshhg2gshhsTool : public ::testing::Test {
protected:
    std::string WriteText(const std::string& name, const std::string& text) {
        return dir.Write(name, ToBytes(text));
    }
    std::vector<ClassicPolygon> ReadOutput() {
        return ParseClassicShoreline(ReadWholeFile(dir / "out.b"), "out.b");
    }
    TempDir dir;
};

TEST_F(Gshhg2gshhsTool, ConvertsGmtTextIntoWholePolygonsLargestFirst) {
    std::string land = WriteText("land.txt",
                                 "> Shore Bin # 2, Level 1\n180 12\n179 12\n179 10\n180 10\n"
                                 "> Shore Bin # 1, Level 1\n-180 10\n-179 10\n-179 12\n-180 12\n"
                                 "> Shore Bin # 7, Level 1\n20 0\n21 0\n21 1\n20 0\n");
    std::string lakes = WriteText("lakes.txt", ">\n10 50\n12 50\n12 51\n10 51\n10 50\n");
    ASSERT_EQ(RunCommand(ToolPath("gshhg2gshhs") + " -q -o " + dir / "out.b" + " " + land +
                         " --level 2 " + lakes)
                  .status,
              0);
    std::vector<ClassicPolygon> polygons = ReadOutput();
    ASSERT_EQ(polygons.size(), 3u);
    EXPECT_EQ(polygons[0].id, 0);
    EXPECT_EQ(polygons[0].level, 1);
    EXPECT_EQ(polygons[0].points.size(), 7u) << "six corners and the repeated first point";
    EXPECT_NEAR(polygons[0].areaTenthsKm2, BoxAreaKm2(179, 181, 10, 12) * 10,
                0.001 * BoxAreaKm2(179, 181, 10, 12) * 10);
    EXPECT_EQ(polygons[0].west, 179'000'000);
    EXPECT_EQ(polygons[0].east, 181'000'000);
    EXPECT_EQ(polygons[1].level, 1);
    EXPECT_EQ(polygons[2].level, 2);
    EXPECT_EQ(polygons[2].id, 2);
}

TEST_F(Gshhg2gshhsTool, CutAtTheDatelineNoEdgeCrossesTheWholeMap) {
    std::string land = WriteText("land.txt",
                                 "> Level 1\n180 12\n179 12\n179 10\n180 10\n"
                                 "> Level 1\n-180 10\n-179 10\n-179 12\n-180 12\n");
    ASSERT_EQ(
        RunCommand(ToolPath("gshhg2gshhs") + " -q --cut-dateline -o " + dir / "out.b" + " " + land)
            .status,
        0);
    std::vector<ClassicPolygon> polygons = ReadOutput();
    ASSERT_EQ(polygons.size(), 2u);
    long long totalTenths = 0;
    for (const ClassicPolygon& polygon : polygons) totalTenths += polygon.areaTenthsKm2;
    EXPECT_LT(WidestVisibleStep(dir / "out.b"), 100);
    EXPECT_NEAR(totalTenths, BoxAreaKm2(179, 181, 10, 12) * 10,
                0.001 * BoxAreaKm2(179, 181, 10, 12) * 10);
}

TEST_F(Gshhg2gshhsTool, RingRoundTheGlobeIsClosedThroughItsPoleAlongTheMapEdges) {
    std::string text;
    for (int bin = 0; bin < 4; ++bin) {
        int west = -180 + 90 * bin;
        text += "> Level 1\n" + std::to_string(west) + " -70\n" + std::to_string(west + 45) +
                " -71\n" + std::to_string(west + 90) + " -70\n";
    }
    ASSERT_EQ(RunCommand(ToolPath("gshhg2gshhs") + " -q -o " + dir / "out.b" + " " +
                         WriteText("a.txt", text))
                  .status,
              0);
    std::vector<ClassicPolygon> polygons = ReadOutput();
    ASSERT_EQ(polygons.size(), 1u);
    const ClassicPolygon& antarctica = polygons[0];
    EXPECT_EQ(antarctica.greenwich, 1);
    EXPECT_EQ(antarctica.south, -90'000'000);
    EXPECT_EQ(antarctica.west, -180'000'000);
    // The cap south of about 70.4° S.
    double cap = 2 * kPi * kRadiusKm * kRadiusKm * (1 - std::sin(70.4 * kPi / 180));
    EXPECT_NEAR(antarctica.areaTenthsKm2 / 10.0, cap, 0.01 * cap);
    EXPECT_LT(WidestVisibleStep(dir / "out.b"), 1000) << "no line across the map";
}

TEST_F(Gshhg2gshhsTool, BadInputFailsWithoutTouchingTheOutput) {
    std::string previous = dir.Write("out.b", ToBytes("previous"));
    std::string bad = WriteText("bad.txt", "> Level 1\n10 20\n10 abc\n");
    CommandResult run = RunCommand(ToolPath("gshhg2gshhs") + " -o " + previous + " " + bad);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("bad.txt:3"), std::string::npos);
    EXPECT_EQ(ReadText(previous), "previous");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              2)
        << "no partial file left beside the output";

    EXPECT_EQ(
        RunCommand(ToolPath("gshhg2gshhs") + " -o " + previous + " " + dir / "missing.txt").status,
        1);
    EXPECT_EQ(RunCommand(ToolPath("gshhg2gshhs") + " --bogus -o x " + bad).status, 2);
    EXPECT_EQ(RunCommand(ToolPath("gshhg2gshhs") + " " + bad).status, 2);
    EXPECT_EQ(RunCommand(ToolPath("gshhg2gshhs") + " --help").status, 0);
}

TEST(ClassicShoreline, RingAlreadyClosedAlongThePoleIsNotClosedAgain) {
    // Native files may carry Antarctica with its own pole points, longitudes 0..360.
    ClassicPolygon antarctica =
        ClassicOf({{0, -70}, {90, -70}, {180, -70}, {270, -70}, {360, -70}, {360, -90}, {0, -90}});
    long polePoints = std::count_if(antarctica.points.begin(), antarctica.points.end(),
                                    [](GeoPoint p) { return p.lat == -90'000'000; });
    EXPECT_EQ(polePoints, 2);
    double cap = 2 * kPi * kRadiusKm * kRadiusKm * (1 - std::sin(70 * kPi / 180));
    EXPECT_NEAR(antarctica.areaTenthsKm2 / 10.0, cap, 1e-3 * cap);
}

TEST_F(Gshhg2gshhsTool, RecognisesNativeFilesAndKeepsTheirIdsAndAreas) {
    Bytes native;
    AppendNative(native, 3, NativeFlag(1, 15, 1, 1), 987, kSmallBox);
    AppendNative(native, 4, NativeFlag(2, 15, 0, 1), 65, {{10.5, 50.5}, {11, 50.5}, {11, 50.8}});
    std::string input = dir.Write("gshhs_x.b", native);
    ASSERT_EQ(RunCommand(ToolPath("gshhg2gshhs") + " -o " + dir / "out.b" + " " + input).status, 0);
    std::vector<ClassicPolygon> polygons = ReadOutput();
    ASSERT_EQ(polygons.size(), 2u);
    EXPECT_EQ(polygons[0].id, 3);
    EXPECT_EQ(polygons[0].areaTenthsKm2, 987u);
    EXPECT_EQ(polygons[0].source, 1);
    EXPECT_EQ(polygons[1].id, 4);
    EXPECT_EQ(polygons[1].level, 2);
    EXPECT_EQ(polygons[1].points.size(), 4u);
}
