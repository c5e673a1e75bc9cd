#!/usr/bin/env python3
"""Writes the key picture of the "processing" dialog (resources/res/key_picture.bmp): a 32x32
24-bit key on the dialog grey, drawn without any imaging library."""
import sys

from bmp_writer import write_bmp

W = H = 32
GREY, GOLD, DARK = (212, 208, 200), (222, 176, 40), (120, 90, 10)

def pixel(x, y):
    dx, dy = x - 9, y - 16
    d2 = dx * dx + dy * dy
    if d2 <= 20:
        return GREY                      # the hole in the bow
    if d2 <= 64:
        return GOLD if d2 < 50 else DARK  # the bow
    if 16 <= x <= 29 and 14 <= y <= 17:
        return GOLD                      # the shaft
    if (22 <= x <= 23 or 26 <= x <= 27) and 18 <= y <= 22:
        return GOLD                      # the bit
    return GREY

def main(path):
    write_bmp(path, W, H, pixel)

if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "resources/res/key_picture.bmp")
