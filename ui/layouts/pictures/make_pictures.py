#!/usr/bin/env python3
"""Generate Keyshelf's window artwork: toolbar button pictures, window
icons, the About box header band and the splash screen.

Shapes are drawn with signed distance functions in pixel coordinates and
anti-aliased by supersampling the pixels that straddle an edge.  Text
("Keyshelf", the asterisks, the "?" and "i" glyphs) is rasterised by
ImageMagick `convert` from the DejaVu fonts at a multiple of the final
size, piped back as raw grey levels and box-filtered down here, so the PNG
files themselves are always written by this script (8-bit RGBA via
zlib/struct, no time stamps) and the output is byte-for-byte reproducible.

Usage:  python3 make_pictures.py [output-directory]
The output directory defaults to the directory holding this script.
"""

import math
import os
import struct
import subprocess
import sys
import zlib

FONT_DIR = "/usr/share/fonts/truetype/dejavu"
FONT_BOLD = os.path.join(FONT_DIR, "DejaVuSans-Bold.ttf")


# ================================================================ colours

def hexc(s):
    s = s.lstrip("#")
    return tuple(int(s[i:i + 2], 16) / 255.0 for i in (0, 2, 4))


def lerp(a, b, t):
    t = min(max(t, 0.0), 1.0)
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def linear(c0, c1, x0, y0, x1, y1):
    """Paint: linear gradient from c0 at (x0,y0) to c1 at (x1,y1)."""
    dx, dy = x1 - x0, y1 - y0
    n = dx * dx + dy * dy

    def paint(x, y):
        return lerp(c0, c1, ((x - x0) * dx + (y - y0) * dy) / n)
    return paint


def radial(c0, c1, cx, cy, r):
    """Paint: radial gradient, c0 at (cx,cy) to c1 at distance r."""
    def paint(x, y):
        return lerp(c0, c1, math.hypot(x - cx, y - cy) / r)
    return paint


# ======================================================== distance fields
# Every shape is a function f(x, y) -> signed distance in pixels
# (negative inside).  Combinators may return lower bounds, which is all
# the rasteriser needs.

def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ellipse(cx, cy, rx, ry, angle=0.0):
    ca, sa = math.cos(math.radians(angle)), math.sin(math.radians(angle))
    m = min(rx, ry)

    def f(x, y):
        dx, dy = x - cx, y - cy
        u, v = dx * ca + dy * sa, -dx * sa + dy * ca
        return (math.hypot(u / rx, v / ry) - 1.0) * m
    return f


def box(x0, y0, x1, y1, r=0.0):
    """Axis-aligned box with corner radius r."""
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def f(x, y):
        dx, dy = abs(x - cx) - hx, abs(y - cy) - hy
        return (math.hypot(max(dx, 0.0), max(dy, 0.0))
                + min(max(dx, dy), 0.0) - r)
    return f


def segment(ax, ay, bx, by, r):
    """Capsule of radius r around the segment a-b."""
    def f(x, y):
        px, py, dx, dy = x - ax, y - ay, bx - ax, by - ay
        h = min(max((px * dx + py * dy) / (dx * dx + dy * dy), 0.0), 1.0)
        return math.hypot(px - dx * h, py - dy * h) - r
    return f


