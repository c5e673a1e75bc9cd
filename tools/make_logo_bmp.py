#!/usr/bin/env python3
"""Writes the GINA's built-in logo (gina/res/logo.bmp): a 24-bit banner, a blue
gradient with a light key shape, drawn without any imaging library."""
import sys

from bmp_writer import write_bmp

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
    write_bmp(path, W, H, pixel)

if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "gina/res/logo.bmp")
