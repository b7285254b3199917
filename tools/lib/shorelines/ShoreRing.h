#pragma once
// One shoreline polygon on its way between an input format and the classic file.
#include <cstdint>
#include <optional>

#include "GeoRing.h"

struct ShoreRing {
    std::int32_t id = -1;  // -1: numbered when written
    int level = 1;         // 1 land, 2 lake, 3 island in a lake, 4 pond on such an island
    int source = -1;       // 0 WDBII, 1 WVS, -1 unknown
    std::optional<std::uint32_t> areaTenthsKm2;  // as the input states it, if it does
    GeoRing points;                              // without a repeated closing point
};
