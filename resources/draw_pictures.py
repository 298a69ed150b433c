#!/usr/bin/env python3
"""Draw Selvaro's pictures and write them next to this script.

  selvaro.ico  brushed-metal hard-disk drive with a green light, nine sizes (64 and up as PNG)
  drive48.ico  plain grey drive, 48 x 48, 8-bit colour (a palette of its 24 colours)

Run with no arguments. Standard library only; every run writes the same bytes.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ICON_SIZES = (256, 128, 96, 72, 64, 48, 32, 24, 16)
# Images of this size and larger are stored PNG-compressed, the smaller ones as plain 32-bit DIBs.
# Windows reads PNG images in icons at any size since Vista, and the program needs Windows 7, so
# the choice is about bytes and other readers. 64 to 128 serve the shell's large views and high
# DPI, read by the same loader as the 256 image; as PNG they take a fifth to a quarter of their
# DIB bytes (144 KB down to 31 KB), with the same colours and alpha (the loader makes their AND
# mask, used only where icons are drawn without alpha, from the alpha). 48 and below are what the
# title bar, the taskbar and LoadImage pick at usual DPI, their DIBs are small (17 KB for all
# four), and kept as DIBs they leave a complete classic set for any icon reader or tool that knows
# no PNG.
PNG_FROM = 64


# --- geometry helpers (picture coordinates run from 0 to 1, y downwards) ---
def clamp(v, lo=0.0, hi=1.0):
    return max(lo, min(hi, v))


def smoothstep(e0, e1, v):
    t = clamp((v - e0) / (e1 - e0))
    return t * t * (3 - 2 * t)


def mix(c0, c1, t):
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def rounded_rect(x, y, x0, y0, x1, y1, r):
    """Signed distance to a rounded rectangle: negative inside, positive outside."""
    qx = abs(x - (x0 + x1) / 2) - ((x1 - x0) / 2 - r)
    qy = abs(y - (y0 + y1) / 2) - ((y1 - y0) / 2 - r)
    return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r


def noise(i):
    """Repeatable pseudo-random number between 0 and 1 for the integer i."""
    i = (i * 2654435761 + 0x9E3779B9) & 0xFFFFFFFF
    i = ((i ^ (i >> 15)) * 0x85EBCA6B) & 0xFFFFFFFF
    return (i ^ (i >> 13)) / 0xFFFFFFFF


def streaks(t, x):
    """Brushing streaks along x on line t: long segments of slightly varying tone."""
    line = int(t * 512)
    piece = int(x * 6 + noise(line + 7) * 6)
    return 0.6 * noise(line) + 0.4 * noise(line * 31 + piece) - 0.5


def shade(c, s):
    """Lighten c towards white for s > 0, darken towards black for s < 0."""
    return mix(c, (255, 255, 255), s) if s > 0 else mix(c, (0, 0, 0), -s)


# --- the metal drive (program icon) ---
BODY = (0.11, 0.05, 0.89, 0.95, 0.10)       # left, top, right, bottom, corner radius
PLATTER = (0.5, 0.42, 0.31)                 # centre x, centre y, radius
SCREWS = ((0.20, 0.13), (0.80, 0.13), (0.20, 0.87))
LED = (0.73, 0.83)


def metal_drive(x, y, px):
    """Colour (r, g, b, alpha 0..1) of the metal drive at (x, y); px is one pixel."""
    size = 1 / px
    d = rounded_rect(x, y, *BODY)
    if d > 0:                               # soft shadow below the drive
        s = rounded_rect(x, y - 0.02, *BODY)
        return (0, 0, 0, 0.30 * (1 - smoothstep(-0.01, 0.04, s)))
    detail = smoothstep(20, 110, size)      # fine texture fades out in small sizes
    c = mix((222, 225, 229), (178, 182, 188), (y - BODY[1]) / (BODY[3] - BODY[1]))
    cx, cy, pr = PLATTER
    r = math.hypot(x - cx, y - cy)
    if r < pr:                              # platter cover: circular brushing
        c = shade(c, 0.06 * detail * streaks(r, math.atan2(y - cy, x - cx)) + 0.03)
    else:
        c = shade(c, 0.10 * detail * streaks(y, x))
    w = max(0.008, 0.6 * px)                # engraved rim of the platter and hub
    for radius, depth in ((pr, 0.22), (0.07, 0.30)):
        e = r - radius
        if abs(e) < w:
            c = shade(c, -depth)
        elif w <= e < 2 * w:
            c = shade(c, 0.35)
    if r < 0.07 - w:
        c = shade(c, 0.15 - 0.5 * (y - cy))
    for sx, sy in SCREWS:                   # screw heads, lit from the top left
        ds = math.hypot(x - sx, y - sy)
        if ds < 0.03 and size >= 40:
            c = (96, 100, 108) if ds > 0.022 else shade((150, 154, 160), 0.45 - 5 * (x - sx + y - sy))
    eps = 0.002                             # bevel: light from the top left
    nx = rounded_rect(x + eps, y, *BODY) - d
    ny = rounded_rect(x, y + eps, *BODY) - d
    n = math.hypot(nx, ny) or 1
    bevel = max(0.035, 1.5 * px)
    if d > -bevel:
        c = shade(c, 0.45 * (1 + d / bevel) * (-0.6 * nx - 0.8 * ny) / n)
    if d > -max(0.010, 0.8 * px):           # dark outline
        c = (92, 97, 105)
    return led(x, y, px, detail, c) + (1.0,)


def led(x, y, px, detail, c):
    """Green light with a soft glow over the colour c; a dark rim in larger sizes."""
    lr = max(0.045, 1.3 * px)
    dl = math.hypot(x - LED[0], y - LED[1])
    if dl < lr:
        return mix((200, 255, 200), (20, 200, 60), (dl / lr) ** 1.5)
    if dl < lr * (1 + 0.3 * detail):
        return (40, 70, 45)
    glow = 0.65 * math.exp(-((dl - lr) / (2.2 * lr)) ** 2)
    return mix(c, (90, 255, 120), glow)


# --- the plain drive (48 x 48, no alpha) ---
def plain_drive(x, y, px):
    """Grey drive box seen from the front: light top face, darker front, seam and light."""
    d = rounded_rect(x, y, 0.06, 0.27, 0.94, 0.73, 0.09)
    if d > 0:
        return (0, 0, 0, 0.0)
    c = (200, 202, 206) if y < 0.55 else (160, 163, 168)   # top face, front face
    if d > -0.045 or 0.55 <= y < 0.575:
        c = (88, 92, 98)                                    # edge and seam
    if math.hypot(x - 0.80, y - 0.64) < 0.045:
        c = (40, 220, 70)                                   # the light
    return c + (1.0,)


# --- render with supersampling ---
def render(picture, size, ss=4):
    """Rows (top first) of (r, g, b, a) bytes; each pixel averages ss x ss samples."""
    px = 1.0 / size
    rows = []
    for j in range(size):
        row = []
        for i in range(size):
            r = g = b = a = 0.0
            for sj in range(ss):
                for si in range(ss):
                    cr, cg, cb, ca = picture((i + (si + 0.5) / ss) * px, (j + (sj + 0.5) / ss) * px, px)
                    r, g, b, a = r + cr * ca, g + cg * ca, b + cb * ca, a + ca
            k = 1 / a if a else 0
            rgba = (r * k, g * k, b * k, 255 * a / ss ** 2)
            row.append(tuple(int(clamp(round(v), 0, 255)) for v in rgba))
        rows.append(row)
    return rows


# --- file writers ---
def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filtered(kind, line, prev, bpp=4):
    """One PNG scanline under filter kind 0..4 (None, Sub, Up, Average, Paeth)."""
    out = bytearray(len(line))
    for i, x in enumerate(line):
        a = line[i - bpp] if i >= bpp else 0
        b = prev[i]
        c = prev[i - bpp] if i >= bpp else 0
        p = (0, a, b, (a + b) >> 1, paeth(a, b, c) if kind == 4 else 0)[kind]
        out[i] = (x - p) & 255
    return bytes([kind]) + out


def scanlines(pixels, kind):
    """Filtered image data: one filter for every line, or for kind None the one per line whose
    output has the smallest sum of absolute values (the usual PNG heuristic)."""
    lines = [bytes(v for p in row for v in p) for row in pixels]
    prev = bytes(len(lines[0]))
    out = []
    for line in lines:
        if kind is None:
            candidates = [filtered(k, line, prev) for k in range(5)]
            out.append(min(candidates, key=lambda f: sum(v if v < 128 else 256 - v for v in f[1:])))
        else:
            out.append(filtered(kind, line, prev))
        prev = line
    return b''.join(out)


def png(pixels):
    """PNG file (8-bit RGBA) for rows of (r, g, b, a) pixels: of the five filters and the
    per-line choice, whichever compresses smallest (brushed metal favours Sub)."""
    def chunk(tag, data):
        return struct.pack('>I', len(data)) + tag + data + struct.pack('>I', zlib.crc32(tag + data))
    def deflate(raw, strategy):
        z = zlib.compressobj(9, zlib.DEFLATED, 15, 9, strategy)
        return z.compress(raw) + z.flush()
    data = min((deflate(scanlines(pixels, kind), strategy)
                for kind in (0, 1, 2, 3, 4, None)
                for strategy in (zlib.Z_DEFAULT_STRATEGY, zlib.Z_FILTERED)), key=len)
    ihdr = struct.pack('>IIBBBBB', len(pixels[0]), len(pixels), 8, 6, 0, 0, 0)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr) + chunk(b'IDAT', data) + chunk(b'IEND', b'')


def pad4(data):
    return data + b'\0' * (-len(data) % 4)


def bits(rows):
    """One bit per pixel (true = 1), bottom row first, each row padded to 4 bytes."""
    return b''.join(pad4(bytes(sum(0x80 >> k for k in range(8) if i + k < len(row) and row[i + k])
                                for i in range(0, len(row), 8))) for row in reversed(rows))


def dib(width, height, bitcount, colours, mask, palette=b''):
    """Icon image: header, palette, colour rows, then the AND mask."""
    header = struct.pack('<IiiHHIIiiII', 40, width, 2 * height, 1, bitcount, 0,
                         len(colours) + len(mask), 0, 0, 0, 0)
    return header + palette + colours + mask


def dib32(pixels):
    colours = b''.join(bytes((b, g, r, a)) for row in reversed(pixels) for r, g, b, a in row)
    mask = bits([[p[3] == 0 for p in row] for row in pixels])
    return dib(len(pixels), len(pixels), 32, colours, mask)


def dib8(pixels):
    """No alpha: pixels less than half covered become transparent through the mask (and black
    in the colours). The picture's few colours go in a full 256-entry palette, sorted."""
    opaque = [[(r, g, b) if a >= 128 else (0, 0, 0) for r, g, b, a in row] for row in pixels]
    table = sorted({c for row in opaque for c in row})
    assert len(table) <= 256
    index = {c: i for i, c in enumerate(table)}
    palette = b''.join(bytes((b, g, r, 0)) for r, g, b in table) + bytes(4 * (256 - len(table)))
    colours = b''.join(pad4(bytes(index[c] for c in row)) for row in reversed(opaque))
    mask = bits([[p[3] < 128 for p in row] for row in pixels])
    return dib(len(pixels), len(pixels), 8, colours, mask, palette)


def icon_file(kind, entries):
    """kind 1 = icon; entries are (size, colours, planes, bitcount, data)."""
    out = struct.pack('<HHH', 0, kind, len(entries))
    offset = 6 + 16 * len(entries)
    for size, colours, planes, bitcount, data in entries:
        side = size % 256                   # 256 is written as 0
        out += struct.pack('<BBBBHHII', side, side, colours, 0, planes, bitcount, len(data), offset)
        offset += len(data)
    return out + b''.join(e[-1] for e in entries)


def write(name, data):
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)


def main():
    icons = []
    for size in ICON_SIZES:
        pixels = render(metal_drive, size)
        icons.append((size, 0, 1, 32, png(pixels) if size >= PNG_FROM else dib32(pixels)))
    write('selvaro.ico', icon_file(1, icons))
    write('drive48.ico', icon_file(1, [(48, 0, 1, 8, dib8(render(plain_drive, 48)))]))


if __name__ == '__main__':
    main()
