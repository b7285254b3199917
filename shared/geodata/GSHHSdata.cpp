#include "GSHHSdata.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ByteOrder.h"
#include "CpuClones.h"
#include "Errors.h"

namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;
// Points converted at a time: enough for the loop to vectorise, small enough to stay in cache.
constexpr std::size_t kPointBlock = 1024;

// The maps were made with the product in extended precision; in double it rounds to the same
// float for every 32-bit input (checked exhaustively), at a fraction of the cost.
[[gnu::always_inline]] inline float MicroDegreesToDegrees(std::int32_t microDegrees) {
    return static_cast<float>(static_cast<double>(microDegrees) * 0.000001);
}

// Garbage coordinates with a large bitmap must not overflow the conversion to int. Halves go
// to even as nearbyint takes them in the default rounding mode: adding 1.5 * 2^52 leaves no
// fraction bits, for any value within 2^51. Clamping first is the same as clamping the rounded
// value, the bounds being whole; unlike a library call, this vectorises.
[[gnu::always_inline]] inline int RoundToPixel(double value) {
    constexpr double kNoFraction = 0x1.8p52;
    return int((std::min(std::max(value, -1.0e9), 1.0e9) + kNoFraction) - kNoFraction);
}

[[gnu::always_inline]] inline Point RoundToPixel(PointF position) {
    return {RoundToPixel(position.x), RoundToPixel(position.y)};
}

// Once-wrapped positions; branch-free so that the loop over a block vectorises.
[[gnu::always_inline]] inline PointF GeoToPositionOnce(const TGSHHSPoint& point, double width,
                                                       double height) {
    float x = MicroDegreesToDegrees(point.Lon) + 180.0f;
    x -= x >= 360.0f ? 360.0f : 0.0f;
    const float latDeg = MicroDegreesToDegrees(point.Lat);
    // 90 - latDeg is exact in double; single precision would round it.
    return {width * double(x) / 360.0, height * (90.0 - double(latDeg)) / 180.0};
}

}  // namespace

TGSHHSHeader DecodeShorelineHeader(const std::uint8_t* bytes) {
    auto field = [bytes](int index) { return std::int32_t(LoadBigEndian32(bytes + 4 * index)); };
    return {field(0),
            field(1),
            field(2),
            field(3),
            field(4),
            field(5),
            field(6),
            LoadBigEndian32(bytes + 28),
            LoadBigEndianInt16(bytes + 32),
            LoadBigEndianInt16(bytes + 34)};
}

TGSHHSPoint DecodeShorelinePoint(const std::uint8_t* bytes) {
    return {std::int32_t(LoadBigEndian32(bytes)), std::int32_t(LoadBigEndian32(bytes + 4))};
}

// Byte swaps in whole vectors where the machine has AVX2.
VARNHOLT_AVX2_CLONES void DecodeShorelinePoints(const std::uint8_t* bytes,
                                                std::span<TGSHHSPoint> points) {
    for (std::size_t i = 0; i < points.size(); ++i)
        points[i] = {std::int32_t(LoadBigEndian32(bytes + i * kShorelinePointBytes)),
                     std::int32_t(LoadBigEndian32(bytes + i * kShorelinePointBytes + 4))};
}

void AppendShorelineHeader(std::string& out, const TGSHHSHeader& header) {
    for (std::int32_t field : {header.Id, header.NumPoints, header.Level, header.West, header.East,
                               header.South, header.North})
        AppendBigEndian32(out, std::uint32_t(field));
    AppendBigEndian32(out, header.Area);
    AppendBigEndian16(out, std::uint16_t(header.Greenwich));
    AppendBigEndian16(out, std::uint16_t(header.Source));
}

void AppendShorelinePoint(std::string& out, const TGSHHSPoint& point) {
    AppendBigEndian32(out, std::uint32_t(point.Lon));
    AppendBigEndian32(out, std::uint32_t(point.Lat));
}

ENotShorelineFile::ENotShorelineFile(const std::string& path)
    : VarnholtError(path + " is not a GSHHS shoreline file") {}

bool IsShorelineFileStart(const TGSHHSHeader& header, std::uint64_t fileSize) {
    constexpr std::int32_t kMicro = 1000000;
    auto longitude = [](std::int32_t value) {
        return value >= -180 * kMicro && value <= 360 * kMicro;
    };
    auto latitude = [](std::int32_t value) {
        return value >= -90 * kMicro && value <= 90 * kMicro;
    };
    const std::uint64_t firstRecord =
        kShorelineHeaderBytes + (header.NumPoints > 0 ? kShorelinePointBytes : 0);
    return header.Level >= 1 && header.Level <= 4 && longitude(header.West) &&
           longitude(header.East) && latitude(header.South) && latitude(header.North) &&
           header.South <= header.North && header.NumPoints >= 0 && firstRecord <= fileSize;
}

