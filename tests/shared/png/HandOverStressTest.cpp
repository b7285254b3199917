// Each hand-over between threads run many times with random pauses where the threads meet, and
// compared with the one-thread path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "HandOverPauses.h"
#include "PNG_IO.h"
#include "PngFiles.h"
#include "RowGate.h"
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
