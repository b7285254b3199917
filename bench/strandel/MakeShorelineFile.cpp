// Writes a synthetic shoreline file of full-resolution size: about 188,000 polygons holding
// about 10.8 million points (93 MB), in the big-endian polygon-record format the viewer reads.
// Deterministic: the random numbers come from a fixed generator, so the same arguments give the
// same file.
//
// Six large outlines (one crossing the 180th meridian with longitudes past 180 degrees east,
// one crossing it with negative longitudes) carry about 40% of the points; the rest are
// small islands, lakes, islands in lakes and ponds with a few to a few hundred points each,
// spaced tens of metres apart as in the real data.
//
// Usage: MakeShorelineFile OUTPUT [TOTAL_POINTS]
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "ReplacingFile.h"

namespace {

class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1) with 53 bits.
    double Unit() { return double(Next() >> 11) * 0x1.0p-53; }
    std::int64_t Between(std::int64_t low, std::int64_t high) {
        return low + std::int64_t(Next() % std::uint64_t(high - low + 1));
    }

private:
    std::uint64_t state_;
};

class BigEndianWriter {
public:
    explicit BigEndianWriter(ReplacingFile& file) : file_(file) {}
    void Put32(std::uint32_t value) {
        const std::uint8_t bytes[4] = {std::uint8_t(value >> 24), std::uint8_t(value >> 16),
                                       std::uint8_t(value >> 8), std::uint8_t(value)};
        file_.Write(bytes, 4);
    }
    void Put16(std::uint16_t value) {
        const std::uint8_t bytes[2] = {std::uint8_t(value >> 8), std::uint8_t(value)};
        file_.Write(bytes, 2);
    }

private:
    ReplacingFile& file_;
};

struct Outline {
    double centreLonDeg;
    double centreLatDeg;
    double radiusLonDeg;
    double radiusLatDeg;
    std::int32_t level;
    std::int64_t points;
};

std::int32_t MicroDegrees(double degrees) { return std::int32_t(std::llround(degrees * 1e6)); }

// A closed wobbly ellipse: the radius follows a smoothed random walk so the outline looks like
// a coast at every scale; the last point repeats the first, as in the real files.
void WriteOutline(BigEndianWriter& out, SplitMix64& random, const Outline& outline, int id) {
    std::vector<std::int32_t> lons;
    std::vector<std::int32_t> lats;
    std::int64_t count = std::max<std::int64_t>(outline.points, 1);
    lons.reserve(std::size_t(count));
    lats.reserve(std::size_t(count));
    const double kPi = 3.14159265358979323846;
    // Bays and capes at every scale: octaves of the radius, halving in wavelength down to about
    // four points, with amplitudes falling more slowly than wavelengths as coasts do.
    struct Octave {
        double frequency, amplitude, phase;
    };
    std::vector<Octave> octaves;
    for (double frequency = 2; frequency * 4 <= double(count); frequency *= 2)
        octaves.push_back(
            {frequency, 0.12 * std::pow(frequency / 2, -0.7), random.Unit() * 2 * kPi});
    const double pointAngle = 2 * kPi / double(std::max<std::int64_t>(count - 1, 1));
    for (std::int64_t k = 0; k + 1 < count || k == 0; ++k) {
        double angle = pointAngle * double(k);
        double wobble = (random.Unit() - 0.5) * pointAngle;
        for (const Octave& octave : octaves)
            wobble += octave.amplitude * std::sin(octave.frequency * angle + octave.phase);
        double lon = outline.centreLonDeg + outline.radiusLonDeg * (1 + wobble) * std::cos(angle);
        double lat = outline.centreLatDeg + outline.radiusLatDeg * (1 + wobble) * std::sin(angle);
        lat = std::clamp(lat, -89.9, 89.9);
        lons.push_back(MicroDegrees(lon));
        lats.push_back(MicroDegrees(lat));
    }
    if (count > 1) {
        lons.push_back(lons.front());
        lats.push_back(lats.front());
    }
    std::int32_t west = lons[0], east = lons[0], south = lats[0], north = lats[0];
    for (std::size_t i = 0; i < lons.size(); ++i) {
        west = std::min(west, lons[i]);
        east = std::max(east, lons[i]);
        south = std::min(south, lats[i]);
        north = std::max(north, lats[i]);
    }
    // Tenths of km2 of the ellipse, near enough for the size thresholds to sort lakes.
    double kmPerDeg = 111.2;
    double areaKm2 = kPi * outline.radiusLonDeg * kmPerDeg *
                     std::cos(outline.centreLatDeg * kPi / 180) * outline.radiusLatDeg * kmPerDeg;
    double areaTenths = std::min(areaKm2 * 10, 4294967295.0);

    out.Put32(std::uint32_t(id));
    out.Put32(std::uint32_t(lons.size()));
    out.Put32(std::uint32_t(outline.level));
    out.Put32(std::uint32_t(west));
    out.Put32(std::uint32_t(east));
    out.Put32(std::uint32_t(south));
    out.Put32(std::uint32_t(north));
    out.Put32(std::uint32_t(std::llround(areaTenths)));
    out.Put16(std::uint16_t(west < 0 && east > 0 ? 1 : 0));
    out.Put16(1);
    for (std::size_t i = 0; i < lons.size(); ++i) {
        out.Put32(std::uint32_t(lons[i]));
        out.Put32(std::uint32_t(lats[i]));
    }
}

