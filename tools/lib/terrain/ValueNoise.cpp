#include "ValueNoise.h"

#include <cmath>

namespace {

std::uint64_t Mix(std::uint64_t value) {
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

double Smooth(double t) { return t * t * (3 - 2 * t); }

double Lerp(double a, double b, double t) { return a + (b - a) * t; }

}  // namespace

SpherePoint OnUnitSphere(double lonDeg, double latDeg) {
    constexpr double kRadians = 3.14159265358979323846 / 180;
    double lon = lonDeg * kRadians;
    double lat = latDeg * kRadians;
    return {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
}

double ValueNoise::Lattice(std::int64_t x, std::int64_t y, std::int64_t z) const {
    // Odd multipliers spread the three coordinates over the word before one full mix.
    std::uint64_t h = Mix(seed_ ^ (static_cast<std::uint64_t>(x) * 0xD6E8FEB86659FD93ull) ^
                          (static_cast<std::uint64_t>(y) * 0xA0761D6478BD642Full) ^
                          (static_cast<std::uint64_t>(z) * 0xE7037ED1A0B428DBull));
    return static_cast<double>(h >> 11) * (2.0 / 9007199254740992.0) - 1.0;
}

double ValueNoise::At(SpherePoint p, double frequency) const {
    double x = p.x * frequency;
    double y = p.y * frequency;
    double z = p.z * frequency;
    double fx = std::floor(x);
    double fy = std::floor(y);
    double fz = std::floor(z);
    auto ix = static_cast<std::int64_t>(fx);
    auto iy = static_cast<std::int64_t>(fy);
    auto iz = static_cast<std::int64_t>(fz);
    double tx = Smooth(x - fx);
    double ty = Smooth(y - fy);
    double tz = Smooth(z - fz);
    double c00 = Lerp(Lattice(ix, iy, iz), Lattice(ix + 1, iy, iz), tx);
    double c10 = Lerp(Lattice(ix, iy + 1, iz), Lattice(ix + 1, iy + 1, iz), tx);
    double c01 = Lerp(Lattice(ix, iy, iz + 1), Lattice(ix + 1, iy, iz + 1), tx);
    double c11 = Lerp(Lattice(ix, iy + 1, iz + 1), Lattice(ix + 1, iy + 1, iz + 1), tx);
    return Lerp(Lerp(c00, c10, ty), Lerp(c01, c11, ty), tz);
}

double ValueNoise::Fractal(SpherePoint p, double frequency, int octaves) const {
    double sum = 0;
    double weight = 1;
    double total = 0;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += weight * At(p, frequency);
        total += weight;
        frequency *= 2;
        weight *= 0.5;
    }
    return total > 0 ? sum / total : 0;
}

double ValueNoise::Ridged(SpherePoint p, double frequency, int octaves) const {
    double sum = 0;
    double weight = 1;
    double total = 0;
    for (int octave = 0; octave < octaves; ++octave) {
        double crest = 1 - std::fabs(At(p, frequency));
        sum += weight * crest * crest;
        total += weight;
        frequency *= 2.03;  // off an exact doubling, so lattice lines of octaves do not align
        weight *= 0.5;
    }
    return total > 0 ? sum / total : 0;
}
