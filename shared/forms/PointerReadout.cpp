#include "PointerReadout.h"

ui::PictureDegrees PictureDegreesOf(const GeoTransform& transform) {
    return {transform.centreX, transform.centreY, transform.xPerColumn, transform.yPerRow};
}

ui::PictureDegrees WholeWorldDegrees(int width, int height) {
    const double lonPerColumn = 360.0 / width, latPerRow = 180.0 / height;
    return {-180 + lonPerColumn / 2, 90 - latPerRow / 2, lonPerColumn, -latPerRow};
}

std::string HeightCodeText(int heightCode) {
    if (heightCode == 0) return "sea";
    // 3 * sqrt(h) never lands on a half, so rounding up at a ninth's half is exact.
    return std::to_string((heightCode * heightCode + 4) / 9) + " m";
}

std::string LandSeaText(int maskValue) { return maskValue == 0 ? "sea" : "land"; }
