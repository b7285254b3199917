#pragma once
// Reading the world height image: an 8-bit one-channel grey PNG, one height code per cell.
// Any other kind of PNG (palette, colour, alpha, 16-bit or fewer than 8 bits) would have its
// bytes taken for height codes and give a meaningless map, so it is refused naming the file.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "Bitmap.h"

// Replaces the bitmap's size and pixels with the image's; on failure the bitmap is left empty
// or unchanged and the error names the reason. With rowsReady, rows are handed over as they
// are decoded (see LoadPngToBitmap), and a failure may leave the bitmap part-filled.
void LoadHeightImage(Bitmap& bitmap, const std::string& fileName,
                     const std::function<void(int rows)>& rowsReady = {});

struct HeightImageSize {
    int width = 0;
    int height = 0;
};

// The size the file's header states, after the same check of its kind (which throws); nothing
// for a file that is no PNG, which reading then reports.
std::optional<HeightImageSize> PeekHeightImageSize(const std::string& fileName);

// Reads the image a row at a time, top first, handing each row's codes (one byte a cell) to
// rowRead and keeping none, for images too large to hold. Errors as LoadHeightImage's.
void ReadHeightRows(const std::string& fileName,
                    const std::function<void(int y, const std::uint8_t* codes)>& rowRead);
