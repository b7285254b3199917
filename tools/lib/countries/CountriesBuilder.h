#pragma once
// Building the map viewer's "Countries.dat": little-endian records of int32 NumPoints,
// uint8 Kind and NumPoints (int16 Lon, int16 Lat) pairs in whole arc-minutes, in the range
// -10800..10800 and -5400..5400.
//
// Shoreline polygons become filled areas (levels 1 and 3 land, kind 0; levels 2 and 4 water,
// kind 8), in level order so that lakes are painted over land and islands over lakes;
// border lines follow as open lines (kind 1). The viewer draws longitudes linearly from
// 180° W to 180° E, so polygons and lines are cut at the 180th meridian, each polygon piece
// closed along it.
#include <cstdint>
#include <string>
#include <vector>

#include "ClassicShoreline.h"
#include "CountriesFormat.h"
#include "GeoRing.h"

struct CartogPoint {
    std::int16_t lon = 0;  // arc-minutes
    std::int16_t lat = 0;
    friend bool operator==(CartogPoint, CartogPoint) = default;
};

struct CartogSegment {
    std::uint8_t kind = 0;
    std::vector<CartogPoint> points;
};

constexpr std::uint8_t kKindLand = countries::kLand;
constexpr std::uint8_t kKindLine = countries::kLand | countries::kOpenLineBit;
constexpr std::uint8_t kKindWater = countries::kWater;

// Rounded to whole arc-minutes (halves to even); consecutive repeats dropped.
std::vector<CartogPoint> ToArcMinutes(const GeoRing& points);

std::vector<CartogSegment> BuildCartography(const std::vector<ClassicPolygon>& shore,
                                            const std::vector<GeoRing>& borders);

std::string EncodeCartography(const std::vector<CartogSegment>& segments);
