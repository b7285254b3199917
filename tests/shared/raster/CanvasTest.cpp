#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "Canvas.h"

namespace {
constexpr Colour Paper = MakeColour(0x11, 0x22, 0x33);
constexpr Colour Ink = MakeColour(0xF0, 0x0F, 0x55);
constexpr Colour Fill = MakeColour(0x0A, 0xB0, 0xC0);

Bitmap PlainBitmap(int width, int height, Colour colour = Paper) {
    Bitmap bitmap(width, height, PixelFormat::Bgr24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bitmap.SetPixelColour(x, y, colour);
    return bitmap;
}

Bitmap Noise(int width, int height, PixelFormat format, unsigned seed) {
    Bitmap bitmap(width, height, format);
    if (format == PixelFormat::Indexed8) SetGreyPalette(bitmap);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * bitmap.BytesPerPixel(); ++x)
            bitmap.Row(y)[x] = std::uint8_t(random());
    return bitmap;
}

bool SamePixels(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.PixelColour(x, y) != b.PixelColour(x, y)) return false;
    return true;
}

using PixelSet = std::set<std::pair<int, int>>;

PixelSet PixelsOf(const Bitmap& bitmap, Colour colour) {
    PixelSet pixels;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            if (bitmap.PixelColour(x, y) == colour) pixels.insert({x, y});
    return pixels;
}

PixelSet LinePixels(Point from, Point to, int width = 40, int height = 40) {
    Bitmap bitmap = PlainBitmap(width, height);
    Canvas canvas(bitmap);
    canvas.GetPen().colour = Ink;
    canvas.MoveTo(from.x, from.y);
    canvas.LineTo(to.x, to.y);
    return PixelsOf(bitmap, Ink);
}

// Even-odd by counting edge crossings at or left of each pixel, rows half-open at the bottom:
// the slow, obvious form of the fill rule.
bool InsideByCrossings(const std::vector<Point>& polygon, int x, int y) {
    bool inside = false;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        Point a = polygon[i];
        Point b = polygon[(i + 1) % polygon.size()];
        if (a.y == b.y) continue;
        if (a.y > b.y) std::swap(a, b);
        if (y < a.y || y >= b.y) continue;
        // crossing <= x  <=>  a.x * rise + (y - a.y) * run <= x * rise
        const long long rise = b.y - a.y;
        if ((long long)a.x * rise + (long long)(y - a.y) * (b.x - a.x) <= (long long)x * rise)
            inside = !inside;
    }
    return inside;
}

std::vector<Point> Pentagram() { return {{20, 0}, {32, 38}, {1, 14}, {39, 14}, {8, 38}}; }
}  // namespace

TEST(CanvasRectangle, OuterRingTakesThePenAndTheRestTheBrush) {
    Bitmap bitmap = PlainBitmap(8, 7);
    Canvas canvas(bitmap);
    canvas.GetPen().colour = Ink;
    canvas.GetBrush().colour = Fill;
    canvas.Rectangle(6, 5, 1, 1);  // corners swapped on both axes
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool covered = x >= 1 && x < 6 && y >= 1 && y < 5;
            const bool ring = covered && (x == 1 || x == 5 || y == 1 || y == 4);
            EXPECT_EQ(bitmap.PixelColour(x, y), ring      ? Ink
                                                : covered ? Fill
                                                          : Paper)
                << x << "," << y;
        }
}

