// Each hand-over between threads run many times with random pauses where the threads meet, and
// compared with the one-thread path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "GSHHSdata.h"
#include "HandOverPauses.h"
#include "PNG_IO.h"
#include "PngFiles.h"
#include "RowGate.h"
#include "ShorelineFile.h"
#include "ShorelineReadAhead.h"
#include "TempDir.h"

namespace {

TEST(HandOverStress, RowGateReadersSeeEachRowAsItWasMade) {
    RandomHandOverPauses pauses;
    constexpr int kRows = 48;
    for (int run = 0, runs = StressRuns(30); run < runs; ++run) {
        // Every other run the maker gives up half-way: readers see exactly the rows opened.
        const int made = run % 2 ? kRows / 2 : kRows;
        std::vector<int> rows(kRows, -1);
        std::vector<std::vector<int>> seen(3);
        RowGate gate;
        {
            std::vector<std::jthread> readers;
            for (auto& reader : seen)
                readers.emplace_back([&gate, &rows, &reader] {
                    for (int y = 0; y < kRows && gate.WaitFor(std::uint32_t(y + 1)); ++y)
                        reader.push_back(rows[std::size_t(y)]);
                });
            for (int y = 0; y < made; ++y) {
                rows[std::size_t(y)] = y * 31 + run;
                if (y % 3 == 2 || y + 1 == made) gate.Open(std::uint32_t(y + 1));
            }
            gate.Abandon();
        }
        std::vector<int> expected(static_cast<std::size_t>(made));
        for (int y = 0; y < made; ++y) expected[std::size_t(y)] = y * 31 + run;
        for (const auto& reader : seen) ASSERT_EQ(reader, expected) << "run " << run;
    }
}

// What the callbacks are handed, in order.
struct ShorelineEvents {
    std::vector<std::int32_t> polygonIds;
    std::vector<std::int32_t> indices;
    std::vector<Point> pixels;
    std::vector<PointF> positions;
    std::vector<std::size_t> polygonSizes;
    bool operator==(const ShorelineEvents&) const = default;
};

ShorelineEvents Read(const std::string& path, bool ahead) {
    ShorelineEvents events;
    ShorelineCallbacks callbacks;
    callbacks.Select = [](const TGSHHSHeader& header) { return header.Id % 5 != 3; };
    callbacks.OnPoint = [&](const TGSHHSHeader&, std::int32_t index, Point pixel, PointF at) {
        events.indices.push_back(index);
        events.pixels.push_back(pixel);
        events.positions.push_back(at);
    };
    callbacks.OnPolygon = [&](const TGSHHSHeader& header, const std::vector<Point>& pixels) {
        events.polygonIds.push_back(header.Id);
        events.polygonSizes.push_back(pixels.size());
    };
    if (ahead)
        ReadShorelinesAhead(path, 3600, 1800, LongitudeWrap::Once, callbacks);
    else
        ReadShorelines(path, 3600, 1800, LongitudeWrap::Once, callbacks);
    return events;
}

TEST(HandOverStress, ShorelinesReadAheadAreTheShorelinesReadInTurn) {
    // Polygons from a few points to longer than a batch, some skipped, enough for many batches.
    ShorelineFile file;
    unsigned seed = 5;
    for (int id = 0; id < 40; ++id) {
        const int points = id == 7 ? 70000 : int(seed % 4000) + 3;
        file.Polygon(points, 1 + id % 2, 30000, id);
        for (int i = 0; i < points; ++i) {
            seed = seed * 1103515245u + 12345u;
            file.Point(std::int32_t(seed % 360'000'000) - 180'000'000,
                       std::int32_t((seed >> 3) % 180'000'000) - 90'000'000);
        }
    }
    TempDir folder;
    const std::string path = folder / "shore.b";
    file.WriteTo(path);
    const ShorelineEvents inTurn = Read(path, false);
    ASSERT_GT(inTurn.pixels.size(), 100000u);

    RandomHandOverPauses pauses;
    for (int run = 0, runs = StressRuns(4, 0.05); run < runs; ++run)
        ASSERT_TRUE(Read(path, true) == inTurn) << "run " << run;
}

std::vector<pngfiles::Chunk> ChunksWithoutTime(const std::string& path) {
    std::vector<pngfiles::Chunk> chunks = pngfiles::FileChunks(path);
    std::erase_if(chunks, [](const pngfiles::Chunk& chunk) { return chunk.type == "tIME"; });
    return chunks;
}

TEST(HandOverStress, PngRowsWrittenAsTheyArriveAreTheRowsWrittenWhole) {
    // Large enough that the row filters are chosen on a thread of their own.
    Bitmap grey(300, 260, PixelFormat::Indexed8);
    SetGreyPalette(grey);
    Bitmap colour(120, 200, PixelFormat::Bgr24);
    unsigned seed = 9;
    for (Bitmap* bitmap : {&grey, &colour})
        for (int y = 0; y < bitmap->Height(); ++y)
            for (int i = 0; i < bitmap->Width() * bitmap->BytesPerPixel(); ++i) {
                seed = seed * 1103515245u + 12345u;
                bitmap->Row(y)[i] = std::uint8_t((i / 7 + y) % 5 ? (seed >> 16) % 9 : i + y);
            }
    TempDir folder;
    SaveBitmapToPng(grey, folder / "grey-whole.png", "a", "d", "s", "t");
    SaveBitmapToPng(colour, folder / "colour-whole.png", "a", "d", "s", "t");
    const auto greyWhole = ChunksWithoutTime(folder / "grey-whole.png");
    const auto colourWhole = ChunksWithoutTime(folder / "colour-whole.png");

    RandomHandOverPauses pauses;
    for (int run = 0, runs = StressRuns(3, 0.1); run < runs; ++run) {
        // The rows come in runs of uneven length into bitmaps that held other pixels.
        Bitmap greyArriving(grey.Width(), grey.Height(), PixelFormat::Indexed8);
        SetGreyPalette(greyArriving);
        Bitmap colourArriving(colour.Width(), colour.Height(), PixelFormat::Bgr24);
        for (Bitmap* bitmap : {&greyArriving, &colourArriving})
            for (int y = 0; y < bitmap->Height(); ++y)
                std::fill_n(bitmap->Row(y), bitmap->Width() * bitmap->BytesPerPixel(), 0xA5);
        PngFilesAsRowsArrive files({{&greyArriving, folder / "grey.png", "a", "d", "s", "t"},
                                    {&colourArriving, folder / "colour.png", "a", "d", "s", "t"}});
        for (int y = 0; y < grey.Height();) {
            const int next = std::min(grey.Height(), y + 1 + (y * 7 + run) % 23);
            for (; y < next; ++y) {
                std::copy_n(grey.Row(y), grey.Width(), greyArriving.Row(y));
                if (y < colour.Height())
                    std::copy_n(colour.Row(y), 3 * colour.Width(), colourArriving.Row(y));
            }
            files.RowsReady(next);
        }
        files.Commit();
        ASSERT_EQ(ChunksWithoutTime(folder / "grey.png"), greyWhole) << "run " << run;
        ASSERT_EQ(ChunksWithoutTime(folder / "colour.png"), colourWhole) << "run " << run;
    }
}

}  // namespace
