#!/usr/bin/env python3
"""Makes the Windows icon packaging/icons/tackwisp.ico from the icon's PNGs beside it.

    python3 packaging/windows/make_ico.py [output.ico]

The small sizes (16 to 64 pixels) go in as 32-bit bitmaps with an AND mask, which every part of
Windows and every resource tool reads; 128 and 256 go in as the PNG files themselves, as Windows
Vista and later read them (a 256-pixel bitmap would add a quarter of a megabyte). Standard Python
only: the PNGs are decoded here (8-bit RGB or RGBA, not interlaced, as rsvg-convert writes them).
Run it after packaging/icons/remake.sh has remade the PNGs; the .ico is kept in the source tree.
"""

import struct
import sys
import zlib
from pathlib import Path

ICONS = Path(__file__).resolve().parent.parent / "icons"
BITMAP_SIZES = (16, 32, 48, 64)
PNG_SIZES = (128, 256)
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def png_chunks(data):
    if not data.startswith(PNG_SIGNATURE):
        raise ValueError("not a PNG file")
    pos = len(PNG_SIGNATURE)
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if len(body) != length:
            raise ValueError("PNG chunk cut short")
        yield kind, body
        pos += 12 + length


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def decode_png(data):
    """Returns (width, height, rows of RGBA bytes, top row first)."""
    header = None
    compressed = bytearray()
    for kind, body in png_chunks(data):
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            compressed += body
    if header is None:
        raise ValueError("PNG without IHDR")
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise ValueError(f"PNG kind not handled (depth {depth}, colour type {colour}, interlace {interlace})")
    channels = 4 if colour == 6 else 3
    stride = width * channels
    raw = zlib.decompress(bytes(compressed))
    if len(raw) != height * (stride + 1):
        raise ValueError("PNG image data of the wrong size")
    rows = []
    previous = bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind = raw[start]
        line = bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            upper_left = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + ((left + up) >> 1)) & 0xFF
            elif kind == 4:
                line[i] = (line[i] + paeth(left, up, upper_left)) & 0xFF
            elif kind != 0:
                raise ValueError(f"PNG filter {kind} unknown")
        previous = line
        if channels == 3:
            line = bytearray(b"".join(bytes(line[i:i + 3]) + b"\xff" for i in range(0, stride, 3)))
        rows.append(bytes(line))
    return width, height, rows


def bitmap_entry(width, height, rows):
    """A 32-bit BGRA DIB as icons hold it: bottom row first, height doubled for the AND mask."""
    info = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for x in range(width):
            r, g, b, a = row[4 * x:4 * x + 4]
            pixels += bytes((b, g, r, a))
    # The mask marks fully transparent pixels; its rows are padded to 32 bits.
    mask_stride = ((width + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x in range(width):
            if row[4 * x + 3] == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return info + bytes(pixels) + bytes(mask)


def make_ico():
    images = []
    for size in BITMAP_SIZES + PNG_SIZES:
        data = (ICONS / f"tackwisp-{size}.png").read_bytes()
        width, height, rows = decode_png(data)
        if (width, height) != (size, size):
            raise ValueError(f"tackwisp-{size}.png is {width}x{height}")
        images.append((size, data if size in PNG_SIZES else bitmap_entry(width, height, rows)))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, body in images:
        dim = 0 if size >= 256 else size   # 0 stands for 256
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(body), offset)
        offset += len(body)
    for _, body in images:
        out += body
    return bytes(out)


def main():
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else ICONS / "tackwisp.ico"
    target.write_bytes(make_ico())
    print(f"{target}: {target.stat().st_size} bytes")


if __name__ == "__main__":
    main()
