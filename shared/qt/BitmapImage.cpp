#include "BitmapImage.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "DarkestShrink.h"

namespace qtui {

namespace {

QImage::Format FormatOf(PixelFormat format) {
    switch (format) {
        case PixelFormat::Indexed8:
            return QImage::Format_Indexed8;
        case PixelFormat::Pixel16:
            return QImage::Format_Grayscale16;
        case PixelFormat::Bgr24:
            return QImage::Format_BGR888;
    }
    return QImage::Format_Invalid;
}

QImage WithTransparency(const QImage& image) {
    QImage copy = image.convertToFormat(QImage::Format_ARGB32);
    QRgb key = copy.pixel(0, copy.height() - 1);
    for (int y = 0; y < copy.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(copy.scanLine(y));
        for (int x = 0; x < copy.width(); ++x)
            if (row[x] == key) row[x] = 0;
    }
    return copy;
}

}  // namespace

// Every source pixel is read once.
Bitmap ShrinkAveraging(const Bitmap& bitmap, QSize size) {
    const int sourceWidth = bitmap.Width(), sourceHeight = bitmap.Height();
    const int width = size.width(), height = size.height();
    std::vector<int> columnStart(std::size_t(width) + 1);
    for (int x = 0; x <= width; ++x)
        columnStart[std::size_t(x)] = int((long long)x * sourceWidth / width);
    const auto& palette = bitmap.Palette();
    QRgb colours[256];
    for (int i = 0; i < 256; ++i) {
        colours[i] = std::size_t(i) < palette.size()
                         ? qRgb(palette[i].red, palette[i].green, palette[i].blue)
                         : qRgb(i, i, i);
    }
    const bool indexed = bitmap.Format() == PixelFormat::Indexed8;
    Bitmap scaled(width, height, PixelFormat::Bgr24);
    std::vector<std::uint32_t> sums(std::size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        int rowStart = int((long long)y * sourceHeight / height);
        int rowEnd = int((long long)(y + 1) * sourceHeight / height);
        std::fill(sums.begin(), sums.end(), 0);
        for (int row = rowStart; row < rowEnd; ++row) {
            const std::uint8_t* pixels = bitmap.Row(row);
            for (int x = 0; x < width; ++x) {
                std::uint32_t* sum = &sums[std::size_t(x) * 3];
                for (int column = columnStart[std::size_t(x)];
                     column < columnStart[std::size_t(x) + 1]; ++column) {
                    if (indexed) {
                        QRgb colour = colours[pixels[column]];
                        sum[0] += qRed(colour);
                        sum[1] += qGreen(colour);
                        sum[2] += qBlue(colour);
                    } else {
                        const std::uint8_t* bgr = pixels + std::size_t(column) * 3;
                        sum[0] += bgr[2];
                        sum[1] += bgr[1];
                        sum[2] += bgr[0];
                    }
                }
            }
        }
        std::uint8_t* line = scaled.Row(y);
        for (int x = 0; x < width; ++x) {
            std::uint32_t count =
                std::uint32_t(rowEnd - rowStart) *
                std::uint32_t(columnStart[std::size_t(x) + 1] - columnStart[std::size_t(x)]);
            const std::uint32_t* sum = &sums[std::size_t(x) * 3];
            for (int channel = 2; channel >= 0; --channel)
                *line++ = std::uint8_t((sum[channel] + count / 2) / count);
        }
    }
    return scaled;
}

QImage ScaledImage(const Bitmap& bitmap, QSize size, bool lineDrawing) {
    if (bitmap.IsEmpty() || size.isEmpty()) return {};
    if (lineDrawing && bitmap.Format() != PixelFormat::Pixel16 && !bitmap.Transparent())
        return DisplayImage(ShrinkKeepingDarkest(bitmap, size.width(), size.height())).copy();
    bool boxes = size.width() * 2 <= bitmap.Width() && size.height() * 2 <= bitmap.Height() &&
                 bitmap.Format() != PixelFormat::Pixel16 && !bitmap.Transparent();
    if (boxes) return DisplayImage(ShrinkAveraging(bitmap, size)).copy();
    return DisplayImage(bitmap).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage DisplayImage(const Bitmap& bitmap) {
    if (bitmap.IsEmpty()) return {};
    // The writable-data constructor, because a read-only QImage copies all its pixels when
    // given a colour table; nothing paints into this one.
    QImage image(const_cast<uchar*>(bitmap.Bits()), bitmap.Width(), bitmap.Height(),
                 qsizetype(bitmap.Stride()), FormatOf(bitmap.Format()));
    if (bitmap.Format() == PixelFormat::Indexed8) {
        QList<QRgb> table(256);
        const auto& palette = bitmap.Palette();
        for (int i = 0; i < 256; ++i)
            table[i] = std::size_t(i) < palette.size()
                           ? qRgb(palette[i].red, palette[i].green, palette[i].blue)
                           : qRgb(i, i, i);
        image.setColorTable(table);
    }
    return bitmap.Transparent() ? WithTransparency(image) : image;
}

}  // namespace qtui
