#pragma once
// An elevation raster in any format and coordinate system GDAL reads, resampled onto
// latitude/longitude grids on WGS 84 a strip of rows at a time, so that memory stays bounded
// whatever the size of the input.
#include <memory>
#include <optional>
#include <string>

enum class Resampling { Average, Nearest, Bilinear };

std::optional<Resampling> ResamplingNamed(const std::string& name);

// Cells of `cellDegrees` from (west, north), rows running south.
struct GeoGrid {
    double west = -180;
    double north = 90;
    double cellDegrees = 1.0 / 120;
    int columns = 43200;
    int rows = 21600;
};

struct LonLatExtent {
    double west = -180;
    double east = 180;
    double south = -90;
    double north = 90;
};

// Registers GDAL's formats and bounds its block cache; call once before opening.
void PrepareGdal(long long cacheBytes);

class DemSource {
public:
    // Throws VarnholtError naming the file when it cannot be opened, is no raster, or has no
    // coordinate system.
    explicit DemSource(std::string path);
    ~DemSource();
    DemSource(const DemSource&) = delete;
    DemSource& operator=(const DemSource&) = delete;

    const std::string& Path() const { return path_; }
    // The part of the world the raster covers, in degrees.
    LonLatExtent Coverage() const;
    // Heights in metres (scale and offset applied) of `rows` grid rows from `firstRow`, row after
    // row into out[columns × rows]; NaN where the input has no data.
    void Warp(const GeoGrid& grid, int firstRow, int rows, Resampling resampling, float* out) const;

private:
    struct Handles;
    std::string path_;
    std::unique_ptr<Handles> handles_;
    double scale_ = 1;
    double offset_ = 0;
};
