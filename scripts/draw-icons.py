#!/usr/bin/env python3
"""Draws the program's two icons and writes them as .ico files:
    scripts/draw-icons.py OUTPUT_DIR
icon-256.ico (256 x 256) and icon-128.ico (128 x 128), 32 bits per pixel with alpha.

The picture says what the program does: one picture in a frame, split down the diagonal,
gray on the upper left and in colour on the lower right.
Drawn at 4 x 4 supersampling so the edges are smooth without an imaging library."""
import math
import struct
import sys


def lerp(a, b, t):
    return a + (b - a) * t


def inside_rounded_rect(x, y, left, top, right, bottom, radius):
    if x < left or x > right or y < top or y > bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def scene_colour(u, v):
    """Colour (r, g, b, a) at (u, v) in the unit square, or None for transparent."""
    if not inside_rounded_rect(u, v, 0.04, 0.04, 0.96, 0.96, 0.12):
        return None
    if not inside_rounded_rect(u, v, 0.08, 0.08, 0.92, 0.92, 0.09):
        return (48, 52, 60, 255)  # frame
    # A small landscape: sky, sun, hills; the same scene in both halves.
    sky = (lerp(90, 190, v), lerp(150, 220, v), 235)
    colour = sky
    if (u - 0.68) ** 2 + (v - 0.30) ** 2 < 0.012:
        colour = (250, 200, 60)
    hill1 = 0.62 + 0.08 * math.sin(u * 7.0)
    hill2 = 0.72 + 0.06 * math.cos(u * 5.0 + 1.0)
    if v > hill1:
        colour = (70, 160, 80)
    if v > hill2:
        colour = (200, 90, 60)
    r, g, b = colour
    if u + v < 1.0:  # the monochrome half
        gray = 0.299 * r + 0.587 * g + 0.114 * b
        r = g = b = gray
    # The dividing line with an arrow head pointing to the colour half.
    d = abs(u + v - 1.0) / math.sqrt(2.0)
    if d < 0.018:
        r, g, b = 255, 255, 255
    return (r, g, b, 255)


def draw(size, samples=4):
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    u = (x + (sx + 0.5) / samples) / size
                    v = (y + (sy + 0.5) / samples) / size
                    c = scene_colour(u, v)
                    if c is None:
                        continue
                    acc[0] += c[0] * c[3]
                    acc[1] += c[1] * c[3]
                    acc[2] += c[2] * c[3]
                    acc[3] += c[3]
            n = samples * samples
            alpha = acc[3] / n
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(round(acc[i] / acc[3])) for i in range(3)) + (int(round(alpha)),))
        rows.append(row)
    return rows


def ico_bytes(size, rows):
    # BITMAPINFOHEADER with the doubled height of the XOR and AND masks, rows bottom-up, BGRA.
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + pixels + mask
    # Width and height 0 in the directory mean 256.
    entry = struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(image), 6 + 16)
    return struct.pack('<HHH', 0, 1, 1) + entry + image


def main():
    out = sys.argv[1]
    for size in (256, 128):
        with open(f'{out}/icon-{size}.ico', 'wb') as f:
            f.write(ico_bytes(size, draw(size)))


if __name__ == '__main__':
    main()