def polygon(*pts):
    """Exact distance to a simple polygon given by its corner points."""
    n = len(pts)

    def f(x, y):
        d = float("inf")
        inside = False
        for i in range(n):
            ax, ay = pts[i]
            bx, by = pts[i - 1]
            ex, ey = bx - ax, by - ay
            wx, wy = x - ax, y - ay
            h = min(max((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0), 1.0)
            d = min(d, math.hypot(wx - ex * h, wy - ey * h))
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / ey:
                inside = not inside
        return -d if inside else d
    return f


def arc(cx, cy, r, w, a0, a1):
    """Band of width w along a circle of radius r, from angle a0 to a1
    (degrees, screen coordinates: 0 = right, 90 = down), square ends."""
    t0, t1 = math.radians(a0), math.radians(a1)
    mid = (t0 + t1) / 2
    half = abs(t1 - t0) / 2

    def f(x, y):
        dx, dy = x - cx, y - cy
        t = math.atan2(dy, dx) - mid
        t = (t + math.pi) % (2 * math.pi) - math.pi
        rad = abs(math.hypot(dx, dy) - r) - w / 2
        if abs(t) <= half:
            return rad
        # beyond an end: distance to the end cap (a short segment)
        te = mid + math.copysign(half, t)
        ex, ey = math.cos(te), math.sin(te)
        along = dx * ex + dy * ey            # radial position on the cap
        across = abs(-dx * ey + dy * ex)
        dr = abs(along - r) - w / 2
        return math.hypot(max(dr, 0.0), across) if dr > 0 else across
    return f


def union(*fs):
    return lambda x, y: min(f(x, y) for f in fs)


def inter(*fs):
    return lambda x, y: max(f(x, y) for f in fs)


def minus(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


def grow(f, d):
    """The shape f made d pixels fatter (thinner if d < 0)."""
    return lambda x, y: f(x, y) - d


def smooth_union(k, *fs):
    """Union with rounded joins of size k (for organic coast lines)."""
    def f(x, y):
        d = fs[0](x, y)
        for g in fs[1:]:
            e = g(x, y)
            h = min(max(0.5 + 0.5 * (e - d) / k, 0.0), 1.0)
            d = e + (d - e) * h - k * h * (1.0 - h)
        return d
    return f


def transform(f, scale=1.0, dx=0.0, dy=0.0):
    """Shape f scaled about the origin then moved by (dx, dy)."""
    return lambda x, y: f((x - dx) / scale, (y - dy) / scale) * scale


# ================================================================ canvas

class Canvas:
    """RGBA image with float channels 0..1, straight (unpremultiplied)."""

    def __init__(self, w, h, bg=None):
        self.w, self.h = w, h
        if bg is None:
            self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(w * h)]
        else:
            self.px = [[bg[0], bg[1], bg[2], 1.0] for _ in range(w * h)]

    def blend(self, x, y, c, a):
        if a <= 0.0:
            return
        p = self.px[y * self.w + x]
        da = p[3] * (1.0 - a)
        oa = a + da
        for i in range(3):
            p[i] = (c[i] * a + p[i] * da) / oa
        p[3] = oa

    def paint_all(self, paint):
        for y in range(self.h):
            for x in range(self.w):
                c = paint(x + 0.5, y + 0.5)
                self.blend(x, y, c, c[3] if len(c) > 3 else 1.0)

    def fill(self, shape, paint, opacity=1.0, ss=8, bbox=None):
        """Cover `shape` with `paint` (a colour or a function x,y->colour,
        colours being rgb or rgba tuples)."""
        x0, y0, x1, y1 = bbox or (0, 0, self.w, self.h)
        x0, y0 = max(int(x0), 0), max(int(y0), 0)
        x1, y1 = min(int(math.ceil(x1)), self.w), min(int(math.ceil(y1)),
                                                       self.h)
        offs = [(i + 0.5) / ss - 0.5 for i in range(ss)]
        for py in range(y0, y1):
            for px in range(x0, x1):
                cx, cy = px + 0.5, py + 0.5
                d = shape(cx, cy)
                if d >= 0.75:
                    continue
                if d <= -0.75:
                    cov = 1.0
                else:
                    hits = 0
                    for oy in offs:
                        for ox in offs:
                            if shape(cx + ox, cy + oy) <= 0.0:
                                hits += 1
                    cov = hits / (ss * ss)
                    if cov == 0.0:
                        continue
                c = paint(cx, cy) if callable(paint) else paint
                a = c[3] if len(c) > 3 else 1.0
                self.blend(px, py, c, cov * a * opacity)

    def outlined(self, shape, paint, line, width, **kw):
        """Fill shape with paint, framed by an outline `width` px wide
        lying outside the shape."""
        self.fill(grow(shape, width), line, **kw)
        self.fill(shape, paint, **kw)

    def mask(self, cover, ox, oy, paint, opacity=1.0):
        """Paint through a coverage Mask placed with its top-left at the
        whole pixel (ox, oy)."""
        for my in range(cover.h):
            y = oy + my
            if not 0 <= y < self.h:
                continue
            for mx in range(cover.w):
                x = ox + mx
                a = cover.a[my * cover.w + mx]
                if a > 0.0 and 0 <= x < self.w:
                    c = paint(x + 0.5, y + 0.5) if callable(paint) else paint
                    self.blend(x, y, c, a * opacity * (c[3] if len(c) > 3
                                                       else 1.0))

    def rows(self):
        out = []
        for y in range(self.h):
            row = bytearray()
            for x in range(self.w):
                p = self.px[y * self.w + x]
                if p[3] <= 0.0:
                    row += b"\0\0\0\0"
                else:
                    row += bytes(min(255, max(0, round(v * 255)))
                                 for v in p)
            out.append(bytes(row))
        return out


class Mask:
    """A coverage map (floats 0..1), w x h."""

    def __init__(self, w, h, a):
        self.w, self.h, self.a = w, h, a

    def blurred(self, radius):
        """Box blur applied twice (a cheap soft shadow), grown by radius."""
        r = int(radius)
        w, h = self.w + 4 * r, self.h + 4 * r
        a = [0.0] * (w * h)
        for y in range(self.h):
            for x in range(self.w):
                a[(y + 2 * r) * w + x + 2 * r] = self.a[y * self.w + x]
        n = 2 * r + 1
        for _ in range(2):
            b = [0.0] * (w * h)
            for y in range(h):
                for x in range(w):
                    s = 0.0
                    for k in range(x - r, x + r + 1):
                        if 0 <= k < w:
                            s += a[y * w + k]
                    b[y * w + x] = s / n
            a = [0.0] * (w * h)
            for y in range(h):
                for x in range(w):
                    s = 0.0
                    for k in range(y - r, y + r + 1):
                        if 0 <= k < h:
                            s += b[k * w + x]
                    a[y * w + x] = s / n
        return Mask(w, h, a)


def text_mask(text, font, size_px, ss=4, shift=(0.0, 0.0)):
    """Rasterise text with ImageMagick at ss times the wanted size and
    box-filter it down.  size_px is the font's pixel size at final scale.
    shift moves the glyphs by a sub-pixel amount (final pixels) before
    the downsampling.  Returns a Mask cropped to the ink."""
    pt = size_px * ss                       # at 72 dpi a point is a pixel
    bw = int(pt * (len(text) + 2))
    bh = int(pt * 2.2)
    cmd = ["convert", "-size", "%dx%d" % (bw, bh), "xc:black",
           "-font", font, "-pointsize", "%g" % pt, "-fill", "white",
           "-gravity", "NorthWest",
           "-annotate", "+%d+%d" % (int(pt * 0.5), int(pt * 0.4)), text,
           "-depth", "8", "gray:-"]
    raw = subprocess.run(cmd, check=True, capture_output=True).stdout
    assert len(raw) == bw * bh, "unexpected raster size from convert"
    ys = [y for y in range(bh) if any(raw[y * bw:(y + 1) * bw])]
    xs = [x for x in range(bw) if any(raw[y * bw + x] for y in ys)]
    # snap the ink box to the ss grid (plus the requested shift)
    sx = int(round(shift[0] * ss))
    sy = int(round(shift[1] * ss))
    gx0 = (xs[0] + sx) // ss * ss - sx
    gy0 = (ys[0] + sy) // ss * ss - sy
    w = (xs[-1] + 1 - gx0 + ss - 1) // ss
    h = (ys[-1] + 1 - gy0 + ss - 1) // ss
    a = []
    for my in range(h):
        for mx in range(w):
            s = 0
            for yy in range(gy0 + my * ss, gy0 + (my + 1) * ss):
                if 0 <= yy < bh:
                    base = yy * bw
                    for xx in range(gx0 + mx * ss, gx0 + (mx + 1) * ss):
                        if 0 <= xx < bw:
                            s += raw[base + xx]
            a.append(s / (255.0 * ss * ss))
    return Mask(w, h, a)


def write_png(path, canvas):
    raw = b"".join(b"\0" + r for r in canvas.rows())

    def chunk(tag, data):
        c = tag + data
        return struct.pack(">I", len(data)) + c + struct.pack(
            ">I", zlib.crc32(c) & 0xFFFFFFFF)

    ihdr = struct.pack(">IIBBBBB", canvas.w, canvas.h, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", ihdr))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


# ========================================================= shared motifs

WHITE = (1.0, 1.0, 1.0)

GREEN_LIGHT, GREEN_DARK, GREEN_LINE = (hexc("8BE07A"), hexc("23933A"),
                                       hexc("145A22"))
RED_LIGHT, RED_DARK, RED_LINE = (hexc("FF8A7A"), hexc("D0241C"),
                                 hexc("7A1410"))


def round_button(c, cx, cy, r, light, dark, line, ow):
    """Glossy round button: lit from the upper left, dark outline, soft
    highlight across the top."""
    disc = circle(cx, cy, r)
    c.outlined(disc, radial(light, dark, cx - r * 0.45, cy - r * 0.5,
                            r * 1.75), line, ow)
    gloss = inter(disc, ellipse(cx, cy - r * 0.45, r * 0.72, r * 0.45))
    top = cy - r * 0.9

    def sheen(x, y):
        fade = min(max((y - top) / (r * 0.85), 0.0), 1.0)
        return WHITE + (0.38 * (1.0 - fade),)
    c.fill(gloss, sheen)


def plus_shape(cx, cy, arm, half):
    return union(box(cx - arm, cy - half, cx + arm, cy + half, 0.6),
                 box(cx - half, cy - arm, cx + half, cy + arm, 0.6))


# Globe: blue sea and green land, in unit coordinates (radius 1).
def land_unit():
    america = smooth_union(
        0.12,
        ellipse(-0.42, -0.40, 0.36, 0.24, 20),
        ellipse(-0.52, -0.12, 0.14, 0.22, -20),
        ellipse(-0.22, 0.32, 0.17, 0.34, 18),
        ellipse(-0.30, 0.12, 0.16, 0.10, 0))
    eurafrica = smooth_union(
        0.12,
        ellipse(0.38, -0.52, 0.26, 0.13, -10),
        ellipse(0.48, 0.12, 0.24, 0.32, -15),
        ellipse(0.58, -0.22, 0.22, 0.12, 0))
    return union(america, eurafrica)


LAND = land_unit()
SEA_LIGHT, SEA_DARK, SEA_LINE = hexc("7FD0FF"), hexc("1650B8"), hexc("0C2A66")
LAND_LIGHT, LAND_DARK, LAND_LINE = hexc("9BE86A"), hexc("2E8A2A"), hexc(
    "1D5A1C")


def globe(c, cx, cy, r, ow, clip=None, coast=True, sheen=True):
    disc = circle(cx, cy, r)
    if clip is None:
        c.fill(grow(disc, ow), SEA_LINE)
    area = disc if clip is None else inter(disc, clip)
    c.fill(area, radial(SEA_LIGHT, SEA_DARK, cx - r * 0.45, cy - r * 0.45,
                        r * 1.9))
    land = transform(LAND, r, cx, cy)
    if coast:
        c.fill(inter(area, grow(land, 0.45)), LAND_LINE, opacity=0.8)
    c.fill(inter(area, land), radial(LAND_LIGHT, LAND_DARK, cx - r * 0.4,
                                     cy - r * 0.45, r * 1.9))
    # a soft sheen on the upper left
    if sheen:
            c.fill(inter(area, ellipse(cx - r * 0.3, cy - r * 0.38, r * 0.55,
                                   r * 0.38, -35)),
               WHITE + (0.28,))


def sheet(c, x0, y0, x1, y1, fold, paper, line, ow, fold_paint):
    """A sheet of paper with its top-right corner folded down."""
    body = polygon((x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1),
                   (x0, y1))
    c.outlined(body, paper, line, ow)
    flap = polygon((x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold))
    c.fill(flap, fold_paint)
    # the crease and flap edges
    c.fill(segment(x1 - fold, y0, x1 - fold, y0 + fold, ow * 0.45), line)
    c.fill(segment(x1 - fold, y0 + fold, x1, y0 + fold, ow * 0.45), line)
    return body


# ======================================================== button pictures

def draw_add(size=32):
    c = Canvas(size, size)
    s = size / 32.0
    m = size / 2
    round_button(c, m, m, 14.4 * s, GREEN_LIGHT, GREEN_DARK, GREEN_LINE,
                 1.1 * s)
    plus = plus_shape(m, m, 8.4 * s, 2.6 * s)
    c.fill(grow(plus, 0.9 * s), GREEN_LINE + (0.45,))
    c.fill(plus, WHITE)
    return c


def draw_edit():
    c = Canvas(32, 32)
    paper = linear(hexc("FFF8B8"), hexc("F3D548"), 6, 3, 26, 29)
    line = hexc("7A5C10")
    sheet(c, 6.0, 3.0, 26.0, 29.0, 7.0, paper, line, 1.1,
          linear(hexc("FFFCE0"), hexc("D9B630"), 19, 3, 26, 10))
    ink = hexc("8A7440")
    for y, x1 in ((8.5, 17.0), (12.5, 22.5), (16.5, 21.0), (20.5, 22.5),
                  (24.5, 18.0)):
        c.fill(segment(9.5, y, x1, y, 0.75), ink)
    return c


def draw_delete(size=32):
    c = Canvas(size, size)
    s = size / 32.0
    m = size / 2
    round_button(c, m, m, 14.4 * s, RED_LIGHT, RED_DARK, RED_LINE, 1.1 * s)
    k = 5.6 * s
    cross = union(segment(m - k, m - k, m + k, m + k, 2.3 * s),
                  segment(m - k, m + k, m + k, m - k, 2.3 * s))
    c.fill(grow(cross, 0.9 * s), RED_LINE + (0.45,))
    c.fill(cross, WHITE)
    return c


def draw_globe():
    c = Canvas(32, 32)
    globe(c, 16.0, 16.0, 14.3, 1.1)
    return c


def draw_copy():
    c = Canvas(32, 32)
    line = hexc("4A6A8C")
    paper_back = linear(hexc("FFFFFF"), hexc("D6E2EE"), 4, 2, 19, 22)
    paper_front = linear(hexc("FFFFFF"), hexc("DCE6F0"), 12, 9, 28, 30)
    fold = linear(hexc("FFFFFF"), hexc("B8CCE0"), 20, 9, 28, 16)
    ink = hexc("8FA8C2")
    sheet(c, 3.5, 2.5, 18.5, 22.0, 5.0, paper_back, line, 1.2, fold)
    for y, x1 in ((8.0, 12.0), (11.5, 15.5), (15.0, 11.0)):
        c.fill(segment(6.5, y, x1, y, 0.7), ink)
    sheet(c, 12.5, 9.5, 28.5, 29.5, 5.5, paper_front, line, 1.2, fold)
    for y, x1 in ((15.5, 21.0), (19.0, 25.5), (22.5, 24.0), (26.0, 22.0)):
        c.fill(segment(15.5, y, x1, y, 0.7), ink)
    return c


def arrow_shape():
    # shaft: a quarter circle rising from the lower left and turning
    # right, then a broad head pointing right
    cx, cy, r, w = 20.0, 26.0, 12.5, 7.0
    shaft = union(arc(cx, cy, r, w, 180.0, 270.0),
                  box(cx - r - w / 2, cy - 0.5, cx - r + w / 2, 29.5))
    head = polygon((cx - 0.5, cy - r - 8.5), (30.0, cy - r),
                   (cx - 0.5, cy - r + 8.5))
    return union(shaft, head)


def draw_goto():
    c = Canvas(32, 32)
    shape = arrow_shape()
    c.outlined(shape, linear(GREEN_LIGHT, GREEN_DARK, 4, 6, 26, 30),
               GREEN_LINE, 1.1)
    return c


def draw_save():
    c = Canvas(32, 32)
    line = hexc("102C5C")
    body = polygon((3.5, 3.5), (25.5, 3.5), (28.5, 6.5), (28.5, 28.5),
                   (3.5, 28.5))
    body = inter(body, box(3.5, 3.5, 28.5, 28.5, 1.5))
    c.outlined(body, linear(hexc("6FA3F0"), hexc("1D4FA8"), 4, 4, 28, 28),
               line, 1.1)
    # metal shutter with its window
    shutter = box(9.0, 3.5, 23.0, 12.0, 0.6)
    c.fill(grow(shutter, 0.8), line)
    c.fill(shutter, linear(hexc("F2F5F8"), hexc("9AA6B4"), 9, 3, 23, 12))
    c.fill(box(17.5, 5.0, 21.0, 10.5, 0.4), hexc("2A3340"))
    # label
    label = box(7.0, 16.0, 25.0, 28.5, 0.8)
    c.fill(grow(label, 0.8), line)
    c.fill(label, linear(hexc("FFFFFF"), hexc("DDE6F0"), 7, 16, 25, 29))
    for y in (19.5, 22.5, 25.5):
        c.fill(segment(9.5, y, 22.5, y, 0.55), hexc("7E9CC4"))
    return c


# ============================================================ window icons

def draw_agent():
    c = Canvas(32, 32)
    outline = hexc("101216")
    ow = 1.0
    skin = radial(hexc("FFD8B4"), hexc("D8956A"), 13.5, 8.0, 12.0)
    # suit: broad shoulders, cut off by the bottom edge
    suit = inter(ellipse(16.0, 33.5, 15.2, 12.2), box(-5, 0, 37, 32.0))
    neck = box(12.9, 15.0, 19.1, 23.0, 1.0)
    c.fill(grow(union(suit, neck), ow), outline)
    c.fill(suit, linear(hexc("3E434B"), hexc("141619"), 16, 21, 16, 32))
    c.fill(neck, skin)
    # white shirt in the V between the lapels
    shirt = polygon((10.6, 21.0), (21.4, 21.0), (16.0, 31.6))
    c.fill(shirt, linear(WHITE, hexc("C8D0DA"), 16, 21, 16, 31))
    # lapel edges
    for sx in (-1, 1):
        c.fill(segment(16.0 + sx * 5.6, 21.2, 16.0 + sx * 0.4, 31.4, 0.5),
               hexc("7A828E"))
    # tie
    knot = polygon((14.6, 22.6), (17.4, 22.6), (16.9, 24.8), (15.1, 24.8))
    blade = polygon((15.1, 24.8), (16.9, 24.8), (17.7, 29.6), (16.0, 31.6),
                    (14.3, 29.6))
    c.fill(union(knot, blade), hexc("121418"))
    # collar points either side of the knot
    for sx in (-1, 1):
        collar = polygon((16.0 + sx * 3.6, 20.4), (16.0 + sx * 1.3, 23.4),
                         (16.0 + sx * 3.0, 25.6), (16.0 + sx * 4.6, 21.6))
        c.fill(grow(collar, 0.45), hexc("8A94A0"))
        c.fill(collar, WHITE)
    # head with ears
    head = ellipse(16.0, 10.6, 6.4, 7.6)
    ears = union(ellipse(9.7, 11.6, 1.4, 2.2), ellipse(22.3, 11.6, 1.4, 2.2))
    c.fill(grow(union(head, ears), ow), outline)
    c.fill(ears, skin)
    c.fill(head, skin)
    # short dark hair
    hair = minus(grow(head, 0.5), ellipse(16.0, 13.6, 7.4, 8.4))
    hair = inter(hair, box(0, 0, 32, 10.0))
    c.fill(hair, linear(hexc("3A2C22"), hexc("1A120C"), 16, 2, 16, 8))
    # sunglasses
    lens_l = box(9.6, 9.2, 15.3, 13.2, 1.6)
    lens_r = box(16.7, 9.2, 22.4, 13.2, 1.6)
    frame = union(lens_l, lens_r,
                  segment(14.8, 9.9, 17.2, 9.9, 0.55),
                  segment(9.2, 10.0, 8.6, 10.6, 0.5),
                  segment(22.8, 10.0, 23.4, 10.6, 0.5))
    c.fill(grow(frame, 0.35), outline)
    glass = linear(hexc("4C5668"), hexc("050608"), 0, 9, 0, 13.5)
    c.fill(union(lens_l, lens_r), glass)
    for lx in (10.9, 18.0):
        c.fill(segment(lx, 10.3, lx + 1.4, 10.3, 0.45), WHITE + (0.7,))
    # a firm mouth
    c.fill(segment(14.9, 15.9, 17.1, 15.9, 0.4), hexc("9A5A44"))
    return c


def draw_glyph_button(text, size=24):
    c = Canvas(size, size)
    m = size / 2
    s = size / 24.0
    round_button(c, m, m, 10.9 * s, GREEN_LIGHT, GREEN_DARK, GREEN_LINE,
                 0.95 * s)
    g = text_mask(text, FONT_BOLD, 17.0 * s, ss=8)
    ox = int(round(m - g.w / 2))
    oy = int(round(m - g.h / 2))
    halo = g.blurred(1)
    c.mask(halo, ox - 2, oy - 2, GREEN_LINE, opacity=0.5)
    c.mask(g, ox, oy, WHITE)
    return c


def draw_add_small(size=24):
    c = Canvas(size, size)
    m = size / 2
    s = size / 24.0
    round_button(c, m, m, 10.9 * s, GREEN_LIGHT, GREEN_DARK, GREEN_LINE,
                 0.95 * s)
    plus = plus_shape(m, m, 6.4 * s, 2.0 * s)
    c.fill(grow(plus, 0.8 * s), GREEN_LINE + (0.45,))
    c.fill(plus, WHITE)
    return c


def draw_website(size):
    c = Canvas(size, size)
    if size >= 32:
        cx = cy = 12.5
        r_lens, ring_w, ow = 10.0, 2.4, 1.0
        hx0, hx1, hr = 20.2, 28.6, 2.3
    else:
        cx = cy = 6.5
        r_lens, ring_w, ow = 5.2, 1.5, 0.7
        hx0, hx1, hr = 10.4, 13.8, 1.45
    line = hexc("1C2430")
    # handle, behind the rim
    handle = segment(hx0, hx0, hx1, hx1, hr)
    c.outlined(handle, linear(hexc("8A5A32"), hexc("3E2412"), hx0 - 2,
                              hx0 + 2, hx0 + 2, hx0 - 2), line, ow)
    # globe seen through the lens (slightly magnified, clipped to it)
    inner = circle(cx, cy, r_lens - ring_w / 2)
    c.fill(grow(circle(cx, cy, r_lens + ring_w / 2), ow), line)
    big = size >= 32
    globe(c, cx + 0.6, cy + 0.6, r_lens + 0.8, ow, clip=inner, coast=big,
          sheen=False)
    # glass glint
    if big:
        c.fill(inter(inner, ellipse(cx - r_lens * 0.35, cy - r_lens * 0.4,
                                    r_lens * 0.42, r_lens * 0.22, -40)),
               WHITE + (0.45,))
    # metal rim
    rim = minus(circle(cx, cy, r_lens + ring_w / 2), inner)
    c.fill(rim, linear(hexc("F4F6F8"), hexc("6C7684"), cx - r_lens,
                       cy - r_lens, cx + r_lens, cy + r_lens))
    c.fill(minus(circle(cx, cy, r_lens - ring_w / 2 + 0.01),
                 circle(cx, cy, r_lens - ring_w / 2 - ow * 0.6)),
           line + (0.7,))
    return c


# ========================================================= wide pictures

def asterisk(cx, cy, r, t):
    """Six-armed asterisk of arm length r and stroke half-width t."""
    arms = []
    for a in (90.0, 30.0, 150.0):
        dx = r * math.cos(math.radians(a))
        dy = r * math.sin(math.radians(a))
        arms.append(segment(cx - dx, cy - dy, cx + dx, cy + dy, t))
    return union(*arms)


def password_field(c, x0, y0, x1, y1, border, fill_paint, star_r,
                   star_colour, radius=3.0):
    field = box(x0, y0, x1, y1, radius)
    c.fill(grow(field, 1.0), border)
    c.fill(field, fill_paint)
    # a faint inner shadow along the top, like a sunken edit box
    c.fill(inter(field, box(x0, y0, x1, y0 + 2.0)), (0.45, 0.55, 0.7, 0.18))
    # five masked-out characters, centred
    pitch = star_r * 3.0
    mx, my = (x0 + x1) / 2, (y0 + y1) / 2 + 0.5
    stars = union(*(asterisk(mx + (i - 2) * pitch, my, star_r,
                             star_r * 0.26) for i in range(5)))
    c.fill(stars, star_colour, bbox=(x0, y0, x1, y1))


def draw_about_header():
    w, h = 497, 68
    left, right = hexc("F3F8FE"), hexc("CFE1F5")
    c = Canvas(w, h, bg=left)
    c.paint_all(lambda x, y: lerp(left, right, (x / w) ** 1.3))
    # thin rule along the bottom edge
    c.fill(box(0, h - 1, w, h), hexc("A9C3E0"))
    password_field(c, 398.0, 22.0, 485.0, 46.0, hexc("7F9DB9"),
                   linear(WHITE, hexc("F4F8FC"), 0, 22, 0, 46), 3.7,
                   hexc("1E2E44"))
    return c


def key_shape(scale, cx, cy, angle):
    """A simple key (ring bow, blade with two teeth) lying along +x from
    the bow centre, turned by angle degrees about (cx, cy)."""
    ca, sa = math.cos(math.radians(angle)), math.sin(math.radians(angle))
    bow = minus(circle(0, 0, 0.26), circle(0, 0, 0.11))
    blade = union(box(0.18, -0.065, 0.95, 0.065, 0.01),
                  box(0.62, 0.0, 0.72, 0.2, 0.01),
                  box(0.80, 0.0, 0.95, 0.24, 0.01),
                  box(0.30, -0.1, 0.36, 0.1, 0.01))
    key = union(bow, blade)

    def f(x, y):
        dx, dy = (x - cx) / scale, (y - cy) / scale
        u, v = dx * ca + dy * sa, -dx * sa + dy * ca
        return key(u, v) * scale
    return f


def draw_splash():
    w, h = 476, 316
    top, bottom = hexc("2F7BE0"), hexc("0A2E78")
    c = Canvas(w, h, bg=bottom)

    def backdrop(x, y):
        base = lerp(top, bottom, (y / h) ** 0.9 * 0.85 + (x / w) * 0.15)
        # soft light glow behind the name
        g = math.exp(-(((x - w * 0.5) / 210.0) ** 2
                       + ((y - h * 0.36) / 120.0) ** 2))
        return lerp(base, hexc("7DB8FF"), 0.55 * g)
    c.paint_all(backdrop)

    # a gentle curved sheen over the upper part, and thin light rules
    c.fill(ellipse(w * 0.62, -h * 0.62, w * 0.95, h * 1.02),
           lambda x, y: WHITE + (0.035 + 0.06 * (1.0 - y / (h * 0.4)),),
           ss=4)
    c.fill(box(40, 18, w - 40, 19), WHITE + (0.25,))
    c.fill(box(40, h - 19, w - 40, h - 18), WHITE + (0.25,))

    # the name, with a soft drop shadow
    name = text_mask("Keyshelf", FONT_BOLD, 66.0, ss=4)
    nx = int(round(w / 2 - name.w / 2))
    ny = 78
    shadow = name.blurred(3)
    c.mask(shadow, nx - 6 + 2, ny - 6 + 3, hexc("041a48"), opacity=0.55)
    c.mask(name, nx, ny, linear(WHITE, hexc("DCEBFF"), 0, ny, 0,
                                ny + name.h))

    # password field below, with a small gold key to its left
    fx0, fx1, fy0, fy1 = 180.0, 342.0, 196.0, 228.0
    fs = box(fx0, fy0, fx1, fy1, 4.0)
    c.fill(transform(fs, 1.0, 0.0, 3.0), (0.0, 0.05, 0.2, 0.35), ss=4)
    password_field(c, fx0, fy0, fx1, fy1, hexc("9CB6D8"),
                   linear(WHITE, hexc("EEF4FB"), 0, fy0, 0, fy1), 5.6,
                   hexc("1E2E44"), radius=4.0)
    key = key_shape(34.0, 148.0, 204.0, 35.0)
    c.fill(grow(key, 1.3), hexc("3A2A06"), ss=4)
    c.fill(key, linear(hexc("FFE27A"), hexc("D0951C"), 142, 198, 172, 228),
           ss=4)
    return c


# ================================================================== main

PICTURES = [
    ("P1.png", draw_add),
    ("P2.png", draw_edit),
    ("P3.png", draw_delete),
    ("P4.png", draw_globe),
    ("P5.png", draw_copy),
    ("P6.png", draw_goto),
    ("Save.png", draw_save),
    ("frmPass.png", draw_agent),
    ("frmAdd.png", draw_add_small),
    ("Form8.png", lambda: draw_glyph_button("?")),
    ("frmAbout.png", lambda: draw_glyph_button("i")),
    ("frmWebsite-32.png", lambda: draw_website(32)),
    ("frmWebsite-16.png", lambda: draw_website(16)),
    ("about-header.png", draw_about_header),
    ("splash.png", draw_splash),
]


def main():
    args = sys.argv[1:]
    out = args[0] if args else os.path.dirname(os.path.abspath(__file__))
    only = set(args[1:])
    for name, draw in PICTURES:
        if only and name not in only:
            continue
        path = os.path.join(out, name)
        write_png(path, draw())
        print(path)


if __name__ == "__main__":
    main()
