#!/usr/bin/env python3
"""Counts the coloured pixels of rectangles in a PNG, to tell drawn charts from
blank ones: a chart's data is drawn in colour, its frame, grid and text in grey.

    png_regions.py FILE.png NAME:X,Y,W,H ...

Prints one line per region: its name and the number of coloured pixels.
Reads 8-bit RGB or RGBA PNGs without interlacing (what Chromium writes).
"""
import struct
import sys
import zlib


def read_png(path):
    with open(path, 'rb') as f:
        data = f.read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        sys.exit(f'{path}: not a PNG file')
    pos, idat = 8, []
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b'IHDR':
            width, height, depth, colour, _, _, interlace = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            idat.append(body)
        pos += 12 + length
    if depth != 8 or colour not in (2, 6) or interlace:
        sys.exit(f'{path}: only 8-bit RGB(A) without interlacing is read')
    bpp = 3 if colour == 2 else 4
    raw = zlib.decompress(b''.join(idat))
    stride = width * bpp
    rows, prev = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    return width, height, bpp, rows


def main():
    width, height, bpp, rows = read_png(sys.argv[1])
    for region in sys.argv[2:]:
        name, box = region.split(':')
        x0, y0, w, h = map(int, box.split(','))
        if x0 + w > width or y0 + h > height:
            sys.exit(f'{name}: region outside the {width}x{height} picture')
        coloured = 0
        for y in range(y0, y0 + h):
            line = rows[y]
            for x in range(x0, x0 + w):
                r, g, b = line[x * bpp:x * bpp + 3]
                coloured += max(r, g, b) - min(r, g, b) > 60
        print(name, coloured)


main()
