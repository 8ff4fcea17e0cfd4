#!/usr/bin/env python3
"""Draws Kestrion's launcher icon, a gold key on a blue tile, as SVG and as PNGs.

Run by hand only (python3, no other tools); the build installs the committed
files. Every shape is given once, in a 256-unit square, and both outputs are
made from that list.
"""
import struct
import zlib
from pathlib import Path

HERE = Path(__file__).resolve().parent
TOP, BOTTOM = (0x5B, 0x6F, 0xA8), (0x34, 0x41, 0x6E)  # the tile's gradient
GOLD = (0xF3, 0xD3, 0x6B)

TILE = (16, 16, 240, 240, 44)  # x0, y0, x1, y1, corner radius
RING = (92, 128, 46, 21)       # cx, cy, outer and inner radius
BARS = [(132, 117, 214, 139), (182, 139, 196, 166), (202, 139, 214, 158)]  # the shaft and two teeth


def in_round_rect(x, y, r):
    x0, y0, x1, y1, rad = r
    if not (x0 <= x <= x1 and y0 <= y <= y1):
        return False
    cx = min(max(x, x0 + rad), x1 - rad)
    cy = min(max(y, y0 + rad), y1 - rad)
    return (x - cx) ** 2 + (y - cy) ** 2 <= rad * rad


def in_key(x, y):
    cx, cy, ro, ri = RING
    d = (x - cx) ** 2 + (y - cy) ** 2
    if ri * ri <= d <= ro * ro:
        return True
    return any(x0 <= x <= x1 and y0 <= y <= y1 for x0, y0, x1, y1 in BARS)


def tile_colour(y):
    t = (y - TILE[1]) / (TILE[3] - TILE[1])
    return tuple(a + (b - a) * t for a, b in zip(TOP, BOTTOM))


def render(size, samples=4):
    scale = 256 / size
    rows = []
    for py in range(size):
        row = bytearray([0])  # PNG filter type: none
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * scale
                    y = (py + (sy + 0.5) / samples) * scale
                    if in_key(x, y):
                        c = GOLD
                    elif in_round_rect(x, y, TILE):
                        c = tile_colour(y)
                    else:
                        continue
                    acc[0] += c[0]; acc[1] += c[1]; acc[2] += c[2]; acc[3] += 1
            n = samples * samples
            a = acc[3] / n
            if a == 0:
                row += bytes(4)
            else:
                row += bytes([round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]), round(a * 255)])
        rows.append(bytes(row))
    return png(size, b"".join(rows))


def png(size, raw):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def svg():
    x0, y0, x1, y1, rad = TILE
    cx, cy, ro, ri = RING
    hexc = lambda c: "#%02x%02x%02x" % c
    bars = "".join(f'<rect x="{a}" y="{b}" width="{c - a}" height="{d - b}"/>' for a, b, c, d in BARS)
    return f'''<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
<defs><linearGradient id="tile" x1="0" y1="0" x2="0" y2="1">
<stop offset="0" stop-color="{hexc(TOP)}"/><stop offset="1" stop-color="{hexc(BOTTOM)}"/></linearGradient></defs>
<rect x="{x0}" y="{y0}" width="{x1 - x0}" height="{y1 - y0}" rx="{rad}" fill="url(#tile)"/>
<g fill="{hexc(GOLD)}"><path fill-rule="evenodd" d="M{cx - ro},{cy}a{ro},{ro} 0 1,0 {2 * ro},0a{ro},{ro} 0 1,0 {-2 * ro},0z M{cx - ri},{cy}a{ri},{ri} 0 1,0 {2 * ri},0a{ri},{ri} 0 1,0 {-2 * ri},0z"/>{bars}</g>
</svg>
'''


if __name__ == "__main__":
    (HERE / "kestrion.svg").write_text(svg())
    for size in (48, 256):
        (HERE / f"kestrion-{size}.png").write_bytes(render(size))
