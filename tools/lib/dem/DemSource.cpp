#include "DemSource.h"

#include <cpl_conv.h>
#include <cpl_string.h>
#include <gdal.h>
#include <gdal_alg.h>
#include <gdal_utils.h>
#include <ogr_srs_api.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <vector>

#include "Errors.h"

namespace {

// GDAL reports through a global handler; inside a call of ours it only records the message,
// which we then put into our own error naming the file.
class QuietGdal {
public:
    QuietGdal() {
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
    }
    ~QuietGdal() { CPLPopErrorHandler(); }
    QuietGdal(const QuietGdal&) = delete;
    QuietGdal& operator=(const QuietGdal&) = delete;

    static std::string Reason(const char* fallback) {
        const char* message = CPLGetLastErrorMsg();
        return message && *message ? message : fallback;
    }
};

struct DatasetCloser {
    void operator()(void* dataset) const {
        if (dataset) GDALClose(static_cast<GDALDatasetH>(dataset));
    }
};
using Dataset = std::unique_ptr<void, DatasetCloser>;

// argv-style option lists as GDAL's utilities take them.
class Arguments {
public:
    Arguments(std::initializer_list<std::string> items) : items_(items) {}
    char** Argv() {
        pointers_.clear();
        for (std::string& item : items_) pointers_.push_back(item.data());
        pointers_.push_back(nullptr);
        return pointers_.data();
    }

private:
    std::vector<std::string> items_;
    std::vector<char*> pointers_;
};

std::string Wgs84Wkt() {
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    OSRSetWellKnownGeogCS(srs, "WGS84");
    char* text = nullptr;
    OSRExportToWkt(srs, &text);
    std::string wkt = text ? text : "";
    CPLFree(text);
    OSRDestroySpatialReference(srs);
    return wkt;
}

// Every corner at a finite place and cells with an area. GDAL's transformer would otherwise
// work on infinities and not-a-numbers, and for some systems never return.
bool PlacesCells(const double g[6], int columns, int rows) {
    const double determinant = g[1] * g[5] - g[2] * g[4];
    if (!std::isfinite(determinant) || determinant == 0) return false;
    for (const double column : {0.0, double(columns)}) {
        for (const double row : {0.0, double(rows)}) {
            if (!std::isfinite(g[0] + column * g[1] + row * g[2]) ||
                !std::isfinite(g[3] + column * g[4] + row * g[5]))
                return false;
        }
    }
    return true;
}

// A global 3" raster has 9.3 × 10^10 cells; reading many more would take the warper many hours,
// more than anyone waits for. GDAL reads an overview instead where the raster has one.
constexpr double kMostCells = 1e11;

double FewestCells(GDALRasterBandH band) {
    double fewest = double(GDALGetRasterBandXSize(band)) * GDALGetRasterBandYSize(band);
    for (int level = 0; level < GDALGetOverviewCount(band); ++level) {
        GDALRasterBandH overview = GDALGetOverview(band, level);
        if (overview)
            fewest = std::min(fewest, double(GDALGetRasterBandXSize(overview)) *
                                          GDALGetRasterBandYSize(overview));
    }
    return fewest;
}

const char* ResamplingArgument(Resampling resampling) {
    switch (resampling) {
        case Resampling::Nearest:
            return "near";
        case Resampling::Bilinear:
            return "bilinear";
        case Resampling::Average:
            break;
    }
    return "average";
}

}  // namespace

struct DemSource::Handles {
    Dataset file;
    Dataset firstBand;  // a virtual raster of band 1 when the file has several bands
    GDALDatasetH Source() const {
        return static_cast<GDALDatasetH>(firstBand ? firstBand.get() : file.get());
    }
};

std::optional<Resampling> ResamplingNamed(const std::string& name) {
    if (name == "average") return Resampling::Average;
    if (name == "nearest") return Resampling::Nearest;
    if (name == "bilinear") return Resampling::Bilinear;
    return std::nullopt;
}

void PrepareGdal(long long cacheBytes) {
    GDALAllRegister();
    GDALSetCacheMax64(cacheBytes);
}

