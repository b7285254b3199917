#pragma once
// Vector maps checked against their rasters: an SVG rendered by librsvg's rsvg-convert (a
// renderer independent of the Qt generator that wrote it), and the share of the raster's black
// outline pixels that the rendering draws within one pixel.
#include <algorithm>
#include <string>

#include "Bitmap.h"
#include "PNG_IO.h"
#include "RunCommand.h"
#include "TempDir.h"

// The SVG at width x height on white; an empty bitmap when the renderer failed.
inline Bitmap RenderSvg(const std::string& svgPath, int width, int height) {
    TempDir folder;
    const std::string png = folder / "rendered.png";
    const CommandResult run =
        RunCommand("rsvg-convert -b white -w " + std::to_string(width) + " -h " +
                   std::to_string(height) + " -o " + Quoted(png) + " " + Quoted(svgPath));
    Bitmap rendered;
    if (run.status != 0) return rendered;
    LoadPngToBitmap(rendered, png, true);
    return rendered;
}

inline bool IsBlack(Colour colour) { return (colour & 0xFFFFFF) == 0; }

// Dark enough to be an outline over any of the maps' fills, antialiased.
inline bool IsInked(Colour colour) {
    return std::max({RedOf(colour), GreenOf(colour), BlueOf(colour)}) < 112;
}

// The share of the pixels of `from` that pass `is` and have a pixel of `near` that passes
// `nearIs` within one pixel; 1 when none pass.
template <class FromTest, class NearTest>
double ShareNear(const Bitmap& from, FromTest is, const Bitmap& near, NearTest nearIs) {
    if (from.Width() != near.Width() || from.Height() != near.Height()) return 0;
    long counted = 0;
    long matched = 0;
    for (int y = 0; y < from.Height(); ++y) {
        for (int x = 0; x < from.Width(); ++x) {
            if (!is(from.PixelColour(x, y))) continue;
            ++counted;
            bool found = false;
            for (int ny = std::max(0, y - 1); ny <= std::min(near.Height() - 1, y + 1); ++ny)
                for (int nx = std::max(0, x - 1); nx <= std::min(near.Width() - 1, x + 1); ++nx)
                    found = found || nearIs(near.PixelColour(nx, ny));
            matched += found;
        }
    }
    return counted == 0 ? 1 : double(matched) / double(counted);
}

// The share of the raster's black pixels that the rendering inks within one pixel.
inline double OutlineCoverage(const Bitmap& raster, const Bitmap& rendering) {
    return ShareNear(raster, IsBlack, rendering, IsInked);
}

// The other way round, so that lines the raster does not have (an uncut date-line crossing)
// show.
inline double InkNearOutlines(const Bitmap& raster, const Bitmap& rendering) {
    return ShareNear(rendering, IsInked, raster, IsBlack);
}
