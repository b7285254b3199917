// The program itself, run without a display as a user would in a script.
#include <gtest/gtest.h>

#include "FileContents.h"
#include "RunCommand.h"
#include "SegmentBytes.h"
#include "TempDir.h"

namespace {

class OrbiskoBatch : public ::testing::Test {
protected:
    OrbiskoBatch() {
        Bytes land;
        AppendRecord(land, 0, Square(300, 2700, 1020, 2880));
        data.Write("Countries.dat", land);
    }
    // Without a topography grid anywhere: the home folder is empty.
    CommandResult Run(const std::string& arguments) {
        return RunCommand("cd " + Quoted(data.Path()) + " && HOME=" + Quoted(home.Path()) + " " +
                          Quoted(std::string(VARNHOLT_BIN_DIR) + "/orbisko") + " --batch --data " +
                          Quoted(data.Path()) + " " + arguments);
    }

    TempDir home;
    TempDir data;
};

TEST_F(OrbiskoBatch, RegionInDegreesDrawsTheMapOfItsBoundsInMinutesAndSaysWhatWasDrawn) {
    const CommandResult region = Run("--region 5,45,17,48 --save region.bmp");
    ASSERT_EQ(region.status, 0) << region.err;
    const CommandResult bounds = Run("--bounds 300,2700,1020,2880 --save bounds.bmp");
    ASSERT_EQ(bounds.status, 0) << bounds.err;
    EXPECT_EQ(ReadBytes(data / "region.bmp"), ReadBytes(data / "bounds.bmp"));
    // Widened to the north to keep the map's shape; the edges of the outer pixels.
    EXPECT_EQ(region.out, "Bounds drawn (W,S,E,N degrees): 4.99333,45.0046,16.9933,49.1347\n");
    EXPECT_EQ(bounds.out, region.out);
    EXPECT_EQ(Run("--quiet --region 5,45,17,48").out, "");
}

TEST_F(OrbiskoBatch, BoundsAndRegionTogetherOrOutOfTheWorldAreRefused) {
    for (const char* arguments :
         {"--bounds 300,2700,1020,2880 --region 5,45,17,48", "--region 5,45,17",
          "--region 5,-95,17,48", "--region 190,45,200,48", "--region 5,45,17,north"}) {
        const CommandResult run = Run(std::string(arguments) + " --save map.bmp");
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_NE(run.err.find("--region"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(data / "map.bmp"));
    const CommandResult help = Run("--help");
    EXPECT_NE(help.out.find("--region 5,45,17,48"), std::string::npos);
    EXPECT_NE(help.out.find("--bounds 300,2700,1020,2880"), std::string::npos);
    EXPECT_NE(help.out.find("widens the bounds"), std::string::npos);
}

TEST_F(OrbiskoBatch, MissingTopographyIsSaidOnlyWhenTopographyIsAsked) {
    const CommandResult plain = Run("--preset uk");
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out.find("opography"), std::string::npos) << plain.out;
    const CommandResult asked = Run("--preset uk --topography");
    EXPECT_EQ(asked.status, 0) << asked.err;
    EXPECT_EQ(asked.out.find("Cannot find any topography data\n"
                             "Topography will not be available\n"),
              0u)
        << asked.out;
}

}  // namespace
