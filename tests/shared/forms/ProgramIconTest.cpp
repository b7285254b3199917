#include <gtest/gtest.h>

#include <set>
#include <string>

#include "ProgramIcon.h"

namespace {

std::string Pixels(const Bitmap& icon) {
    return std::string(reinterpret_cast<const char*>(icon.Bits()),
                       icon.Stride() * std::size_t(icon.Height()));
}

}  // namespace

// The pictures come from the PNGs the package installs; a broken embedding or decoding
// shows as a blank, opaque or shared picture.
TEST(ProgramIcon, EachProgramHasItsOwnPictureOnATransparentSquare) {
    std::set<std::string> pictures;
    for (const char* program : {"terrafold", "lumbrel", "strandel", "orbisko"}) {
        const Bitmap icon = MakeProgramIcon(program);
        ASSERT_EQ(icon.Width(), 32) << program;
        ASSERT_EQ(icon.Height(), 32) << program;
        EXPECT_TRUE(icon.Transparent()) << program;
        const Colour key = icon.PixelColour(0, 31);
        EXPECT_EQ(icon.PixelColour(31, 0), key) << program << ": the corners are clear";
        EXPECT_NE(icon.PixelColour(16, 16), key) << program << ": the middle is drawn";
        pictures.insert(Pixels(icon));
    }
    EXPECT_EQ(pictures.size(), 4u);
}

TEST(ProgramIcon, UnknownProgramGetsAClearSquare) {
    const Bitmap icon = MakeProgramIcon("test_shared");
    ASSERT_EQ(icon.Width(), 32);
    EXPECT_TRUE(icon.Transparent());
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) ASSERT_EQ(icon.PixelColour(x, y), icon.PixelColour(0, 31));
}
