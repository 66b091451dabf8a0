#!/usr/bin/env python3
"""Draws Quillon's icon, a quill over a chip, as a 32 x 32, 16-colour .ico.

Run it again after changing the drawing: python3 scripts/make_icon.py ui/quillon.ico
"""
import math
import struct
import sys

SIZE = 32
# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, TEAL, SILVER, GREY, YELLOW, WHITE, NAVY = 0, 6, 7, 8, 11, 15, 4
CLEAR = None


def segment_distance(px, py, ax, ay, bx, by):
    """Distance from a pixel centre to a segment, and how far along it lies (0..1)."""
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy)), t


def draw():
    pixels = [[CLEAR] * SIZE for _ in range(SIZE)]

    # The chip: a dark body with a black rim, silver pins on every side, a teal mark.
    for y in range(SIZE):
        for x in range(SIZE):
            if 7 <= x <= 24 and 7 <= y <= 24:
                rim = x in (7, 24) or y in (7, 24)
                pixels[y][x] = BLACK if rim else GREY
    for pin in range(9, 24, 4):
        for depth in range(3, 7):
            for offset in (0, 1):
                pixels[pin + offset][depth] = SILVER
                pixels[pin + offset][SIZE - 1 - depth] = SILVER
                pixels[depth][pin + offset] = SILVER
                pixels[SIZE - 1 - depth][pin + offset] = SILVER
    for y in range(10, 13):
        for x in range(10, 13):
            pixels[y][x] = TEAL

    # The quill: a feather from the top right down to a navy nib at the bottom left.
    for y in range(SIZE):
        for x in range(SIZE):
            cx, cy = x + 0.5, y + 0.5
            d, t = segment_distance(cx, cy, 29.0, 2.0, 11.0, 20.0)
            width = 1.0 + 3.2 * math.sin(math.pi * min(1.0, t * 1.15))
            if d <= width + 1.0:
                pixels[y][x] = BLACK
            if d <= width:
                pixels[y][x] = YELLOW if (x + y) % 5 == 0 else WHITE
            shaft, _ = segment_distance(cx, cy, 29.0, 2.0, 6.0, 25.0)
            if shaft <= 0.55:
                pixels[y][x] = GREY
            nib, _ = segment_distance(cx, cy, 10.0, 21.0, 4.0, 27.0)
            if nib <= 1.3:
                pixels[y][x] = NAVY
    pixels[27][4] = BLACK
    return pixels


def ico(pixels):
    xor = b""
    mask = b""
    for row in reversed(pixels):  # bottom-up, as bitmaps are stored
        nibbles = [0 if c is CLEAR else c for c in row]
        xor += bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, SIZE, 2))
        bits = 0
        for c in row:
            bits = (bits << 1) | (1 if c is CLEAR else 0)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    image = header + palette + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    with open(sys.argv[1] if len(sys.argv) > 1 else "ui/quillon.ico", "wb") as out:
        out.write(ico(draw()))
