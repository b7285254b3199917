#pragma once
// The PNG chunks the codec turns into image fields and back: tEXt, bKGD and tIME. Only the
// codec includes this.
#include <chrono>

#include "Colour.h"
#include "PngDef.h"
#include "PngImage.h"

namespace pngcodec {

// Keeps every text as "key=text" in TextList and takes Title, Author and Description by key,
// in any case.
void TakeTexts(TPngImage& image, png_const_textp texts, int count);
// The image's non-blank Author, Description, Software and Title as uncompressed tEXt entries
// pointing into the image's strings; returns how many were filled.
int TextsToWrite(TPngImage& image, png_text (&texts)[4]);

// bKGD in the file's own sample depth, as an 8-bit colour.
Colour BackgroundFrom(const png_color_16& background, int bitDepth, int colourType);
std::chrono::local_seconds TimeFromPng(const png_time& time);
// Local wall-clock time now; all zero when the system cannot tell it.
png_time LocalTimeStamp();

}  // namespace pngcodec