TEST(CanvasRectangle, ClearPenLeavesTheBrushOverAllAndClearBrushTheInsideUntouched) {
    Bitmap noPen = PlainBitmap(6, 6);
    Canvas first(noPen);
    first.GetPen().style = PenStyle::Clear;
    first.GetBrush().colour = Fill;
    first.Rectangle(1, 1, 5, 4);
    EXPECT_EQ(PixelsOf(noPen, Fill).size(), 12u);
    EXPECT_EQ(noPen.PixelColour(4, 3), Fill);
    EXPECT_EQ(noPen.PixelColour(5, 3), Paper);

    Bitmap noBrush = PlainBitmap(6, 6);
    Canvas second(noBrush);
    second.GetPen().colour = Ink;
    second.GetBrush().style = BrushStyle::Clear;
    second.Rectangle(1, 1, 5, 5);
    EXPECT_EQ(PixelsOf(noBrush, Ink).size(), 12u);
    EXPECT_EQ(noBrush.PixelColour(2, 2), Paper);

    Bitmap empty = PlainBitmap(4, 4);
    Canvas third(empty);
    third.Rectangle(2, 0, 2, 4);
    EXPECT_TRUE(SamePixels(empty, PlainBitmap(4, 4)));
}

TEST(CanvasRectangle, DashedRingLeavesItsGapsUntouched) {
    Bitmap bitmap = PlainBitmap(40, 3);
    Canvas canvas(bitmap);
    canvas.SetPen({Ink, PenStyle::Dashed, PenMode::Copy});
    canvas.GetBrush().colour = Fill;
    canvas.Rectangle(0, 0, 40, 3);
    const int period = Canvas::kDashPixels + Canvas::kDashGapPixels;
    for (int x = 0; x < 40; ++x)
        EXPECT_EQ(bitmap.PixelColour(x, 0), x % period < Canvas::kDashPixels ? Ink : Paper) << x;
    EXPECT_EQ(PixelsOf(bitmap, Fill).size(), 38u);
}

TEST(CanvasPolygon, SquareCoversItsLeftAndTopEdgesButNotItsRightAndBottom) {
    Bitmap bitmap = PlainBitmap(6, 6);
    Canvas canvas(bitmap);
    canvas.GetPen().style = PenStyle::Clear;
    canvas.GetBrush().colour = Fill;
    const std::vector<Point> square{{0, 0}, {4, 0}, {4, 4}, {0, 4}};
    canvas.Polygon(square);
    PixelSet expected;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) expected.insert({x, y});
    EXPECT_EQ(PixelsOf(bitmap, Fill), expected);
}

TEST(CanvasPolygon, NeighboursSharingAnEdgeCoverEveryPixelExactlyOnce) {
    // XOR shows a pixel covered twice as untouched and once as changed.
    Bitmap bitmap = PlainBitmap(12, 12);
    Canvas canvas(bitmap);
    canvas.GetPen().style = PenStyle::Clear;
    canvas.GetPen().mode = PenMode::Xor;
    canvas.GetBrush().colour = Fill;
    const std::vector<std::vector<Point>> tiles{{{0, 0}, {8, 0}, {1, 9}},
                                                {{8, 0}, {9, 9}, {1, 9}},
                                                {{8, 0}, {12, 0}, {12, 5}, {9, 9}},
                                                {{9, 9}, {12, 5}, {12, 12}, {0, 12}, {1, 9}},
                                                {{0, 0}, {1, 9}, {0, 12}}};
    for (const auto& tile : tiles) canvas.Polygon(tile);
    EXPECT_EQ(PixelsOf(bitmap, Paper ^ Fill).size(), 144u);
}

TEST(CanvasPolygon, SelfIntersectingStarLeavesItsCentreEmpty) {
    Bitmap bitmap = PlainBitmap(40, 40);
    Canvas canvas(bitmap);
    canvas.GetPen().style = PenStyle::Clear;
    canvas.GetBrush().colour = Fill;
    const auto star = Pentagram();
    canvas.Polygon(star);
    EXPECT_EQ(bitmap.PixelColour(20, 22), Paper);  // the pentagon in the middle
    EXPECT_EQ(bitmap.PixelColour(20, 5), Fill);    // the top point
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(bitmap.PixelColour(x, y) == Fill, InsideByCrossings(star, x, y))
                << x << "," << y;
}

