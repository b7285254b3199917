#include "ProgramIcon.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kSize = 32;
constexpr Colour kBackground = MakeColour(255, 0, 255);
constexpr Colour kOcean = MakeColour(40, 96, 200);
constexpr Colour kLand = MakeColour(70, 150, 60);
constexpr Colour kGrid = MakeColour(150, 190, 235);
constexpr Colour kRim = Colours::Navy;

// Rough land shapes in the disc's own coordinates (-1..1), enough to read as a globe.
bool IsLand(double u, double v) {
    auto blob = [&](double cu, double cv, double ru, double rv) {
        double du = (u - cu) / ru, dv = (v - cv) / rv;
        return du * du + dv * dv < 1.0;
    };
    return blob(-0.45, -0.35, 0.30, 0.25) || blob(-0.30, 0.25, 0.18, 0.40) ||
           blob(0.35, -0.30, 0.35, 0.22) || blob(0.25, 0.20, 0.20, 0.30);
}

}  // namespace

Bitmap MakeProgramIcon() {
    Bitmap icon(kSize, kSize, PixelFormat::Bgr24);
    const double centre = (kSize - 1) / 2.0;
    const double radius = kSize / 2.0 - 1.0;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            double u = (x - centre) / radius, v = (y - centre) / radius;
            double distance = std::sqrt(u * u + v * v);
            Colour colour = kBackground;
            if (distance <= 1.0) {
                colour = IsLand(u, v) ? kLand : kOcean;
                // Meridians bend with the sphere; parallels stay straight.
                double bulge = std::sqrt(std::max(0.0, 1.0 - v * v));
                bool meridian = std::fabs(u) < 0.05 || std::fabs(std::fabs(u) - 0.6 * bulge) < 0.05;
                bool parallel = std::fabs(v) < 0.04 || std::fabs(std::fabs(v) - 0.55) < 0.04;
                if ((meridian || parallel) && colour == kOcean) colour = kGrid;
                if (distance > 0.92) colour = kRim;
            }
            icon.SetPixelColour(x, y, colour);
        }
    }
    icon.SetTransparent(true);
    return icon;
}