std::string ShorelineCutText(const std::string& path, std::size_t wholePolygons) {
    return path + ": shoreline file ends inside a record after " + std::to_string(wholePolygons) +
           " polygons";
}

PointF GeoToPosition(const TGSHHSPoint& point, int width, int height, LongitudeWrap wrap) {
    if (wrap == LongitudeWrap::Once) return GeoToPositionOnce(point, width, height);
    float x = MicroDegreesToDegrees(point.Lon) + 180.0f;
    while (x >= 360.0f) x -= 360.0f;  // at most a few turns: |Lon| < 2148 degrees
    const float latDeg = MicroDegreesToDegrees(point.Lat);
    return {double(width) * double(x) / 360.0, double(height) * (90.0 - double(latDeg)) / 180.0};
}

Point GeoToPixel(const TGSHHSPoint& point, int width, int height, LongitudeWrap wrap) {
    return RoundToPixel(GeoToPosition(point, width, height, wrap));
}

GeoTransform GeoToPixelTransform(int width, int height) {
    return GeoTransform::NorthUp({-180, 90}, 360.0 / width, 180.0 / height);
}

// Wider vectors where the machine has them: the same operations, so the same results.
VARNHOLT_AVX2_CLONES void GeoToPixels(std::span<const TGSHHSPoint> points,
                                      std::span<PointF> positions, std::span<Point> pixels,
                                      int width, int height, LongitudeWrap wrap) {
    const std::size_t count = std::min({points.size(), positions.size(), pixels.size()});
    if (wrap == LongitudeWrap::Once) {
        const double w = width, h = height;
        for (std::size_t i = 0; i < count; ++i) positions[i] = GeoToPositionOnce(points[i], w, h);
    } else {
        for (std::size_t i = 0; i < count; ++i)
            positions[i] = GeoToPosition(points[i], width, height, wrap);
    }
    for (std::size_t i = 0; i < count; ++i) pixels[i] = RoundToPixel(positions[i]);
}

// Non-blocking, or a named pipe without a writer would hold the open for ever; regular files
// read the same either way. Devices and pipes count as empty: /dev/zero would never end.
ShorelineReader::ShorelineReader(const std::string& path)
    : path_(path),
      file_(path, {.accept = ReadOnlyFile::Accept::AnythingButFolders, .nonBlocking = true}),
      fileSize_(file_.Size()),
      buffer_(kBufferBytes) {}

std::uint64_t ShorelineReader::RemainingBytes() const {
    const std::uint64_t position = Position();
    return position < fileSize_ ? fileSize_ - position : 0;
}

std::size_t ShorelineReader::StorablePoints(const TGSHHSHeader& header) const {
    if (header.NumPoints <= 0) return 0;
    return std::size_t(std::min<std::uint64_t>(std::uint64_t(header.NumPoints),
                                               RemainingBytes() / kShorelinePointBytes));
}

bool ShorelineReader::ReadExactly(void* destination, std::size_t count) {
    auto* out = static_cast<unsigned char*>(destination);
    while (count > 0) {
        if (next_ == filled_) {
            bufferFileOffset_ += filled_;
            next_ = filled_ = 0;
            const std::uint64_t left =
                bufferFileOffset_ < fileSize_ ? fileSize_ - bufferFileOffset_ : 0;
            const std::size_t want = std::size_t(std::min<std::uint64_t>(buffer_.size(), left));
            if (want == 0) return false;
            const std::size_t got = file_.ReadAt(bufferFileOffset_, buffer_.data(), want);
            if (got == 0) {
                fileSize_ = bufferFileOffset_;  // shrank while open
                return false;
            }
            filled_ = got;
        }
        const std::size_t take = std::min(count, filled_ - next_);
        std::memcpy(out, buffer_.data() + next_, take);
        out += take;
        next_ += take;
        count -= take;
    }
    return true;
}

bool ShorelineReader::ReadHeader(TGSHHSHeader& header) {
    std::uint8_t bytes[kShorelineHeaderBytes];
    const std::uint64_t start = Position();
    if (!ReadExactly(bytes, sizeof bytes)) {
        if (headers_ == 0) throw ENotShorelineFile(path_);
        // Cut inside this header, or inside the points the last one promised.
        if (start < fileSize_)
            end_ = {true, headers_};
        else if (polygonEnd_ > fileSize_)
            end_ = {true, headers_ - 1};
        else
            end_ = {false, headers_};
        return false;
    }
    header = DecodeShorelineHeader(bytes);
    if (headers_ == 0 && !IsShorelineFileStart(header, fileSize_)) throw ENotShorelineFile(path_);
    ++headers_;
    polygonEnd_ =
        Position() +
        (header.NumPoints > 0 ? std::uint64_t(header.NumPoints) * kShorelinePointBytes : 0);
    return true;
}

