#pragma once
// The libpng interface the codec is built on. Only the codec includes this; everything else sees
// TPngImage. The version text handed to libpng is that of the headers we were compiled with, so
// libpng can refuse a mismatched library at run time.
#include <png.h>

#if PNG_LIBPNG_VER < 10600
#error "The PNG codec needs libpng 1.6 or later"
#endif
#if !defined(PNG_READ_SCALE_16_TO_8_SUPPORTED) || !defined(PNG_SET_USER_LIMITS_SUPPORTED) || \
    !defined(PNG_USER_MEM_SUPPORTED)
#error "The PNG codec needs a libpng with 16-to-8-bit scaling, user limits and user memory"
#endif

inline constexpr const char* kPngVersionText = PNG_LIBPNG_VER_STRING;
