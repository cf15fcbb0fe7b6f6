"""Reading the window's BMP captures, writing PNG for people to look at, and
the picture measures the tests use."""
import struct
import zlib


def read_bmp(path):
    """(width, height, rows): rows top first, each bytes of R, G, B."""
    with open(path, "rb") as f:
        data = f.read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    step = bits // 8
    stride = (width * step + 3) & ~3
    rows = []
    for y in range(abs(height)):
        src = y if height < 0 else abs(height) - 1 - y
        row = data[offset + src * stride: offset + src * stride + width * step]
        rgb = bytearray(width * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = row[2::step], row[1::step], row[0::step]
        rows.append(bytes(rgb))
    return width, abs(height), rows


def write_png(path, width, height, rows):
    raw = b"".join(b"\x00" + r for r in rows)
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def sharp_edges(rows, top=0, bottom=None):
    """Pixels whose R+G+B steps by more than 150 from the pixel above: lines
    drawn lately, not the blurred trails of older ones (as the browser test
    counts them)."""
    bottom = len(rows) if bottom is None else bottom
    edges = 0
    for y in range(max(1, top), bottom):
        a, b = rows[y - 1], rows[y]
        sa = [a[i] + a[i + 1] + a[i + 2] for i in range(0, len(a), 3)]
        sb = [b[i] + b[i + 1] + b[i + 2] for i in range(0, len(b), 3)]
        edges += sum(1 for p, q in zip(sa, sb) if q - p > 150 or p - q > 150)
    return edges


def white_pixels(rows, left, top, right, bottom):
    """Nearly white pixels in a box: text, where the picture is dark."""
    count = 0
    for y in range(top, bottom):
        r = rows[y]
        for x in range(left, right):
            if r[3 * x] > 200 and r[3 * x + 1] > 200 and r[3 * x + 2] > 200:
                count += 1
    return count


if __name__ == "__main__":
    import sys
    for bmp in sys.argv[1:]:
        w, h, rows = read_bmp(bmp)
        write_png(bmp[:-4] + ".png", w, h, rows)
