#pragma once
// The kind byte of a "Countries.dat" record, shared by the map viewer and the tool that builds
// the file: bit 0 marks an open line, the other bits are the drawing class.
#include <cstdint>

namespace countries {

inline constexpr std::uint8_t kOpenLineBit = 1;
inline constexpr std::uint8_t kClassMask = 0xFE;
inline constexpr std::uint8_t kLand = 0;       // filled with the land colour
inline constexpr std::uint8_t kKeepBrush = 4;  // filled with the brush the last segment left
inline constexpr std::uint8_t kWater = 8;      // filled with the lake colour

}  // namespace countries
