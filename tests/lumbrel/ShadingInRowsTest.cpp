// Height images too large to hold are shaded a row at a time: the rows, relief and counts must
// be those of the whole-image shading, and the files those of the whole combined image.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "CombinedImageFile.h"
#include "Errors.h"
#include "FileContents.h"
#include "HandOverPauses.h"
#include "HeightImageFile.h"
#include "PngFiles.h"
#include "ReliefShading.h"
#include "ShaderTestSupport.h"
#include "TempDir.h"

namespace {

// Sea (0, also the top-left cell), low land and steps of every size, from a fixed sequence.
Bitmap VariedHeights(int width, int height) {
    Bitmap image(width, height, PixelFormat::Indexed8);
    SetGreyPalette(image);
    std::uint32_t state = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1103515245u + 12345u;
            const int pick = int(state >> 16) % 20;
            image.Row(y)[x] = std::uint8_t(pick < 3 ? 0 : 30 + pick * pick / 3);
        }
    image.Row(0)[0] = 0;
    return image;
}

void ExpectSameCounts(const CellCounts& actual, const CellCounts& expected) {
    for (int d = 1; d <= 5; ++d) EXPECT_EQ(actual[d], expected[d]) << "difference " << d;
}

}  // namespace

TEST(RowByRowShading, GivesTheWholeImagesRowsReliefAndCountsAtAnySize) {
    for (auto size :
         {std::pair{7, 5}, std::pair{4801, 3}, std::pair{1, 4}, std::pair{5, 1}, std::pair{1, 1}}) {
        // Plain variables: clang 14 cannot capture structured bindings in the lambda below.
        const int width = size.first;
        const int height = size.second;
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        const Bitmap source = VariedHeights(width, height);
        Bitmap combined;
        const CellCounts expected = MakeShadedImage(source, combined, {});
        Bitmap relief;
        MakeReliefImage(source, relief, {});

        int nextRow = 0;
        RowByRowShading shading(
            width, height,
            [&](int y, const std::uint8_t* codes, const std::uint8_t* reliefRow,
                const std::uint8_t* combinedRow) {
                ASSERT_EQ(y, nextRow++);
                EXPECT_EQ(std::memcmp(codes, source.Row(y), std::size_t(width)), 0) << y;
                EXPECT_EQ(std::memcmp(reliefRow, relief.Row(y), std::size_t(width)), 0) << y;
                EXPECT_EQ(std::memcmp(combinedRow, combined.Row(y), std::size_t(width) * 3), 0)
                    << y;
            });
        for (int y = 0; y < height; ++y) shading.Add(source.Row(y));
        ExpectSameCounts(shading.Finish(), expected);
        EXPECT_EQ(nextRow, height);
    }
}

TEST(RowByRowShading, RefusesRowsBeyondTheImageAndAnEarlyFinish) {
    const Bitmap source = VariedHeights(3, 2);
    RowByRowShading shading(3, 2, {});
    shading.Add(source.Row(0));
    EXPECT_THROW(shading.Finish(), std::logic_error);
    shading.Add(source.Row(1));
    EXPECT_THROW(shading.Add(source.Row(1)), std::logic_error);
}

TEST(CombinedImageBands, WriteTheFileTheWholeImageGivesInEitherFormat) {
    TempDir temp;
    InFolder folder(temp.Path());
    // Three bands and a short last one.
    Bitmap combined;
    MakeShadedImage(VariedHeights(5, 150), combined, {});
    for (const char* name : {"whole.bmp", "whole.PNG"}) SaveCombinedImage(combined, name);
    for (const char* name : {"bands.bmp", "bands.PNG"}) {
        CombinedImageBands file(name, combined.Width(), combined.Height());
        int bands = 0;
        while (file.StartBand()) {
            ++bands;
            for (int r = 0; r < file.Rows(); ++r)
                std::memcpy(file.Band().Row(r), combined.Row(file.FirstRow() + r), 15);
            file.FinishBand();
        }
        EXPECT_EQ(bands, 3);
        EXPECT_FALSE(std::filesystem::exists(name)) << "in place only once whole";
        file.Commit();
    }
    EXPECT_EQ(ReadBytes("bands.bmp"), ReadBytes("whole.bmp"));
    auto withoutTime = [](const char* name) {
        auto chunks = pngfiles::FileChunks(name);
        std::erase_if(chunks, [](const pngfiles::Chunk& chunk) { return chunk.type == "tIME"; });
        return chunks;
    };
    const auto bands = withoutTime("bands.PNG");
    const auto whole = withoutTime("whole.PNG");
    ASSERT_EQ(bands.size(), whole.size());
    for (std::size_t i = 0; i < bands.size(); ++i) {
        EXPECT_EQ(bands[i].type, whole[i].type);
        EXPECT_EQ(bands[i].data, whole[i].data) << bands[i].type;
    }
    EXPECT_EQ(whole.front().data[9], 2) << "RGB";

    EXPECT_THROW(SaveCombinedImage(combined, "combined.tif"), VarnholtError);
    EXPECT_THROW(CombinedImageBands("combined", 5, 150), VarnholtError);
}

// The rows are decoded on a thread of their own, a ring of them ahead of the reader.
TEST(HeightRowsAhead, ArriveInOrderUnderRandomPausesAndStopWithTheReaderOrTheFile) {
    TempDir dir;
    const std::string name = dir / "heights.png";
    const Bitmap image = VariedHeights(97, 300);  // several turns of the ring
    SaveBitmapToPng(image, name, "", "", "", "");
    {
        RandomHandOverPauses pauses;
        for (int run = 0, runs = StressRuns(10, 0.1); run < runs; ++run) {
            int rows = 0;
            ReadHeightRows(name, [&](int y, const std::uint8_t* codes) {
                ASSERT_EQ(y, rows++);
                ASSERT_EQ(std::memcmp(codes, image.Row(y), 97), 0) << "row " << y;
            });
            ASSERT_EQ(rows, 300);
        }
    }
    // A reader that gives up ends the decoding instead of waiting for a free slot for ever.
    int taken = 0;
    EXPECT_THROW(ReadHeightRows(name,
                                [&](int y, const std::uint8_t*) {
                                    ++taken;
                                    if (y == 5) throw std::range_error("stop");
                                }),
                 std::range_error);
    EXPECT_EQ(taken, 6);
    // The decoder's error reaches the reader after the rows it did decode.
    const std::vector<unsigned char> whole = ReadBytes(name);
    dir.Write("heights.png", {whole.begin(), whole.begin() + std::ptrdiff_t(whole.size() / 2)});
    taken = 0;
    EXPECT_THROW(ReadHeightRows(name, [&](int, const std::uint8_t*) { ++taken; }), std::exception);
    EXPECT_LT(taken, 300);
}
