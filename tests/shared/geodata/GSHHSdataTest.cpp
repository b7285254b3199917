#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "Errors.h"
#include "GSHHSdata.h"
#include "ShorelineFile.h"
#include "ShorelineReadAhead.h"
#include "TempDir.h"

namespace {

struct ReadPolygon {
    std::int32_t id;
    std::vector<Point> pixels;
    std::size_t reserved;
};

// Reads with the viewer's raster; level 0 takes every polygon.
std::vector<ReadPolygon> ReadAll(const std::string& path, int level = 0) {
    std::vector<ReadPolygon> polygons;
    ShorelineCallbacks callbacks;
    if (level != 0) callbacks.Select = [&](const TGSHHSHeader& h) { return h.Level == level; };
    callbacks.OnPolygon = [&](const TGSHHSHeader& header, const std::vector<Point>& pixels) {
        polygons.push_back({header.Id, pixels, pixels.capacity()});
    };
    ReadShorelines(path, 3600, 1800, LongitudeWrap::Once, callbacks);
    return polygons;
}

}  // namespace

TEST(GSHHSdata, RecordsAreConvertedFromBigEndian) {
    const auto raw =
        ShorelineFile().Polygon(1, -1, 0xFFFFFFFF, 0x12345678, 1, -2).Point(-1, 2).bytes;
    const TGSHHSHeader header = DecodeShorelineHeader(raw.data());
    const TGSHHSPoint point = DecodeShorelinePoint(raw.data() + kShorelineHeaderBytes);
    std::string encoded;
    AppendShorelineHeader(encoded, header);
    AppendShorelinePoint(encoded, point);
    EXPECT_EQ(encoded, std::string(raw.begin(), raw.end()));
    EXPECT_EQ(header.Id, 0x12345678);
    EXPECT_EQ(header.NumPoints, 1);
    EXPECT_EQ(header.Level, -1);
    EXPECT_EQ(header.Area, 4294967295u);
    EXPECT_EQ(header.Greenwich, 1);
    EXPECT_EQ(header.Source, -2);
    EXPECT_EQ(point.Lon, -1);
    EXPECT_EQ(point.Lat, 2);
}

TEST(GSHHSdata, PolygonsWithoutPoints) {
    TempDir dir;
    ShorelineFile file;
    file.Polygon(0, 1, 0, 1).Polygon(-3, 1, 0, 2).Polygon(1, 1, 0, 3).Point(90000000, 90000000);
    auto polygons = ReadAll(dir.Write("middle.b", file.bytes));
    ASSERT_EQ(polygons.size(), 3u);
    EXPECT_TRUE(polygons[0].pixels.empty());
    EXPECT_TRUE(polygons[1].pixels.empty());
    EXPECT_EQ(polygons[2].pixels, (std::vector<Point>{{2700, 0}}));
}

TEST(GSHHSdata, CutOffFilesEndCleanlyKeepingWhatWasRead) {
    TempDir dir;
    ShorelineFile file;
    file.Polygon(1, 1, 0, 1).Point(0, 0).Polygon(5, 1, 0, 2).Point(0, 0).Point(10000000, 0);
    file.bytes.resize(file.bytes.size() + 3);
    auto polygons = ReadAll(dir.Write("truncated.b", file.bytes));
    ASSERT_EQ(polygons.size(), 2u);
    EXPECT_EQ(polygons[1].pixels, (std::vector<Point>{{1800, 900}, {1900, 900}}));

    ShorelineFile fragment;
    fragment.Polygon(1, 1).Point(0, 0).bytes.resize(44 + 35);
    EXPECT_EQ(ReadAll(dir.Write("fragment.b", fragment.bytes)).size(), 1u);

    ShorelineFile huge;  // a count no file could hold must not reserve that much
    huge.Polygon(0x7FFFFFFF, 2).Point(0, 0).Point(1000000, 0).Point(2000000, 0);
    polygons = ReadAll(dir.Write("huge.b", huge.bytes));
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_EQ(polygons[0].pixels.size(), 3u);
    EXPECT_LE(polygons[0].reserved, 3u);
}

