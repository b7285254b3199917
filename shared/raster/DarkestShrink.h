#pragma once
// A line drawing shown smaller: each target pixel takes the darkest pixel of the source area it
// covers (brightness by the usual luma weights, the first pixel on a tie), as a window system's
// black-on-white stretch does, so one-pixel black lines stay black where averaging would fade
// them to grey. Photographs and height images want averaging instead.
//
// Target column x covers source columns x * W / w up to (x + 1) * W / w, and at least one, so
// an enlargement repeats pixels; rows alike. Sources are 8-bit (through the palette; entries it
// lacks are grey, as on screen) or 24-bit.
#include "Bitmap.h"

// A 24-bit bitmap of the given size; empty when the source or the size is, or for a 16-bit
// source, which has no colours.
Bitmap ShrinkKeepingDarkest(const Bitmap& source, int width, int height);
