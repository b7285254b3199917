#pragma once
// A synthetic, seeded world relief that follows real coastlines.
//
// Land is where the level-1 polygons of a shoreline file are, rasterised once (even-odd, by
// cell centres) onto a grid of `cellsPerDegree` cells a degree, column 0 at 180° W and row 0
// at 90° N. Heights in metres are made on the same grid from the distance to the coast and
// seeded noise: lowlands rising inland, mountain ranges in belts, an ice sheet on Antarctica,
// and in the sea a shelf falling to abyssal depths. Lookups between cell centres are
// bilinear; land is never below 1 m and sea never above -1 m. The same shorelines, seed and
// resolution always give the same heights, whatever the number of threads.
#include <cstdint>
#include <vector>

#include "ClassicShoreline.h"

class TerrainModel {
public:
    TerrainModel(const std::vector<ClassicPolygon>& shore, std::uint64_t seed,
                 int cellsPerDegree = 15, int threads = 2);

    int Columns() const { return columns_; }
    int Rows() const { return rows_; }
    bool LandCell(int column, int row) const {
        return land_[static_cast<std::size_t>(row) * columns_ + column] != 0;
    }

    bool IsLand(double lonDeg, double latDeg) const;
    double Height(double lonDeg, double latDeg) const;

    // Heights along one parallel at longitudes firstLon + i × stepLon (stepLon >= 0), and
    // whether each is land; the vertical interpolation is shared by the whole row.
    void SampleRow(double latDeg, double firstLonDeg, double stepLonDeg, int count, float* heights,
                   std::uint8_t* land) const;

private:
    void Rasterise(const std::vector<ClassicPolygon>& shore);
    std::vector<float> CoastDistanceKm() const;
    void ComputeRelief(const std::vector<float>& coastKm, std::uint64_t seed, int threads);

    int cellsPerDegree_;
    int columns_;
    int rows_;
    std::vector<std::uint8_t> land_;
    std::vector<float> relief_;
};
