#pragma once
// A colour is 0x00BBGGRR: red in the low byte, as the map files and palettes expect.
#include <cstdint>

using Colour = std::uint32_t;

constexpr Colour MakeColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return Colour(red) | (Colour(green) << 8) | (Colour(blue) << 16);
}
constexpr std::uint8_t RedOf(Colour c) { return std::uint8_t(c & 0xFF); }
constexpr std::uint8_t GreenOf(Colour c) { return std::uint8_t((c >> 8) & 0xFF); }
constexpr std::uint8_t BlueOf(Colour c) { return std::uint8_t((c >> 16) & 0xFF); }

namespace Colours {
constexpr Colour Black = 0x00000000;
constexpr Colour White = 0x00FFFFFF;
constexpr Colour Blue = 0x00FF0000;
constexpr Colour Aqua = 0x00FFFF00;
constexpr Colour Green = 0x00008000;
constexpr Colour Silver = 0x00C0C0C0;
constexpr Colour Navy = 0x00800000;
}  // namespace Colours
