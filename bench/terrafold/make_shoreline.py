#!/usr/bin/env python3
"""Writes a synthetic classic GSHHS shoreline file of about the low-resolution file's size.

Continents (level 1) as wobbly outlines, large and small lakes on them (level 2), islands in
lakes (level 3): about 300,000 points in big-endian polygon records. Deterministic, so every
machine benchmarks the same file.

Usage: make_shoreline.py OUTPUT
"""
import math
import random
import struct
import sys

KM_PER_DEG = 111.2


def outline(rng, lon, lat, rlon, rlat, count):
    points = []
    wobble, speed = 0.0, 0.0
    for k in range(count - 1):
        angle = 2 * math.pi * k / (count - 1)
        speed = 0.97 * speed + (rng.random() - 0.5) * 0.03
        wobble = max(-0.3, min(0.3, wobble + speed * 0.05))
        x = lon + rlon * (1 + wobble) * math.cos(angle)
        y = max(-89.9, min(89.9, lat + rlat * (1 + wobble) * math.sin(angle)))
        points.append((round(x * 1e6), round(y * 1e6)))
    points.append(points[0])
    return points


def record(ident, level, lon, lat, rlon, rlat, points):
    area_km2 = math.pi * rlon * KM_PER_DEG * math.cos(math.radians(lat)) * rlat * KM_PER_DEG
    area = min(int(area_km2 * 10), 0xFFFFFFFF)
    lons = [p[0] for p in points]
    lats = [p[1] for p in points]
    header = struct.pack(">iiiiiiiIhh", ident, len(points), level, min(lons), max(lons),
                         min(lats), max(lats), area, 0, 0)
    body = b"".join(struct.pack(">ii", x, y) for x, y in points)
    return header + body


def main():
    rng = random.Random(20240501)
    continents = [  # lon, lat, radius lon, radius lat, points
        (-100, 45, 35, 20, 40000), (-60, -15, 20, 28, 30000), (20, 5, 25, 30, 40000),
        (90, 45, 60, 22, 60000), (135, -25, 20, 12, 20000), (0, -80, 180, 9, 30000),
        (-40, 72, 18, 8, 10000), (105, 0, 12, 5, 8000),
    ]
    records = []
    ident = 0
    for lon, lat, rlon, rlat, count in continents:
        records.append(record(ident, 1, lon, lat, rlon, rlat,
                              outline(rng, lon, lat, rlon, rlat, count)))
        ident += 1
        # Lakes on each continent: a few large enough to be filled, more that are not.
        for _ in range(40):
            size = rng.choice([0.2, 0.4, 0.8, 1.5, 3.0])
            llon = lon + (rng.random() - 0.5) * rlon
            llat = max(-85, min(85, lat + (rng.random() - 0.5) * rlat))
            lake = outline(rng, llon, llat, size, size * 0.6, 200 + int(size * 400))
            records.append(record(ident, 2, llon, llat, size, size * 0.6, lake))
            ident += 1
            if size >= 1.5:
                island = outline(rng, llon, llat, size * 0.2, size * 0.1, 60)
                records.append(record(ident, 3, llon, llat, size * 0.2, size * 0.1, island))
                ident += 1
    # Small islands in the oceans.
    for _ in range(3000):
        lon = rng.uniform(-180, 180)
        lat = rng.uniform(-60, 70)
        r = rng.uniform(0.02, 0.3)
        records.append(record(ident, 1, lon, lat, r, r, outline(rng, lon, lat, r, r, 12)))
        ident += 1
    with open(sys.argv[1], "wb") as out:
        for rec in records:
            out.write(rec)


if __name__ == "__main__":
    main()
