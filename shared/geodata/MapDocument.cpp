#include "MapDocument.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iterator>

#include "AsciiCase.h"

MapFileFormat MapFileFormatOf(const std::string& path) {
    const std::string extension = std::filesystem::path(path).extension().string();
    if (EqualsIgnoringCase(extension, ".png")) return MapFileFormat::Png;
    if (EqualsIgnoringCase(extension, ".bmp")) return MapFileFormat::Bmp;
    if (EqualsIgnoringCase(extension, ".svg")) return MapFileFormat::Svg;
    if (EqualsIgnoringCase(extension, ".pdf")) return MapFileFormat::Pdf;
    return MapFileFormat::Unknown;
}

std::string UnknownMapFormatText(const std::string& path) {
    return "A map file name ends in .svg, .pdf, .png or .bmp, not '" + path + "'";
}

double ParsePageWidthMm(const std::string& text) {
    if (text.empty()) return 0;
    double millimetres = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), millimetres);
    if (error != std::errc() || end != text.data() + text.size()) return -1;
    if (!std::isfinite(millimetres) || millimetres <= 0 || millimetres >= 10000) return -1;
    return millimetres;
}

namespace {

std::string Degrees(double value, char positive, char negative) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g %c", std::fabs(value), value < 0 ? negative : positive);
    return text;
}

}  // namespace

std::string DescribeBounds(const GeoBounds& bounds) {
    return Degrees(bounds.west, 'E', 'W') + " to " + Degrees(bounds.east, 'E', 'W') + ", " +
           Degrees(bounds.south, 'N', 'S') + " to " + Degrees(bounds.north, 'N', 'S') +
           "; WGS 84 longitude and latitude (EPSG:4326), linear on both axes";
}
