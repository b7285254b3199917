#include "BitmapImage.h"

namespace qtui {

namespace {

QImage::Format FormatOf(PixelFormat format) {
    switch (format) {
        case PixelFormat::Indexed8: return QImage::Format_Indexed8;
        case PixelFormat::Pixel16: return QImage::Format_Grayscale16;
        case PixelFormat::Bgr24: return QImage::Format_BGR888;
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
