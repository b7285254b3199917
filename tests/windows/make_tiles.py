#!/usr/bin/env python3
"""A GTOPO30 tile set for the builder's window test: all 33 tiles at their full size but sparse,
heights 0 m except a checkerboard of 2000 m squares (200 cells a side) around the map's centre,
written only on the rows the builder samples (every eighth), so it costs about 22 MB.
Usage: make_tiles.py FOLDER"""
import os
import sys

NARROW = ["W180", "W140", "W100", "W060", "W020", "E020", "E060", "E100", "E140"]
WIDE = ["W180", "W120", "W060", "W000", "E060", "E120"]


def main(folder):
    os.makedirs(folder, exist_ok=True)
    for band, name in enumerate(["N90", "N40", "S10"]):
        for tile, west in enumerate(NARROW):
            path = os.path.join(folder, west + name + ".dem")
            with open(path, "wb") as out:
                out.truncate(4800 * 6000 * 2)
                if band != 1 or tile not in (3, 4, 5):
                    continue
                rows = [bytearray(), bytearray()]  # by the parity of the square's row
                for column in range(4800):
                    square = (tile * 4800 + column) // 200
                    for parity in (0, 1):
                        high = (parity + square) % 2 == 0
                        rows[parity] += (2000 if high else 0).to_bytes(2, "big", signed=True)
                for row in range(0, 6000, 8):
                    out.seek(row * 4800 * 2)
                    out.write(rows[((6000 + row) // 200) % 2])
    for west in WIDE:
        with open(os.path.join(folder, west + "S60.dem"), "wb") as out:
            out.truncate(7200 * 3600 * 2)


if __name__ == "__main__":
    main(sys.argv[1])
