#include <gtest/gtest.h>

#include <utility>

#include "SparseFile.h"
#include "TempDir.h"
#include "Topography.h"

namespace {

constexpr std::uint64_t kLayout1Bytes = 18'666'720;
constexpr std::uint64_t kLayout23Bytes = 18'662'400;
constexpr std::uint64_t kLayout4Bytes = 136'857'600;

// A sparse grid file of the given size with a few samples written.
class GridFile {
public:
    GridFile(std::string path, std::uint64_t bytes, bool bigEndian)
        : path_(std::move(path)),
          order_(bigEndian ? ByteOrder::BigEndian : ByteOrder::LittleEndian) {
        MakeSparseFile(path_, bytes);
    }
    GridFile& Sample(std::uint64_t index, std::int16_t value) {
        PutSample(path_, index, value, order_);
        return *this;
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    ByteOrder order_;
};

// The probe values each layout is recognised by.
GridFile MakeLayout(const TempDir& dir, int layout, const std::string& name = "etopo5") {
    switch (layout) {
        case 1: {
            GridFile grid(dir / name, kLayout1Bytes, false);
            grid.Sample(0, -4290);
            return grid;
        }
        case 2:
        case 3: {
            GridFile grid(dir / name, kLayout23Bytes, true);
            grid.Sample(0, -4290).Sample(4320, layout == 2 ? -4278 : -4288);
            return grid;
        }
        default:
            return GridFile(dir / name, kLayout4Bytes, true);
    }
}

TTopography MappedLayout(const GridFile& grid, int layout) {
    TTopography topography;
    topography.TopoFileName = grid.Path();
    topography.TopoLayout = std::uint8_t(layout);
    EXPECT_TRUE(topography.Map());
    return topography;
}

TEST(TopographyRecognition, EachLayoutIsRecognisedBySizeAndProbes) {
    TempDir dir;
    for (int layout = 1; layout <= 4; ++layout) {
        GridFile grid = MakeLayout(dir, layout);
        EXPECT_EQ(RecogniseTopoLayout(grid.Path()), layout);
    }
}

TEST(TopographyRecognition, WrongProbesOrSizesAreNotRecognised) {
    TempDir dir;
    {
        GridFile bigEndianFirst(dir / "a", kLayout1Bytes, true);
        bigEndianFirst.Sample(0, -4290);
        EXPECT_EQ(RecogniseTopoLayout(bigEndianFirst.Path()), 0);
    }
    {
        GridFile otherSecondRow(dir / "b", kLayout23Bytes, true);
        otherSecondRow.Sample(0, -4290).Sample(4320, -4280);
        EXPECT_EQ(RecogniseTopoLayout(otherSecondRow.Path()), 0);
    }
    {
        GridFile littleEndian(dir / "c", kLayout23Bytes, false);
        littleEndian.Sample(0, -4290).Sample(4320, -4288);
        EXPECT_EQ(RecogniseTopoLayout(littleEndian.Path()), 0);
    }
    {
        GridFile oneSampleShort(dir / "d", kLayout4Bytes - 2, true);
        EXPECT_EQ(RecogniseTopoLayout(oneSampleShort.Path()), 0);
    }
    {
        GridFile oddByte(dir / "e", kLayout23Bytes + 1, true);
        oddByte.Sample(0, -4290).Sample(4320, -4278);
        EXPECT_EQ(RecogniseTopoLayout(oddByte.Path()), 2) << "a trailing odd byte is ignored";
    }
    dir.Write("tiny", {0xEF, 0x3E});
    EXPECT_EQ(RecogniseTopoLayout(dir / "tiny"), 0);
    EXPECT_EQ(RecogniseTopoLayout(dir / "absent"), 0);
    EXPECT_EQ(RecogniseTopoLayout(dir.Folder()), 0);
}

TEST(TopographySearch, NameOrderComesBeforeFolderOrder) {
    TempDir first;
    TempDir last;
    MakeLayout(first, 2, "etopo5");
    MakeLayout(last, 3, "ETOPO5.DAT");
    TTopography topography;
    ASSERT_TRUE(topography.Find({first.Folder(), last.Folder()}));
    EXPECT_EQ(topography.TopoFileName, last.Folder() + "ETOPO5.DAT");
    EXPECT_EQ(topography.TopoLayout, 3);
}

TEST(TopographySearch, FirstFileFoundEndsTheSearchEvenWhenUnrecognised) {
    TempDir first;
    TempDir last;
    first.Write("etopo5.elev", {1, 2, 3});
    MakeLayout(last, 1, "etopo5.elev");
    TTopography topography;
    EXPECT_TRUE(topography.Find({first.Folder(), last.Folder()}));
    EXPECT_EQ(topography.TopoFileName, first.Folder() + "etopo5.elev");
    EXPECT_EQ(topography.TopoLayout, 0);

    TTopography nothing;
    EXPECT_FALSE(nothing.Find({TempDir().Folder()}));
    EXPECT_EQ(nothing.TopoFileName, "");
}

TEST(TopographyLookup, FiveMinuteLayoutRowsAtTheirEdges) {
    TTopography topography;
    for (std::uint8_t layout : {1, 2, 3}) {
        topography.TopoLayout = layout;
        const std::size_t rowLength = layout == 1 ? 4321 : 4320;
        EXPECT_EQ(topography.TopoRow(5400), 0u);
        EXPECT_EQ(topography.TopoRow(5396), 0u);
        EXPECT_EQ(topography.TopoRow(5395), rowLength);
        EXPECT_EQ(topography.TopoRow(-5399), 2159 * rowLength);
        // Beyond the poles the first row is read, whatever the layout.
        EXPECT_EQ(topography.TopoRow(-5400), 0u);
        EXPECT_EQ(topography.TopoRow(5401), 0u);
    }
}

TEST(TopographyLookup, MercatorLayoutCoversAbout72DegreesEachWay) {
    TTopography topography;
    topography.TopoLayout = 4;
    EXPECT_EQ(topography.TopoRow(4320), 0u);
    EXPECT_EQ(topography.TopoRow(4321), std::nullopt);
    EXPECT_EQ(topography.TopoRow(5400), std::nullopt);
    EXPECT_EQ(topography.TopoRow(0), 3168u * 10800);
    EXPECT_EQ(topography.TopoRow(-4320), 6335u * 10800);
    EXPECT_EQ(topography.TopoRow(-4321), std::nullopt);
    EXPECT_EQ(topography.TopoRow(-5400), 0u);
}

TEST(TopographyLookup, SamplesDecodeWithTheLayoutsByteOrderAndColumns) {
    TempDir dir;
    {
        GridFile grid = MakeLayout(dir, 1, "one");
        grid.Sample(4321 + 0, 812).Sample(4321 + 4319, -1234).Sample(4321 + 4320, 9999);
        grid.Sample(4321 + 2160, 555);
        TTopography topography = MappedLayout(grid, 1);
        EXPECT_EQ(topography.TopoSample(4321, 0), 812);
        EXPECT_EQ(topography.TopoSample(4321, 4), 812);
        EXPECT_EQ(topography.TopoSample(4321, -5), -1234);
        EXPECT_EQ(topography.TopoSample(4321, 10800), 555);
        EXPECT_EQ(topography.TopoSample(4321, -10799), 555);
        EXPECT_EQ(topography.TopoSample(4321, -10800), std::nullopt);
    }
    {
        GridFile grid = MakeLayout(dir, 2, "two");
        const std::size_t lastRow = 2159 * 4320;
        grid.Sample(lastRow, 300).Sample(lastRow + 4319, -7).Sample(lastRow + 2160, 4000);
        TTopography topography = MappedLayout(grid, 2);
        EXPECT_EQ(topography.TopoSample(lastRow, -10799), 300);
        EXPECT_EQ(topography.TopoSample(lastRow, 10800), 300) << "180 E wraps to column 0";
        EXPECT_EQ(topography.TopoSample(lastRow, 10799), -7);
        EXPECT_EQ(topography.TopoSample(lastRow, 0), 4000);
        EXPECT_EQ(topography.TopoSample(lastRow, -10800), std::nullopt);
        EXPECT_EQ(topography.TopoSample(lastRow, 10801), std::nullopt);
    }
    {
        GridFile grid = MakeLayout(dir, 3, "three");
        grid.Sample(4320 + 4319, 2500).Sample(4320 + 0, -4288);
        TTopography topography = MappedLayout(grid, 3);
        EXPECT_EQ(topography.TopoSample(4320, -5), 2500);
        EXPECT_EQ(topography.TopoSample(4320, -1), 2500);
        EXPECT_EQ(topography.TopoSample(4320, 0), -4288);
    }
    {
        GridFile grid = MakeLayout(dir, 4, "four");
        const std::size_t lastRow = 6335u * 10800;
        grid.Sample(lastRow + 10799, 17).Sample(lastRow + 5400, -5000);
        TTopography topography = MappedLayout(grid, 4);
        EXPECT_EQ(topography.TopoSample(lastRow, -2), 17);
        EXPECT_EQ(topography.TopoSample(lastRow, -1), 17);
        EXPECT_EQ(topography.TopoSample(lastRow, 10800), -5000);
        EXPECT_EQ(topography.TopoSample(lastRow, -10800), std::nullopt);
    }
}

TEST(TopographyMapping, GridShortenedAfterRecognitionIsNotMapped) {
    TempDir dir;
    GridFile grid = MakeLayout(dir, 2);
    TTopography topography;
    topography.TopoFileName = grid.Path();
    topography.TopoLayout = 2;
    ASSERT_TRUE(topography.Map());
    ASSERT_EQ(::truncate(grid.Path().c_str(), off_t(kLayout23Bytes / 2)), 0);
    EXPECT_FALSE(topography.Map());
    EXPECT_FALSE(topography.Mapped());
    EXPECT_EQ(topography.TopoSample(0, 0), std::nullopt) << "nothing is read without a mapping";

    topography.TopoFileName = dir / "gone";
    EXPECT_FALSE(topography.Map());
}

struct MercatorCase {
    int latitude;
    int ordinate;
};

class MercatorMinutesTest : public testing::TestWithParam<MercatorCase> {};

TEST_P(MercatorMinutesTest, GivesTheGridsOrdinate) {
    EXPECT_EQ(MercatorMinutes(GetParam().latitude), GetParam().ordinate);
    EXPECT_EQ(MercatorMinutes(-GetParam().latitude), -GetParam().ordinate) << "mirrored south";
}

INSTANTIATE_TEST_SUITE_P(Samples, MercatorMinutesTest,
                         testing::Values(MercatorCase{0, 0}, MercatorCase{60, 60},
                                         MercatorCase{600, 603}, MercatorCase{1800, 1888},
                                         MercatorCase{3000, 3474}, MercatorCase{4320, 6335},
                                         MercatorCase{4321, 6338}));

TEST(MercatorMinutes, PolesStayFiniteAndOrdered) {
    EXPECT_GT(MercatorMinutes(5400), MercatorMinutes(5399));
    EXPECT_LT(MercatorMinutes(-5400), -6336);
}

}  // namespace
