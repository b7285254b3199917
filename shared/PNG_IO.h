#pragma once
// One-call PNG file routines for the programs: a bitmap out to a PNG file, a PNG file into a
// bitmap. Failures pass on to the caller as exceptions; true means the work was done.
#include <string>

#include "Bitmap.h"
#include "PngImage.h"

// Writes an 8-bit (grey or palette) or 24-bit bitmap at zlib level 4 with the row filters None,
// Sub and Paeth, with the four texts as tEXt chunks where they are not blank.
bool SaveBitmapToPng(const Bitmap& bitmap, const std::string& fileName, const std::string& author,
                     const std::string& description, const std::string& software,
                     const std::string& title, const TPngProgressEvent& onProgress = {});

// Replaces the bitmap's contents with the image; with convertToRgb false, grey and palette
// images stay 8-bit (a palette image bringing its palette).
bool LoadPngToBitmap(Bitmap& bitmap, const std::string& fileName, bool convertToRgb);
