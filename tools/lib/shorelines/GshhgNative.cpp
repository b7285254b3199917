#include "GshhgNative.h"

#include <cmath>

#include "ByteOrder.h"
#include "Errors.h"
#include "SphericalArea.h"

namespace {

constexpr std::size_t kHeaderBytes = 44;
constexpr std::size_t kPointBytes = 8;
constexpr int kFirstScaledAreaVersion = 12;

std::int32_t Field(const unsigned char* header, int index) {
    return static_cast<std::int32_t>(LoadBigEndian32(header + 4 * index));
}

// The level to keep a polygon as, or 0 to skip it: the chosen Antarctic coast becomes land.
int KeptLevel(std::uint32_t flag, AntarcticCoast antarctica) {
    const int level = static_cast<int>(flag & 0xFF);
    const bool antarcticIceFront = level == 5;
    const bool antarcticGrounding = level == 6;
    if (antarcticIceFront || antarcticGrounding) {
        const bool wanted =
            antarctica == AntarcticCoast::IceFront ? antarcticIceFront : antarcticGrounding;
        return wanted ? 1 : 0;
    }
    return level >= 1 && level <= 4 ? level : 0;
}

std::uint32_t AreaInTenths(std::uint32_t flag, std::uint32_t area) {
    const int version = static_cast<int>((flag >> 8) & 0xFF);
    if (version < kFirstScaledAreaVersion) return area;
    const int magnitude = static_cast<int>(flag >> 26);
    return AreaTenthsKm2(area / std::pow(10.0L, magnitude));
}

void ReadPoints(const unsigned char* pointBytes, std::int32_t count, const std::string& where,
                ShoreRing& ring) {
    ring.points.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        const unsigned char* point = pointBytes + i * kPointBytes;
        GeoPoint p{static_cast<std::int32_t>(LoadBigEndian32(point)),
                   static_cast<std::int32_t>(LoadBigEndian32(point + 4))};
        if (p.lat < -kPoleLat || p.lat > kPoleLat) {
            throw VarnholtError(where + " (id " + std::to_string(ring.id) + "): point " +
                                std::to_string(i + 1) + " has latitude " + std::to_string(p.lat) +
                                " micro-degrees");
        }
        ring.points.push_back(p);
    }
    if (ring.points.size() > 1 && SamePlace(ring.points.front(), ring.points.back())) {
        ring.points.pop_back();
    }
}

}  // namespace

GshhgReadResult ParseGshhgNative(const std::vector<unsigned char>& bytes,
                                 const std::string& fileName, AntarcticCoast antarctica) {
    GshhgReadResult result;
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        std::string where = fileName + ": polygon at byte " + std::to_string(offset);
        if (bytes.size() - offset < kHeaderBytes) {
            throw VarnholtError(where + ": the file ends inside its header");
        }
        const unsigned char* header = bytes.data() + offset;
        std::int32_t id = Field(header, 0);
        std::int32_t count = Field(header, 1);
        std::uint32_t flag = static_cast<std::uint32_t>(Field(header, 2));
        std::uint32_t area = static_cast<std::uint32_t>(Field(header, 7));
        offset += kHeaderBytes;
        std::size_t available = (bytes.size() - offset) / kPointBytes;
        if (count < 0 || static_cast<std::size_t>(count) > available) {
            throw VarnholtError(where + " (id " + std::to_string(id) + "): its " +
                                std::to_string(count) + " points do not fit in the file");
        }
        const unsigned char* pointBytes = bytes.data() + offset;
        offset += static_cast<std::size_t>(count) * kPointBytes;

        const int level = KeptLevel(flag, antarctica);
        if (level == 0) {
            ++result.skipped;
            continue;
        }
        ShoreRing ring;
        ring.id = id;
        ring.level = level;
        ring.source = static_cast<int>((flag >> 24) & 1);
        ring.areaTenthsKm2 = AreaInTenths(flag, area);
        ReadPoints(pointBytes, count, where, ring);
        result.rings.push_back(std::move(ring));
    }
    return result;
}