TEST(GSHHSdata, UnwantedPolygonsAreSkippedNearAndFar) {
    TempDir dir;
    ShorelineFile file;
    file.Polygon(2, 1).Point(0, 0).Point(0, 0);  // within the read buffer
    file.Polygon(1, 2, 0, 1).Point(0, 0);
    file.Polygon(20000, 1);  // well beyond it
    for (int i = 0; i < 20000; ++i) file.Point(i, i);
    file.Polygon(1, 2, 0, 2).Point(-90000000, -90000000);
    file.Polygon(-7, 1);  // a damaged count moves nowhere
    file.Polygon(1, 2, 0, 3).Point(180000000, 0);
    file.Polygon(1000, 1);  // past the end
    auto lakes = ReadAll(dir.Write("mixed.b", file.bytes), 2);
    ASSERT_EQ(lakes.size(), 3u);
    EXPECT_EQ(lakes[1].id, 2);
    EXPECT_EQ(lakes[1].pixels, (std::vector<Point>{{900, 1800}}));
    EXPECT_EQ(lakes[2].id, 3);
    EXPECT_EQ(lakes[2].pixels, (std::vector<Point>{{0, 900}}));

    EXPECT_THROW(ReadAll(dir / "absent.b"), EInOutError);
    EXPECT_THROW(ReadAll(dir.Folder()), EInOutError);
}

TEST(GSHHSdata, ThinningKeepsFirstLastAndEveryChangeOfPixel) {
    TempDir dir;
    // 10.00, 10.01 and 10.02 degrees share column 1900; 5 is column 1850, 11 column 1910.
    ShorelineFile file;
    file.Polygon(5, 1).Point(5e6, 0).Point(10e6, 0).Point(10.01e6, 0).Point(10.02e6, 0);
    file.Point(11e6, 0);
    file.Polygon(4, 1).Point(5e6, 0).Point(10e6, 0).Point(10.01e6, 0).Point(10.02e6, 0);
    file.Polygon(3, 1).Point(0, 0).Point(0, 0).Point(0, 0);

    std::vector<std::int32_t> indices;
    std::vector<std::vector<Point>> polygons;
    ShorelineCallbacks callbacks;
    callbacks.OnPoint = [&](const TGSHHSHeader&, std::int32_t i, Point, PointF) {
        indices.push_back(i);
    };
    callbacks.OnPolygon = [&](const TGSHHSHeader&, const std::vector<Point>& pixels) {
        polygons.push_back(pixels);
    };
    ReadShorelines(dir.Write("runs.b", file.bytes), 3600, 1800, LongitudeWrap::Once, callbacks);

    ASSERT_EQ(polygons.size(), 3u);
    EXPECT_EQ(polygons[0], (std::vector<Point>{{1850, 900}, {1900, 900}, {1910, 900}}));
    EXPECT_EQ(polygons[1], (std::vector<Point>{{1850, 900}, {1900, 900}, {1900, 900}}));
    EXPECT_EQ(polygons[2], (std::vector<Point>{{1800, 900}, {1800, 900}}));
    EXPECT_EQ(indices, (std::vector<std::int32_t>{1, 2, 5, 1, 2, 4, 1, 3}));
}

namespace {

struct Mapping {
    int width, height;
    std::int32_t lon, lat;
    int column, row;
};

class GeoToPixelMapping : public ::testing::TestWithParam<Mapping> {};

}  // namespace

