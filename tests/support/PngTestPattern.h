#pragma once
// A bitmap whose rows make every PNG row filter win somewhere, for tests of the writer.
#include <cstdint>

#include "Bitmap.h"

// Pixels from a small generator: smooth slopes, flat runs and noise side by side, so that every
// filter wins somewhere and sums tie.
inline Bitmap Pattern(int width, int height, PixelFormat format, unsigned seed) {
    Bitmap bitmap(width, height, format);
    if (format == PixelFormat::Indexed8) SetGreyPalette(bitmap);
    const int bytes = format == PixelFormat::Bgr24 ? 3 : 1;
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < width * bytes; ++i) {
            seed = seed * 1103515245u + 12345u;
            const int x = i / bytes;
            int value;
            switch ((x / 5 + y / 3) % 4) {
                case 0:
                    value = 7 * x + 3 * y;
                    break;
                case 1:
                    value = 200;
                    break;
                case 2:
                    value = int(seed >> 16);
                    break;
                default:
                    value = (x + y) % 2 ? 255 : 0;
                    break;
            }
            bitmap.Row(y)[i] = std::uint8_t(value);
        }
    return bitmap;
}
