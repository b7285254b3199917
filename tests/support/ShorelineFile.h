#pragma once
// Shoreline files for tests: big-endian GSHHS records back to back, written field by field so that
// tests can also make damaged and cut files.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

struct ShorelinePoint {
    std::int32_t lonMicroDeg;
    std::int32_t latMicroDeg;
};

inline ShorelinePoint Degrees(double lon, double lat) {
    return {std::int32_t(std::llround(lon * 1e6)), std::int32_t(std::llround(lat * 1e6))};
}

class ShorelineFile {
public:
    // A header only; numPoints need not match the points added after it.
    ShorelineFile& Polygon(std::int32_t numPoints, std::int32_t level, std::uint32_t area = 0,
                           std::int32_t id = 0, std::int16_t greenwich = 0,
                           std::int16_t source = 0) {
        for (std::int32_t field : {id, numPoints, level, 0, 0, 0, 0}) Put(std::uint32_t(field));
        Put(area);
        Put(std::uint32_t(std::uint16_t(greenwich)) << 16 | std::uint16_t(source));
        return *this;
    }
    ShorelineFile& Point(std::int32_t lonMicroDeg, std::int32_t latMicroDeg) {
        Put(std::uint32_t(lonMicroDeg));
        Put(std::uint32_t(latMicroDeg));
        return *this;
    }
    // A header and its points; a claimed count other than theirs makes a damaged file.
    ShorelineFile& Outline(std::int32_t level, std::uint32_t area,
                           const std::vector<ShorelinePoint>& points,
                           std::optional<std::int32_t> claimedCount = std::nullopt) {
        Polygon(claimedCount.value_or(std::int32_t(points.size())), level, area);
        for (ShorelinePoint point : points) Point(point.lonMicroDeg, point.latMicroDeg);
        return *this;
    }
    ShorelineFile& Land(const std::vector<ShorelinePoint>& points) {
        return Outline(1, 1000, points);
    }
    // A shoreline file that draws nothing: one land polygon without points.
    static ShorelineFile Blank() { return ShorelineFile().Polygon(0, 1); }
    // Four corners, from the north-west one clockwise.
    ShorelineFile& Box(std::int32_t level, std::uint32_t area, ShorelinePoint northWest,
                       ShorelinePoint southEast) {
        return Outline(level, area,
                       {northWest,
                        {southEast.lonMicroDeg, northWest.latMicroDeg},
                        southEast,
                        {northWest.lonMicroDeg, southEast.latMicroDeg}});
    }

    void WriteTo(const std::string& path, std::size_t keepBytes = SIZE_MAX) const {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  std::streamsize(std::min(keepBytes, bytes.size())));
    }

    std::vector<unsigned char> bytes;

private:
    void Put(std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back((value >> shift) & 0xFF);
    }
};
