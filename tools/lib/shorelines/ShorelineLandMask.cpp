#include "ShorelineLandMask.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "Errors.h"
#include "GSHHSdata.h"
#include "PolygonFill.h"

namespace {

// Lattice steps a cell: vertices move by at most 1/16 of a cell (about 60 m at 30″).
constexpr int kFine = 8;
constexpr std::int64_t kMicro = 1'000'000;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

// Cell centres fall on multiples of kFine.
int Lattice(std::int64_t microDegreesFromEdge, int cellsPerDegree) {
    std::int64_t scaled = microDegreesFromEdge * cellsPerDegree * kFine;
    return static_cast<int>(FloorDiv(scaled + kMicro / 2, kMicro) - kFine / 2);
}

}  // namespace

ShorelineLandMask::ShorelineLandMask(const std::string& path, int cellsPerDegree)
    : cellsPerDegree_(std::clamp(cellsPerDegree, 1, 240)) {
    const int width = 360 * cellsPerDegree_ * kFine;
    ShorelineReader reader(path);
    TGSHHSHeader header;
    TGSHHSPoint point;
    while (reader.ReadHeader(header)) {
        if (header.Level != 1) {
            reader.SkipPoints(header);
            continue;
        }
        Ring ring;
        ring.points.reserve(reader.StorablePoints(header));
        int west = std::numeric_limits<int>::max();
        int east = std::numeric_limits<int>::min();
        ring.top = std::numeric_limits<int>::max();
        ring.bottom = std::numeric_limits<int>::min();
        for (std::int32_t i = 0; i < header.NumPoints && reader.ReadPoint(point); ++i) {
            // Bounded so that no multiple of a turn overflows; real files stay within -180..360.
            std::int64_t lon = std::clamp<std::int64_t>(point.Lon, -720 * kMicro, 720 * kMicro);
            std::int64_t lat = std::clamp<std::int64_t>(point.Lat, -90 * kMicro, 90 * kMicro);
            Point p{Lattice(lon + 180 * kMicro, cellsPerDegree_),
                    Lattice(90 * kMicro - lat, cellsPerDegree_)};
            west = std::min(west, p.x);
            east = std::max(east, p.x);
            ring.top = std::min(ring.top, p.y);
            ring.bottom = std::max(ring.bottom, p.y);
            ring.points.push_back(p);
        }
        if (ring.points.size() < 3) continue;
        // Longitudes run on past the 180th meridian (0..360 or beyond): bring the ring's west
        // end into the grid and fill its overhang again one turn to the west.
        int shift = static_cast<int>(-FloorDiv(west, width) * width);
        for (Point& p : ring.points) p.x += shift;
        ring.crossesEastEdge = east + shift > width;
        rings_.push_back(std::move(ring));
    }
}

void ShorelineLandMask::FillRows(int firstRow, int rows, std::uint8_t* mask) const {
    const int columns = Columns();
    const int width = columns * kFine;
    std::memset(mask, 0, static_cast<std::size_t>(rows) * columns);
    if (rows <= 0) return;
    const int top = firstRow * kFine;
    const int height = (rows - 1) * kFine + 1;  // through the centre line of the last row
    std::vector<Point> moved;
    auto emit = [&](int y, int left, int right) {
        if (y % kFine != 0) return;
        // Cells whose centre x = column × kFine lies in [left, right).
        int first = (left + kFine - 1) / kFine;
        int end = (right + kFine - 1) / kFine;
        if (first < end) {
            std::memset(mask + static_cast<std::size_t>(y / kFine) * columns + first, 1,
                        static_cast<std::size_t>(end - first));
        }
    };
    for (const Ring& ring : rings_) {
        if (ring.bottom < top || ring.top >= top + height) continue;
        for (int turn = 0; turn <= (ring.crossesEastEdge ? 1 : 0); ++turn) {
            moved.resize(ring.points.size());
            std::transform(ring.points.begin(), ring.points.end(), moved.begin(), [&](Point p) {
                return Point{p.x - turn * width, p.y - top};
            });
            ForEachEvenOddSpan(moved, width, height, emit);
        }
    }
}