// Continents: Eurasia-like past 180 E, America-like, Africa-like, Australia-like, Antarctica-like
// near the pole, and one straddling the date line with negative values.
std::int64_t WriteContinents(BigEndianWriter& out, SplitMix64& random, std::int64_t totalPoints,
                             int& id) {
    const Outline continents[] = {
        {95, 50, 95, 25, 1, totalPoints * 12 / 100}, {-90, 20, 40, 50, 1, totalPoints * 9 / 100},
        {20, 5, 30, 30, 1, totalPoints * 6 / 100},   {135, -25, 20, 15, 1, totalPoints * 4 / 100},
        {0, -80, 178, 8, 1, totalPoints * 5 / 100},  {-175, 65, 12, 6, 1, totalPoints * 3 / 100},
    };
    std::int64_t written = 0;
    for (const Outline& continent : continents) {
        WriteOutline(out, random, continent, id++);
        written += continent.points;
    }
    return written;
}

// Islands, lakes, islands in lakes and ponds until the points are all used.
void WriteSmallOutlines(BigEndianWriter& out, SplitMix64& random, std::int64_t totalPoints,
                        std::int64_t& written, int& id) {
    while (written < totalPoints) {
        std::uint64_t kind = random.Next() % 100;
        std::int32_t level = kind < 76 ? 1 : kind < 96 ? 2 : kind < 99 ? 3 : 4;
        // Mostly tiny polygons, a long tail of larger ones.
        double size = random.Unit();
        std::int64_t points = random.Next() % 500 == 0 ? 200 + std::int64_t(size * size * 20000)
                                                       : 4 + std::int64_t(std::pow(size, 8) * 160);
        points = std::min(points, totalPoints - written);
        double radiusDeg = 0.00002 * double(points) * (0.8 + 0.4 * random.Unit()) + 0.002;
        Outline outline{random.Unit() * 360 - 180,
                        random.Unit() * 150 - 70,
                        radiusDeg,
                        radiusDeg * (0.5 + random.Unit()),
                        level,
                        points};
        WriteOutline(out, random, outline, id++);
        written += points;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s OUTPUT [TOTAL_POINTS]\n", argv[0]);
        return 2;
    }
    std::int64_t totalPoints = argc == 3 ? std::atoll(argv[2]) : 10'800'000;
    if (totalPoints < 100'000) {
        std::fprintf(stderr, "TOTAL_POINTS must be at least 100000\n");
        return 2;
    }
    try {
        ReplacingFile file(argv[1], 1 << 20);
        BigEndianWriter out(file);
        SplitMix64 random(20240601);
        int id = 0;
        std::int64_t written = WriteContinents(out, random, totalPoints, id);
        WriteSmallOutlines(out, random, totalPoints, written, id);
        file.Commit();
        std::printf("%s: %d polygons, %lld points\n", argv[1], id, (long long)written);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
