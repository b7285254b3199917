#pragma once
// Land and sea of a global grid from a shoreline file: a cell is land exactly when its centre
// lies inside a level-1 polygon by the even-odd rule. The grid's column 0 starts at 180° W and
// row 0 at 90° N. Polygons are kept on a lattice eight times finer than the cells, so a
// whole-world mask never exists: rows are filled on demand, a strip at a time.
#include <cstdint>
#include <string>
#include <vector>

#include "Geometry.h"

class ShorelineLandMask {
public:
    // Reads the level-1 polygons; throws when the file cannot be opened or read.
    ShorelineLandMask(const std::string& path, int cellsPerDegree);

    int Columns() const { return 360 * cellsPerDegree_; }
    std::size_t PolygonCount() const { return rings_.size(); }
    // mask[(row - firstRow) × Columns() + column] becomes 1 for land and 0 for sea.
    void FillRows(int firstRow, int rows, std::uint8_t* mask) const;

private:
    struct Ring {
        std::vector<Point> points;  // lattice coordinates, shifted so the westmost x is >= 0
        int top = 0;
        int bottom = 0;
        bool crossesEastEdge = false;
    };

    int cellsPerDegree_;
    std::vector<Ring> rings_;
};