bool ShorelineReader::ReadPoint(TGSHHSPoint& point) {
    std::uint8_t bytes[kShorelinePointBytes];
    if (!ReadExactly(bytes, sizeof bytes)) return false;
    point = DecodeShorelinePoint(bytes);
    return true;
}

void ShorelineReader::SkipPoints(const TGSHHSHeader& header) {
    if (header.NumPoints <= 0) return;  // a damaged count; never move backwards
    const std::uint64_t bytes = std::uint64_t(header.NumPoints) * kShorelinePointBytes;
    if (bytes <= filled_ - next_) {
        next_ += std::size_t(bytes);
        return;
    }
    bufferFileOffset_ = Position() + bytes;
    next_ = filled_ = 0;
}

std::size_t ShorelineReader::ReadPoints(std::span<TGSHHSPoint> points) {
    if (points.empty()) return 0;
    // Nothing buffered, or a point split at the buffer's end: one point the plain way refills.
    if (filled_ - next_ < kShorelinePointBytes) return ReadPoint(points[0]) ? 1 : 0;
    const std::size_t count = std::min(points.size(), (filled_ - next_) / kShorelinePointBytes);
    DecodeShorelinePoints(buffer_.data() + next_, points.first(count));
    next_ += count * kShorelinePointBytes;
    return count;
}

namespace {

// Room to convert a block of points. Made once per reading: the points' members are
// initialised, and clearing 32 KB for every polygon cost more than converting its points.
struct PointBlock {
    explicit PointBlock(std::size_t size) : points(size), positions(size), pixels(size) {}
    std::vector<TGSHHSPoint> points;
    std::vector<PointF> positions;
    std::vector<Point> pixels;
};

// The used pixels of one polygon in order, converted a block at a time; a failed read throws
// only after the pixels before it were visited.
template <class Visit>
void ForEachUsedPixel(ShorelineReader& reader, const TGSHHSHeader& header, int width, int height,
                      LongitudeWrap wrap, PointBlock& block, Visit&& visit) {
    if (header.NumPoints <= 0 || block.points.empty()) return;
    TGSHHSPoint* const points = block.points.data();
    PointF* const positions = block.positions.data();
    Point* const pixels = block.pixels.data();
    PointThinner thinner(header.NumPoints);
    while (thinner.Given() < header.NumPoints) {
        const std::size_t wanted = std::min<std::size_t>(
            block.points.size(), std::size_t(header.NumPoints - thinner.Given()));
        const std::size_t got = reader.ReadPoints({points, wanted});
        if (got == 0) return;
        GeoToPixels({points, got}, {positions, got}, {pixels, got}, width, height, wrap);
        thinner.UseNext({pixels, got}, {positions, got}, visit);
    }
}

}  // namespace

std::vector<Point> ReadPolygonPixels(
    ShorelineReader& reader, const TGSHHSHeader& header, int width, int height, LongitudeWrap wrap,
    const std::function<void(std::int32_t index, Point pixel, PointF position)>& onPoint) {
    std::vector<Point> used;
    used.reserve(reader.StorablePoints(header));
    PointBlock block(std::min(kPointBlock, reader.StorablePoints(header)));
    ForEachUsedPixel(reader, header, width, height, wrap, block,
                     [&](std::int32_t index, Point pixel, PointF position) {
                         used.push_back(pixel);
                         if (onPoint) onPoint(index, pixel, position);
                     });
    return used;
}

ShorelineReadEnd ReadShorelines(const std::string& path, int width, int height, LongitudeWrap wrap,
                                const ShorelineCallbacks& callbacks) {
    ShorelineReader reader(path);
    PointBlock block(kPointBlock);
    TGSHHSHeader header;
    while (reader.ReadHeader(header)) {
        if (callbacks.Select && !callbacks.Select(header)) {
            reader.SkipPoints(header);
            continue;
        }
        // The pixels are gathered only for a caller that wants them whole.
        std::vector<Point> pixels;
        if (callbacks.OnPolygon) pixels.reserve(reader.StorablePoints(header));
        ForEachUsedPixel(reader, header, width, height, wrap, block,
                         [&](std::int32_t index, Point pixel, PointF position) {
                             if (callbacks.OnPolygon) pixels.push_back(pixel);
                             if (callbacks.OnPoint)
                                 callbacks.OnPoint(header, index, pixel, position);
                         });
        if (callbacks.OnPolygon) callbacks.OnPolygon(header, pixels);
    }
    return reader.End();
}

void CheckShorelineFile(const std::string& path) {
    ShorelineReader reader(path);
    TGSHHSHeader header;
    reader.ReadHeader(header);
}
