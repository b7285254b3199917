#pragma once
// Inputs for the hill shader's tests: height images made from rows of codes, and the current
// folder, which the shader reads from and writes to.
#include <filesystem>
#include <string>
#include <vector>

#include "Bitmap.h"
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

class InFolder {
public:
    explicit InFolder(const std::filesystem::path& folder)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~InFolder() { std::filesystem::current_path(previous_); }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

private:
    std::filesystem::path previous_;
};
