// Large images compressed a range of rows at a time: the same filtered rows as the row-by-row
// write, in one zlib stream that libpng decodes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "Errors.h"
#include "PngFiles.h"
#include "PngImage.h"
#include "PngTestPattern.h"
#include "RowGate.h"
#include "Stream.h"

namespace {

using namespace pngfiles;

Bytes Save(TPngImage& image) {
    MemoryStream stream;
    image.SaveToStream(stream);
    return stream.Data();
}

// The image written row by row and in ranges of rangeRows; the ranged file is checked whole.
struct Written {
    Bytes byRows;
    Bytes inRanges;
};

template <class Prepare>
Written WriteBothWays(Prepare prepare, std::uint32_t rangeRows) {
    Written written;
    for (bool ranged : {false, true}) {
        TPngImageRef image = TPngImage::Create();
        prepare(*image);
        image->RangesFromBytes = ranged ? 0 : UINT64_MAX;
        image->RangeRows = rangeRows;
        (ranged ? written.inRanges : written.byRows) = Save(*image);
    }
    return written;
}

std::size_t FilteredSize(const Bytes& file) {
    const Chunk header = ReadChunks(file).at(0);
    const std::uint32_t width = GetU32(&header.data[0]);
    const std::uint32_t height = GetU32(&header.data[4]);
    const int bitDepth = header.data[8];
    const int samples = header.data[9] == 2 ? 3 : 1;
    return std::size_t(height) * (1 + (std::size_t(width) * samples * bitDepth + 7) / 8);
}

void ExpectSameImage(const Written& written, const std::string& label) {
    const std::vector<Chunk> chunks = ReadChunks(written.inRanges);
    std::vector<std::string> types = ChunkTypes(chunks);
    types.erase(std::unique(types.begin(), types.end()), types.end());
    std::vector<std::string> expected = ChunkTypes(ReadChunks(written.byRows));
    expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
    EXPECT_EQ(types, expected) << label;
    for (const Chunk& chunk : chunks) EXPECT_LE(chunk.data.size(), 8192u) << label;

    // Filter bytes and filtered samples alike; inflating checks the Adler-32 as well.
    const std::size_t size = FilteredSize(written.byRows);
    EXPECT_EQ(InflateIdat(chunks, size), InflateIdat(ReadChunks(written.byRows), size)) << label;

    TPngImageRef byRows = TPngImage::Create();
    TPngImageRef inRanges = TPngImage::Create();
    MemoryStream first(written.byRows), second(written.inRanges);
    byRows->LoadFromStream(first);
    inRanges->LoadFromStream(second);
    ASSERT_EQ(inRanges->PixelDataSize(), byRows->PixelDataSize()) << label;
    EXPECT_EQ(0, std::memcmp(inRanges->PixelData(), byRows->PixelData(), byRows->PixelDataSize()))
        << label;
}

}  // namespace

TEST(PngDeflateRanges, HeldRowsGiveTheRowByRowImageAtAnyRangeSize) {
    struct Case {
        int width, height;
        PixelFormat format;
        bool borrowed;  // blue-first bitmap rows, else the image's own RGB copy
    };
    const std::vector<Case> cases = {{37, 29, PixelFormat::Bgr24, true},
                                     {37, 29, PixelFormat::Bgr24, false},
                                     {61, 13, PixelFormat::Indexed8, true},
                                     {1, 17, PixelFormat::Indexed8, true},
                                     {23, 1, PixelFormat::Bgr24, true}};
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const Bitmap bitmap = Pattern(c.width, c.height, c.format, unsigned(i) + 3);
        // Ranges of one row, a last range short, one range, and more rows a range than there are.
        for (std::uint32_t rangeRows : {1u, 5u, std::uint32_t(c.height), 1000u})
            for (int flags : {0x98, 0xF8, 0x08}) {
                auto prepare = [&](TPngImage& image) {
                    if (c.borrowed)
                        image.BorrowBitmapRows(bitmap);
                    else
                        image.CopyFromBitmap(bitmap);
                    image.FilterFlags = flags;
                    image.CompressionLevel = 4;
                    image.Title = "ranges";
                };
                ExpectSameImage(WriteBothWays(prepare, rangeRows),
                                "case " + std::to_string(i) + " range " +
                                    std::to_string(rangeRows) + " filters " +
                                    std::to_string(flags));
            }
    }
}

