#pragma once
// Builds shoreline files for tests: polygon headers and points written big-endian, with points
// given in degrees or in micro-degrees.
#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

struct ShorelinePoint {
    std::int32_t lonMicroDeg;
    std::int32_t latMicroDeg;
};

inline ShorelinePoint Degrees(double lon, double lat) {
    return {std::int32_t(std::llround(lon * 1e6)), std::int32_t(std::llround(lat * 1e6))};
}

class ShorelineFileBuilder {
public:
    // A claimed count differing from the points given makes a damaged or cut file.
    ShorelineFileBuilder& Polygon(std::int32_t level, std::uint32_t areaTenthsKm2,
                                  const std::vector<ShorelinePoint>& points,
                                  std::optional<std::int32_t> claimedCount = std::nullopt) {
        Put32(std::uint32_t(nextId_++));
        Put32(std::uint32_t(claimedCount.value_or(std::int32_t(points.size()))));
        Put32(std::uint32_t(level));
        for (int bound = 0; bound < 4; ++bound) Put32(0);
        Put32(areaTenthsKm2);
        Put16(0);
        Put16(1);
        for (ShorelinePoint point : points) {
            Put32(std::uint32_t(point.lonMicroDeg));
            Put32(std::uint32_t(point.latMicroDeg));
        }
        return *this;
    }
    ShorelineFileBuilder& Land(const std::vector<ShorelinePoint>& points) {
        return Polygon(1, 1000, points);
    }
    ShorelineFileBuilder& Bytes(std::size_t count, unsigned char value = 0) {
        bytes_.insert(bytes_.end(), count, value);
        return *this;
    }
    const std::vector<unsigned char>& Data() const { return bytes_; }

private:
    void Put32(std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes_.push_back((unsigned char)(value >> shift));
    }
    void Put16(std::uint16_t value) {
        bytes_.push_back((unsigned char)(value >> 8));
        bytes_.push_back((unsigned char)value);
    }

    std::vector<unsigned char> bytes_;
    std::int32_t nextId_ = 0;
};
