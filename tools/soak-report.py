#!/usr/bin/env python3
"""Turns a soak's samples (tests/host/hosttool.cpp) and Wine's frame-rate trace into
report.md and soak.png; prints the summary and exits 1 when the verdict fails.

Growth per hour is the slope of a least-squares line through the samples taken after the
warm-up. Frames drawn come from Wine's trace (WINEDEBUG=+fps,+timestamp): each line gives
the frame rate since the line before it, so frames = rate x time between the two lines."""
import argparse
import os
import re
import subprocess
import sys

COLUMNS = ["t_s", "tick_ms", "private_kib", "workingset_kib", "handles", "gdi", "user", "windows",
           "answer_ms"]
FIGURES = COLUMNS[2:-1]
# The verdict's limits: per hour over a long soak; over the whole run after the warm-up for
# the quick one, where a minute's slope says little.
LIMITS = {
    "strict": {"memory_mib_per_hour": 1.0, "count_range": 2, "floor_rise": 0},
    "loose": {"memory_mib": 16.0, "count_range": 8, "floor_rise": 4},
}
TRACE = re.compile(r"^\s*(\d+\.\d+):.*approx\s+([0-9.]+)\s*fps")
GDI = re.compile(r"^\s*(\d+\.\d+):.*(allocated|freed) \S+ \S+ (\d+)/")


def read_samples(path):
    rows = []
    for line in open(path, errors="replace"):
        parts = line.split()
        if not parts or line.startswith("#") or len(parts) != len(COLUMNS):
            continue
        rows.append(dict(zip(COLUMNS, (float(p) for p in parts))))
    return rows


def read_trace(path):
    """Frames and their span (s), and the GDI totals as (tick ms, objects); the first frame-rate
    line marks the first swap. A freed object's line shows the total before the free."""
    stamps, gdi = [], []
    for line in open(path, errors="replace"):
        m = TRACE.search(line)
        if m:
            stamps.append((float(m.group(1)), float(m.group(2))))
            continue
        m = GDI.search(line)
        if m:
            total = int(m.group(3)) - (m.group(2) == "freed")
            gdi.append((float(m.group(1)) * 1000.0, total))
    frames, span = 0, 0.0
    if stamps:
        frames = 1.0
        for (t0, _), (t1, rate) in zip(stamps, stamps[1:]):
            frames += rate * (t1 - t0)
        span = stamps[-1][0] - stamps[0][0]
    return int(round(frames)), span, gdi


def gdi_at(gdi, tick):
    """The GDI total at a tick: the last traced change before it."""
    total = 0
    for t, n in gdi:
        if t > tick:
            break
        total = n
    return total


def slope_per_hour(rows, key):
    n = len(rows)
    if n < 2:
        return 0.0
    mt = sum(r["t_s"] for r in rows) / n
    mv = sum(r[key] for r in rows) / n
    sxx = sum((r["t_s"] - mt) ** 2 for r in rows)
    sxy = sum((r["t_s"] - mt) * (r[key] - mv) for r in rows)
    return 3600.0 * sxy / sxx if sxx else 0.0


def plot(rows, warmup, path):
    """Two panels: memory (MiB) above, handles and windows below; the warm-up shaded."""
    width, height, left, right = 820, 480, 70, 20
    panels = [("memory, MiB", [("private bytes", "private_kib", "red", 1024.0),
                               ("working set", "workingset_kib", "blue", 1024.0)], 40, 220),
              ("handles, GDI objects, windows", [("kernel handles", "handles", "black", 1.0),
                                                 ("GDI objects", "gdi", "purple", 1.0),
                                                 ("windows", "windows", "green", 1.0)], 270, 440)]
    t_end = max(r["t_s"] for r in rows) or 1.0
    x = lambda t: left + (width - left - right) * t / t_end
    mvg = ["font-size 12", "fill none"]
    for title, series, top, bottom in panels:
        values = [r[k] / scale for _, k, _, scale in series for r in rows]
        lo, hi = min(values), max(values)
        if hi - lo < 1e-9:
            lo, hi = lo - 1, hi + 1
        pad = (hi - lo) * 0.1
        lo, hi = lo - pad, hi + pad
        y = lambda v: bottom - (bottom - top) * (v - lo) / (hi - lo)
        mvg.append("stroke none fill #eeeeee rectangle %d,%d %.1f,%d" % (left, top, x(warmup), bottom))
        mvg.append("stroke gray fill none rectangle %d,%d %d,%d" % (left, top, width - right, bottom))
        mvg.append("stroke none fill black text %d,%d '%s'" % (left, top - 8, title))
        mvg.append("text 4,%d '%.1f'" % (top + 10, hi))
        mvg.append("text 4,%d '%.1f'" % (bottom, lo))
        legend = left + 200
        for name, key, color, scale in series:
            points = " ".join("%.1f,%.1f" % (x(r["t_s"]), y(r[key] / scale)) for r in rows)
            mvg.append("stroke %s fill none polyline %s" % (color, points))
            mvg.append("stroke none fill %s text %d,%d '%s'" % (color, legend, top - 8, name))
            legend += 140
    mvg.append("stroke none fill black text %d,%d '0 s'" % (left, height - 20))
    mvg.append("text %d,%d '%.0f s (shaded: warm-up)'" % (width - right - 190, height - 20, t_end))
    subprocess.run(["convert", "-size", "%dx%d" % (width, height), "xc:white", "-font",
                    "DejaVu-Sans", "-draw",
                    "\n".join(mvg), path], check=True)


