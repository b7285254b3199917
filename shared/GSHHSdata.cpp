#include "GSHHSdata.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ByteOrder.h"
#include "Errors.h"

namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;
// The nearest extended-precision value to one millionth: the maps were computed with it.
constexpr long double kMicro = 0.000001L;

float MicroDegreesToDegrees(std::int32_t microDegrees) {
    return static_cast<float>(static_cast<long double>(microDegrees) * kMicro);
}

// Garbage coordinates with a large bitmap must not overflow the conversion to int.
int RoundToPixel(double value) { return int(std::clamp(std::nearbyint(value), -1.0e9, 1.0e9)); }

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

PointF GeoToPosition(const TGSHHSPoint& point, int width, int height, LongitudeWrap wrap) {
    const float lonDeg = MicroDegreesToDegrees(point.Lon);
    float x = lonDeg + 180.0f;
    if (wrap == LongitudeWrap::Once) {
        if (x >= 360.0f) x -= 360.0f;
    } else {
        while (x >= 360.0f) x -= 360.0f;  // at most a few turns: |Lon| < 2148 degrees
    }
    const float latDeg = MicroDegreesToDegrees(point.Lat);
    // 90 - latDeg is exact in double; single precision would round it.
    return {double(width) * double(x) / 360.0, double(height) * (90.0 - double(latDeg)) / 180.0};
}

Point GeoToPixel(const TGSHHSPoint& point, int width, int height, LongitudeWrap wrap) {
    const PointF position = GeoToPosition(point, width, height, wrap);
    return {RoundToPixel(position.x), RoundToPixel(position.y)};
}

GeoTransform GeoToPixelTransform(int width, int height) {
    return GeoTransform::NorthUp({-180, 90}, 360.0 / width, 180.0 / height);
}

// Non-blocking, or a named pipe without a writer would hold the open for ever; regular files
// read the same either way. Devices and pipes count as empty: /dev/zero would never end.
ShorelineReader::ShorelineReader(const std::string& path)
    : file_(path, {.accept = ReadOnlyFile::Accept::AnythingButFolders, .nonBlocking = true}),
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
    if (!ReadExactly(bytes, sizeof bytes)) return false;
    header = DecodeShorelineHeader(bytes);
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

std::vector<Point> ReadPolygonPixels(
    ShorelineReader& reader, const TGSHHSHeader& header, int width, int height, LongitudeWrap wrap,
    const std::function<void(std::int32_t index, Point pixel, PointF position)>& onPoint) {
    std::vector<Point> used;
    used.reserve(reader.StorablePoints(header));
    PointThinner thinner(header.NumPoints);
    TGSHHSPoint point;
    for (std::int32_t index = 1; index <= header.NumPoints && reader.ReadPoint(point); ++index) {
        const PointF position = GeoToPosition(point, width, height, wrap);
        const Point pixel{RoundToPixel(position.x), RoundToPixel(position.y)};
        if (!thinner.Use(index, pixel)) continue;
        used.push_back(pixel);
        if (onPoint) onPoint(index, pixel, position);
        if (index == header.NumPoints) break;  // index + 1 would overflow at INT32_MAX
    }
    return used;
}

void ReadShorelines(const std::string& path, int width, int height, LongitudeWrap wrap,
                    const ShorelineCallbacks& callbacks) {
    ShorelineReader reader(path);
    TGSHHSHeader header;
    while (reader.ReadHeader(header)) {
        if (callbacks.Select && !callbacks.Select(header)) {
            reader.SkipPoints(header);
            continue;
        }
        std::function<void(std::int32_t, Point, PointF)> onPoint;
        if (callbacks.OnPoint) {
            onPoint = [&](std::int32_t index, Point pixel, PointF position) {
                callbacks.OnPoint(header, index, pixel, position);
            };
        }
        const std::vector<Point> pixels =
            ReadPolygonPixels(reader, header, width, height, wrap, onPoint);
        if (callbacks.OnPolygon) callbacks.OnPolygon(header, pixels);
    }
}
