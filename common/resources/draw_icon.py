#!/usr/bin/env python3
"""Draws the programs' icon and writes it as a Windows .ico file.

The picture is a compass over a globe on a rounded teal tile: the desktop entry point of a web
navigation site. It is one vector description (shapes in a unit square, y pointing down) rendered
at 64, 48, 32, 24 and 16 pixels by supersampling, so every size has anti-aliased edges. Each image
is a 32-bit BGRA DIB with its AND mask. The output depends on nothing but this file: only
arithmetic and square roots (exactly rounded) are used, so the bytes are the same on every run.

Usage: draw_icon.py [OUTPUT]   (default: morvane.ico next to this script)
"""
import math
import os
import struct
import sys

SIZES = (64, 48, 32, 24, 16)
CENTRE = 0.5
SQRT_HALF = math.sqrt(0.5)


def rgb(hex_colour, alpha=1.0):
    """A straight-alpha colour with components in 0..1 from 0xRRGGBB."""
    return ((hex_colour >> 16 & 0xFF) / 255.0, (hex_colour >> 8 & 0xFF) / 255.0,
            (hex_colour & 0xFF) / 255.0, alpha)


# --- shapes: predicates on a point of the unit square -------------------------------------------

def rounded_square(radius):
    half = 0.5 - radius

    def inside(x, y):
        qx = max(abs(x - CENTRE) - half, 0.0)
        qy = max(abs(y - CENTRE) - half, 0.0)
        return qx * qx + qy * qy <= radius * radius
    return inside


def ring(inner, outer):
    def inside(x, y):
        d2 = (x - CENTRE) ** 2 + (y - CENTRE) ** 2
        return inner * inner <= d2 <= outer * outer
    return inside


def disc(radius):
    def inside(x, y):
        return (x - CENTRE) ** 2 + (y - CENTRE) ** 2 <= radius * radius
    return inside


def ellipse_outline(semi_x, semi_y, width, clip_radius):
    """The outline of a centred ellipse (a meridian of the globe), clipped to a disc."""
    def inside(x, y):
        dx, dy = x - CENTRE, y - CENTRE
        if dx * dx + dy * dy > clip_radius * clip_radius:
            return False
        outer = (dx / semi_x) ** 2 + (dy / semi_y) ** 2
        inner = (dx / (semi_x - width)) ** 2 + (dy / (semi_y - width)) ** 2
        return outer <= 1.0 <= inner
    return inside


def horizontal_band(half_width, clip_radius):
    """The equator: a horizontal band through the centre, clipped to a disc."""
    def inside(x, y):
        dx, dy = x - CENTRE, y - CENTRE
        return abs(dy) <= half_width and dx * dx + dy * dy <= clip_radius * clip_radius
    return inside


def needle_half(length, half_width, north):
    """One half of the compass needle, a rhombus whose long axis points to the upper right."""
    def inside(x, y):
        dx, dy = x - CENTRE, y - CENTRE
        along = (dx - dy) * SQRT_HALF      # towards the upper right
        across = (dx + dy) * SQRT_HALF
        if (along > 0.0) != north:
            return False
        return abs(along) / length + abs(across) / half_width <= 1.0
    return inside


# --- paints: colour at a point -------------------------------------------------------------------

def solid(colour):
    return lambda x, y: colour


def vertical_gradient(top, bottom):
    def paint(x, y):
        t = min(max(y, 0.0), 1.0)
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))
    return paint


# The picture, back to front.
GLOBE_RADIUS = 0.395
GLOBE_INNER = 0.325
LAYERS = (
    (rounded_square(0.22), vertical_gradient(rgb(0x2FC4A4), rgb(0x0E6E66))),
    (ellipse_outline(0.17, GLOBE_INNER, 0.04, GLOBE_INNER), solid(rgb(0xFFFFFF, 0.35))),
    (horizontal_band(0.02, GLOBE_INNER), solid(rgb(0xFFFFFF, 0.35))),
    (ring(GLOBE_INNER, GLOBE_RADIUS), solid(rgb(0xFFFFFF))),
    (needle_half(0.3, 0.12, north=True), solid(rgb(0xFF5A36))),
    (needle_half(0.3, 0.12, north=False), solid(rgb(0xF4F7FB))),
    (disc(0.04), solid(rgb(0x0B4A45))),
)


def sample(x, y):
    """The premultiplied colour of the picture at one point."""
    r = g = b = a = 0.0
    for shape, paint in LAYERS:
        if shape(x, y):
            cr, cg, cb, ca = paint(x, y)
            keep = 1.0 - ca
            r, g, b, a = cr * ca + r * keep, cg * ca + g * keep, cb * ca + b * keep, ca + a * keep
    return r, g, b, a


def to_byte(value):
    return min(255, max(0, int(value * 255.0 + 0.5)))


def render(size):
    """Rows top to bottom of straight-alpha (b, g, r, a) byte tuples."""
    grid = max(8, 512 // size)          # subsamples per pixel along each axis
    count = grid * grid
    offsets = [(k + 0.5) / grid for k in range(grid)]
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            sr = sg = sb = sa = 0.0
            for oy in offsets:
                y = (py + oy) / size
                for ox in offsets:
                    r, g, b, a = sample((px + ox) / size, y)
                    sr += r
                    sg += g
                    sb += b
                    sa += a
            alpha = to_byte(sa / count)
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((to_byte(sb / sa), to_byte(sg / sa), to_byte(sr / sa), alpha))
        rows.append(row)
    return rows


def dib(size, rows):
    """A 32 bpp icon image: BITMAPINFOHEADER, BGRA rows bottom-up, then the 1 bpp AND mask."""
    mask_stride = (size + 31) // 32 * 4
    pixels = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        for pixel in row:
            pixels += bytes(pixel)
        bits = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:                # transparent where alpha is zero
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    return header + bytes(pixels) + bytes(mask)


def ico(images):
    """ICONDIR, one ICONDIRENTRY per image, then the images in the same order."""
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return out


def main(argv):
    if len(argv) > 2:
        sys.stderr.write('usage: draw_icon.py [OUTPUT]\n')
        return 2
    target = argv[1] if len(argv) == 2 else os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                         'morvane.ico')
    data = ico([(size, dib(size, render(size))) for size in SIZES])
    with open(target, 'wb') as f:
        f.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
