#!/usr/bin/env python3
"""Writes tazustart.ico: a disc drawn at 16 and 32 pixels, 32-bit colour."""
import math
import struct
import sys


def image(size):
    c = (size - 1) / 2.0
    rows = []
    for y in range(size - 1, -1, -1):  # bitmaps are stored bottom-up
        row = b""
        for x in range(size):
            r = math.hypot(x - c, y - c) / (size / 2.0)
            if r > 0.97:
                px = (0, 0, 0, 0)
            elif r > 0.86:
                px = (120, 60, 20, 255)           # rim, BGRA
            elif r < 0.12:
                px = (0, 0, 0, 0)                 # centre hole
            elif r < 0.30:
                px = (235, 235, 235, 255)         # hub
            else:
                shade = int(180 + 60 * math.sin((x + y) / size * 3.0))
                px = (shade, 150, 40, 255)        # blue surface with a sheen
            row += bytes(px)
        rows.append(row)
    pixels = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    mask = b"\0" * (mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + mask


def main(path):
    sizes = [16, 32]
    blobs = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, blob in zip(sizes, blobs):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(out + b"".join(blobs))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "tazustart.ico")
