#pragma once
// The programs' icons: the 32 x 32 picture of the named program ("terrafold") as the desktop
// menus show it, on a transparent background (the bottom-left pixel's colour, as transparent
// bitmaps are shown). A name without a picture gets a transparent square.
#include <string_view>

#include "Bitmap.h"

Bitmap MakeProgramIcon(std::string_view program);
