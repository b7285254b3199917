#pragma once
// The programs' icon: a 32 x 32 globe on a transparent background (the bottom-left pixel's
// colour, as transparent bitmaps are shown).
#include "Bitmap.h"

Bitmap MakeProgramIcon();