TEST_P(GeoToPixelMapping, MapsToTheWorldRaster) {
    const Mapping m = GetParam();
    for (auto wrap : {LongitudeWrap::Once, LongitudeWrap::Repeat}) {
        EXPECT_EQ(GeoToPixel({m.lon, m.lat}, m.width, m.height, wrap), (Point{m.column, m.row}));
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(ViewerAndBuilder, GeoToPixelMapping, ::testing::Values(
    Mapping{3600, 1800, 0, 0, 1800, 900},          Mapping{3600, 1800, 180000000, 0, 0, 900},
    Mapping{3600, 1800, -180000000, 0, 0, 900},    Mapping{3600, 1800, -90000000, 0, 900, 900},
    Mapping{3600, 1800, 90000000, 90000000, 2700, 0},
    Mapping{3600, 1800, 0, -90000000, 1800, 1800}, Mapping{3600, 1800, 270000000, 0, 900, 900},
    Mapping{3600, 1800, 179960000, 0, 3600, 900},
    Mapping{3600, 1800, 179999990, 0, 0, 900},     // 360 once rounded to single precision
    Mapping{3600, 1800, 250000, 0, 1802, 900},     Mapping{3600, 1800, 350000, 0, 1804, 900},
    Mapping{3600, 1800, 0, 750000, 1800, 892},     Mapping{3600, 1800, 0, 250000, 1800, 898},
    Mapping{5400, 2700, 0, 0, 2700, 1350},         Mapping{5400, 2700, 180000000, 90000000, 0, 0},
    Mapping{5400, 2700, 0, -90000000, 2700, 2700}));
// clang-format on

TEST(GSHHSdata, LongitudesBeyond540DegreesWrapOnceOrFully) {
    const TGSHHSPoint far{560000000, 0};  // x = 740 degrees
    EXPECT_EQ(GeoToPixel(far, 3600, 1800, LongitudeWrap::Once).x, 3800);
    EXPECT_EQ(GeoToPixel(far, 3600, 1800, LongitudeWrap::Repeat).x, 200);
}

namespace {

// The conversion as the maps were first made: the product in extended precision, rounded with
// nearbyint, then clamped.
Point ExtendedPrecisionPixel(TGSHHSPoint point, int width, int height, LongitudeWrap wrap) {
    auto degrees = [](std::int32_t micro) { return float((long double)micro * 0.000001L); };
    auto round = [](double v) { return int(std::clamp(std::nearbyint(v), -1.0e9, 1.0e9)); };
    float x = degrees(point.Lon) + 180.0f;
    if (wrap == LongitudeWrap::Once) {
        if (x >= 360.0f) x -= 360.0f;
    } else {
        while (x >= 360.0f) x -= 360.0f;
    }
    return {round(double(width) * double(x) / 360.0),
            round(double(height) * (90.0 - double(degrees(point.Lat))) / 180.0)};
}

}  // namespace

TEST(GSHHSdata, BlockConversionGivesTheExtendedPrecisionPixels) {
    // The date line from both sides and past 360 degrees, the poles, half-pixel ties (0.05
    // degrees is half a column of 3600), the extremes of the format, and a sweep between.
    std::vector<TGSHHSPoint> points{{180000000, 0},
                                    {-180000000, 0},
                                    {179999999, 1},
                                    {179999990, -1},
                                    {359999999, 0},
                                    {360000000, 0},
                                    {540000001, 90000000},
                                    {-179950000, -90000000},
                                    {-179850000, 50000},
                                    {-179750000, 150000},
                                    {INT32_MIN, INT32_MAX},
                                    {INT32_MAX, INT32_MIN},
                                    {0, 0},
                                    {-1, 1}};
    for (std::int64_t v = INT32_MIN; v <= INT32_MAX; v += 999'983)
        points.push_back({std::int32_t(v), std::int32_t(v / 3)});
    for (auto [width, height] : {std::pair{3600, 1800}, {1, 1}, {5400, 2700}, {1 << 30, 1 << 29}}) {
        for (auto wrap : {LongitudeWrap::Once, LongitudeWrap::Repeat}) {
            std::vector<Point> pixels(points.size());
            std::vector<PointF> positions(points.size());
            GeoToPixels(points, positions, pixels, width, height, wrap);
            for (std::size_t i = 0; i < points.size(); ++i) {
                const Point expected = ExtendedPrecisionPixel(points[i], width, height, wrap);
                ASSERT_EQ(pixels[i], expected) << points[i].Lon << "," << points[i].Lat;
                ASSERT_EQ(GeoToPixel(points[i], width, height, wrap), expected);
                ASSERT_EQ(positions[i], GeoToPosition(points[i], width, height, wrap));
            }
        }
    }
}

TEST(GSHHSdata, PointsReadInBlocksArriveAsReadOneByOne) {
    // Long polygons put points across every read-buffer boundary, at odd offsets after the
    // 36-byte headers; the last is cut short by the end of the file.
    TempDir dir;
    ShorelineFile file;
    for (int polygon = 0; polygon < 3; ++polygon) {
        file.Polygon(9000, 1);
        for (std::int64_t i = 0; i < 9000; ++i)
            file.Point(std::int32_t(i * 7'919'017 % 360'000'000 - 180'000'000),
                       std::int32_t(i * 13));
    }
    file.bytes.resize(file.bytes.size() - 8 * 100 - 3);
    const std::string path = dir.Write("long.b", file.bytes);

    std::vector<std::pair<std::int32_t, Point>> expected;
    ShorelineReader reader(path);
    TGSHHSHeader header;
    while (reader.ReadHeader(header)) {
        PointThinner thinner(header.NumPoints);
        TGSHHSPoint point;
        for (std::int32_t index = 1; index <= header.NumPoints && reader.ReadPoint(point);
             ++index) {
            const Point pixel = ExtendedPrecisionPixel(point, 3600, 1800, LongitudeWrap::Once);
            if (thinner.Use(index, pixel)) expected.push_back({index, pixel});
        }
    }
    std::vector<std::pair<std::int32_t, Point>> got;
    ShorelineCallbacks callbacks;
    callbacks.OnPoint = [&](const TGSHHSHeader&, std::int32_t index, Point pixel, PointF) {
        got.push_back({index, pixel});
    };
    ReadShorelines(path, 3600, 1800, LongitudeWrap::Once, callbacks);
    EXPECT_EQ(got, expected);
    EXPECT_GT(expected.size(), 20000u);
}

namespace {

// Everything the callbacks see, in order, as one comparable record.
struct Seen {
    // id, index, pixel, position
    std::vector<std::tuple<std::int32_t, std::int32_t, Point, PointF>> points;
    std::vector<std::pair<std::int32_t, std::vector<Point>>> polygons;
    std::string failure;
    ShorelineReadEnd end;
};

template <class Read>
Seen Record(Read read, const std::string& path) {
    Seen seen;
    ShorelineCallbacks callbacks;
    callbacks.Select = [](const TGSHHSHeader& header) { return header.Level != 4; };
    callbacks.OnPoint = [&](const TGSHHSHeader& header, std::int32_t index, Point pixel,
                            PointF position) {
        seen.points.emplace_back(header.Id, index, pixel, position);
    };
    callbacks.OnPolygon = [&](const TGSHHSHeader& header, const std::vector<Point>& pixels) {
        seen.polygons.emplace_back(header.Id, pixels);
    };
    try {
        seen.end = read(path, 3600, 1800, LongitudeWrap::Once, callbacks);
    } catch (const VarnholtError& error) {
        seen.failure = error.what();
    }
    return seen;
}

ShorelineReadEnd ReadAhead(const std::string& path, int width, int height, LongitudeWrap wrap,
                           const ShorelineCallbacks& callbacks) {
    return ReadShorelinesAhead(path, width, height, wrap, callbacks);
}

bool operator==(const Seen& a, const Seen& b) {
    return a.points == b.points && a.polygons == b.polygons && a.failure == b.failure &&
           a.end.cut == b.end.cut && a.end.wholePolygons == b.end.wholePolygons;
}

}  // namespace

TEST(GSHHSdata, ReadingAheadHandsOverWhatReadingInTurnDoes) {
    // Polygons longer than a batch, skipped ones, empty ones, one cut short by the end of the
    // file, and a file that cannot be opened.
    TempDir dir;
    ShorelineFile file;
    for (int polygon = 0; polygon < 8; ++polygon) {
        const int count = polygon % 3 == 0 ? 40'000 : polygon - 1;
        file.Polygon(count, 1 + polygon % 4, 0, polygon);
        for (std::int64_t i = 0; i < count; ++i)
            file.Point(std::int32_t(i * 7'919'017 % 360'000'000 - 180'000'000),
                       std::int32_t((i * 131'071 + polygon) % 90'000'000));
    }
    file.bytes.resize(file.bytes.size() - 8 * 1000 - 5);
    const std::string path = dir.Write("mixed.b", file.bytes);
    const Seen inTurn = Record(ReadShorelines, path);
    EXPECT_TRUE(Record(ReadAhead, path) == inTurn);
    EXPECT_GT(inTurn.points.size(), 40'000u);
    EXPECT_EQ(inTurn.polygons.size(), 6u);
    EXPECT_TRUE(inTurn.end.cut);
    EXPECT_EQ(inTurn.end.wholePolygons, 6u);

    // Work given to do meanwhile is done once, before the first callback.
    int painted = 0;
    bool paintedFirst = true;
    ShorelineCallbacks order;
    order.OnPoint = [&](const TGSHHSHeader&, std::int32_t, Point, PointF) {
        paintedFirst = paintedFirst && painted == 1;
    };
    ReadShorelinesAhead(path, 3600, 1800, LongitudeWrap::Once, order, [&] { ++painted; });
    EXPECT_EQ(painted, 1);
    EXPECT_TRUE(paintedFirst);

    const Seen absent = Record(ReadAhead, dir / "absent.b");
    EXPECT_TRUE(absent == Record(ReadShorelines, dir / "absent.b"));
    EXPECT_FALSE(absent.failure.empty());
}

TEST(GSHHSdata, FilesWithoutAShorelineHeaderAreRefusedBeforeAnyPolygon) {
    TempDir dir;
    const std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                            0,    0,   0,   13,  'I',  'H',  'D',  'R'};
    const std::string text = "# A README, long enough to fill a whole header and more.\n";
    const ShorelineFile level0 = ShorelineFile().Polygon(0, 0);
    ShorelineFile southOfNorth = ShorelineFile().Polygon(0, 1);
    southOfNorth.bytes[23] = 1;                             // South above North
    ShorelineFile noPoint = ShorelineFile().Polygon(1, 1);  // promises a point, holds none
    ShorelineFile negative = ShorelineFile().Polygon(-1, 1);
    const std::vector<std::pair<std::string, std::vector<unsigned char>>> wrong = {
        {"empty.b", {}},
        {"short.b", std::vector<unsigned char>(35, 0)},
        {"image.png", png},
        {"README.md", {text.begin(), text.end()}},
        {"level0.b", level0.bytes},
        {"south.b", southOfNorth.bytes},
        {"nopoint.b", noPoint.bytes},
        {"negative.b", negative.bytes},
    };
    for (const auto& [name, bytes] : wrong) {
        const std::string path = dir.Write(name, bytes);
        const std::string expected = path + " is not a GSHHS shoreline file";
        for (const Seen& seen : {Record(ReadShorelines, path), Record(ReadAhead, path)}) {
            EXPECT_EQ(seen.failure, expected);
            EXPECT_TRUE(seen.points.empty() && seen.polygons.empty()) << name;
        }
        EXPECT_THROW(CheckShorelineFile(path), ENotShorelineFile);
    }
    // Levels 1 to 4 and bounds anywhere in the world, west of Greenwich or beyond 180 E.
    for (std::int32_t level : {1, 4}) {
        ShorelineFile file = ShorelineFile().Polygon(1, level).Point(0, 0);
        // West, East, South, North
        const std::int32_t bounds[] = {-180'000'000, 354'000'000, -90'000'000, 90'000'000};
        for (int field = 0; field < 4; ++field)
            for (int byte = 0; byte < 4; ++byte)
                file.bytes[12 + 4 * field + byte] =
                    std::uint8_t(std::uint32_t(bounds[field]) >> (24 - 8 * byte));
        EXPECT_NO_THROW(CheckShorelineFile(dir.Write("good.b", file.bytes)));
    }
}

TEST(GSHHSdata, CutFilesSayAfterHowManyWholePolygons) {
    TempDir dir;
    ShorelineFile file;
    file.Polygon(1, 1).Point(0, 0).Polygon(2, 2).Point(0, 0).Point(1, 1).Polygon(3, 1);
    file.Point(0, 0).Point(1, 1).Point(2, 2);
    const std::size_t whole = file.bytes.size();
    // bytes kept, whole polygons before the end
    const std::vector<std::pair<std::size_t, std::size_t>> ends = {
        {whole, 3}, {whole - 1, 2}, {whole - 8, 2}, {44 + 30, 1}, {44 + 40, 1}, {44 + 36 + 16, 2}};
    for (auto [kept, polygons] : ends) {
        const bool cut = kept != whole && kept != 44 + 36 + 16;
        const std::string path = dir / "cut.b";
        file.WriteTo(path, kept);
        for (bool skipped : {false, true}) {
            ShorelineCallbacks callbacks;
            if (skipped) callbacks.Select = [](const TGSHHSHeader&) { return false; };
            const ShorelineReadEnd end =
                ReadShorelines(path, 3600, 1800, LongitudeWrap::Once, callbacks);
            EXPECT_EQ(end.cut, cut) << kept;
            EXPECT_EQ(end.wholePolygons, polygons) << kept;
        }
        EXPECT_TRUE(Record(ReadAhead, path) == Record(ReadShorelines, path));
    }
    EXPECT_EQ(ShorelineCutText("/data/gshhs_f.b", 2),
              "/data/gshhs_f.b: shoreline file ends inside a record after 2 polygons");
}

TEST(GSHHSdata, ACallbackThatThrowsStopsTheReadingThread) {
    TempDir dir;
    ShorelineFile file;
    file.Polygon(200'000, 1);
    for (int i = 0; i < 200'000; ++i) file.Point(i * 997, i);
    const std::string path = dir.Write("long.b", file.bytes);
    ShorelineCallbacks callbacks;
    std::size_t seen = 0;
    callbacks.OnPoint = [&](const TGSHHSHeader&, std::int32_t, Point, PointF) {
        if (++seen == 100) throw std::runtime_error("enough");
    };
    EXPECT_THROW(ReadShorelinesAhead(path, 3600, 1800, LongitudeWrap::Once, callbacks),
                 std::runtime_error);
    EXPECT_EQ(seen, 100u);
}
