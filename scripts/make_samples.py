#!/usr/bin/env python3
"""Draws the settings dialog's two sample pictures and writes them as PNG.

butterfly.png: 269 x 180, 8-bit palette of 256 colours (a butterfly over a
meadow, so every effect and every watermark region shows on it).
wmlogo.png: 64 x 62, 24-bit colour (a light "V" mark on black, so an additive
blend leaves the picture alone outside the mark).

Standard library only; the output is the same on every run.
Usage: scripts/make_samples.py [output folder]  (default resources/samples)
"""
import math
import os
import struct
import sys
import zlib


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, width, height, rows, color_type, palette=None):
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    ihdr = struct.pack(">IIBBBBB", width, height, 8, color_type, 0, 0, 0)
    data = b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr)
    if palette is not None:
        data += png_chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    data += png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(data)


# 8 reds x 8 greens x 4 blues: 256 colours spread over the whole cube.
PALETTE = [(r * 255 // 7, g * 255 // 7, b * 255 // 3) for r in range(8) for g in range(8) for b in range(4)]


def palette_index(rgb):
    r, g, b = (max(0, min(255, int(round(c)))) for c in rgb)
    return (r * 7 + 127) // 255 * 32 + (g * 7 + 127) // 255 * 4 + (b * 3 + 127) // 255


def butterfly_pixel(x, y, width, height):
    # Sky fading into a meadow.
    t = y / (height - 1)
    if t < 0.62:
        color = (90 + 80 * t, 150 + 80 * t, 255 - 40 * t)
    else:
        color = (60 + 40 * math.sin(x * 0.3), 150 + 50 * (t - 0.62), 40)
    # A sun in the top right.
    if (x - 225) ** 2 + (y - 35) ** 2 < 18 ** 2:
        color = (255, 230, 60)
    # Wings: a polar curve around the body, larger above than below.
    cx, cy = width / 2, height / 2
    dx, dy = x - cx, cy - y
    r = math.hypot(dx, dy)
    a = math.atan2(dy, dx)
    wing = 70 * abs(math.sin(a)) ** 0.5 * (1.0 if dy > 0 else 0.7) * (0.6 + 0.4 * abs(math.cos(a)))
    if r < wing and abs(dx) > 4:
        shade = r / max(wing, 1)
        color = (255 - 90 * shade, 120 + 100 * shade, 20 + 40 * shade)
        # Eye spots on the upper wings.
        for sx in (-38, 38):
            if (dx - sx) ** 2 + (dy - 22) ** 2 < 9 ** 2:
                color = (30, 30, 160)
        if abs(r - wing) < 3:
            color = (40, 20, 10)
    # Body and antennae.
    if abs(dx) <= 4 and abs(dy) < 45:
        color = (50, 30, 20)
    for side in (-1, 1):
        if abs(dy - 45 - (side * dx) * 1.2) < 1.5 and 0 < side * dx < 18:
            color = (50, 30, 20)
    return color


def make_butterfly(path):
    width, height = 269, 180
    rows = [[palette_index(butterfly_pixel(x, y, width, height)) for x in range(width)] for y in range(height)]
    write_png(path, width, height, rows, 3, PALETTE)


def make_wmlogo(path):
    width, height = 64, 62
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            # Distance from the two strokes of a "V" running from the top corners to the bottom middle.
            u = y / (height - 1)
            left = 6 + u * 26
            right = 58 - u * 26
            near = min(abs(x - left), abs(x - right))
            level = 0 if near > 5 else int(255 - near * 25)
            frame = x in (0, width - 1) or y in (0, height - 1)
            if frame:
                level = 128
            row += [level, level, max(0, level - 40)]
        rows.append(row)
    write_png(path, width, height, rows, 2)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "resources", "samples")
    os.makedirs(folder, exist_ok=True)
    make_butterfly(os.path.join(folder, "butterfly.png"))
    make_wmlogo(os.path.join(folder, "wmlogo.png"))


if __name__ == "__main__":
    main()