TEST(PngDeflateRanges, MadeRowsOfOneBitAndRangesOfTheWritersChoosing) {
    // Rows packed eight pixels a byte, made on request on several threads.
    auto twoLevel = [](TPngImage& image) {
        image.Width = 203;
        image.Height = 77;
        image.BitDepth = 1;
        image.ColourType = 0;
        image.Channels = 1;
        image.RowBytes = (203 + 7) / 8;
        image.FilterFlags = 0x98;
        image.MakeRow = [](std::uint32_t y, std::uint8_t* row) {
            for (int i = 0; i < (203 + 7) / 8; ++i)
                row[i] = std::uint8_t(i % 9 == int(y % 9) ? 0x5A ^ y : 0xFF);
            row[(203 + 7) / 8 - 1] &= 0xE0;
        };
    };
    for (std::uint32_t rangeRows : {1u, 8u, 77u})
        ExpectSameImage(WriteBothWays(twoLevel, rangeRows), "1-bit");

    // Several ranges of a few megabytes, the last one short.
    const Bitmap large = Pattern(1500, 2100, PixelFormat::Bgr24, 11);
    auto borrow = [&](TPngImage& image) {
        image.BorrowBitmapRows(large);
        image.FilterFlags = 0x98;
        image.CompressionLevel = 4;
    };
    ExpectSameImage(WriteBothWays(borrow, 0), "automatic ranges");
}

TEST(PngDeflateRanges, RowsArrivingInRecycledMemoryAreCopiedBeforeTheyAreReused) {
    // A maker with three rows of memory, far fewer than a range: it may reuse a row only once
    // the writer has let it go, so the writer must take rows in as they come.
    const Bitmap source = Pattern(45, 40, PixelFormat::Bgr24, 21);
    auto holdWhole = [&](TPngImage& image) {
        image.BorrowBitmapRows(source);
        image.FilterFlags = 0xF8;
    };
    const Bytes whole = WriteBothWays(holdWhole, 1).byRows;
    for (std::uint32_t rangeRows : {1u, 7u, 40u}) {
        const int height = source.Height();
        Bitmap ring(source.Width(), 3, PixelFormat::Bgr24);
        std::vector<std::uint8_t*> rows(std::size_t(height), nullptr);
        RowGate arriving, written;
        TPngImageRef image = TPngImage::Create();
        image->BorrowRowTable(ring, std::uint32_t(source.Width()), std::uint32_t(height),
                              rows.data());
        image->FilterFlags = 0xF8;
        image->RowsArriving = &arriving;
        image->RowsWritten = &written;
        image->RangesFromBytes = 0;
        image->RangeRows = rangeRows;
        std::jthread maker([&] {
            for (int y = 0; y < height; ++y) {
                if (y >= 3 && !written.WaitFor(std::uint32_t(y - 2))) return;
                std::uint8_t* row = ring.Row(y % 3);
                std::copy_n(source.Row(y), 3 * source.Width(), row);
                rows[std::size_t(y)] = row;
                arriving.Open(std::uint32_t(y + 1));
            }
        });
        const Bytes ranged = Save(*image);
        written.Abandon();
        maker.join();
        ExpectSameImage({whole, ranged}, "range " + std::to_string(rangeRows));
    }
}

TEST(PngDeflateRanges, RowsThatNeverComeFailTheWrite) {
    const Bitmap bitmap = Pattern(30, 20, PixelFormat::Indexed8, 2);
    TPngImageRef image = TPngImage::Create();
    image->BorrowBitmapRows(bitmap);
    image->RangesFromBytes = 0;
    image->RangeRows = 3;
    RowGate arriving;
    image->RowsArriving = &arriving;
    arriving.Open(10);
    arriving.Abandon();
    MemoryStream stream;
    try {
        image->SaveToStream(stream);
        FAIL() << "the write succeeded";
    } catch (const EPngError& error) {
        EXPECT_STREQ(error.what(), "The image was not finished, so it was not written");
    }
}