def main():
    ap = argparse.ArgumentParser()
    for name in ("samples", "trace", "out", "limits", "exit-code", "probe-exit", "meta"):
        ap.add_argument("--" + name, required=True)
    for name in ("warmup", "left", "ran"):
        ap.add_argument("--" + name, type=int, required=True)
    a = ap.parse_args()
    rows = read_samples(a.samples)
    frames, span, gdi = read_trace(a.trace)
    gdi_traced = bool(gdi) and not any(r["gdi"] for r in rows)
    if gdi_traced:
        for r in rows:
            r["gdi"] = gdi_at(gdi, r["tick_ms"])
    after = [r for r in rows if r["t_s"] >= a.warmup]
    limits = LIMITS[a.limits]
    checks = []  # (passed, text)

    def check(ok, text):
        checks.append((bool(ok), text))

    check(a.exit_code == "0", "the saver exited with %s" % a.exit_code)
    check(a.probe_exit == "0" and len(rows) >= 2,
          "%d samples taken (probe exit %s)" % (len(rows), a.probe_exit))
    check(a.left == 0, "%d saver processes left afterwards" % a.left)
    check(frames > 0, "%d frames drawn in %.0f s of swaps" % (frames, span))
    check(rows and all(r["answer_ms"] >= 0 for r in rows),
          "answered every sample (slowest %.1f ms)" % max([r["answer_ms"] for r in rows] or [0]))
    growth = {}
    for key in FIGURES:
        growth[key] = slope_per_hour(after, key)
    user_counted = any(r["user"] for r in rows)
    for key, name in (("private_kib", "private bytes"), ("workingset_kib", "working set")):
        if not after:
            check(False, "no samples after the warm-up")
            break
        if a.limits == "strict":
            mib = growth[key] / 1024.0
            check(mib < limits["memory_mib_per_hour"], "%s grew %+.3f MiB per hour" % (name, mib))
        else:
            mib = (after[-1][key] - after[0][key]) / 1024.0
            check(mib < limits["memory_mib"], "%s grew %+.2f MiB after the warm-up" % (name, mib))
    counted = ["handles", "gdi", "windows"] + (["user"] if user_counted else [])
    # A count is constant when it stays within a small band and its floor does not rise: a
    # sample can catch an object that lives only during a frame or a settings load.
    for key in counted:
        values = [r[key] for r in after] or [0]
        half = len(values) // 2
        rise = min(values[half:]) - min(values[:half] or values)
        check(max(values) - min(values) <= limits["count_range"] and rise <= limits["floor_rise"],
              "%s %d..%d after the warm-up, floor %+d from the first half to the second "
              "(fit %+.2f per hour)" % (key, min(values), max(values), rise, growth[key]))
    passed = all(ok for ok, _ in checks)

    png = os.path.join(a.out, "soak.png")
    if rows:
        plot(rows, a.warmup, png)
    with open(os.path.join(a.out, "report.md"), "w") as f:
        w = lambda s="": f.write(s + "\n")
        w("# Soak of the real saver")
        w()
        w("| | |")
        w("|---|---|")
        for item in a.meta.split(" | "):
            k, _, v = item.partition("=")
            w("| %s | %s |" % (k, v))
        w("| ran | %d s, sampled every 10 s, warm-up %d s, %s limits |" % (a.ran, a.warmup, a.limits))
        w()
        w("## Growth per hour after the warm-up (least squares)")
        w()
        w("| figure | first after warm-up | last | growth per hour |")
        w("|---|---|---|---|")
        for key in FIGURES:
            if after:
                w("| %s | %d | %d | %+.2f |" % (key, after[0][key], after[-1][key], growth[key]))
        w("| frames drawn | | %d | %.1f per second |" % (frames, frames / span if span else 0))
        w()
        w("Sources: private bytes and working set from GetProcessMemoryInfo (where Wine reports "
          "no private bytes for another process, the committed private memory of the Linux "
          "process that is the Windows process: VmData of its status); "
          "handles from the system's handle list; windows by "
          "enumeration.")
        if gdi_traced:
            w("GDI objects: GetGuiResources gives 0 under Wine, so the column is Wine's own "
              "running total of the saver's GDI objects from its gdi trace.")
        if not user_counted:
            w("USER objects: GetGuiResources gives 0 under Wine; the windows the saver owns "
              "stand in for them.")
        w()
        w("## Verdict")
        w()
        for ok, text in checks:
            w("- %s %s" % ("ok" if ok else "FAIL:", text))
        w()
        w("**%s**" % ("PASS: no growth, nothing leaked, always answered, exit 0" if passed
                     else "FAIL"))
        w()
        w("![memory and handles over time](soak.png)")
        w()
        w("## Samples")
        w()
        w("| " + " | ".join(COLUMNS) + " |")
        w("|" + "---|" * len(COLUMNS))
        for r in rows:
            w("| " + " | ".join(("%.1f" % r[k]) if k in ("t_s", "answer_ms") else "%d" % r[k]
                               for k in COLUMNS) + " |")
    print("tools/soak: %s" % os.path.join(a.out, "report.md"))
    for ok, text in checks:
        print("  %s %s" % ("ok  " if ok else "FAIL", text))
    print("  verdict: %s" % ("PASS" if passed else "FAIL"))
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())
