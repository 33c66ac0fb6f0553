#!/usr/bin/env python3
"""Runs full-screen Windows programs through Wine on the current X display and measures,
from outside the program, what a user sees of them.

  measure.py runs --out FILE --runs N --seconds S NAME=PROGRAM [NAME=PROGRAM ...]
      Starts each program N times (the programs taking turns), with `/s` on its command line,
      and writes one JSON record per run:
        startup_ms  process start to the first frame on the screen: the X root window is
                    polled (two scan lines, about every 2 ms) until it shows pixels that are
                    neither black nor what the screen showed before the start;
        fps         frames per second after the warm-up, from Wine's own frame-rate trace
                    (WINEDEBUG=+fps: opengl32 prints "approx N fps" every 1.5 s of swaps);
        exit_ms     an Escape key press (XTest, synced with the server) to the end of the
                    process;
        peak_rss_kb the process's peak resident set (getrusage of the ended child).
  measure.py profile --out FILE --seconds S NAME=PROGRAM [NAME=PROGRAM ...]
      Runs each program once and, after the warm-up, profiles it for S seconds with perf:
      CPU time and system calls per frame of the window's thread and of Mesa's rasteriser
      threads, and where the window's thread spends its time (by module, and by function
      inside the program itself, named from the program's own symbol table).
  measure.py linux --out FILE --runs N --seconds S PROGRAM
      Runs the native X11 hack N times with -root -fps on the current display and keeps the
      frame rate it prints after the warm-up; SIGTERM ends each run.
  measure.py report --out FILE [--micro JSON ...] [--sizes JSON] [--linux JSON ...] SIZE=RUNS.json ...
      Writes the Markdown table.

Only the Linux side is observed: the program runs exactly as it would without the bench.
"""
import argparse
import ctypes
import json
import os
import re
import statistics
import subprocess
import sys
import threading
import time

WINE64 = os.environ.get("WINE64", "/usr/lib/wine/wine64")
WARMUP_SECONDS = 2.0  # frame-rate samples that end earlier than this after the first frame
POLL_SECONDS = 0.002
EXIT_WAIT_SECONDS = 15  # after the key press, before the process is killed


# --- X11 through ctypes: no development headers needed ------------------------------------