TEST(CanvasPolygon, RandomPolygonsFillByTheEvenOddRule) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coordinate(-30, 70);
    for (int round = 0; round < 40; ++round) {
        std::vector<Point> polygon(3 + round % 9);
        for (Point& p : polygon) p = {coordinate(random), coordinate(random)};
        Bitmap bitmap = PlainBitmap(40, 40);
        Canvas canvas(bitmap);
        canvas.GetPen().style = PenStyle::Clear;
        canvas.GetBrush().colour = Fill;
        canvas.Polygon(polygon);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(bitmap.PixelColour(x, y) == Fill, InsideByCrossings(polygon, x, y))
                    << "round " << round << " pixel " << x << "," << y;
    }
}

TEST(CanvasPolygon, FewerThanThreePointsFillNothingButOutlineWhatThereIs) {
    Bitmap bitmap = PlainBitmap(8, 8);
    Canvas canvas(bitmap);
    canvas.GetPen().colour = Ink;
    canvas.GetBrush().colour = Fill;
    const std::vector<Point> two{{1, 1}, {5, 1}};
    canvas.Polygon(two);
    EXPECT_EQ(PixelsOf(bitmap, Ink), (PixelSet{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}}));
    EXPECT_TRUE(PixelsOf(bitmap, Fill).empty());
}

TEST(CanvasLine, FollowsBresenhamAndStopsBeforeTheEndPoint) {
    EXPECT_EQ(LinePixels({0, 0}, {5, 2}), (PixelSet{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}));
    EXPECT_EQ(LinePixels({3, 3}, {3, 0}), (PixelSet{{3, 3}, {3, 2}, {3, 1}}));
    EXPECT_TRUE(LinePixels({4, 4}, {4, 4}).empty());

    Bitmap bitmap = PlainBitmap(4, 4);
    Canvas canvas(bitmap);
    canvas.MoveTo(0, 0);
    canvas.LineTo(3, 1);
    EXPECT_EQ(canvas.PenPosition(), (Point{3, 1}));
}

TEST(CanvasLine, EveryDirectionCoversTheSamePixelsBothWays) {
    // With an odd major extent no pixel is a tie, so a line and its reverse must agree.
    const Point centre{20, 20};
    const std::vector<Point> offsets{{7, 3},   {3, 7},  {-3, 7}, {-7, 3}, {-7, -3},
                                     {-3, -7}, {3, -7}, {7, -3}, {9, 9},  {-5, 0}};
    for (Point offset : offsets) {
        const Point end{centre.x + offset.x, centre.y + offset.y};
        PixelSet forward = LinePixels(centre, end);
        PixelSet backward = LinePixels(end, centre);
        const long long major = std::max(std::abs(offset.x), std::abs(offset.y));
        EXPECT_EQ(forward.size(), std::size_t(major));
        forward.insert({end.x, end.y});
        backward.insert({centre.x, centre.y});
        EXPECT_EQ(forward, backward) << offset.x << "," << offset.y;
    }
}

TEST(CanvasLine, DashesRestartAtMoveToAndRunOnAcrossLineTo) {
    Bitmap bitmap = PlainBitmap(60, 3);
    Canvas canvas(bitmap);
    canvas.GetPen().colour = Ink;
    canvas.GetPen().style = PenStyle::Dashed;
    canvas.MoveTo(0, 0);
    canvas.LineTo(11, 0);
    canvas.LineTo(60, 0);
    canvas.MoveTo(0, 2);
    canvas.LineTo(60, 2);
    const int period = Canvas::kDashPixels + Canvas::kDashGapPixels;
    for (int x = 0; x < 60; ++x) {
        const Colour expected = x % period < Canvas::kDashPixels ? Ink : Paper;
        EXPECT_EQ(bitmap.PixelColour(x, 0), expected) << x;
        EXPECT_EQ(bitmap.PixelColour(x, 2), expected) << x;
    }
}

