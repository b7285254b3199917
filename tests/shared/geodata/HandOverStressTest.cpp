// Each hand-over between threads run many times with random pauses where the threads meet, and
// compared with the one-thread path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "GSHHSdata.h"
#include "HandOverPauses.h"
#include "ShorelineFile.h"
#include "ShorelineReadAhead.h"
#include "TempDir.h"

namespace {

struct ShorelineEvents {
    std::vector<std::int32_t> polygonIds;
    std::vector<std::int32_t> indices;
    std::vector<Point> pixels;
    std::vector<PointF> positions;
    std::vector<std::size_t> polygonSizes;
    bool operator==(const ShorelineEvents&) const = default;
};

ShorelineEvents Read(const std::string& path, bool ahead) {
    ShorelineEvents events;
    ShorelineCallbacks callbacks;
    callbacks.Select = [](const TGSHHSHeader& header) { return header.Id % 5 != 3; };
    callbacks.OnPoint = [&](const TGSHHSHeader&, std::int32_t index, Point pixel, PointF at) {
        events.indices.push_back(index);
        events.pixels.push_back(pixel);
        events.positions.push_back(at);
    };
    callbacks.OnPolygon = [&](const TGSHHSHeader& header, const std::vector<Point>& pixels) {
        events.polygonIds.push_back(header.Id);
        events.polygonSizes.push_back(pixels.size());
    };
    if (ahead)
        ReadShorelinesAhead(path, 3600, 1800, LongitudeWrap::Once, callbacks);
    else
        ReadShorelines(path, 3600, 1800, LongitudeWrap::Once, callbacks);
    return events;
}

TEST(HandOverStress, ShorelinesReadAheadAreTheShorelinesReadInTurn) {
    // Polygons from a few points to longer than a batch, some skipped, enough for many batches.
    ShorelineFile file;
    unsigned seed = 5;
    for (int id = 0; id < 40; ++id) {
        const int points = id == 7 ? 70000 : int(seed % 4000) + 3;
        file.Polygon(points, 1 + id % 2, 30000, id);
        for (int i = 0; i < points; ++i) {
            seed = seed * 1103515245u + 12345u;
            file.Point(std::int32_t(seed % 360'000'000) - 180'000'000,
                       std::int32_t((seed >> 3) % 180'000'000) - 90'000'000);
        }
    }
    TempDir folder;
    const std::string path = folder / "shore.b";
    file.WriteTo(path);
    const ShorelineEvents inTurn = Read(path, false);
    ASSERT_GT(inTurn.pixels.size(), 100000u);

    RandomHandOverPauses pauses;
    for (int run = 0, runs = StressRuns(4, 0.05); run < runs; ++run)
        ASSERT_TRUE(Read(path, true) == inTurn) << "run " << run;
}

}  // namespace
