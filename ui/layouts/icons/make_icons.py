#!/usr/bin/env python3
"""Generate the Keyshelf application icon set "AAA".

A golden key with a green bow, drawn diagonally (bow upper-left, tip
lower-right) with a thin dark outline so it reads on light and dark
backgrounds.  Uses only the Python standard library: for 32 px and up the
shapes are signed distance functions, every pixel is supersampled 8x8 and
averaged; the 16 px icon is placed pixel by pixel so it stays crisp.  The
PNG files (8-bit RGBA) are written with zlib/struct.

Usage:  python3 make_icons.py [output-directory]
The output directory defaults to the directory holding this script.
Output is deterministic: the same script always yields identical files.
"""

import math
import os
import struct
import sys
import zlib

SIZES = (128, 64, 48, 32, 16)

OUTLINE_BOW = (14, 52, 24)
OUTLINE_BLADE = (74, 48, 6)
GREEN_LIGHT = (120, 214, 110)
GREEN_DARK = (30, 128, 52)
GOLD_LIGHT = (255, 232, 120)
GOLD_DARK = (212, 150, 24)


# ---------------------------------------------------------------- geometry

def sd_circle(x, y, cx, cy, r):
    return math.hypot(x - cx, y - cy) - r


def sd_box(x, y, x0, y0, x1, y1):
    """Signed distance to an axis-aligned box [x0,x1] x [y0,y1]."""
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2, (y1 - y0) / 2
    dx, dy = abs(x - cx) - hx, abs(y - cy) - hy
    outside = math.hypot(max(dx, 0.0), max(dy, 0.0))
    return outside + min(max(dx, dy), 0.0)


def lerp(a, b, t):
    t = min(max(t, 0.0), 1.0)
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


# Per-size designs, in key-local units where the key runs along +x from
# the bow centre and the teeth hang towards +y.  The finished drawing is
# scaled to fill the canvas, so only proportions matter.  Small sizes get
# chunkier parts and fewer teeth.
#   bow_r / hole_r : outer / inner radius of the round grip
#   shaft_h        : blade thickness
#   length         : distance from bow centre to blade tip
#   collar         : (x_start, x_end, half_height) of the shoulder, or None
#   teeth          : list of (x_start, x_end, depth) below the blade
DESIGNS = {
    "large": dict(bow_r=0.25, hole_r=0.095, shaft_h=0.10, length=0.86,
                  collar=(0.29, 0.34, 0.085),
                  teeth=[(0.58, 0.66, 0.12), (0.69, 0.74, 0.08),
                         (0.77, 0.86, 0.13)]),
    "small": dict(bow_r=0.26, hole_r=0.115, shaft_h=0.15, length=0.86,
                  collar=None,
                  teeth=[(0.50, 0.61, 0.15), (0.74, 0.86, 0.15)]),
}

# size: (design, outline width px, margin px); 16 px is hand-placed below
SIZE_SETTINGS = {
    128: ("large", 2.8, 3.0),
    64: ("large", 1.7, 1.5),
    48: ("large", 1.4, 1.0),
    32: ("small", 1.1, 0.5),
}

ANGLE = 45.0        # degrees; bow upper-left, tip lower-right


def design_for(size):
    name, outline, margin = SIZE_SETTINGS[size]
    d = dict(DESIGNS[name])
    d.update(outline=outline, margin=margin, angle=ANGLE)
    return d