class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int),
                ("xoffset", ctypes.c_int), ("format", ctypes.c_int),
                ("data", ctypes.POINTER(ctypes.c_uint32)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


class Screen:
    """The root window of the current display: scan lines and synthetic key presses."""

    def __init__(self):
        self.x = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.dpy = self.x.XOpenDisplay(None)
        if not self.dpy:
            sys.exit("measure: cannot open the X display %s" % os.environ.get("DISPLAY"))
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.root = self.x.XDefaultRootWindow(self.dpy)
        for f in ("XDisplayWidth", "XDisplayHeight"):
            getattr(self.x, f).argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.width = self.x.XDisplayWidth(self.dpy, 0)
        self.height = self.x.XDisplayHeight(self.dpy, 0)
        self.x.XGetImage.restype = ctypes.POINTER(XImage)
        self.x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                     ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x.XFree.argtypes = [ctypes.c_void_p]
        self.x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x.XStringToKeysym.restype = ctypes.c_ulong
        self.x.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                ctypes.c_ulong]
        self.escape = self.x.XKeysymToKeycode(self.dpy, self.x.XStringToKeysym(b"Escape"))
        self.rows = (self.height // 3, self.height // 2, 2 * self.height // 3)

    def scan(self):
        """The pixels of a few whole rows, 24-bit RGB values."""
        pixels = []
        for y in self.rows:
            img = self.x.XGetImage(self.dpy, self.root, 0, y, self.width, 1, 0xFFFFFFFF, 2)
            if not img:
                return pixels
            im = img.contents
            if im.bits_per_pixel == 32:
                pixels.extend(v & 0xFFFFFF for v in im.data[:self.width])
            self.x.XFree(ctypes.cast(im.data, ctypes.c_void_p))
            self.x.XFree(ctypes.cast(img, ctypes.c_void_p))
        return pixels

    def press_escape(self):
        self.xtst.XTestFakeKeyEvent(self.dpy, self.escape, 1, 0)
        self.xtst.XTestFakeKeyEvent(self.dpy, self.escape, 0, 0)
        self.x.XSync(self.dpy, 0)


def frame_shown(pixels, before):
    """Something drawn: a pixel that is neither black nor what was there before."""
    return any(p != 0 and p != b for p, b in zip(pixels, before))


# --- One run --------------------------------------------------------------------------------

FPS_LINE = re.compile(r"approx\s+([0-9.]+)\s*fps")


def read_trace(stream, samples):
    """Collects (arrival time, fps) of Wine's frame-rate lines until the process ends."""
    for raw in stream:
        now = time.monotonic()
        m = FPS_LINE.search(raw.decode("utf-8", "replace"))
        if m:
            samples.append((now, float(m.group(1))))


def one_run(screen, program, seconds):
    env = dict(os.environ, WINEDEBUG="-all,+fps")
    before = screen.scan()
    samples = []
    start = time.monotonic()
    proc = subprocess.Popen([WINE64, program, "/s"], stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
    reader = threading.Thread(target=read_trace, args=(proc.stderr, samples), daemon=True)
    reader.start()
    ended = {}

    def wait_end():
        _, status, usage = os.wait4(proc.pid, 0)
        ended["time"] = time.monotonic()
        ended["status"] = status
        ended["maxrss"] = usage.ru_maxrss

    waiter = threading.Thread(target=wait_end, daemon=True)
    waiter.start()

    first = None
    polls = 0
    while first is None and waiter.is_alive() and time.monotonic() - start < 30:
        polls += 1
        if frame_shown(screen.scan(), before):
            first = time.monotonic()
            break
        time.sleep(POLL_SECONDS)
    poll_ms = (time.monotonic() - start) * 1000 / max(polls, 1)

    run = {"program": program, "startup_ms": None, "first_swap_ms": None, "fps": None,
           "exit_ms": None, "peak_rss_kb": None, "poll_ms": poll_ms}
    if first is None:
        run["error"] = "no frame on the screen"
        if waiter.is_alive():
            proc.kill()
        waiter.join(10)
        return run
    run["startup_ms"] = (first - start) * 1000

    time.sleep(max(0.0, first + seconds - time.monotonic()))
    pressed = time.monotonic()
    screen.press_escape()
    waiter.join(EXIT_WAIT_SECONDS)
    if waiter.is_alive():
        run["error"] = "did not end within %d s of the key press" % EXIT_WAIT_SECONDS
        proc.kill()
        waiter.join(10)
    else:
        run["exit_ms"] = (ended["time"] - pressed) * 1000
        run["peak_rss_kb"] = ended["maxrss"]
    reader.join(5)

    # Each trace line covers the swaps since the line before it; weight by that time.
    frames = span = 0.0
    for (t0, _), (t1, fps) in zip(samples, samples[1:]):
        if t0 >= first + WARMUP_SECONDS and t1 <= pressed:
            frames += fps * (t1 - t0)
            span += t1 - t0
    if span > 0:
        run["fps"] = frames / span
    # Wine prints its first frame-rate line inside the first SwapBuffers call.
    if samples:
        run["first_swap_ms"] = (samples[0][0] - start) * 1000
    return run


def cmd_runs(args):
    screen = Screen()
    programs = [p.split("=", 1) for p in args.programs]
    results = {name: [] for name, _ in programs}
    for i in range(args.runs + 1):
        for name, program in programs:
            run = one_run(screen, program, args.seconds if i else 2.0)
            if i == 0:
                continue  # warm-up: files in the page cache, Wine's services running
            results[name].append(run)
            print("  %s run %d: start-up %s ms, %s fps, exit %s ms, peak %s KiB%s" % (
                name, i, fmt(run["startup_ms"]), fmt(run["fps"]), fmt(run["exit_ms"]),
                run["peak_rss_kb"], "  (" + run["error"] + ")" if "error" in run else ""),
                file=sys.stderr)
            time.sleep(0.5)
    with open(args.out, "w") as f:
        json.dump({"width": screen.width, "height": screen.height, "seconds": args.seconds,
                   "results": results}, f, indent=1)


# --- Profile of one frame -------------------------------------------------------------------

def prefix_server():
    """The pid of the Wine server of our prefix: it works in a folder named after the prefix's
    device and inode."""
    try:
        st = os.stat(os.environ["WINEPREFIX"])
    except (KeyError, OSError):
        return None
    want = "server-%x-%x" % (st.st_dev, st.st_ino)
    for pid in os.listdir("/proc"):
        if pid.isdigit():
            try:
                if os.path.basename(os.readlink("/proc/%s/cwd" % pid)) == want:
                    return int(pid)
            except OSError:
                pass
    return None


def perf_stat(pids, seconds):
    """{tid: (comm, task-clock ms, syscalls)} over the next seconds."""
    # Futex calls are left out: their number follows the contention with the rasteriser
    # threads, not the work of the frame. 202 is futex on x86-64.
    res = subprocess.run(["perf", "stat", "--per-thread", "-x", ";", "-e", "task-clock",
                          "-e", "raw_syscalls:sys_enter", "--filter", "id != 202", "-p",
                          ",".join(str(p) for p in pids), "--", "sleep",
                          str(seconds)], capture_output=True, text=True)
    threads = {}
    for line in res.stderr.splitlines():
        f = line.split(";")
        if len(f) < 4 or "-" not in f[0]:
            continue
        comm, tid = f[0].rsplit("-", 1)
        try:
            value = float(f[1])
        except ValueError:
            continue
        t = threads.setdefault(int(tid), [comm, 0.0, 0])
        if f[3].startswith("task-clock"):
            t[1] = value
        elif "sys_enter" in f[3]:
            t[2] = int(value)
    return threads


def program_symbols(program):
    """Sorted (address, name) of the program's functions, from its own symbol table."""
    tool = "x86_64-w64-mingw32-nm"
    try:
        head = open(program, "rb").read(4096)
        pe = int.from_bytes(head[0x3C:0x40], "little")
        if int.from_bytes(head[pe + 24:pe + 26], "little") == 0x10B:  # PE32: i386
            tool = "i686-w64-mingw32-nm"
        text = subprocess.run([tool, "-C", program], capture_output=True, text=True).stdout
    except OSError:
        return []
    syms = []
    for line in text.splitlines():
        f = line.split(None, 2)
        if len(f) == 3 and f[1] in "tT":
            syms.append((int(f[0], 16), f[2]))
    return sorted(syms)


def perf_samples(pid, seconds, path):
    """(module, address) of the samples of the window's thread (tid == pid)."""
    subprocess.run(["perf", "record", "-q", "-F", "1999", "-t", str(pid), "-o", path, "--",
                    "sleep", str(seconds)], capture_output=True)
    res = subprocess.run(["perf", "script", "-i", path, "-F", "ip,dso"], capture_output=True,
                         text=True)
    out = []
    for line in res.stdout.splitlines():
        f = line.split(None, 1)
        if len(f) == 2:
            out.append((f[1].strip("() ").rsplit("/", 1)[-1], int(f[0], 16)))
    return out


def frames_between(samples, t0, t1):
    frames = 0.0
    for (a, _), (b, fps) in zip(samples, samples[1:]):
        lo, hi = max(a, t0), min(b, t1)
        if hi > lo:
            frames += fps * (hi - lo)
    return frames


def one_profile(screen, program, seconds, workdir):
    import bisect
    env = dict(os.environ, WINEDEBUG="-all,+fps")
    before = screen.scan()
    samples = []
    proc = subprocess.Popen([WINE64, program, "/s"], stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
    reader = threading.Thread(target=read_trace, args=(proc.stderr, samples), daemon=True)
    reader.start()
    start = time.monotonic()
    while not frame_shown(screen.scan(), before) and time.monotonic() - start < 30:
        time.sleep(0.01)
    time.sleep(WARMUP_SECONDS)
    result = {}
    box = {}
    t = threading.Thread(target=lambda: box.update(
        samp=perf_samples(proc.pid, seconds, os.path.join(workdir, "perf.data"))))
    t0 = time.monotonic()
    t.start()
    server = prefix_server()
    threads = perf_stat([proc.pid] + ([server] if server else []), seconds)
    t.join()
    t1 = time.monotonic()
    time.sleep(1.6)  # the trace line that closes the window
    screen.press_escape()
    proc.wait(15)
    reader.join(5)
    frames = frames_between(samples, t0, t1)
    result["frames"] = frames
    result["fps"] = frames / (t1 - t0)
    if frames <= 0:
        return result
    main = threads.get(proc.pid, ["", 0.0, 0])
    raster = [v for k, v in threads.items() if v[0].startswith("llvmpipe")]
    result["main_us"] = main[1] * 1000 / frames
    result["main_syscalls"] = main[2] / frames
    result["raster_us"] = sum(v[1] for v in raster) * 1000 / frames
    if server in threads:
        result["server_us"] = threads[server][1] * 1000 / frames
    # Where the window's thread spends its time.
    samp = box.get("samp", [])
    syms = program_symbols(program)
    addrs = [a for a, _ in syms]
    by_module, by_function = {}, {}
    for dso, ip in samp:
        name = os.path.basename(program) if syms and addrs[0] <= ip < addrs[-1] + 4096 else dso
        by_module[name] = by_module.get(name, 0) + 1
        if name == os.path.basename(program):
            fn = syms[bisect.bisect_right(addrs, ip) - 1][1]
            by_function[fn] = by_function.get(fn, 0) + 1
    total = max(len(samp), 1)
    result["modules"] = sorted(((n, c * 100.0 / total) for n, c in by_module.items()),
                               key=lambda x: -x[1])[:8]
    result["functions"] = sorted(((n, c * 100.0 / total) for n, c in by_function.items()),
                                 key=lambda x: -x[1])[:10]
    return result


def cmd_profile(args):
    screen = Screen()
    out = {"width": screen.width, "height": screen.height, "seconds": args.seconds}
    for item in args.programs:
        name, program = item.split("=", 1)
        out[name] = one_profile(screen, program, args.seconds, os.path.dirname(args.out) or ".")
        time.sleep(0.5)
    with open(args.out, "w") as f:
        json.dump(out, f, indent=1)


# --- The Linux hack beside the Windows saver ----------------------------------------------------

def one_linux_run(program, seconds):
    """Frames per second of `program -root -fps` after the warm-up: its own once-a-second count."""
    proc = subprocess.Popen([program, "-root", "-fps"], stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    samples = []
    reader = threading.Thread(target=lambda: samples.extend(
        (time.monotonic(), float(line.split()[0])) for line in proc.stdout
        if line.strip().endswith(b"fps")), daemon=True)
    start = time.monotonic()
    reader.start()
    time.sleep(WARMUP_SECONDS + seconds)
    proc.terminate()
    status = proc.wait(EXIT_WAIT_SECONDS)
    reader.join(5)
    kept = [fps for t, fps in samples if t >= start + WARMUP_SECONDS + 1.0]
    return {"fps": statistics.mean(kept) if kept else None, "status": status}


def cmd_linux(args):
    screen = Screen()
    runs = [one_linux_run(args.program, args.seconds) for _ in range(args.runs)]
    for i, run in enumerate(runs, 1):
        print("  linux run %d: %s fps, status %s" % (i, fmt(run["fps"], 1), run["status"]),
              file=sys.stderr)
    with open(args.out, "w") as f:
        json.dump({"width": screen.width, "height": screen.height, "runs": runs}, f, indent=1)


def linux_rows(paths, saver_fps):
    """Report rows: the hack's frame rate at each size beside the saver's under Wine."""
    rows = []
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        size = "%d×%d" % (data["width"], data["height"])
        text, med = summary([r["fps"] for r in data["runs"]], 1)
        wine = saver_fps.get(size)
        note = "%d runs, -root -fps, native build without sanitizers" % len(data["runs"])
        if med and wine:
            note += "; the Windows saver under Wine: %.1f fps (Linux ÷ Windows %.2f)" % (
                wine, med / wine)
        rows.append(("frames per second of the Linux hack at " + size, text, "", "", note))
    return rows


# --- The report -----------------------------------------------------------------------------

def fmt(v, digits=0):
    if v is None:
        return "–"
    return "%.*f" % (digits, v)


def summary(values, digits=0):
    """'median (min–max)' of the values that exist."""
    v = [x for x in values if x is not None]
    if not v:
        return "–", None
    med = statistics.median(v)
    if len(v) == 1:
        return fmt(med, digits), med
    return "%s (%s–%s)" % (fmt(med, digits), fmt(min(v), digits), fmt(max(v), digits)), med


def ratio(a, b, digits=2):
    if a is None or b is None or b == 0:
        return "–"
    return "%.*f" % (digits, a / b)


def cmd_report(args):
    lines = []
    rows = []  # measure, saver, reference, ratio, note
    meta = []
    saver_fps = {}  # size: median frames per second of the Windows saver
    for item in args.runs:
        with open(item) as f:
            data = json.load(f)
        size = "%d×%d" % (data["width"], data["height"])
        res = data["results"]
        s, r = res.get("saver", []), res.get("reference", [])
        n = min(len(s), len(r))
        meta.append("%s: %d runs each, %.0f s each" % (size, n, data["seconds"]))
        polls = [x["poll_ms"] for x in s + r if x.get("poll_ms")]
        if polls:
            meta.append("%s: screen polled every %.1f ms on average" % (size, statistics.mean(polls)))
        for name, runs in (("saver", s), ("reference", r)):
            for err in sorted(set(x["error"] for x in runs if "error" in x)):
                count = sum(1 for x in runs if x.get("error") == err)
                meta.append("%s: the %s %s in %d of %d runs." % (size, name, err, count,
                                                                  len(runs)))

        def row(label, key, digits=0, target=None, unit="", scale=1.0):
            ts, sm = summary([x[key] * scale for x in s if x.get(key) is not None], digits)
            tr, rm = summary([x[key] * scale for x in r if x.get(key) is not None], digits)
            note = ""
            missing = sum(1 for x in s if x.get(key) is None)
            if target is not None and sm is not None and rm is not None:
                diff = sm - rm
                note = "%+.0f %s; target ≤ +%d %s: %s" % (
                    diff, unit, target, unit, "met" if diff <= target else "missed")
            if missing and key == "exit_ms":
                note += "; the saver did not end within %d s in %d of %d runs" % (
                    EXIT_WAIT_SECONDS, missing, len(s))
                if target is not None:
                    note = note.replace(": met", ": missed")
            rows.append((label + " at " + size, ts, tr, ratio(sm, rm), note))

        row("frames per second", "fps", 1)
        saver_fps[size] = summary([x["fps"] for x in s if x.get("fps") is not None], 1)[1]
        row("start-up to first frame, ms", "startup_ms", 0, 100, "ms")
        row("key press to process end, ms", "exit_ms", 0, 100, "ms")
        row("first SwapBuffers call (trace), ms", "first_swap_ms", 0)
        row("peak resident memory, MiB", "peak_rss_kb", 1, scale=1 / 1024)

    rows.extend(linux_rows(args.linux or [], saver_fps))

    if args.sizes:
        with open(args.sizes) as f:
            sz = json.load(f)
        for name, entry in sz.items():
            rows.append(("file size of %s, KiB" % name, fmt(entry["saver"] / 1024, 1),
                         fmt(entry["reference"] / 1024, 1) if entry.get("reference") else "–",
                         ratio(entry["saver"], entry.get("reference")), ""))
        for name, entry in sz.items():
            rows.append(("DLLs imported by %s" % name, ", ".join(entry["saver_imports"]),
                         ", ".join(entry.get("reference_imports", [])), "", ""))

    profile_lines = []
    if args.profile:
        with open(args.profile) as f:
            prof = json.load(f)
        size = "%d×%d" % (prof["width"], prof["height"])
        sp, rp = prof.get("saver", {}), prof.get("reference", {})
        for label, key, digits in (("window thread CPU per frame, µs", "main_us", 0),
                                   ("window thread system calls per frame (no futex)", "main_syscalls", 1),
                                   ("rasteriser threads CPU per frame, µs", "raster_us", 0),
                                   ("Wine server CPU per frame, µs", "server_us", 0)):
            a, b = sp.get(key), rp.get(key)
            rows.append(("%s at %s (perf)" % (label, size), fmt(a, digits), fmt(b, digits),
                         ratio(a, b), "one run of %.0f s" % prof["seconds"]))
        for name in ("saver", "reference"):
            p = prof.get(name, {})
            if p.get("modules"):
                profile_lines.append("Window thread of the %s by module: %s." % (name, ", ".join(
                    "%s %.1f %%" % (m, share) for m, share in p["modules"])))
            if p.get("functions"):
                profile_lines.append("Inside the %s's own code: %s." % (name, ", ".join(
                    "%s %.1f %%" % (m, share) for m, share in p["functions"])))

    for m in args.micro or []:
        with open(m) as f:
            for rec in json.load(f):
                rows.append((rec["name"], rec["value"], "", "", rec.get("note", "")))

    lines.append("| measure | saver | reference | ratio | note |")
    lines.append("|---|---|---|---|---|")
    for label, ts, tr, rt, note in rows:
        lines.append("| %s | %s | %s | %s | %s |" % (label, ts, tr, rt, note))
    lines.append("")
    lines.append("Figures are median (min–max) over the runs. Ratio is saver ÷ reference.")
    for mline in args.notes or []:
        lines.append(mline)
    lines.extend(meta)
    if profile_lines:
        lines.append("")
        lines.extend(profile_lines)
    text = "\n".join(lines) + "\n"
    with open(args.out, "w") as f:
        f.write(args.header + "\n\n" + text if args.header else text)
    sys.stdout.write(text)


def main():
    p = argparse.ArgumentParser()
    sub = p.add_subparsers(dest="cmd", required=True)
    r = sub.add_parser("runs")
    r.add_argument("--out", required=True)
    r.add_argument("--runs", type=int, default=5)
    r.add_argument("--seconds", type=float, default=8.0)
    r.add_argument("programs", nargs="+")
    f = sub.add_parser("profile")
    f.add_argument("--out", required=True)
    f.add_argument("--seconds", type=float, default=5.0)
    f.add_argument("programs", nargs="+")
    t = sub.add_parser("report")
    t.add_argument("--out", required=True)
    t.add_argument("--micro", action="append")
    t.add_argument("--sizes")
    t.add_argument("--profile")
    t.add_argument("--header")
    t.add_argument("--notes", action="append")
    t.add_argument("--linux", action="append")
    x = sub.add_parser("linux")
    x.add_argument("--out", required=True)
    x.add_argument("--runs", type=int, default=3)
    x.add_argument("--seconds", type=float, default=8.0)
    x.add_argument("program")
    t.add_argument("runs", nargs="*")
    args = p.parse_args()
    if args.cmd == "runs":
        cmd_runs(args)
    elif args.cmd == "profile":
        cmd_profile(args)
    elif args.cmd == "linux":
        cmd_linux(args)
    else:
        cmd_report(args)


if __name__ == "__main__":
    main()
