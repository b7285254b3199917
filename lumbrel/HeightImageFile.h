#pragma once
// Reading the world height image: an 8-bit one-channel grey PNG, one height code per cell.
// Any other kind of PNG (palette, colour, alpha, 16-bit or fewer than 8 bits) would have its
// bytes taken for height codes and give a meaningless map, so it is refused naming the file.
#include <functional>
#include <string>

#include "Bitmap.h"

// Replaces the bitmap's size and pixels with the image's; on failure the bitmap is left empty
// or unchanged and the error names the reason. With rowsReady, rows are handed over as they
// are decoded (see LoadPngToBitmap), and a failure may leave the bitmap part-filled.
void LoadHeightImage(Bitmap& bitmap, const std::string& fileName,
                     const std::function<void(int rows)>& rowsReady = {});
