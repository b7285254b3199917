#pragma once
// Inputs for the hill shader's tests: height images made from rows of codes. The shader reads
// from and writes to the current folder, which InFolder sets.
#include <string>
#include <vector>

#include "Bitmap.h"
#include "InFolder.h"
#include "PNG_IO.h"

using Codes = std::vector<std::vector<int>>;

inline Bitmap HeightImage(const Codes& codes) {
    Bitmap image(int(codes.empty() ? 0 : codes[0].size()), int(codes.size()),
                 PixelFormat::Indexed8);
    SetGreyPalette(image);
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) image.Row(y)[x] = std::uint8_t(codes[y][x]);
    return image;
}

inline void WriteHeightPng(const Codes& codes, const std::string& fileName) {
    SaveBitmapToPng(HeightImage(codes), fileName, "", "", "", "");
}
