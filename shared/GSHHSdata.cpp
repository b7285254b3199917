#include "GSHHSdata.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "Errors.h"

namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;
// The nearest extended-precision value to one millionth: the maps were computed with it.
constexpr long double kMicro = 0.000001L;

std::int16_t SwapBytes16(std::int16_t value) {
    const auto bits = std::uint16_t(value);
    return std::int16_t(std::uint16_t((bits >> 8) | (bits << 8)));
}

float MicroDegreesToDegrees(std::int32_t microDegrees) {
    return static_cast<float>(static_cast<long double>(microDegrees) * kMicro);
}

// Garbage coordinates with a large bitmap must not overflow the conversion to int.
int RoundToPixel(double value) { return int(std::clamp(std::nearbyint(value), -1.0e9, 1.0e9)); }

}  // namespace

void SwapHeader(TGSHHSHeader& header) {
    header.Id = SwapBytes32(header.Id);
    header.NumPoints = SwapBytes32(header.NumPoints);
    header.Level = SwapBytes32(header.Level);
    header.West = SwapBytes32(header.West);
    header.East = SwapBytes32(header.East);
    header.South = SwapBytes32(header.South);
    header.North = SwapBytes32(header.North);
    header.Area = SwapBytes32(header.Area);
    header.Greenwich = SwapBytes16(header.Greenwich);
    header.Source = SwapBytes16(header.Source);
}

void SwapPoint(TGSHHSPoint& point) {
    point.Lon = SwapBytes32(point.Lon);
    point.Lat = SwapBytes32(point.Lat);
}

Point GeoToPixel(const TGSHHSPoint& point, int width, int height, LongitudeWrap wrap) {
    const float lonDeg = MicroDegreesToDegrees(point.Lon);
    float x = lonDeg + 180.0f;
    if (wrap == LongitudeWrap::Once) {
        if (x >= 360.0f) x -= 360.0f;
    } else {
        while (x >= 360.0f) x -= 360.0f;  // at most a few turns: |Lon| < 2148 degrees
    }
    const float latDeg = MicroDegreesToDegrees(point.Lat);
    // 90 - latDeg is exact in double; single precision would round it.
    return {RoundToPixel(double(width) * double(x) / 360.0),
            RoundToPixel(double(height) * (90.0 - double(latDeg)) / 180.0)};
}

ShorelineReader::ShorelineReader(const std::string& path) : path_(path) {
    // Non-blocking, or a named pipe without a writer would hold the open for ever; regular files
    // read the same either way, and nothing else is read.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat status {};
    if (fd_ < 0 || ::fstat(fd_, &status) != 0 || S_ISDIR(status.st_mode)) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        throw EInOutError("Cannot open file: " + path);
    }
    // Devices and pipes report no size and are read as empty: /dev/zero would never end.
    fileSize_ = S_ISREG(status.st_mode) ? std::uint64_t(status.st_size) : 0;
    buffer_.resize(kBufferBytes);
}

ShorelineReader::~ShorelineReader() {
    if (fd_ >= 0) ::close(fd_);
}

std::uint64_t ShorelineReader::RemainingBytes() const {
    const std::uint64_t position = Position();
    return position < fileSize_ ? fileSize_ - position : 0;
}

std::size_t ShorelineReader::StorablePoints(const TGSHHSHeader& header) const {
    if (header.NumPoints <= 0) return 0;
    return std::size_t(std::min<std::uint64_t>(std::uint64_t(header.NumPoints),
                                               RemainingBytes() / sizeof(TGSHHSPoint)));
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
            ssize_t got;
            do {
                got = ::read(fd_, buffer_.data(), want);
            } while (got < 0 && errno == EINTR);
            if (got < 0) throw EInOutError("Cannot read file: " + path_);
            if (got == 0) {
                fileSize_ = bufferFileOffset_;  // shrank while open
                return false;
            }
            filled_ = std::size_t(got);
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
    if (!ReadExactly(&header, sizeof header)) return false;
    SwapHeader(header);
    return true;
}

bool ShorelineReader::ReadPoint(TGSHHSPoint& point) {
    if (!ReadExactly(&point, sizeof point)) return false;
    SwapPoint(point);
    return true;
}

void ShorelineReader::SkipPoints(const TGSHHSHeader& header) {
    if (header.NumPoints <= 0) return;  // a damaged count; never move backwards
    const std::uint64_t bytes = std::uint64_t(header.NumPoints) * sizeof(TGSHHSPoint);
    if (bytes <= filled_ - next_) {
        next_ += std::size_t(bytes);
        return;
    }
    const std::uint64_t target = Position() + bytes;
    if (::lseek(fd_, off_t(target), SEEK_SET) < 0) {
        throw EInOutError("Cannot position in file: " + path_);
    }
    bufferFileOffset_ = target;
    next_ = filled_ = 0;
}

std::vector<Point> ReadPolygonPixels(
    ShorelineReader& reader, const TGSHHSHeader& header, int width, int height, LongitudeWrap wrap,
    const std::function<void(std::int32_t index, Point pixel)>& onPoint) {
    std::vector<Point> used;
    used.reserve(reader.StorablePoints(header));
    PointThinner thinner(header.NumPoints);
    TGSHHSPoint point;
    for (std::int32_t index = 1; index <= header.NumPoints && reader.ReadPoint(point); ++index) {
        const Point pixel = GeoToPixel(point, width, height, wrap);
        if (!thinner.Use(index, pixel)) continue;
        used.push_back(pixel);
        if (onPoint) onPoint(index, pixel);
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
        std::function<void(std::int32_t, Point)> onPoint;
        if (callbacks.OnPoint) {
            onPoint = [&](std::int32_t index, Point pixel) {
                callbacks.OnPoint(header, index, pixel);
            };
        }
        const std::vector<Point> pixels =
            ReadPolygonPixels(reader, header, width, height, wrap, onPoint);
        if (callbacks.OnPolygon) callbacks.OnPolygon(header, pixels);
    }
}
