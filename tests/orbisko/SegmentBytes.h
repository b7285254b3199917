#pragma once
// Builds the bytes of a segment file, record by record, as "Countries.dat" holds them.
#include <cstdint>
#include <vector>

#include "Cartography.h"

using Bytes = std::vector<std::uint8_t>;

inline void AppendHeader(Bytes& bytes, std::int32_t count, std::uint8_t kind) {
    const auto raw = std::uint32_t(count);
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(std::uint8_t(raw >> shift));
    bytes.push_back(kind);
}

inline void AppendRecord(Bytes& bytes, std::uint8_t kind, const std::vector<TCartogPoint>& points) {
    AppendHeader(bytes, std::int32_t(points.size()), kind);
    for (const TCartogPoint& point : points) {
        for (std::int16_t value : {point.Lon, point.Lat}) {
            bytes.push_back(std::uint8_t(std::uint16_t(value) & 0xFF));
            bytes.push_back(std::uint8_t(std::uint16_t(value) >> 8));
        }
    }
}

// A closed square of the given corners, in arc-minutes.
inline std::vector<TCartogPoint> Square(int west, int south, int east, int north) {
    return {{std::int16_t(west), std::int16_t(south)},
            {std::int16_t(east), std::int16_t(south)},
            {std::int16_t(east), std::int16_t(north)},
            {std::int16_t(west), std::int16_t(north)}};
}
