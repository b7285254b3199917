#include "Cartography.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <istream>
#include <new>

#include "ReadOnlyFile.h"

static_assert(std::endian::native == std::endian::little,
              "points are copied without conversion from the little-endian file");

namespace {

// A byte source over memory: reads copy what is left, never more.
class MemorySource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::size_t Read(void* destination, std::size_t count) {
        count = std::min(count, bytes_.size() - position_);
        if (count > 0) std::memcpy(destination, bytes_.data() + position_, count);
        position_ += count;
        return count;
    }
    std::uint64_t Position() const { return position_; }
    std::uint64_t Size() const { return bytes_.size(); }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

// A byte source over an input stream from its current position. The position is tracked here
// because a stream that hit its end no longer reports one.
class StreamSource {
public:
    explicit StreamSource(std::istream& stream) : stream_(stream) {
        const auto start = stream_.tellg();
        stream_.seekg(0, std::ios::end);
        const auto end = stream_.tellg();
        stream_.seekg(start);
        if (start < 0 || end < start || !stream_) throw std::ios_base::failure("unsized stream");
        size_ = std::uint64_t(end - start);
    }
    std::size_t Read(void* destination, std::size_t count) {
        stream_.read(static_cast<char*>(destination), std::streamsize(count));
        const auto got = std::size_t(stream_.gcount());
        position_ += got;
        return got;
    }
    std::uint64_t Position() const { return position_; }
    std::uint64_t Size() const { return size_; }

private:
    std::istream& stream_;
    std::uint64_t position_ = 0;
    std::uint64_t size_ = 0;
};

}  // namespace

void TCartogList::Add(std::unique_ptr<TLineSegment> segment) {
    segments_.push_back(std::move(segment));
}

void TCartogList::Clear() {
    segments_.clear();
    maxPoints_ = 0;
}

std::int32_t TCartogList::LargestSegment() const {
    std::int32_t largest = 0;
    for (const auto& segment : segments_) largest = std::max(largest, segment->NumPoints);
    return largest;
}

template <class Source>
void TCartogList::Parse(Source& source) {
    const std::uint64_t size = source.Size();
    for (;;) {
        auto segment = std::make_unique<TLineSegment>();
        // A short read leaves the missing high bytes of the count zero; such a header always
        // ends the data and is discarded below.
        std::uint8_t countBytes[4] = {0, 0, 0, 0};
        source.Read(countBytes, 4);
        segment->NumPoints =
            std::int32_t(std::uint32_t(countBytes[0]) | std::uint32_t(countBytes[1]) << 8 |
                         std::uint32_t(countBytes[2]) << 16 | std::uint32_t(countBytes[3]) << 24);
        maxPoints_ = std::max(maxPoints_, segment->NumPoints);
        source.Read(&segment->Kind, 1);
        if (source.Position() == size) return;
        if (segment->NumPoints < 0) return;

        // Never reserve more than the rest of the data can fill: a damaged count must not
        // turn into a huge allocation.
        const std::uint64_t available =
            (size - source.Position() + sizeof(TCartogPoint) - 1) / sizeof(TCartogPoint);
        const auto wanted = std::uint64_t(segment->NumPoints);
        segment->Points.resize(std::size_t(std::min(wanted, available)));
        const std::size_t bytesRead =
            source.Read(segment->Points.data(), segment->Points.size() * sizeof(TCartogPoint));
        const std::size_t pointsRead = bytesRead / sizeof(TCartogPoint);
        if (pointsRead < std::size_t(segment->NumPoints)) {
            segment->Points.resize(pointsRead);
            segment->NumPoints = std::int32_t(pointsRead);
        }
        Add(std::move(segment));
    }
}

void TCartogList::LoadFromStream(std::span<const std::uint8_t> bytes) {
    Clear();
    try {
        MemorySource source(bytes);
        Parse(source);
    } catch (...) {
        // Damaged or unreadable data ends the loading silently; the segments so far stay.
    }
}

void TCartogList::LoadFromStream(std::istream& stream) {
    Clear();
    try {
        StreamSource source(stream);
        Parse(source);
    } catch (...) {
    }
}

void TCartogList::LoadFromFile(const std::string& fileName) {
    Clear();
    try {
        // Only plain files (a folder or a pipe has no size to read up to); a file that shrank
        // while being read is parsed as far as it was read.
        LoadFromStream(ReadWholeFile(fileName));
    } catch (...) {
    }
}
