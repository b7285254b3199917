#pragma once
// The outline segments of "Countries.dat": a flat run of records, each a little-endian signed
// 32-bit point count, one kind byte, then that many points of two signed 16-bit arc-minute
// values (longitude east positive, latitude north positive). No header, no separators.
//
// Loading stops when a record's 5-byte header ends exactly at the end of the data (so one
// trailing header is ignored), at a negative count, or at the end of a record whose points run
// past the end of the data: that last record keeps only the whole points actually present, so
// no segment ever claims points it does not hold. Failures are swallowed; whatever loaded
// before them stays.
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct TCartogPoint {
    std::int16_t Lon = 0;  // arc-minutes, -10800..10800 for the world
    std::int16_t Lat = 0;  // arc-minutes, -5400..5400 for the world
};
static_assert(sizeof(TCartogPoint) == 4, "points are read straight from the file layout");

struct TLineSegment {
    std::int32_t NumPoints = 0;
    std::uint8_t Kind = 0;             // bit 0: open line; Kind & 0xFE: drawing class
    std::vector<TCartogPoint> Points;  // NumPoints entries
};

class TCartogList {
public:
    TCartogList() = default;
    TCartogList(const TCartogList&) = delete;
    TCartogList& operator=(const TCartogList&) = delete;

    void Add(std::unique_ptr<TLineSegment> segment);
    int Count() const { return int(segments_.size()); }
    const TLineSegment& GetSegment(int index) const { return *segments_.at(std::size_t(index)); }

    void Clear();
    // Parses the bytes as a whole stream, from the first byte.
    void LoadFromStream(std::span<const std::uint8_t> bytes);
    // Parses from the stream's current position up to its end.
    void LoadFromStream(std::istream& stream);
    // Reads the whole file into memory and parses it; an unreadable file leaves the list empty.
    void LoadFromFile(const std::string& fileName);

    // The largest count in any record header since the last Clear, including a discarded final
    // header and a record that failed to load.
    std::int32_t MaxPoints() const { return maxPoints_; }
    // The largest number of points any loaded segment holds: what a drawing needs room for.
    std::int32_t LargestSegment() const;

private:
    template <class Source>
    void Parse(Source& source);

    std::vector<std::unique_ptr<TLineSegment>> segments_;
    std::int32_t maxPoints_ = 0;
};
