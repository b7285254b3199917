#pragma once
// The viewer's fixed colours (0x00BBGGRR) written out, so that tests compare the pixels with the
// values themselves and not with the constants the code draws them from.
#include "Colour.h"

constexpr Colour kBlack = 0x00000000;
constexpr Colour kWhite = 0x00FFFFFF;
constexpr Colour kBlue = 0x00FF0000;    // sea
constexpr Colour kGreen = 0x00008000;   // land
constexpr Colour kAqua = 0x00FFFF00;    // lakes
constexpr Colour kSilver = 0x00C0C0C0;  // monochrome land
constexpr Colour kWater = 0x00F0F080;   // sea and lakes once the heights are coloured