TEST(CanvasXor, DashedRubberBandDrawnTwiceRestoresTrueColourAndIndexedBitmaps) {
    for (PixelFormat format : {PixelFormat::Bgr24, PixelFormat::Indexed8}) {
        Bitmap bitmap = Noise(70, 50, format, 3);
        const Bitmap original = bitmap;
        Canvas canvas(bitmap);
        canvas.SetPen({Colours::Aqua, PenStyle::Dashed, PenMode::Xor});
        canvas.GetBrush().colour = Colours::Green;
        canvas.Rectangle(60, 45, 5, -8);
        EXPECT_FALSE(SamePixels(bitmap, original));
        canvas.Rectangle(60, 45, 5, -8);
        EXPECT_TRUE(SamePixels(bitmap, original));
    }
}

TEST(CanvasXor, IndexedBitmapsXorWithTheNearestPaletteIndex) {
    Bitmap bitmap(3, 3, PixelFormat::Indexed8);
    SetGreyPalette(bitmap);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) bitmap.Row(y)[x] = 0x0F;
    Canvas canvas(bitmap);
    canvas.SetPen({Colours::Aqua, PenStyle::Solid, PenMode::Xor});
    canvas.GetBrush().colour = Colours::Navy;
    canvas.Rectangle(0, 0, 3, 3);
    EXPECT_EQ(bitmap.Row(0)[0], 0x0F ^ bitmap.NearestIndex(Colours::Aqua));
    EXPECT_EQ(bitmap.Row(1)[1], 0x0F ^ bitmap.NearestIndex(Colours::Navy));
}

TEST(CanvasXor, EachPixelOfAFigureChangesOnceWhereCopyWouldPaintIt) {
    // The star's outline crosses itself and overlaps its fill, the zigzag crosses itself; XOR
    // must still change each pixel exactly once, to the colour copy mode paints there.
    const auto star = Pentagram();
    const std::vector<Point> zigzag{{0, 0}, {39, 39}, {39, 0}, {0, 39}, {20, -5}};
    for (PenStyle style : {PenStyle::Solid, PenStyle::Dashed})
        for (bool polygon : {true, false}) {
            Bitmap painted = PlainBitmap(40, 40);
            Bitmap xored = PlainBitmap(40, 40);
            for (Bitmap* bitmap : {&painted, &xored}) {
                Canvas canvas(*bitmap);
                canvas.SetPen({Ink, style, bitmap == &xored ? PenMode::Xor : PenMode::Copy});
                canvas.GetBrush().colour = Fill;
                if (polygon)
                    canvas.Polygon(star);
                else
                    canvas.Polyline(zigzag);
            }
            for (int y = 0; y < 40; ++y)
                for (int x = 0; x < 40; ++x) {
                    const Colour paint = painted.PixelColour(x, y);
                    ASSERT_EQ(xored.PixelColour(x, y), paint == Paper ? Paper : Paper ^ paint)
                        << x << "," << y;
                }
        }
}

// Coordinates past 2^29 take the 128-bit setup, nearer ones the 64-bit one. The same line or
// edge, once started far off and once near, must come out the same on the bitmap.
TEST(CanvasClipping, FarAndNearStartsOfOneLineGiveTheSamePixels) {
    const int turns = 1 << 28;  // steps of (3, 1) to a start past 2^29
    const Point end{30, 12};
    const Point near{-30, -8};
    const Point far{near.x - 3 * (turns - 10), near.y - (turns - 10)};
    EXPECT_EQ(LinePixels(far, end, 40, 20), LinePixels(near, end, 40, 20));
    EXPECT_EQ(LinePixels(end, far, 40, 20), LinePixels(end, near, 40, 20));
    EXPECT_FALSE(LinePixels(near, end, 40, 20).empty());

    // Two edges from the apex above the bitmap, and the same edges run on far past 2^29 and
    // joined up there, where no row is visible.
    auto filled = [](const std::vector<Point>& polygon) {
        Bitmap bitmap = PlainBitmap(40, 30);
        Canvas canvas(bitmap);
        canvas.GetPen().style = PenStyle::Clear;
        canvas.GetBrush().colour = Fill;
        canvas.Polygon(polygon);
        return PixelsOf(bitmap, Fill);
    };
    const int t = 1 << 27;
    const std::vector<Point> apex{{5, -10}, {0, 30}, {40, 30}};
    const std::vector<Point> runOn{
        {0 + t, 30 - 8 * t}, {0, 30}, {40, 30}, {40 - 7 * t, 30 - 8 * t}};
    EXPECT_EQ(filled(runOn), filled(apex));
    EXPECT_GT(filled(apex).size(), 100u);
}

