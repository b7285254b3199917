#pragma once
// Saving a map by the extension of its file name: .png and .bmp as the raster, .svg (SVG) and
// .pdf (PDF) as a vector document drawn through a MapPainter by the toolkit's generators.
//
// A document's page is the raster's size, one point a pixel, unless a page width in millimetres
// scales it (the height follows the raster's proportions). Its metadata names the geographic
// bounds of the page's edges and the coordinate system, since a world file cannot go beside it.
// The file goes through the replacing writer: on any failure the target is left as it was.
#include <functional>
#include <string>

#include "MapPainter.h"

enum class MapFileFormat { Png, Bmp, Svg, Pdf, Unknown };

MapFileFormat MapFileFormatOf(const std::string& path);
// What a save dialog for maps offers, in the dialogs' "Description|pattern|..." form.
inline constexpr const char* kMapFileFilter =
    "SVG drawing (*.svg)|*.svg|PDF document (*.pdf)|*.pdf|PNG image (*.png)|*.png|"
    "Windows bitmap (*.bmp)|*.bmp";
// The error for a name of none of these formats.
std::string UnknownMapFormatText(const std::string& path);
inline bool IsVectorFormat(MapFileFormat format) {
    return format == MapFileFormat::Svg || format == MapFileFormat::Pdf;
}

// Degrees, east and north positive, of the page's outer edges.
struct GeoBounds {
    double west = -180;
    double south = -90;
    double east = 180;
    double north = 90;
};

struct MapDocument {
    int width = 0;  // the raster map's size in pixels
    int height = 0;
    double pageWidthMm = 0;  // 0 for one point a pixel
    std::string title;
    std::string creator;  // the program
    GeoBounds bounds;
};

// The page-width option's text in millimetres: 0 for an empty text (one point a pixel), -1 for
// text that is not a positive number below ten metres.
double ParsePageWidthMm(const std::string& text);

// Writes the figures draw makes as an SVG or a PDF (by the path's extension). Errors from draw
// or the writer leave nothing behind and pass on.
void SaveVectorMap(const std::string& path, const MapDocument& document,
                   const std::function<void(MapPainter&)>& draw);

// "180.05 W to 179.95 E, 90.05 S to 89.95 N; WGS 84 longitude and latitude (EPSG:4326)".
std::string DescribeBounds(const GeoBounds& bounds);
