#pragma once
// What a window's status bar reads under the pointer: where a picture lies on the earth, taken
// from its world-file transform, and the words for the values of the height image and the
// land/sea mask (height code v stands for v * v / 9 metres, rounded; 0 is water).
#include <string>

#include "Controls.h"
#include "GeoReference.h"

ui::PictureDegrees PictureDegreesOf(const GeoTransform& transform);
// A plate carree map of the whole world at this size, pixel centres half a pixel inside.
ui::PictureDegrees WholeWorldDegrees(int width, int height);

std::string HeightCodeText(int heightCode);
std::string LandSeaText(int maskValue);