class Key:
    """Evaluates the key at a point given in unit canvas coordinates."""

    def __init__(self, size, d):
        self.d = d
        a = math.radians(d["angle"])
        self.ca, self.sa = math.cos(a), math.sin(a)
        # Work in key-local units first (scale 1, origin at canvas 0,0),
        # then scale and shift so the outlined key fills the canvas
        # leaving a margin of d["margin"] pixels.
        self.scale, self.ox, self.oy = 1.0, 0.0, 0.0
        self.ow = 0.0
        ext = self.extent()
        span = max(ext[2] - ext[0], ext[3] - ext[1])
        avail = 1.0 - 2.0 * d["margin"] / size
        ow_units = d["outline"] / size      # outline in canvas units
        # span*k + 2*ow = avail
        self.scale = (avail - 2 * ow_units) / span
        self.ow = ow_units / self.scale     # outline in key-local units
        cx = (ext[0] + ext[2]) / 2 * self.scale
        cy = (ext[1] + ext[3]) / 2 * self.scale
        self.ox, self.oy = 0.5 - cx, 0.5 - cy

    def extent(self):
        """Bounding box (canvas axes, key-local scale) of the key body."""
        xs, ys = [], []
        n = 200
        lo, hi = -0.6, 1.1
        for j in range(n + 1):
            v = lo + (hi - lo) * j / n
            for i in range(n + 1):
                u = lo + (hi - lo) * i / n
                if min(self.parts(u, v)) <= 0:
                    xs.append(u * self.ca - v * self.sa)
                    ys.append(u * self.sa + v * self.ca)
        return min(xs), min(ys), max(xs), max(ys)

    def local(self, x, y):
        dx = (x - self.ox) / self.scale
        dy = (y - self.oy) / self.scale
        return dx * self.ca + dy * self.sa, -dx * self.sa + dy * self.ca

    def parts(self, u, v):
        """Signed distances (bow, blade) in key-local coordinates."""
        d = self.d
        ring = max(sd_circle(u, v, 0, 0, d["bow_r"]),
                   -sd_circle(u, v, 0, 0, d["hole_r"]))
        h = d["shaft_h"] / 2
        tip = d["length"]
        blade = sd_box(u, v, d["bow_r"] * 0.6, -h, tip, h)
        if d["collar"]:
            c0, c1, ch = d["collar"]
            blade = min(blade, sd_box(u, v, c0, -ch, c1, ch))
        for t0, t1, depth in d["teeth"]:
            blade = min(blade, sd_box(u, v, t0, h - 0.01, t1, h + depth))
        return ring, blade

    def sample(self, x, y):
        """Colour (r, g, b) at one sample point, or None if empty."""
        u, v = self.local(x, y)
        ring, blade = self.parts(u, v)
        body = min(ring, blade)
        if body > self.ow:
            return None
        if body > 0:
            return OUTLINE_BOW if ring < blade else OUTLINE_BLADE
        if ring <= 0:
            return self.green(u, v)        # the bow lies on top of the blade
        if ring < self.ow:
            return OUTLINE_BOW             # edge of the bow across the blade
        return self.gold(u, v)

    def green(self, u, v):
        # light from the upper-left of the canvas
        r = self.d["bow_r"]
        t = 0.5 + 0.5 * (u * 0.3 + v * 0.95) / r
        return lerp(GREEN_LIGHT, GREEN_DARK, t)

    def gold(self, u, v):
        h = self.d["shaft_h"] / 2
        t = 0.5 + 0.5 * v / (h * 1.6)
        return lerp(GOLD_LIGHT, GOLD_DARK, t)


# ---------------------------------------------------------- 16 px pixel art

# At 16 px anti-aliased diagonals turn to mush, so the smallest icon is
# placed pixel by pixel:  G = bow, Y = blade, x = outline, , = hole,
# . = empty.  Every empty pixel touching G or Y edge-on becomes outline.
PIXELS_16 = """
................
...GGGG.........
..GGGGGG........
.GGGxxGGG.......
.GGx,,xGG.......
.GGx,,xGG.......
.GGGxxGGG.......
..GGGGGGY.......
...GGGGYYY......
........YYY.....
.........YYY....
.........YYYY...
.........Y.YYY..
...........YYYY.
...........Y.Y..
................
"""


def render_pixels(art):
    grid = [list(line) for line in art.strip("\n").split("\n")]
    size = len(grid)
    assert all(len(line) == size for line in grid)
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            ch = grid[y][x]
            if ch == ".":
                near = [grid[y + dy][x + dx]
                        for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))
                        if 0 <= x + dx < size and 0 <= y + dy < size]
                if "G" in near:
                    ch = "g"            # outline of the bow
                elif "Y" in near:
                    ch = "y"            # outline of the blade
            if ch in ".,":
                row += b"\0\0\0\0"
                continue
            if ch == "G":
                c = lerp(GREEN_LIGHT, GREEN_DARK, (x + y) / 14)
            elif ch == "Y":
                c = lerp(GOLD_LIGHT, GOLD_DARK, (y - x + 1) / 3)
            elif ch in "xg":
                c = OUTLINE_BOW
            else:
                c = OUTLINE_BLADE
            row += bytes((round(c[0]), round(c[1]), round(c[2]), 255))
        rows.append(bytes(row))
    return rows


# ------------------------------------------------------------- rasterising

def render(size, ss=8):
    d = design_for(size)
    key = Key(size, d)
    rows = []
    inv = 1.0 / (size * ss)
    offs = [(i + 0.5) * inv for i in range(ss)]
    n = ss * ss
    for py in range(size):
        row = bytearray()
        for px in range(size):
            r = g = b = a = 0.0
            for oy in offs:
                y = py / size + oy
                for ox in offs:
                    c = key.sample(px / size + ox, y)
                    if c is not None:
                        r += c[0]
                        g += c[1]
                        b += c[2]
                        a += 1.0
            if a == 0:
                row += b"\0\0\0\0"
            else:
                row += bytes((round(r / a), round(g / a), round(b / a),
                              round(255 * a / n)))
        rows.append(bytes(row))
    return rows


def write_png(path, size, rows):
    raw = b"".join(b"\0" + r for r in rows)

    def chunk(tag, data):
        c = tag + data
        return struct.pack(">I", len(data)) + c + struct.pack(
            ">I", zlib.crc32(c) & 0xFFFFFFFF)

    ihdr = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", ihdr))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(
        os.path.abspath(__file__))
    for size in SIZES:
        path = os.path.join(out, "AAA-%d.png" % size)
        rows = render_pixels(PIXELS_16) if size == 16 else render(size)
        write_png(path, size, rows)
        print(path)


if __name__ == "__main__":
    main()
