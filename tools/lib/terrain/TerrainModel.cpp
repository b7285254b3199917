#include "TerrainModel.h"

#include <algorithm>
#include <cmath>
#include <thread>
#include <utility>

#include "GeoRing.h"
#include "ValueNoise.h"

namespace {

constexpr double kKmPerDegree = 111.19508;  // along a meridian of the 6371 km sphere
constexpr float kFarKm = 20000;

double SmoothStep(double edge0, double edge1, double value) {
    double t = std::clamp((value - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

std::uint64_t DeriveSeed(std::uint64_t seed, std::uint64_t stream) {
    std::uint64_t value = seed * 0x9E3779B97F4A7C15ull + stream * 0xD1B54A32D192ED03ull;
    value = (value ^ (value >> 31)) * 0xBF58476D1CE4E5B9ull;
    return value ^ (value >> 29);
}

template <typename Work>
void ForRows(int rows, int threads, Work work) {
    threads = std::clamp(threads, 1, 64);
    std::vector<std::jthread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([=] {
            for (int row = t; row < rows; row += threads) work(row);
        });
    }
}

// Cells row by row; columns wrap round the globe, rows stop at the poles.
struct CellGrid {
    int columns;
    int rows;
    std::size_t At(int column, int row) const {
        return static_cast<std::size_t>(row) * columns + column;
    }
    int West(int column) const { return (column + columns - 1) % columns; }
    int East(int column) const { return (column + 1) % columns; }
};

// A cell that differs from a neighbour lies on the coast: distance zero.
void MarkCoasts(const CellGrid& grid, const std::vector<std::uint8_t>& land,
                std::vector<float>& distance) {
    for (int row = 0; row < grid.rows; ++row) {
        for (int column = 0; column < grid.columns; ++column) {
            std::uint8_t here = land[grid.At(column, row)];
            bool coast = land[grid.At(grid.East(column), row)] != here ||
                         land[grid.At(grid.West(column), row)] != here ||
                         (row > 0 && land[grid.At(column, row - 1)] != here) ||
                         (row + 1 < grid.rows && land[grid.At(column, row + 1)] != here);
            if (coast) distance[grid.At(column, row)] = 0;
        }
    }
}

// Kilometres from a cell to its neighbours: north-south is the same everywhere, east-west and
// diagonal shrink with the row's latitude.
struct ChamferSteps {
    float northSouth;
    std::vector<float> eastWestOfRow;
    std::vector<float> diagonalOfRow;
};

ChamferSteps ChamferStepsFor(const CellGrid& grid, int cellsPerDegree) {
    const double northSouthKm = kKmPerDegree / cellsPerDegree;
    ChamferSteps steps{static_cast<float>(northSouthKm), std::vector<float>(grid.rows),
                       std::vector<float>(grid.rows)};
    for (int row = 0; row < grid.rows; ++row) {
        double lat = 90 - (row + 0.5) / cellsPerDegree;
        double eastWestKm = northSouthKm * std::cos(lat * 3.14159265358979323846 / 180);
        steps.eastWestOfRow[row] = static_cast<float>(eastWestKm);
        steps.diagonalOfRow[row] = static_cast<float>(std::hypot(eastWestKm, northSouthKm));
    }
    return steps;
}

void SweepForward(const CellGrid& grid, const ChamferSteps& steps, std::vector<float>& distance) {
    for (int row = 0; row < grid.rows; ++row) {
        float eastWest = steps.eastWestOfRow[row];
        float diagonal = steps.diagonalOfRow[row];
        for (int column = 0; column < grid.columns; ++column) {
            float& km = distance[grid.At(column, row)];
            int west = grid.West(column);
            km = std::min(km, distance[grid.At(west, row)] + eastWest);
            if (row > 0) {
                int east = grid.East(column);
                km = std::min({km, distance[grid.At(column, row - 1)] + steps.northSouth,
                               distance[grid.At(west, row - 1)] + diagonal,
                               distance[grid.At(east, row - 1)] + diagonal});
            }
        }
    }
}

void SweepBackward(const CellGrid& grid, const ChamferSteps& steps, std::vector<float>& distance) {
    for (int row = grid.rows - 1; row >= 0; --row) {
        float eastWest = steps.eastWestOfRow[row];
        float diagonal = steps.diagonalOfRow[row];
        for (int column = grid.columns - 1; column >= 0; --column) {
            float& km = distance[grid.At(column, row)];
            int east = grid.East(column);
            km = std::min(km, distance[grid.At(east, row)] + eastWest);
            if (row + 1 < grid.rows) {
                int west = grid.West(column);
                km = std::min({km, distance[grid.At(column, row + 1)] + steps.northSouth,
                               distance[grid.At(west, row + 1)] + diagonal,
                               distance[grid.At(east, row + 1)] + diagonal});
            }
        }
    }
}

}  // namespace

TerrainModel::TerrainModel(const std::vector<ClassicPolygon>& shore, std::uint64_t seed,
                           int cellsPerDegree, int threads)
    : cellsPerDegree_(std::clamp(cellsPerDegree, 1, 60)),
      columns_(360 * cellsPerDegree_),
      rows_(180 * cellsPerDegree_),
      land_(static_cast<std::size_t>(columns_) * rows_, 0) {
    Rasterise(shore);
    ComputeRelief(CoastDistanceKm(), seed, threads);
}

void TerrainModel::Rasterise(const std::vector<ClassicPolygon>& shore) {
    const double scale = cellsPerDegree_ / 1e6;
    std::vector<std::pair<int, double>> crossings;  // (row, column coordinate)
    for (const ClassicPolygon& polygon : shore) {
        if (polygon.level != 1) continue;
        GeoRing ring = UnwrapRing(polygon.points).points;
        if (ring.size() < 3) continue;
        crossings.clear();
        for (std::size_t i = 0; i < ring.size(); ++i) {
            GeoPoint from = ring[i];
            GeoPoint to = ring[(i + 1) % ring.size()];
            double fromX = static_cast<double>(from.lon + kHalfTurn) * scale;
            double fromY = static_cast<double>(kPoleLat - from.lat) * scale;
            double toX = static_cast<double>(to.lon + kHalfTurn) * scale;
            double toY = static_cast<double>(kPoleLat - to.lat) * scale;
            if (fromY == toY) continue;
            // Rows whose centre y = row + 0.5 lies in [min(y), max(y)).
            int firstRow = std::max(0, static_cast<int>(std::ceil(std::min(fromY, toY) - 0.5)));
            int endRow = std::min(rows_, static_cast<int>(std::ceil(std::max(fromY, toY) - 0.5)));
            for (int row = firstRow; row < endRow; ++row) {
                double y = row + 0.5;
                crossings.emplace_back(row, fromX + (y - fromY) * (toX - fromX) / (toY - fromY));
            }
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
            if (crossings[i].first != crossings[i + 1].first) {
                --i;  // an unpaired crossing (a damaged ring): resynchronise on the next row
                continue;
            }
            int row = crossings[i].first;
            // Cells whose centre x = column + 0.5 lies in [x0, x1).
            auto first = static_cast<long long>(std::ceil(crossings[i].second - 0.5));
            auto end = static_cast<long long>(std::ceil(crossings[i + 1].second - 0.5));
            end = std::min(end, first + columns_);
            std::uint8_t* cells = land_.data() + static_cast<std::size_t>(row) * columns_;
            for (long long column = first; column < end; ++column) {
                long long wrapped = column % columns_;
                cells[wrapped < 0 ? wrapped + columns_ : wrapped] ^= 1;
            }
        }
    }
}

std::vector<float> TerrainModel::CoastDistanceKm() const {
    const CellGrid grid{columns_, rows_};
    std::vector<float> distance(land_.size(), kFarKm);
    MarkCoasts(grid, land_, distance);
    const ChamferSteps steps = ChamferStepsFor(grid, cellsPerDegree_);
    // Two-pass chamfer transform; run twice so distances also travel across the 180th
    // meridian, where the row sweeps wrap round.
    for (int round = 0; round < 2; ++round) {
        SweepForward(grid, steps, distance);
        SweepBackward(grid, steps, distance);
    }
    return distance;
}

void TerrainModel::ComputeRelief(const std::vector<float>& coastKm, std::uint64_t seed,
                                 int threads) {
    relief_.assign(land_.size(), 0);
    const ValueNoise hills(DeriveSeed(seed, 1));
    const ValueNoise belts(DeriveSeed(seed, 2));
    const ValueNoise ridges(DeriveSeed(seed, 3));
    const ValueNoise plateaus(DeriveSeed(seed, 4));
    const ValueNoise seaFloor(DeriveSeed(seed, 5));
    const ValueNoise oceanRidges(DeriveSeed(seed, 6));
    ForRows(rows_, threads, [&](int row) {
        double lat = 90 - (row + 0.5) / cellsPerDegree_;
        for (int column = 0; column < columns_; ++column) {
            std::size_t cell = static_cast<std::size_t>(row) * columns_ + column;
            double lon = -180 + (column + 0.5) / cellsPerDegree_;
            SpherePoint p = OnUnitSphere(lon, lat);
            double km = coastKm[cell];
            double height;
            if (land_[cell]) {
                double lowland = 8 + 240 * (1 - std::exp(-km / 350));
                double rolling =
                    160 * std::max(0.0, hills.Fractal(p, 40, 3) + 0.15) * SmoothStep(0, 40, km);
                double belt = SmoothStep(-0.05, 0.25, belts.Fractal(p, 2.2, 3));
                double mountains = 0;
                if (belt > 0) {
                    double crest = ridges.Ridged(p, 10, 4);
                    mountains = 5600 * belt * crest * crest * crest * SmoothStep(10, 160, km);
                }
                double plateau = 800 * SmoothStep(0.15, 0.45, plateaus.Fractal(p, 3, 2)) *
                                 SmoothStep(40, 400, km);
                double iceSheet = lat < -60 ? 3000 * SmoothStep(0, 700, km) : 0;
                height = lowland + rolling + mountains + plateau + iceSheet;
            } else {
                // The sea floor is never drawn by the programs, only its depth sign matters to
                // them, so it gets fewer octaves than the land.
                double shelf = 30 + 170 * SmoothStep(0, 60, km);
                double abyss = (3700 + 800 * seaFloor.Fractal(p, 6, 2)) * SmoothStep(40, 350, km);
                double ridge = 0;
                if (km > 300) {
                    double crest = oceanRidges.Ridged(p, 5, 1);
                    crest *= crest;
                    ridge = 1800 * crest * crest * SmoothStep(300, 900, km);
                }
                height = -(shelf + abyss - ridge);
            }
            relief_[cell] = static_cast<float>(height);
        }
    });
}

bool TerrainModel::IsLand(double lonDeg, double latDeg) const {
    auto column = static_cast<long long>(std::floor((lonDeg + 180) * cellsPerDegree_)) % columns_;
    if (column < 0) column += columns_;
    int row =
        std::clamp(static_cast<int>(std::floor((90 - latDeg) * cellsPerDegree_)), 0, rows_ - 1);
    return LandCell(static_cast<int>(column), row);
}

double TerrainModel::Height(double lonDeg, double latDeg) const {
    float height = 0;
    std::uint8_t land = 0;
    SampleRow(latDeg, lonDeg, 0, 1, &height, &land);
    return height;
}

void TerrainModel::SampleRow(double latDeg, double firstLonDeg, double stepLonDeg, int count,
                             float* heights, std::uint8_t* land) const {
    const double cells = cellsPerDegree_;
    int landRow = std::clamp(static_cast<int>(std::floor((90 - latDeg) * cells)), 0, rows_ - 1);
    double y = std::clamp((90 - latDeg) * cells - 0.5, 0.0, rows_ - 1.0);
    int upper = std::min(static_cast<int>(y), rows_ - 1);
    int lower = std::min(upper + 1, rows_ - 1);
    auto ty = static_cast<float>(y - upper);
    const float* upperRow = relief_.data() + static_cast<std::size_t>(upper) * columns_;
    const float* lowerRow = relief_.data() + static_cast<std::size_t>(lower) * columns_;
    const std::uint8_t* landCells = land_.data() + static_cast<std::size_t>(landRow) * columns_;
    // Positions in cells, kept in [0, columns) by stepping instead of dividing per sample.
    double start = std::fmod((firstLonDeg + 180) * cells, static_cast<double>(columns_));
    if (start < 0) start += columns_;
    const double step = stepLonDeg * cells;
    for (int i = 0; i < count; ++i) {
        double x = start + i * step;
        while (x >= columns_) x -= columns_;
        auto landColumn = static_cast<int>(x);
        double fx = x - 0.5;
        int west = fx < 0 ? columns_ - 1 : static_cast<int>(fx);
        auto tx = static_cast<float>(fx < 0 ? fx + 1 : fx - west);
        int east = west + 1 == columns_ ? 0 : west + 1;
        float top = upperRow[west] + (upperRow[east] - upperRow[west]) * tx;
        float bottom = lowerRow[west] + (lowerRow[east] - lowerRow[west]) * tx;
        float height = top + (bottom - top) * ty;
        bool isLand = landCells[landColumn] != 0;
        heights[i] = isLand ? std::max(height, 1.0f) : std::min(height, -1.0f);
        land[i] = isLand ? 1 : 0;
    }
}
