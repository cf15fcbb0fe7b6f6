#!/usr/bin/env python3
"""Makes velune_logo.bmp, the About box's logo, with the plug-in's own engine.

velune-render draws a frame of a renderer over a transform at the logo's size;
the name is drawn in with a small built-in pixel font, the picture is reduced
to 256 colours by median cut and written as an uncompressed 8-bit BMP with a
colour table (the format the dialog's picture control loads).

    python3 src/dialogs/make_logo.py build/native/tools/render/velune-render

Only the Python standard library is needed.
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

WIDTH, HEIGHT = 400, 105
# Spectral Spheres over the Wavy Spiral on generated songs: colour across the
# whole width, and no song title left in the picture.
RENDER_ARGS = ["--renderer", "4", "--transform", "0", "--seed", "7", "--frames", "240",
               "--scene-frames", "-1", "--audio", "songs", "--quiet"]
NAME = "Velune"
SCALE = 9

# 5 x 7 glyphs of the letters in the name, '#' lit.
GLYPHS = {
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "e": [".....", ".....", ".###.", "#...#", "#####", "#....", ".####"],
    "l": [".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "u": [".....", ".....", "#...#", "#...#", "#...#", "#...#", ".####"],
    "n": [".....", ".....", "####.", "#...#", "#...#", "#...#", "#...#"],
}


def read_png(path):
    """8-bit RGB PNG (what velune-render writes) into rows of (r, g, b)."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour == 2, "expected 8-bit RGB"
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride, rows, prev = width * 3, [], bytearray(width * 3)
    for y in range(height):
        filt = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b = prev[i]
            c = prev[i - 3] if i >= 3 else 0
            if filt == 1:
                line[i] = (line[i] + a) & 255
            elif filt == 2:
                line[i] = (line[i] + b) & 255
            elif filt == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif filt == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x * 3:x * 3 + 3]) for x in range(width)])
        prev = line
    return rows


def draw_name(rows):
    """The name in the middle: a dark outline, then a light gradient fill."""
    glyph_w, gap = 5 * SCALE, SCALE
    total = len(NAME) * glyph_w + (len(NAME) - 1) * gap
    left, top = (WIDTH - total) // 2, (HEIGHT - 7 * SCALE) // 2
    lit = set()
    for n, letter in enumerate(NAME):
        for gy, line in enumerate(GLYPHS[letter]):
            for gx, cell in enumerate(line):
                if cell != "#":
                    continue
                for y in range(SCALE):
                    for x in range(SCALE):
                        lit.add((left + n * (glyph_w + gap) + gx * SCALE + x, top + gy * SCALE + y))
    outline = {(x + dx, y + dy) for (x, y) in lit for dx in range(-3, 4) for dy in range(-3, 4)} - lit
    for (x, y) in outline:
        if 0 <= x < WIDTH and 0 <= y < HEIGHT:
            r, g, b = rows[y][x]
            rows[y][x] = (r // 5, g // 5, b // 4)
    for (x, y) in lit:
        t = (y - top) / (7 * SCALE)
        rows[y][x] = (int(255 - 70 * t), int(250 - 120 * t), 255)


def median_cut(pixels, colours=256):
    """Palette of `colours` entries from boxes split at their widest channel."""
    boxes = [list(set(pixels))]
    while len(boxes) < colours:
        spans = []
        for box in boxes:
            if len(box) < 2:
                spans.append(-1)
                continue
            spans.append(max(max(p[c] for p in box) - min(p[c] for p in box) for c in range(3)))
        widest = max(range(len(boxes)), key=lambda i: spans[i])
        if spans[widest] <= 0:
            break
        box = boxes.pop(widest)
        channel = max(range(3), key=lambda c: max(p[c] for p in box) - min(p[c] for p in box))
        box.sort(key=lambda p: p[channel])
        half = len(box) // 2
        boxes += [box[:half], box[half:]]
    palette = [tuple(sum(p[c] for p in box) // len(box) for c in range(3)) for box in boxes]
    return palette + [(0, 0, 0)] * (colours - len(palette))


def write_bmp8(path, rows, palette):
    lookup = {}

    def index(p):
        if p not in lookup:
            lookup[p] = min(range(len(palette)),
                            key=lambda i: sum((palette[i][c] - p[c]) ** 2 for c in range(3)))
        return lookup[p]

    stride = (WIDTH + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # bottom row first
        line = bytes(index(p) for p in row)
        pixels += line + b"\0" * (stride - WIDTH)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    with open(path, "wb") as out:
        out.write(header + info + table + pixels)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    render = sys.argv[1]
    here = os.path.dirname(os.path.abspath(__file__))
    with tempfile.TemporaryDirectory() as work:
        subprocess.run([render, "--size", f"{WIDTH}x{HEIGHT}", "--out", work] + RENDER_ARGS, check=True)
        frames = [f for f in os.listdir(work) if f.endswith(".png")]
        assert len(frames) == 1, frames
        rows = read_png(os.path.join(work, frames[0]))
    assert len(rows) == HEIGHT and len(rows[0]) == WIDTH
    draw_name(rows)
    palette = median_cut([p for row in rows for p in row])
    write_bmp8(os.path.join(here, "velune_logo.bmp"), rows, palette)


if __name__ == "__main__":
    main()
