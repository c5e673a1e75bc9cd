#!/usr/bin/env python3
"""Writes the GINA's built-in logo (gina/res/logo.bmp): a 24-bit banner, a blue
gradient with a light key shape, drawn without any imaging library."""
import struct
import sys

W, H = 320, 64

def pixel(x, y):
    # background: dark to light blue from left to right
    t = x / (W - 1)
    r, g, b = int(20 + 40 * t), int(50 + 80 * t), int(110 + 120 * t)
    # a key: ring at (40, 32) and a shaft to the right
    dx, dy = x - 40, y - 32
    d2 = dx * dx + dy * dy
    if 100 <= d2 <= 256 or (52 <= x <= 110 and 29 <= y <= 35) or (96 <= x <= 101 and 35 <= y <= 44):
        return (235, 235, 245)
    return (r, g, b)

def main(path):
    row_size = (W * 3 + 3) & ~3
    rows = bytearray()
    for y in range(H - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(W):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        rows += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + rows)

if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "gina/res/logo.bmp")
