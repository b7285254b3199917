#include <gtest/gtest.h>

#include <sstream>

#include "Cartography.h"
#include "SearchFolders.h"
#include "SegmentBytes.h"
#include "TempDir.h"

namespace {

const std::vector<TCartogPoint> kTriangle = {{-660, 3000}, {120, 3540}, {-10800, -5400}};
const std::vector<TCartogPoint> kLine = {{10800, 5400}, {-1, -1}};

void ExpectSegment(const TLineSegment& segment, std::uint8_t kind,
                   const std::vector<TCartogPoint>& points) {
    EXPECT_EQ(segment.Kind, kind);
    ASSERT_EQ(segment.NumPoints, std::int32_t(points.size()));
    ASSERT_EQ(segment.Points.size(), points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(segment.Points[i].Lon, points[i].Lon) << "point " << i;
        EXPECT_EQ(segment.Points[i].Lat, points[i].Lat) << "point " << i;
    }
}

TEST(CartographyLoading, EmptyDataAndALoneHeaderGiveNoSegments) {
    TCartogList list;
    list.LoadFromStream(Bytes{});
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.MaxPoints(), 0);

    Bytes header;
    AppendHeader(header, 12, 0);
    list.LoadFromStream(header);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.MaxPoints(), 12) << "the discarded header still counts";
}

TEST(CartographyLoading, RecordsLoadInFileOrderWithTheirKinds) {
    Bytes bytes;
    AppendRecord(bytes, 0, kTriangle);
    AppendRecord(bytes, 9, kLine);
    TCartogList list;
    list.LoadFromStream(bytes);
    ASSERT_EQ(list.Count(), 2);
    ExpectSegment(list.GetSegment(0), 0, kTriangle);
    ExpectSegment(list.GetSegment(1), 9, kLine);
    EXPECT_EQ(list.MaxPoints(), 3);
}

TEST(CartographyLoading, OneTrailingHeaderIsIgnoredButRaisesMaxPoints) {
    Bytes bytes;
    AppendRecord(bytes, 0, kTriangle);
    AppendRecord(bytes, 1, kLine);
    Bytes withTrailer = bytes;
    AppendHeader(withTrailer, 40, 8);

    TCartogList plain;
    TCartogList trailed;
    plain.LoadFromStream(bytes);
    trailed.LoadFromStream(withTrailer);
    ASSERT_EQ(trailed.Count(), 2);
    ExpectSegment(trailed.GetSegment(0), 0, kTriangle);
    ExpectSegment(trailed.GetSegment(1), 1, kLine);
    EXPECT_EQ(plain.Count(), 2);
    EXPECT_EQ(plain.MaxPoints(), 3);
    EXPECT_EQ(trailed.MaxPoints(), 40);
}

TEST(CartographyLoading, ZeroCountRecordBecomesAnEmptySegment) {
    Bytes bytes;
    AppendRecord(bytes, 0, kTriangle);
    AppendRecord(bytes, 4, {});
    AppendRecord(bytes, 8, kLine);
    TCartogList list;
    list.LoadFromStream(bytes);
    ASSERT_EQ(list.Count(), 3);
    ExpectSegment(list.GetSegment(1), 4, {});
    ExpectSegment(list.GetSegment(2), 8, kLine);
}

TEST(CartographyLoading, NegativeCountEndsLoadingKeepingEarlierRecords) {
    Bytes bytes;
    AppendRecord(bytes, 0, kTriangle);
    AppendHeader(bytes, -2, 0);
    AppendRecord(bytes, 0, kLine);
    AppendRecord(bytes, 0, kTriangle);
    TCartogList list;
    list.LoadFromStream(bytes);
    ASSERT_EQ(list.Count(), 1);
    ExpectSegment(list.GetSegment(0), 0, kTriangle);
    EXPECT_EQ(list.MaxPoints(), 3);
}

