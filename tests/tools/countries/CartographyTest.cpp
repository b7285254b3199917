#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ClassicShoreline.h"
#include "CountriesBuilder.h"
#include "DatelineCut.h"
#include "ReadOnlyFile.h"
#include "TempDir.h"
#include "ToolTestSupport.h"

namespace {

std::int64_t Micro(double degrees) { return std::llround(degrees * 1e6); }

GeoRing RingOf(std::initializer_list<std::pair<double, double>> points) {
    GeoRing ring;
    for (auto [lon, lat] : points) ring.push_back({Micro(lon), Micro(lat)});
    return ring;
}

ClassicPolygon Classic(GeoRing points, int level) {
    ShoreRing ring;
    ring.level = level;
    ring.points = std::move(points);
    return ToClassicPolygon(ring);
}

struct Record {
    int kind = 0;
    std::vector<CartogPoint> points;
};

// Reads the file as the map viewer does: count, kind, points; stops at the end.
std::vector<Record> ParseCountries(const Bytes& file) {
    std::vector<Record> records;
    std::size_t at = 0;
    while (at + 5 <= file.size()) {
        Record record;
        std::int32_t count = GetLittle32(file, at);
        record.kind = file[at + 4];
        at += 5;
        for (std::int32_t i = 0; i < count; ++i, at += 4) {
            record.points.push_back({GetLittle16(file, at), GetLittle16(file, at + 2)});
        }
        records.push_back(std::move(record));
    }
    EXPECT_EQ(at, file.size());
    return records;
}

// Twice the signed area, in square arc-minutes.
long long ShoelaceTwice(const std::vector<CartogPoint>& points) {
    long long sum = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        CartogPoint a = points[i];
        CartogPoint b = points[(i + 1) % points.size()];
        sum += static_cast<long long>(a.lon) * b.lat - static_cast<long long>(b.lon) * a.lat;
    }
    return sum;
}

}  // namespace

TEST(Cartography, RecordsAreCountKindAndArcMinutePointsInLevelOrder) {
    std::vector<ClassicPolygon> shore = {
        Classic(RingOf({{1, 1}, {2, 1}, {2, 2}}), 3),
        Classic(RingOf({{0.5, 0.5}, {3, 0.5}, {3, 3}, {0.5, 3}}), 2),
        Classic(RingOf({{0, 0}, {4, 0}, {4, 4}, {0, 4}}), 1),
        Classic(RingOf({{1.2, 1.2}, {1.4, 1.2}, {1.4, 1.4}}), 4),
        Classic(RingOf({{9, 9}, {9.001, 9}, {9.001, 9.001}}), 1),  // within one arc-minute
    };
    std::vector<GeoRing> borders = {RingOf({{-1, -1}, {-1, -2}})};
    Bytes file = ToBytes(EncodeCartography(BuildCartography(shore, borders)));

    std::vector<Record> records = ParseCountries(file);
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0].kind, 0);
    EXPECT_EQ(records[1].kind, 8);
    EXPECT_EQ(records[2].kind, 0);
    EXPECT_EQ(records[3].kind, 8);
    EXPECT_EQ(records[4].kind, 1);
    EXPECT_EQ(records[0].points, (std::vector<CartogPoint>{{0, 0}, {240, 0}, {240, 240}, {0, 240}}))
        << "closing point dropped; the viewer closes polygons itself";
    EXPECT_EQ(records[4].points, (std::vector<CartogPoint>{{-60, -60}, {-60, -120}}));
    EXPECT_EQ(file.size(), 5u * 5 + 4u * (4 + 4 + 3 + 3 + 2));
}

TEST(Cartography, RoundsHalvesToEvenAndMergesRepeatedMinutes) {
    // 25000 micro-degrees are exactly 1.5 arc-minutes, 75000 exactly 4.5.
    GeoRing line = {{25000, -25000}, {75000, 0}, {74990, 1}, {75000, 8000}, {-75000, 5400 * 16667}};
    std::vector<CartogPoint> minutes = ToArcMinutes(line);
    EXPECT_EQ(minutes, (std::vector<CartogPoint>{{2, -2}, {4, 0}, {-4, 5400}}));
}

