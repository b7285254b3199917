#!/usr/bin/env python3
"""Writes a world-sized height image: an 8-bit grey PNG of height codes, 0 for sea.

Continents from a few long waves, mountains from shorter ones and a little noise, so that the
image compresses and shades like a real one (about a third land, codes up to 255).
Usage: make_height_image.py OUTPUT [WIDTH HEIGHT]
"""
import math
import random
import struct
import sys
import zlib


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main():
    output = sys.argv[1]
    width = int(sys.argv[2]) if len(sys.argv) > 2 else 5400
    height = int(sys.argv[3]) if len(sys.argv) > 3 else 2700
    rng = random.Random(1234)
    column_wave = [70 * math.sin(x / width * 2 * math.pi * 3) + 40 * math.sin(x / 97.0)
                   for x in range(width)]
    column_noise = [rng.randint(0, 6) for _ in range(width)]
    # Offset into the clip table so that negative sums (sea) become code 0.
    offset = 400
    clip = bytes(min(max(v - offset, 0), 255) for v in range(offset + 1024))
    rows = []
    for y in range(height):
        row_wave = 80 * math.cos(y / height * 2 * math.pi * 2) + 30 * math.sin(y / 53.0) - 40
        shift = rng.randint(0, width - 1)
        base = [int(c + row_wave) + offset for c in column_wave]
        row = bytes(clip[base[x] + column_noise[(x + shift) % width]] for x in range(width))
        rows.append(b"\x00" + row)
    raw = b"".join(rows)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 4))
    png += chunk(b"IEND", b"")
    with open(output, "wb") as out:
        out.write(png)


if __name__ == "__main__":
    main()
