#pragma once
// Reading the world height image: an 8-bit one-channel grey PNG, one height code per cell.
// Any other kind of PNG (palette, colour, alpha, 16-bit or fewer than 8 bits) would have its
// bytes taken for height codes and give a meaningless map, so it is refused naming the file.
#include <string>

#include "Bitmap.h"

// Replaces the bitmap's size and pixels with the image's; on failure the bitmap is left empty
// or unchanged and the error names the reason.
void LoadHeightImage(Bitmap& bitmap, const std::string& fileName);
