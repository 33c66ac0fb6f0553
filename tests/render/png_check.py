#!/usr/bin/env python3
"""Checks what a picture of the scene (PNG) must show.

usage: png_check.py FILE WIDTH HEIGHT      the whole scene at that size
       png_check.py --wide FILE            clouds reach both side edges
       png_check.py --views FILE SINGLE@X,Y ...   each SINGLE (one monitor's view rendered
           alone) stands at X,Y (top left) of FILE, and all outside the views is black
       png_check.py --monitors FILE WxH+X+Y ...   a whole scene on each monitor (pixels of
           FILE), and all outside them is black
       png_check.py --smoother FILE PLAIN   FILE's edges (posts, rails: steps; strings: thin
           lines) carry intermediate levels far more often than PLAIN's, the same frame aliased
"""
import subprocess
import sys


def read_png(path):
    """(width, height, rows top down of RGB bytes), decoded by ImageMagick."""
    size = subprocess.run(["identify", "-format", "%w %h", "png:" + path], check=True,
                          capture_output=True).stdout
    width, height = (int(v) for v in size.split())
    pixels = subprocess.run(["convert", "png:" + path, "-depth", "8", "rgb:-"], check=True,
                            capture_output=True).stdout
    assert len(pixels) == width * height * 3, "not an 8-bit RGB picture"
    return width, height, [pixels[y * width * 3:(y + 1) * width * 3] for y in range(height)]


def check_scene(rows, x0, y0, width, height):
    def px(x, y):  # y from the top of the view
        r = rows[y0 + y]
        return tuple(r[3 * (x0 + x):3 * (x0 + x) + 3])

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


def check_wide(width, height, rows):
    # Clouds light pixels somewhere in the first and the last eight columns; a backdrop that
    # stops short leaves both bands black from top to bottom.
    for name, xs in (("left", range(0, 8)), ("right", range(width - 8, width))):
        lit = sum(max(rows[y][3 * x:3 * x + 3]) > 4 for y in range(height) for x in xs)
        print(f"{name} edge: {lit} lit pixels")
        assert lit >= 5, f"clouds reach the {name} edge"


def check_dark_outside(width, height, rows, inside):
    lit = 0
    for y in range(height):
        # Runs of pixels outside every view, each tested as one slice.
        x = 0
        while x < width:
            end = x
            while end < width and inside[y][end] == inside[y][x]:
                end += 1
            if not inside[y][x]:
                run = rows[y][3 * x:3 * end]
                if any(run):
                    lit += sum(1 for i in range(0, len(run), 3) if any(run[i:i + 3]))
            x = end
    print(f"{lit} lit pixels off the views")
    assert lit == 0, "areas on no monitor stay black"


def check_monitors(width, height, rows, monitors):
    inside = [bytearray(width) for _ in range(height)]
    for w, h, x0, y0 in monitors:
        print(f"monitor {w}x{h}+{x0}+{y0}: ", end="")
        check_scene(rows, x0, y0, w, h)
        for y in range(y0, y0 + h):
            inside[y][x0:x0 + w] = b"\1" * w
    check_dark_outside(width, height, rows, inside)


def check_views(width, height, rows, views):
    inside = [bytearray(width) for _ in range(height)]
    for (sw, sh, srows), ox, oy in views:
        off = 0
        for y in range(sh):
            a, b = rows[oy + y][3 * ox:3 * (ox + sw)], srows[y]
            off += sum(1 for x in range(sw) if max(abs(a[3 * x + k] - b[3 * x + k])
                                                      for k in range(3)) > 1)
            inside[oy + y][ox:ox + sw] = b"\1" * sw
        print(f"view at {ox},{oy}: {off} of {sw * sh} pixels differ from the lone view")
        # The rasteriser's tiles fall differently at another window offset: a few edge pixels.
        assert off <= sw * sh // 1000, "each view is the whole scene its monitor alone shows"
        check_scene(rows, ox, oy, sw, sh)
    check_dark_outside(width, height, rows, inside)


def edge_levels(width, height, rows):
    """How often edges carry intermediate levels, over every row and column of brightness.

    Six pixels a, a, m, m, c, c with flat ends: a step (posts, rails) when the ends differ by
    60 or more, a thin line (a string) when the ends agree and a middle pixel stands 60 above
    them. An aliased step's middle pixels lie at one end or the other; a covered share shows
    as a level between (20 to 80 % of the way). An aliased line lights one middle pixel fully;
    a covered share splits its light over both."""
    lum = [[r[3 * x] + r[3 * x + 1] + r[3 * x + 2] for x in range(width)] for r in rows]
    lines = lum + [[lum[y][x] for y in range(height)] for x in range(width)]
    steps = between = lines_seen = split = 0
    for v in lines:
        for i in range(len(v) - 5):
            a0, a1, m0, m1, c0, c1 = v[i:i + 6]
            if abs(a0 - a1) > 6 or abs(c0 - c1) > 6:
                continue
            a, c = (a0 + a1) / 2, (c0 + c1) / 2
            if abs(c - a) >= 60:
                if min(m0, m1) < min(a, c) - 6 or max(m0, m1) > max(a, c) + 6:
                    continue
                steps += 1
                between += any(0.2 < (m - a) / (c - a) < 0.8 for m in (m0, m1))
            elif abs(c - a) <= 6 and max(m0, m1) - a >= 60 and min(m0, m1) - a >= -6:
                lines_seen += 1
                e0, e1 = max(1, m0 - a), max(1, m1 - a)
                split += max(e0, e1) / (e0 + e1) < 0.85
    return between / max(1, steps), split / max(1, lines_seen), steps, lines_seen


def check_smoother(smooth, plain):
    (ss, sl, ns, nl), (ps, pl, _, _) = edge_levels(*smooth), edge_levels(*plain)
    print(f"intermediate levels at steps {ss:.3f} (plain {ps:.3f}, {ns} steps), "
          f"split lines {sl:.3f} (plain {pl:.3f}, {nl} lines)")
    assert ns > 500 and nl > 200, "edges and strings to measure"
    assert ss >= 1.5 * ps, "posts' and rails' edges carry intermediate coverage"
    assert sl >= 2 * pl, "strings carry intermediate coverage"


def main():
    if sys.argv[1] == "--wide":
        check_wide(*read_png(sys.argv[2]))
    elif sys.argv[1] == "--smoother":
        check_smoother(read_png(sys.argv[2]), read_png(sys.argv[3]))
    elif sys.argv[1] == "--views":
        at = [arg.rsplit("@", 1) for arg in sys.argv[3:]]
        views = [(read_png(path), *map(int, xy.split(","))) for path, xy in at]
        check_views(*read_png(sys.argv[2]), views)
    elif sys.argv[1] == "--monitors":
        monitors = [tuple(int(v) for v in m.replace("+", "x").split("x")) for m in sys.argv[3:]]
        check_monitors(*read_png(sys.argv[2]), monitors)
    else:
        width, height, rows = read_png(sys.argv[1])
        assert (width, height) == (int(sys.argv[2]), int(sys.argv[3])), f"size {width}x{height}"
        check_scene(rows, 0, 0, width, height)


if __name__ == "__main__":
    main()
