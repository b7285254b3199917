#pragma once
// Seeded, smooth pseudo-random fields on the sphere for the synthetic terrain.
//
// Value noise on a 3-D integer lattice, sampled at points of the unit sphere so that there is
// no seam at the 180th meridian and no pinching at the poles. The same seed always gives the
// same values on every platform with IEEE doubles.
#include <cstdint>

struct SpherePoint {
    double x = 0;
    double y = 0;
    double z = 0;
};

SpherePoint OnUnitSphere(double lonDeg, double latDeg);

class ValueNoise {
public:
    explicit ValueNoise(std::uint64_t seed) : seed_(seed) {}
    // One octave in [-1, 1]; `frequency` is lattice cells per Earth radius.
    double At(SpherePoint p, double frequency) const;
    // Sum of octaves doubling in frequency and halving in weight, scaled back to [-1, 1].
    double Fractal(SpherePoint p, double frequency, int octaves) const;
    // Octaves of 1 - |noise|, squared: sharp crests along lines, the look of mountain ranges.
    // In [0, 1].
    double Ridged(SpherePoint p, double frequency, int octaves) const;

private:
    double Lattice(std::int64_t x, std::int64_t y, std::int64_t z) const;
    std::uint64_t seed_;
};