TEST(CanvasClipping, FarOutsideCoordinatesDrawOnlyTheVisiblePart) {
    const int far = 10'000'000;
    EXPECT_EQ(LinePixels({-far, 5}, {far, 5}, 4, 8), (PixelSet{{0, 5}, {1, 5}, {2, 5}, {3, 5}}));
    EXPECT_EQ(LinePixels({-far, -far + 3}, {far, far + 3}, 4, 6),
              (PixelSet{{0, 3}, {1, 4}, {2, 5}}));
    EXPECT_EQ(LinePixels({INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, 3, 3),
              (PixelSet{{0, 0}, {1, 1}, {2, 2}}));
    EXPECT_TRUE(LinePixels({INT_MIN, 0}, {INT_MAX, INT_MIN}, 3, 3).empty());

    Bitmap bitmap = PlainBitmap(5, 5);
    Canvas canvas(bitmap);
    canvas.GetPen().colour = Ink;
    canvas.GetBrush().colour = Fill;
    canvas.Rectangle(-far, 1, far, 4);
    EXPECT_EQ(PixelsOf(bitmap, Ink).size(), 10u);
    EXPECT_EQ(PixelsOf(bitmap, Fill).size(), 5u);
    canvas.GetPen().style = PenStyle::Dashed;
    canvas.Rectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    EXPECT_EQ(PixelsOf(bitmap, Fill).size(), 25u);
    const std::vector<Point> huge{{INT_MIN, INT_MIN}, {INT_MAX, 2}, {INT_MIN, INT_MAX}};
    canvas.GetBrush().colour = Paper;
    canvas.Polygon(huge);
    EXPECT_EQ(PixelsOf(bitmap, Paper).size(), 25u);
}

TEST(CanvasClipping, DrawingIsTheSameSeenThroughAWindow) {
    // A small bitmap showing part of a large one must receive exactly the pixels the large one
    // gets there, dashes included.
    const int offsetX = 23;
    const int offsetY = 17;
    std::mt19937 random(11);
    std::uniform_int_distribution<int> coordinate(-120, 180);
    for (int round = 0; round < 30; ++round) {
        Bitmap large = PlainBitmap(70, 60);
        Bitmap small = PlainBitmap(20, 16);
        Canvas whole(large);
        Canvas part(small);
        const Pen pen{Ink, round % 2 ? PenStyle::Dashed : PenStyle::Solid,
                      round % 3 ? PenMode::Copy : PenMode::Xor};
        for (Canvas* canvas : {&whole, &part}) {
            canvas->SetPen(pen);
            canvas->GetBrush().colour = Fill;
        }
        std::vector<Point> points(2 + round % 6);
        for (Point& p : points) p = {coordinate(random), coordinate(random)};
        std::vector<Point> shifted;
        for (Point p : points) shifted.push_back({p.x - offsetX, p.y - offsetY});

        whole.Polygon(points);
        part.Polygon(shifted);
        whole.Rectangle(points[0].x, points[0].y, points[1].x, points[1].y);
        part.Rectangle(shifted[0].x, shifted[0].y, shifted[1].x, shifted[1].y);
        whole.MoveTo(points[1].x, points[1].y);
        part.MoveTo(shifted[1].x, shifted[1].y);
        for (std::size_t i = 0; i < points.size(); ++i) {
            whole.LineTo(points[i].x, points[i].y);
            part.LineTo(shifted[i].x, shifted[i].y);
        }
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 20; ++x)
                ASSERT_EQ(small.PixelColour(x, y), large.PixelColour(x + offsetX, y + offsetY))
                    << "round " << round << " pixel " << x << "," << y;
    }
}

