#!/usr/bin/env python3
"""Writes KaleidoscopeTile.png, the picture the Kaleidoscope sample imports.

A 256 x 256 RGB picture of overlapping soft discs and stripes, made with the standard library
only (zlib for the PNG data), so that it can be rebuilt anywhere:
    python3 resources/compositions/make-tile-image.py
"""
import math
import os
import struct
import zlib

SIZE = 256
DISCS = [  # centre x, centre y, radius, colour
    (0.30, 0.30, 0.28, (1.00, 0.42, 0.18)),
    (0.72, 0.35, 0.22, (0.15, 0.75, 0.95)),
    (0.45, 0.75, 0.30, (0.95, 0.20, 0.55)),
    (0.85, 0.80, 0.18, (1.00, 0.85, 0.25)),
    (0.10, 0.85, 0.15, (0.35, 0.95, 0.45)),
]


def pixel(x, y):
    u, v = (x + 0.5) / SIZE, (y + 0.5) / SIZE
    stripe = 0.5 + 0.5 * math.sin((u + v) * 38.0)
    r, g, b = 0.10 + 0.12 * stripe, 0.06 + 0.08 * stripe, 0.22 + 0.18 * stripe
    for cx, cy, radius, colour in DISCS:
        d = math.hypot(u - cx, v - cy) / radius
        if d < 1.0:
            weight = (1.0 - d * d) ** 1.5
            ring = 0.8 + 0.2 * math.cos(d * 18.0)
            r += colour[0] * weight * ring
            g += colour[1] * weight * ring
            b += colour[2] * weight * ring
    return tuple(max(0, min(255, int(round(c * 255.0)))) for c in (r, g, b))


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main():
    rows = bytearray()
    for y in range(SIZE):
        rows.append(0)
        for x in range(SIZE):
            rows.extend(pixel(x, y))
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    png += chunk(b"IEND", b"")
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "KaleidoscopeTile.png")
    with open(path, "wb") as out:
        out.write(png)


if __name__ == "__main__":
    main()
