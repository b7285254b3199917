#include <gtest/gtest.h>

#include <tuple>

#include "ElevationColours.h"

namespace {

struct RampSample {
    int metres, red, green, blue;
};

class ElevationRamp : public ::testing::TestWithParam<RampSample> {};

}  // namespace

TEST_P(ElevationRamp, GivesTheColourOfItsHeight) {
    const RampSample sample = GetParam();
    const Colour colour = ElevationColour(sample.metres);
    EXPECT_EQ(std::make_tuple(int(RedOf(colour)), int(GreenOf(colour)), int(BlueOf(colour))),
              std::make_tuple(sample.red, sample.green, sample.blue));
    EXPECT_EQ(colour >> 24, 0u);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Heights, ElevationRamp, ::testing::Values(
    RampSample{-32768, 55, 219, 133}, RampSample{-10000, 55, 219, 133},
    RampSample{-9999, 0, 0, 0},       RampSample{-9998, 55, 219, 133},
    RampSample{-45, 76, 220, 114},    RampSample{-1, 139, 224, 58},
    RampSample{0, 141, 225, 57},      RampSample{1, 141, 225, 57},
    RampSample{50, 164, 231, 97},     RampSample{150, 203, 241, 165},
    RampSample{1500, 200, 163, 91},   RampSample{2500, 176, 149, 132},
    RampSample{4999, 254, 254, 254},  RampSample{5000, 255, 255, 255},
    RampSample{32767, 255, 255, 255}, RampSample{40000, 255, 255, 255}));
// clang-format on
