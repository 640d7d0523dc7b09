#!/usr/bin/env python3
"""Draws the About box's nine pictures and the program's icon as PNG files.

Run once after changing the drawings:
    scripts/make-pictures.py tonemill/gui/app/resources/pictures
Needs nothing beyond Python's standard library.
"""
import math
import os
import random
import struct
import sys
import zlib


def png(path, width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples."""
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def canvas(size, background):
    return [[background for _ in range(size)] for _ in range(size)]


def blend(dst, color, alpha):
    return tuple(int(d * (1 - alpha) + c * alpha) for d, c in zip(dst[:3], color)) + (255,)


def plot(img, x, y, color, radius=1.6):
    size = len(img)
    for yy in range(int(y - radius - 1), int(y + radius + 2)):
        for xx in range(int(x - radius - 1), int(x + radius + 2)):
            if 0 <= xx < size and 0 <= yy < size:
                d = math.hypot(xx - x, yy - y)
                a = max(0.0, min(1.0, radius + 0.5 - d))
                if a > 0:
                    img[yy][xx] = blend(img[yy][xx], color, a)


def curve(img, f, color, samples=600):
    size = len(img)
    for i in range(samples + 1):
        t = i / samples
        plot(img, 8 + t * (size - 16), size / 2 - f(t) * (size / 2 - 12), color)


def rounded_background(size, top, bottom):
    img = canvas(size, (0, 0, 0, 0))
    r = size * 0.18
    for y in range(size):
        c = tuple(int(top[i] + (bottom[i] - top[i]) * y / size) for i in range(3))
        for x in range(size):
            dx = max(r - x, 0, x - (size - 1 - r))
            dy = max(r - y, 0, y - (size - 1 - r))
            a = max(0.0, min(1.0, r + 0.5 - math.hypot(dx, dy))) if dx or dy else 1.0
            if a > 0:
                img[y][x] = c + (int(255 * a),)
    return img


def picture(kind, size=96):
    palettes = [((32, 60, 120), (70, 130, 200)), ((90, 30, 90), (200, 80, 140)),
                ((20, 90, 60), (80, 190, 120)), ((120, 60, 10), (230, 160, 60)),
                ((30, 30, 40), (90, 90, 120)), ((10, 80, 100), (60, 180, 200)),
                ((100, 20, 20), (220, 90, 70)), ((60, 60, 10), (190, 190, 60)),
                ((40, 20, 100), (130, 90, 220))]
    img = rounded_background(size, *palettes[kind])
    white = (250, 250, 245)
    rnd = random.Random(kind)
    waves = [
        lambda t: math.sin(t * 2 * math.pi * 2),
        lambda t: 0.8 if (t * 4) % 1 < 0.5 else -0.8,
        lambda t: 1.6 * ((t * 3) % 1) - 0.8,
        lambda t: 1.6 * abs((t * 3) % 1 - 0.5) * 2 - 0.8,
        lambda t: math.exp(-3 * t) * math.sin(t * 2 * math.pi * 6),
        lambda t: 0.5 * math.sin(t * 2 * math.pi * 2) + 0.4 * math.sin(t * 2 * math.pi * 5),
        lambda t: math.sin(t * 2 * math.pi * 3) * math.sin(t * math.pi),
        lambda t: (rnd.random() * 2 - 1) * 0.7 * math.sin(t * math.pi),
        lambda t: math.sin(2 * math.pi * (1 + 4 * t) * t),
    ]
    curve(img, waves[kind], white)
    return img


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    for k in range(9):
        png(os.path.join(out, f"about{k + 1}.png"), 96, 96, picture(k))
    icon = rounded_background(128, (30, 50, 110), (60, 150, 210))
    curve(icon, lambda t: 0.6 * math.sin(t * 2 * math.pi * 2) * math.sin(t * math.pi), (255, 255, 255), 900)
    png(os.path.join(out, "tonemill.png"), 128, 128, icon)


if __name__ == "__main__":
    main()