DemSource::DemSource(std::string path)
    : path_(std::move(path)), handles_(std::make_unique<Handles>()) {
    std::error_code error;
    // Plain files get the system's reason; GDAL also opens names that are no files
    // (NETCDF:"file":variable, /vsizip/...), which it judges itself.
    if (std::filesystem::is_directory(path_, error)) {
        throw EFOpenError("Cannot open file: " + path_ + ": it is a folder");
    }
    if (std::filesystem::exists(path_, error) && ::access(path_.c_str(), R_OK) != 0) {
        throw EFOpenError("Cannot open file: " + path_ + ": " + std::strerror(errno));
    }
    QuietGdal quiet;
    handles_->file.reset(
        GDALOpenEx(path_.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
    if (!handles_->file) {
        throw EFOpenError("Cannot open file: " + path_ + ": " +
                          QuietGdal::Reason("not a raster format GDAL reads"));
    }
    auto dataset = static_cast<GDALDatasetH>(handles_->file.get());
    if (GDALGetRasterCount(dataset) == 0) {
        std::string message = "Cannot open file: " + path_ + ": it holds no raster band";
        char** subdatasets = GDALGetMetadata(dataset, "SUBDATASETS");
        const char* first = CSLFetchNameValue(subdatasets, "SUBDATASET_1_NAME");
        if (first) message += std::string("; name one of its variables, e.g. ") + first;
        throw VarnholtError(message);
    }
    double transform[6];
    bool georeferenced =
        GDALGetGeoTransform(dataset, transform) == CE_None || GDALGetGCPCount(dataset) > 0;
    OGRSpatialReferenceH srs = GDALGetSpatialRef(dataset);
    if (!srs && GDALGetGCPCount(dataset) > 0) srs = GDALGetGCPSpatialRef(dataset);
    if (!georeferenced || !srs) {
        throw VarnholtError("Cannot use " + path_ +
                            ": it has no coordinate system, so its cells cannot be placed on the "
                            "world");
    }
    if (GDALGetGCPCount(dataset) == 0 &&
        !PlacesCells(transform, GDALGetRasterXSize(dataset), GDALGetRasterYSize(dataset))) {
        throw VarnholtError("Cannot use " + path_ +
                            ": its geotransform does not place its cells (a term is not a "
                            "number, the corners lie beyond any coordinate, or the cells have "
                            "no area)");
    }
    if (GDALGetRasterCount(dataset) > 1) {
        Arguments arguments{"-of", "VRT", "-b", "1"};
        GDALTranslateOptions* options = GDALTranslateOptionsNew(arguments.Argv(), nullptr);
        handles_->firstBand.reset(GDALTranslate("", dataset, options, nullptr));
        GDALTranslateOptionsFree(options);
        if (!handles_->firstBand) {
            throw VarnholtError("Cannot read " + path_ + ": " + QuietGdal::Reason("band 1"));
        }
    }
    GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
    if (FewestCells(band) > kMostCells) {
        throw VarnholtError("Cannot use " + path_ + ": its " +
                            std::to_string(GDALGetRasterXSize(dataset)) + " x " +
                            std::to_string(GDALGetRasterYSize(dataset)) +
                            " cells are more than the importer reads (10^11); give it overviews "
                            "(gdaladdo) or resample it first (gdalwarp -tr)");
    }
    int hasScale = 0;
    int hasOffset = 0;
    double scale = GDALGetRasterScale(band, &hasScale);
    double offset = GDALGetRasterOffset(band, &hasOffset);
    if (hasScale && scale != 0) scale_ = scale;
    if (hasOffset) offset_ = offset;
}

DemSource::~DemSource() = default;

LonLatExtent DemSource::Coverage() const {
    QuietGdal quiet;
    const std::string dstOption = "DST_SRS=" + Wgs84Wkt();
    const char* options[] = {dstOption.c_str(), nullptr};
    void* transformer =
        GDALCreateGenImgProjTransformer2(handles_->Source(), nullptr, const_cast<char**>(options));
    if (!transformer) {
        throw VarnholtError("Cannot place " + path_ +
                            " on the world: " + QuietGdal::Reason("no transformation to WGS 84"));
    }
    // The extent of a reprojected raster lies on its outline, but a pole or the antimeridian
    // inside it may not: sample a lattice over the whole raster, outline included.
    constexpr int kSteps = 64;
    const double columns = GDALGetRasterXSize(handles_->Source());
    const double rows = GDALGetRasterYSize(handles_->Source());
    std::vector<double> x;
    std::vector<double> y;
    for (int i = 0; i <= kSteps; ++i) {
        for (int j = 0; j <= kSteps; ++j) {
            x.push_back(columns * i / kSteps);
            y.push_back(rows * j / kSteps);
        }
    }
    std::vector<double> z(x.size(), 0);
    std::vector<int> placed(x.size(), 0);
    GDALGenImgProjTransform(transformer, FALSE, static_cast<int>(x.size()), x.data(), y.data(),
                            z.data(), placed.data());
    GDALDestroyGenImgProjTransformer(transformer);
    LonLatExtent extent{std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
                        std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()};
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (!placed[i]) continue;
        extent.west = std::min(extent.west, x[i]);
        extent.east = std::max(extent.east, x[i]);
        extent.south = std::min(extent.south, y[i]);
        extent.north = std::max(extent.north, y[i]);
    }
    if (extent.west > extent.east) {
        throw VarnholtError("Cannot place " + path_ +
                            " on the world: " + QuietGdal::Reason("no cell transforms to WGS 84"));
    }
    return extent;
}

void DemSource::Warp(const GeoGrid& grid, int firstRow, int rows, Resampling resampling,
                     float* out) const {
    const std::size_t cells = static_cast<std::size_t>(grid.columns) * rows;
    std::fill(out, out + cells, std::numeric_limits<float>::quiet_NaN());
    QuietGdal quiet;
    GDALDriverH memory = GDALGetDriverByName("MEM");
    if (!memory) throw VarnholtError("GDAL was built without its in-memory raster driver");
    Dataset strip(GDALCreate(memory, "", grid.columns, rows, 0, GDT_Float32, nullptr));
    if (!strip) throw VarnholtError("Cannot resample " + path_ + ": " + QuietGdal::Reason("?"));
    auto target = static_cast<GDALDatasetH>(strip.get());
    // The strip's own buffer is the raster, so nothing is copied.
    char pointer[64];
    std::snprintf(pointer, sizeof pointer, "DATAPOINTER=%" PRIuPTR,
                  reinterpret_cast<std::uintptr_t>(out));
    const char* bandOptions[] = {pointer, nullptr};
    GDALAddBand(target, GDT_Float32, const_cast<char**>(bandOptions));
    double transform[6] = {grid.west, grid.cellDegrees, 0, grid.north - firstRow * grid.cellDegrees,
                           0,         -grid.cellDegrees};
    GDALSetGeoTransform(target, transform);
    GDALSetProjection(target, Wgs84Wkt().c_str());
    GDALSetRasterNoDataValue(GDALGetRasterBand(target, 1),
                             std::numeric_limits<double>::quiet_NaN());

    Arguments arguments{
        "-r",  ResamplingArgument(resampling), "-wt", "Float32",          "-wm", "128",
        "-wo", "NUM_THREADS=ALL_CPUS",         "-wo", "INIT_DEST=NO_DATA"};
    GDALWarpAppOptions* options = GDALWarpAppOptionsNew(arguments.Argv(), nullptr);
    GDALDatasetH source = handles_->Source();
    int usageError = 0;
    GDALDatasetH result = GDALWarp(nullptr, target, 1, &source, options, &usageError);
    GDALWarpAppOptionsFree(options);
    if (!result) {
        throw EInOutError("Cannot read " + path_ + ": " + QuietGdal::Reason("resampling failed"));
    }
    // An infinite height is no height: the warper passes it on (or makes one of it by scaling).
    for (std::size_t i = 0; i < cells; ++i) {
        if (scale_ != 1 || offset_ != 0) out[i] = static_cast<float>(out[i] * scale_ + offset_);
        if (std::isinf(out[i])) out[i] = std::numeric_limits<float>::quiet_NaN();
    }
}