TEST(Cartography, LandAcrossTheDatelineIsCutIntoPiecesThatKeepItsArea) {
    ClassicPolygon island = Classic(RingOf({{179, 10}, {-179, 10}, {-179, 12}, {179, 12}}), 1);
    std::vector<Record> records =
        ParseCountries(ToBytes(EncodeCartography(BuildCartography({island}, {}))));
    ASSERT_EQ(records.size(), 2u);
    long long area = 0;
    for (const Record& record : records) {
        auto [west, east] =
            std::minmax_element(record.points.begin(), record.points.end(),
                                [](CartogPoint a, CartogPoint b) { return a.lon < b.lon; });
        EXPECT_GE(west->lon, -10800);
        EXPECT_LE(east->lon, 10800);
        EXPECT_TRUE(west->lon == -10800 || east->lon == 10800) << "each piece ends at the cut";
        area += std::llabs(ShoelaceTwice(record.points));
    }
    EXPECT_EQ(area, 2 * 120 * 120);
}

TEST(Cartography, RingRoundTheGlobeBecomesOnePolygonThroughThePole) {
    GeoRing coast;
    for (int lon = -180; lon < 180; lon += 30) coast.push_back({Micro(lon), Micro(-70)});
    std::vector<Record> records =
        ParseCountries(ToBytes(EncodeCartography(BuildCartography({Classic(coast, 1)}, {}))));
    ASSERT_EQ(records.size(), 1u);
    const std::vector<CartogPoint>& points = records[0].points;
    EXPECT_TRUE(
        std::any_of(points.begin(), points.end(), [](CartogPoint p) { return p.lat == -5400; }));
    // The band between 70° S and the pole, over the whole width of the map.
    EXPECT_NEAR(std::llabs(ShoelaceTwice(points)), 2LL * 21600 * (5400 - 4200), 2 * 21600);
}

TEST(Cartography, BorderLinesAreCutAtTheDateline) {
    std::vector<GeoRing> pieces = CutLineAtDateline(RingOf({{170, 0}, {-170, 10}, {-160, 10}}));
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].back(), (GeoPoint{Micro(180), Micro(5)}));
    EXPECT_EQ(pieces[1].front(), (GeoPoint{Micro(-180), Micro(5)}));
    EXPECT_EQ(pieces[1].back(), (GeoPoint{Micro(-160), Micro(10)}));
}

TEST(MakecountriesTool, BuildsTheFileAndFailsCleanlyOnDamagedShorelines) {
    TempDir dir;
    ClassicPolygon land = Classic(RingOf({{0, 0}, {4, 0}, {4, 4}, {0, 4}}), 1);
    std::string shore = dir.Write("shore.b", ToBytes(EncodeClassicShoreline({land})));
    std::string borders =
        dir.Write("borders.txt", ToBytes("> Border Bin # 1, Level 1\n1 0\n1 2\n"
                                         "> Border Bin # 2, Level 1\n1 2\n1 4\n"));
    std::string out = dir / "Countries.dat";
    ASSERT_EQ(RunCommand(ToolPath("makecountries") + " -o " + out + " --shore " + shore +
                         " --borders " + borders)
                  .status,
              0);
    std::vector<Record> records = ParseCountries(ReadWholeFile(out));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].kind, 1);
    EXPECT_EQ(records[1].points.size(), 3u) << "the two border pieces are one line again";

    Bytes damaged = ReadWholeFile(shore);
    damaged.resize(damaged.size() - 1);
    std::string damagedPath = dir.Write("damaged.b", damaged);
    CommandResult run = RunCommand(ToolPath("makecountries") + " -o " + dir / "new.dat" +
                                   " --shore " + damagedPath);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("damaged.b"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "new.dat"));
    EXPECT_EQ(RunCommand(ToolPath("makecountries") + " -o " + out).status, 2);
}
