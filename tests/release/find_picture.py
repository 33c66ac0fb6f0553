#!/usr/bin/env python3
"""Finds a picture inside a screen capture, drawn at its own size or stretched across (a
dialog's controls are sized in dialog units, whose pixels differ from system to system).

usage: find_picture.py CAPTURE PICTURE
       prints "at X,Y, W pixels wide, R% off" and exits 0 when a block of the capture
       shows the picture: its first column exactly (both the stretched and the plain
       drawing keep it), the picture's height, and the whole block within 4 % RMS of the
       picture sampled to the block's width. Otherwise exits 1.
"""
import subprocess
import sys


def read_rgb(path):
    """(width, height, rows top down of RGB bytes), decoded by ImageMagick."""
    size = subprocess.run(["identify", "-format", "%w %h", path], check=True,
                          capture_output=True).stdout
    width, height = (int(v) for v in size.split())
    pixels = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True,
                            capture_output=True).stdout
    return width, height, [pixels[y * width * 3:(y + 1) * width * 3] for y in range(height)]


def block_width(cap, cap_w, x, y, pic_h, pic_w):
    """The block's width: up to the first column of the capture that is the same from top
    to bottom (the page beside the picture), at least the picture's own width."""
    w = pic_w
    while x + w < cap_w:
        column = {cap[y + r][3 * (x + w):3 * (x + w) + 3] for r in range(pic_h)}
        if len(column) == 1:
            break
        w += 1
    return w


def rms_off(cap, x, y, w, pic, pic_w, pic_h):
    """RMS difference (0 to 1) between the block and the picture sampled to w columns."""
    total = 0
    for r in range(pic_h):
        for c in range(w):
            s = min(pic_w - 1, (2 * c + 1) * pic_w // (2 * w))
            a = cap[y + r][3 * (x + c):3 * (x + c) + 3]
            b = pic[r][3 * s:3 * s + 3]
            total += sum((a[i] - b[i]) ** 2 for i in range(3))
    return (total / (3 * w * pic_h)) ** 0.5 / 255


def main():
    cap_w, cap_h, cap = read_rgb(sys.argv[1])
    pic_w, pic_h, pic = read_rgb(sys.argv[2])
    first_column = [row[0:3] for row in pic]
    for y in range(cap_h - pic_h + 1):
        at = cap[y].find(first_column[0])
        while at >= 0:
            x = at // 3
            if at % 3 == 0 and x + pic_w <= cap_w and all(
                    cap[y + r][at:at + 3] == first_column[r] for r in range(pic_h)):
                w = block_width(cap, cap_w, x, y, pic_h, pic_w)
                off = rms_off(cap, x, y, w, pic, pic_w, pic_h)
                if off < 0.04:
                    print(f"at {x},{y}, {w} pixels wide, {100 * off:.1f}% off")
                    return 0
            at = cap[y].find(first_column[0], at + 1)
    print("not found", file=sys.stderr)
    return 1


sys.exit(main())