TEST(CartographyLoading, RecordRunningPastTheEndKeepsOnlyWholePointsRead) {
    Bytes bytes;
    AppendRecord(bytes, 0, kLine);
    AppendHeader(bytes, 5, 1);
    for (std::uint8_t b : {0x10, 0x00, 0x20, 0x00, 0x30, 0x00}) bytes.push_back(b);  // 1.5 points
    TCartogList list;
    list.LoadFromStream(bytes);
    ASSERT_EQ(list.Count(), 2);
    ExpectSegment(list.GetSegment(1), 1, {{0x10, 0x20}});
    EXPECT_EQ(list.MaxPoints(), 5);
    EXPECT_EQ(list.LargestSegment(), 2);
}

TEST(CartographyLoading, HugeDamagedCountDoesNotReserveBeyondTheData) {
    Bytes bytes;
    AppendHeader(bytes, 0x7FFFFFFF, 0);
    AppendRecord(bytes, 0, kTriangle);  // read as 3 points' worth of the huge record
    TCartogList list;
    list.LoadFromStream(bytes);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetSegment(0).NumPoints, 4);
    EXPECT_EQ(list.MaxPoints(), 0x7FFFFFFF);
}

TEST(CartographyLoading, ClearEmptiesTheListAndResetsMaxPoints) {
    Bytes bytes;
    AppendRecord(bytes, 0, kTriangle);
    TCartogList list;
    list.LoadFromStream(bytes);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.MaxPoints(), 0);
    // A second load replaces, not appends.
    list.LoadFromStream(bytes);
    list.LoadFromStream(bytes);
    EXPECT_EQ(list.Count(), 1);
}

TEST(CartographyLoading, StreamIsParsedFromItsCurrentPosition) {
    Bytes bytes = {0xAA, 0xBB, 0xCC};  // not part of the segment data
    AppendRecord(bytes, 8, kTriangle);
    AppendHeader(bytes, 1, 0);
    std::istringstream stream(std::string(bytes.begin(), bytes.end()));
    stream.seekg(3);
    TCartogList list;
    list.LoadFromStream(stream);
    ASSERT_EQ(list.Count(), 1);
    ExpectSegment(list.GetSegment(0), 8, kTriangle);
}

TEST(CartographyLoading, FileLoadsLikeItsBytesAndAMissingFileLoadsNothing) {
    TempDir dir;
    Bytes bytes;
    AppendRecord(bytes, 0, kTriangle);
    AppendRecord(bytes, 5, kLine);
    TCartogList list;
    list.LoadFromFile(dir.Write("Countries.dat", bytes));
    ASSERT_EQ(list.Count(), 2);
    ExpectSegment(list.GetSegment(1), 5, kLine);

    list.LoadFromFile(dir / "absent.dat");
    EXPECT_EQ(list.Count(), 0);
    list.LoadFromFile(dir.Folder());  // a folder cannot be read as a file
    EXPECT_EQ(list.Count(), 0);
}

TEST(SearchFolders, FiveFoldersInOrderEachEndingWithASeparator) {
    const auto folders = BuildSearchFolders("/opt/bin", "/usr/share/varnholt/", "/home/ann");
    const std::vector<std::string> expected = {"/opt/bin/", "/opt/bin/../", "/usr/share/varnholt/",
                                               "/usr/share/varnholt/../", "/home/ann/GTopo2/"};
    EXPECT_EQ(folders, expected);
}

TEST(SearchFolders, FixedNameFallsBackToACaseInsensitiveMatch) {
    TempDir dir;
    dir.Write("COUNTRIES.DAT", {1});
    EXPECT_EQ(FindDataFile(dir.Folder(), "Countries.dat"), dir.Folder() + "COUNTRIES.DAT");
    dir.Write("Countries.dat", {1});
    EXPECT_EQ(FindDataFile(dir.Folder(), "Countries.dat"), dir.Folder() + "Countries.dat");
    EXPECT_EQ(FindDataFile(dir.Folder(), "etopo5"), std::nullopt);
    EXPECT_EQ(FindDataFile(dir.Folder() + "missing/", "Countries.dat"), std::nullopt);
}

}  // namespace
