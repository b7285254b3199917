#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "Errors.h"
#include "PngFiles.h"
#include "PngImage.h"
#include "PngTestPattern.h"
#include "Stream.h"

namespace {

using namespace pngfiles;

Bytes Encode(const Bitmap& bitmap, int filterFlags, bool chosenAhead, bool borrowed = false) {
    TPngImageRef image = TPngImage::Create();
    if (borrowed)
        image->BorrowBitmapRows(bitmap);
    else
        image->CopyFromBitmap(bitmap);
    image->FilterFlags = filterFlags;
    image->FiltersChosenAhead = chosenAhead;
    MemoryStream stream;
    image->SaveToStream(stream);
    return stream.Data();
}

std::vector<Chunk> ImageData(const Bytes& file) {
    std::vector<Chunk> chunks = ReadChunks(file);
    std::erase_if(chunks, [](const Chunk& chunk) { return chunk.type != "IDAT"; });
    return chunks;
}

}  // namespace

TEST(PngFilterChoice, ChoosingAheadWritesTheImageDataLibpngChoosesItself) {
    struct Case {
        int width, height;
        PixelFormat format;
    };
    // One row, one column, one pixel, grey and colour, and a palette that is not grey; rows
    // enough that the writer meets choices still being made.
    const std::vector<Case> cases = {
        {40, 1, PixelFormat::Indexed8},  {1, 40, PixelFormat::Indexed8},
        {1, 1, PixelFormat::Indexed8},   {2, 2, PixelFormat::Bgr24},
        {57, 31, PixelFormat::Indexed8}, {33, 20, PixelFormat::Bgr24},
        {300, 701, PixelFormat::Bgr24}};
    for (std::size_t i = 0; i < cases.size(); ++i) {
        Bitmap bitmap = Pattern(cases[i].width, cases[i].height, cases[i].format, unsigned(i));
        for (int flags = 0x08; flags <= 0xF8; flags += 0x08) {
            EXPECT_EQ(ImageData(Encode(bitmap, flags, true)),
                      ImageData(Encode(bitmap, flags, false)))
                << "case " << i << " filters " << flags;
        }
    }
    Bitmap palette = Pattern(45, 17, PixelFormat::Indexed8, 9);
    std::vector<PaletteEntry> entries = palette.Palette();
    entries[3] = {1, 2, 3};
    palette.SetPalette(entries);
    EXPECT_EQ(ImageData(Encode(palette, 0x98, true)), ImageData(Encode(palette, 0x98, false)));
}

TEST(PngFilterChoice, PaethTiesGoToTheEarlierFilter) {
    // A first row of a slope: Sub and Paeth (over a zero row above) give the same bytes; flat
    // rows below: Up, Average against nothing, Paeth all tie with None or each other.
    Bitmap bitmap(16, 4, PixelFormat::Indexed8);
    SetGreyPalette(bitmap);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x) bitmap.Row(y)[x] = std::uint8_t(y == 0 ? 10 * x : 10 * x + 1);
    for (int flags : {0x98, 0xF8, 0x90, 0xA0, 0xE0})
        EXPECT_EQ(ImageData(Encode(bitmap, flags, true)), ImageData(Encode(bitmap, flags, false)))
            << flags;
}

TEST(PngFilterChoice, BorrowedBitmapRowsWriteTheFileOfCopiedOnes) {
    // Blue-first colour rows turned to RGB by libpng, grey, and a palette; padded rows.
    Bitmap palette = Pattern(45, 17, PixelFormat::Indexed8, 9);
    std::vector<PaletteEntry> entries = palette.Palette();
    entries[3] = {1, 2, 3};
    palette.SetPalette(entries);
    for (const Bitmap& bitmap : {Pattern(33, 300, PixelFormat::Bgr24, 4),
                                 Pattern(57, 31, PixelFormat::Indexed8, 5), palette})
        for (int flags : {0x98, 0xF8})
            // The image data: the time stamps of two writes may fall in different seconds.
            EXPECT_EQ(ImageData(Encode(bitmap, flags, true, true)),
                      ImageData(Encode(bitmap, flags, true, false)));

    // A header changed after borrowing must not make the write read past the rows.
    Bitmap small = Pattern(4, 4, PixelFormat::Indexed8, 1);
    TPngImageRef image = TPngImage::Create();
    image->BorrowBitmapRows(small);
    image->Width = 400;
    MemoryStream stream;
    EXPECT_THROW(image->SaveToStream(stream), EPngError);
}
