// The importer's source checks and resampling on small rasters that the input describes: size,
// data type, geotransform (north-up, rotated, south-up, longitudes 0-360, or any numbers), no-data
// value, coordinate system (none, geographic, projected, or text from the input) and cells,
// written as a GeoTIFF into GDAL's in-memory file system. Opening must end in a clear error or a
// source; a source must give its coverage as numbers and resample onto a world grid, never a
// crash, a hang or a memory blow-up.
#include <cpl_conv.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "DemSource.h"
#include "Errors.h"

namespace {

constexpr const char* kPath = "/vsimem/fuzz_dem_source.tif";

void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_dem_source: %s\n", what);
    std::abort();
}

double AnyNumber(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 7)) {
        case 0:
            return std::numeric_limits<double>::quiet_NaN();
        case 1:
            return std::numeric_limits<double>::infinity();
        case 2:
            return -std::numeric_limits<double>::infinity();
        case 3:
            return 0;
    }
    return input.ConsumeFloatingPoint<double>();
}

void ChooseTransform(FuzzedDataProvider& input, int width, int height, double g[6]) {
    const double cell = input.ConsumeFloatingPointInRange<double>(1e-3, 30);
    switch (input.ConsumeIntegralInRange(0, 4)) {
        case 0:  // north up, anywhere
            g[0] = input.ConsumeFloatingPointInRange<double>(-200, 200);
            g[3] = input.ConsumeFloatingPointInRange<double>(-100, 100);
            g[1] = cell, g[5] = -cell, g[2] = g[4] = 0;
            return;
        case 1:  // south up
            g[0] = -180, g[3] = -90, g[1] = 360.0 / width, g[5] = 180.0 / height;
            g[2] = g[4] = 0;
            return;
        case 2:  // longitudes 0-360
            g[0] = 0, g[3] = 90, g[1] = 360.0 / width, g[5] = -180.0 / height;
            g[2] = g[4] = 0;
            return;
        case 3:  // rotated
            g[0] = input.ConsumeFloatingPointInRange<double>(-180, 180);
            g[3] = input.ConsumeFloatingPointInRange<double>(-90, 90);
            g[1] = cell, g[5] = -cell;
            g[2] = input.ConsumeFloatingPointInRange<double>(-cell, cell);
            g[4] = input.ConsumeFloatingPointInRange<double>(-cell, cell);
            return;
    }
    for (int i = 0; i < 6; ++i) g[i] = AnyNumber(input);
}

std::string ChooseSystem(FuzzedDataProvider& input) {
    int code = 0;
    switch (input.ConsumeIntegralInRange(0, 5)) {
        case 0:
            return "";
        case 1:
            code = 4326;
            break;
        case 2:
            code = 3857;
            break;
        case 3:
            code = 32633;
            break;
        case 4:
            code = 3031;  // polar stereographic: the pole inside the raster
            break;
        default:
            return input.ConsumeRandomLengthString(200);
    }
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    std::string wkt;
    if (OSRImportFromEPSG(srs, code) == OGRERR_NONE) {
        char* text = nullptr;
        OSRExportToWkt(srs, &text);
        if (text) wkt = text;
        CPLFree(text);
    }
    OSRDestroySpatialReference(srs);
    return wkt;
}

// Writes the raster; false when GDAL itself refuses to make it.
bool WriteRaster(FuzzedDataProvider& input) {
    const int width = input.ConsumeIntegralInRange(1, 48);
    const int height = input.ConsumeIntegralInRange(1, 48);
    const GDALDataType types[] = {GDT_Byte,  GDT_Int16,   GDT_UInt16,
                                  GDT_Int32, GDT_Float32, GDT_Float64};
    const GDALDataType type = types[input.ConsumeIntegralInRange(0, 5)];
    const int bands = input.ConsumeIntegralInRange(1, 2);
    GDALDatasetH memory =
        GDALCreate(GDALGetDriverByName("MEM"), "", width, height, bands, type, nullptr);
    if (!memory) return false;
    double g[6];
    ChooseTransform(input, width, height, g);
    if (input.ConsumeIntegralInRange(0, 7) != 0) GDALSetGeoTransform(memory, g);
    const std::string wkt = ChooseSystem(input);
    if (!wkt.empty()) GDALSetProjection(memory, wkt.c_str());
    GDALRasterBandH band = GDALGetRasterBand(memory, 1);
    if (input.ConsumeBool()) GDALSetRasterNoDataValue(band, AnyNumber(input));
    if (input.ConsumeIntegralInRange(0, 7) == 0) GDALSetRasterScale(band, AnyNumber(input));
    std::vector<double> cells(std::size_t(width) * height);
    for (double& cell : cells)
        cell = input.remaining_bytes() > 0
                   ? (input.ConsumeIntegralInRange(0, 15) == 0
                          ? AnyNumber(input)
                          : input.ConsumeFloatingPointInRange<double>(-12000, 9000))
                   : 0;
    CPLErr written = GDALRasterIO(band, GF_Write, 0, 0, width, height, cells.data(), width, height,
                                  GDT_Float64, 0, 0);
    GDALDatasetH file = written == CE_None
                            ? GDALCreateCopy(GDALGetDriverByName("GTiff"), kPath, memory, FALSE,
                                             nullptr, nullptr, nullptr)
                            : nullptr;
    GDALClose(memory);
    if (!file) return false;
    GDALClose(file);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool prepared = [] {
        PrepareGdal(16 << 20);
        CPLSetErrorHandler(CPLQuietErrorHandler);
        return true;
    }();
    (void)prepared;
    FuzzedDataProvider input(data, size);
    if (!WriteRaster(input)) return 0;
    try {
        DemSource source(kPath);
        const LonLatExtent extent = source.Coverage();
        for (double edge : {extent.west, extent.east, extent.south, extent.north})
            if (std::isnan(edge)) Fail("a coverage edge that is not a number");
        const GeoGrid grid{-180, 90, 5, 72, 36};
        std::vector<float> heights(std::size_t(grid.columns) * grid.rows);
        const Resampling resampling[] = {Resampling::Average, Resampling::Nearest,
                                         Resampling::Bilinear};
        source.Warp(grid, 0, grid.rows, resampling[size % 3], heights.data());
    } catch (const VarnholtError&) {
    }
    VSIUnlink(kPath);
    return 0;
}