TEST(CanvasPixels, ReadAndWriteOnlyInsideTheBitmap) {
    Bitmap bitmap = PlainBitmap(3, 3);
    Canvas canvas(bitmap);
    canvas.GetPen().mode = PenMode::Xor;
    canvas.SetPixel(1, 2, Ink);
    canvas.SetPixel(3, 0, Ink);
    canvas.SetPixel(-1, 0, Ink);
    EXPECT_EQ(canvas.GetPixel(1, 2), Ink);
    EXPECT_EQ(PixelsOf(bitmap, Ink).size(), 1u);
    EXPECT_EQ(canvas.GetPixel(0, 3), 0xFFFFFFFFu);
    EXPECT_EQ(canvas.GetPixel(-1, -1), 0xFFFFFFFFu);
}

TEST(CanvasCopy, ConvertsBetweenFormatsThroughColours) {
    Bitmap indexed(4, 2, PixelFormat::Indexed8);
    indexed.SetPalette({{0, 0, 0}, {200, 10, 20}, {5, 250, 5}});
    for (int x = 0; x < 4; ++x) {
        indexed.Row(0)[x] = std::uint8_t(x % 3);
        indexed.Row(1)[x] = std::uint8_t((x + 1) % 3);
    }
    Bitmap trueColour = PlainBitmap(4, 2);
    Canvas(trueColour).Draw(0, 0, indexed);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(trueColour.PixelColour(x, y), indexed.PixelColour(x, y));

    Bitmap grey(4, 2, PixelFormat::Indexed8);
    SetGreyPalette(grey);
    Canvas(grey).Draw(0, 0, trueColour);
    EXPECT_EQ(grey.Row(0)[1], grey.NearestIndex(MakeColour(200, 10, 20)));
    EXPECT_EQ(grey.Row(0)[2], grey.NearestIndex(MakeColour(5, 250, 5)));

    Bitmap otherPalette(4, 2, PixelFormat::Indexed8);
    otherPalette.SetPalette({{5, 250, 5}, {0, 0, 0}, {200, 10, 20}});
    Canvas(otherPalette).Draw(0, 0, indexed);
    EXPECT_EQ(otherPalette.PixelColour(1, 0), MakeColour(200, 10, 20));
    EXPECT_EQ(otherPalette.Row(0)[1], 2);
}

TEST(CanvasCopy, ClipsOnBothBitmapsKeepingPixelsAligned) {
    Bitmap source = Noise(6, 5, PixelFormat::Bgr24, 5);
    Bitmap target = PlainBitmap(5, 4);
    Canvas canvas(target);
    // Source starts one column left of its bitmap; target one row above its own.
    canvas.CopyRect({2, -1, 9, 6}, source, {-1, 0, 6, 7});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const int sourceX = x - 2 - 1;
            const int sourceY = y + 1;
            const bool copied = sourceX >= 0 && sourceX < 6 && sourceY < 5;
            EXPECT_EQ(target.PixelColour(x, y),
                      copied ? source.PixelColour(sourceX, sourceY) : Paper)
                << x << "," << y;
        }

    Bitmap strip = Noise(6, 1, PixelFormat::Bgr24, 9);
    const Bitmap before = strip;
    Canvas(strip).CopyRect({1, 0, 6, 1}, strip, {0, 0, 5, 1});  // overlapping, within itself
    for (int x = 1; x < 6; ++x) EXPECT_EQ(strip.PixelColour(x, 0), before.PixelColour(x - 1, 0));
}
