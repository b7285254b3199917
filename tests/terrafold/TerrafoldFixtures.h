#pragma once
// Inputs for the height-image builder's tests: a full tile set, shoreline files with outlines on
// the pixels of its 5400 x 2700 raster, the chunks of the images it writes, and the program run
// in batch mode by a fresh user.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "FileContents.h"
#include "GtopoTiles.h"
#include "PngFiles.h"
#include "RunCommand.h"
#include "ShorelineFile.h"
#include "TempDir.h"

namespace terrafold_test {

// The corner at pixel (x, y) of the raster, 15 pixels a degree, in whole micro-degrees.
inline ShorelinePoint Pixel(int x, int y) {
    return {std::int32_t((std::int64_t(x) * 1'000'000) / 15 - 180'000'000),
            std::int32_t(90'000'000 - (std::int64_t(y) * 1'000'000) / 15)};
}

// A fresh user: own home, own settings, own working folder.
class FreshUserBatch : public ::testing::Test {
protected:
    CommandResult Run(const std::string& arguments) {
        return RunCommand("cd " + Quoted(work.Path()) + " && HOME=" + Quoted(home.Path()) +
                          " XDG_CONFIG_HOME=" + Quoted(config.Path()) + " " +
                          Quoted(std::string(VARNHOLT_BIN_DIR) + "/terrafold") + " --batch " +
                          arguments);
    }
    std::string Settings() const {
        return ReadText((config.Path() / "Varnholt" / "terrafold.conf").string());
    }

    TempDir home;
    TempDir config;
    TempDir work;
    TempDir data;
};

}  // namespace terrafold_test
