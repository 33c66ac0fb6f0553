#!/usr/bin/env python3
"""Reads an 8-bit RGB PNG as cradle-shot writes it and checks what the picture must show.

usage: png_check.py FILE WIDTH HEIGHT
"""
import struct
import sys
import zlib


def read_png(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, chunks = 8, {}
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        crc = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])[0]
        assert zlib.crc32(kind + body) == crc, "bad CRC in " + kind.decode()
        chunks.setdefault(kind, b"")
        chunks[kind] += body
        pos += 12 + length
    width, height, depth, colour = struct.unpack(">IIBB", chunks[b"IHDR"][:10])
    assert (depth, colour) == (8, 2), "not 8-bit RGB"
    raw = zlib.decompress(chunks[b"IDAT"])
    stride = width * 3 + 1
    rows = [raw[y * stride + 1:(y + 1) * stride] for y in range(height)]
    assert all(raw[y * stride] == 0 for y in range(height)), "unexpected filter"
    return width, height, rows  # rows top down


def main():
    path, want_w, want_h = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    width, height, rows = read_png(path)
    assert (width, height) == (want_w, want_h), f"size {width}x{height}"

    def px(x, y):  # y from the top
        r = rows[y]
        return r[3 * x], r[3 * x + 1], r[3 * x + 2]

    ball = stand = bright_floor = 0
    for y in range(0, height, 2):
        for x in range(0, width, 2):
            r, g, b = px(x, y)
            if b > g and b > r + 8:
                ball += 1
            if r > b + 40 and g > b + 20 and y < height * 0.8:
                stand += 1
    # Floor discs: the lower middle of the picture is lit, its lower corners are dark.
    for y in range(int(height * 0.75), int(height * 0.85)):
        for x in range(int(width * 0.4), int(width * 0.6)):
            bright_floor += px(x, y)[1] > 60
    corner = max(px(x, y)[1] for y in range(height - 10, height) for x in range(10))
    clouds = sum(px(x, y)[1] > 20 for y in range(0, int(height * 0.3), 4)
                 for x in range(0, width, 4))
    area = (width // 2) * (height // 2)
    print(f"ball {ball / area:.4f}, stand {stand / area:.4f}, floor {bright_floor}, "
          f"corner {corner}, clouds {clouds}")
    assert ball > area * 0.01, "five balls show"
    assert stand > area * 0.002, "the stand shows"
    assert bright_floor > (height * 0.1) * (width * 0.2) * 0.5, "the floor discs show"
    assert corner < 30, "the floor ends before the corners"
    assert clouds > 100, "clouds behind"


if __name__ == "__main__":
    main()
