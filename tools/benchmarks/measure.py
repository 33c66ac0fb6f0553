#!/usr/bin/env python3
"""Runs full-screen Windows programs through Wine on the current X display and measures,
from outside the program, what a user sees of them.

  measure.py runs --out FILE --runs N --seconds S [--extra NAME=ARG ...] [--absent NAME=WHY ...]
                  [--scene CRADLE_SHOT] NAME=PROGRAM [NAME=PROGRAM ...]
      Starts each program N times (the programs taking turns), with `/s` (and its --extra
      arguments) on its command line, and writes one JSON record per run:
        startup_ms  process start to the first frame on the screen: the X root window is
                    polled (two scan lines, about every 2 ms) until it shows pixels that are
                    neither black nor what the screen showed before the start;
        fps         frames per second after the warm-up, from Wine's own frame-rate trace
                    (WINEDEBUG=+fps: opengl32 prints "approx N fps" every 1.5 s of swaps);
        exit_ms     an Escape key press (XTest, synced with the server) to the end of the
                    started process;
        hwm_kb, rss_kb, private_kb
                    peak and current resident set (/proc/PID/status VmHWM, VmRSS) and private
                    memory (/proc/PID/smaps_rollup Private_Clean + Private_Dirty) of the
                    Windows process, just before the key press;
        cpu_s_per_min
                    CPU time (user + system, all threads) of the Windows process from the end
                    of the warm-up to the key press, per minute of that time.
        loader      the Linux program that ran the Windows process (its /proc/PID/exe).
      The Windows process is the one among the started process and its descendants whose
      command line names the program (for a 32-bit program the started wine64 is only a
      stub that waits for it, and the real process is orphaned: this process adopts it as
      a subreaper). A figure that could not be taken is left out of the record
      and its reason kept under "missing".
      With --scene, cradle-shot takes its turn too: the saver's own drawing code in a window
      of the screen's size, no host, about SCENE_SECONDS of frames (its --fps line); with
      --scene-samples N also a second time, multisampled with up to N samples on any renderer.
      --absent NAME=WHY records a program that was not run, and why.
  measure.py profile --out FILE --seconds S [--scene CRADLE_SHOT] NAME=PROGRAM [...]
      Runs each program once and, after the warm-up, profiles it for S seconds with perf:
      CPU time and system calls per frame of the window's thread and of Mesa's rasteriser
      threads, and where the window's thread spends its time (by module, and by function
      inside the program itself, named from the program's own symbol table). With --scene
      the scene alone is profiled the same way, so the host's own cost shows as the saver
      against it. Without a working perf it writes only why.
  measure.py linux --out FILE --runs N --seconds S PROGRAM
      Runs the native X11 hack N times with -root -fps on the current display, each time also
      unpaced (-frame-time), its own scene alone on this stack, and keeps the frame rate it
      prints after the warm-up; SIGTERM ends each run.
  measure.py report --out FILE [--micro JSON ...] [--sizes JSON] [--profile JSON]
                    [--linux JSON ...] RUNS.json ...
      Writes the Markdown table.

Only the Linux side is observed: the program runs exactly as it would without the bench.
"""
import argparse
import ctypes
import json
import os
import re
import shutil
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


# --- The Windows process --------------------------------------------------------------------

PR_SET_CHILD_SUBREAPER = 36


def adopt_orphans():
    """Wine starts a 32-bit program in a process that its parent leaves behind, with the
    started wine64 only a stub that waits for it; as a subreaper this process inherits it,
    so every process a run starts stays among this process's descendants."""
    try:
        ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)
    except (OSError, AttributeError):
        pass


def reap_orphans():
    """Collects adopted processes that have ended."""
    while True:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            return


def read_text(path):
    try:
        with open(path, "rb") as f:
            return f.read().decode("utf-8", "replace")
    except OSError:
        return ""


def descendants(root):
    """root and every process below it, parents before children."""
    children = {}
    for name in os.listdir("/proc"):
        if name.isdigit():
            stat = read_text("/proc/%s/stat" % name)
            if ")" in stat:
                ppid = int(stat.rsplit(")", 1)[1].split()[1])
                children.setdefault(ppid, []).append(int(name))
    order = [root]
    for pid in order:
        order.extend(sorted(children.get(pid, [])))
    return order


def base_name(arg):
    return arg.replace("\\", "/").rsplit("/", 1)[-1].lower()


def windows_process(program):
    """The pid of the process running the program, among the processes started here: the one
    whose first argument names it (Wine shows the program's path there), else the deepest one
    that names it at all (an emulated loader keeps its own arguments). None when there is
    none. Runs take turns, so no other run's process is alive."""
    want = base_name(program)
    named = None
    for pid in descendants(os.getpid())[1:]:
        args = [a for a in read_text("/proc/%d/cmdline" % pid).split("\0") if a]
        if args and base_name(args[0]) == want:
            return pid
        if any(base_name(a) == want for a in args[1:]):
            named = pid
    return named


def loader_of(pid):
    """The Linux program that runs the Windows process, as /proc shows it."""
    try:
        exe = os.readlink("/proc/%d/exe" % pid)
    except OSError:
        return None
    if os.path.basename(exe).startswith("qemu-"):
        args = [a for a in read_text("/proc/%d/cmdline" % pid).split("\0") if a]
        if len(args) > 1:
            return "%s emulating %s" % (exe, args[1])
    return exe


def memory_kb(pid):
    """(VmHWM, VmRSS, private) in KiB, None where unreadable."""
    fields = {}
    for line in read_text("/proc/%d/status" % pid).splitlines():
        name, _, value = line.partition(":")
        if name in ("VmHWM", "VmRSS"):
            fields[name] = int(value.split()[0])
    private = None
    rollup = read_text("/proc/%d/smaps_rollup" % pid) or read_text("/proc/%d/smaps" % pid)
    for line in rollup.splitlines():
        if line.startswith(("Private_Clean:", "Private_Dirty:")):
            private = (private or 0) + int(line.split()[1])
    return fields.get("VmHWM"), fields.get("VmRSS"), private


def cpu_seconds(pid):
    """User + system CPU seconds of all the process's threads so far; None if it is gone."""
    stat = read_text("/proc/%d/stat" % pid)
    if ")" not in stat:
        return None
    f = stat.rsplit(")", 1)[1].split()
    return (int(f[11]) + int(f[12])) / os.sysconf("SC_CLK_TCK")


# --- One run --------------------------------------------------------------------------------

FPS_LINE = re.compile(r"approx\s+([0-9.]+)\s*fps")


def read_trace(stream, samples):
    """Collects (arrival time, fps) of Wine's frame-rate lines until the process ends."""
    for raw in stream:
        now = time.monotonic()
        m = FPS_LINE.search(raw.decode("utf-8", "replace"))
        if m:
            samples.append((now, float(m.group(1))))


def sleep_until(moment):
    time.sleep(max(0.0, moment - time.monotonic()))


def one_run(screen, program, extra, seconds):
    env = dict(os.environ, WINEDEBUG="-all,+fps")
    before = screen.scan()
    samples = []
    start = time.monotonic()
    proc = subprocess.Popen([WINE64, program, "/s"] + extra, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
    reader = threading.Thread(target=read_trace, args=(proc.stderr, samples), daemon=True)
    reader.start()
    ended = {}

    def wait_end():
        os.waitpid(proc.pid, 0)
        ended["time"] = time.monotonic()

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

    run = {"program": program, "poll_ms": poll_ms, "missing": {}}
    missing = run["missing"]
    if first is None:
        run["error"] = "showed no frame" if waiter.is_alive() else "ended before its first frame"
        if waiter.is_alive():
            proc.kill()
        waiter.join(10)
        return run
    run["startup_ms"] = (first - start) * 1000

    # CPU and memory of the Windows process over the same span as the frame rate.
    sleep_until(first + WARMUP_SECONDS)
    pid = windows_process(program)
    cpu0, t0 = (cpu_seconds(pid), time.monotonic()) if pid else (None, None)
    sleep_until(first + seconds)
    if pid is None:
        pid = windows_process(program)
    if pid is None:
        why = "no process named %s among the processes started" % os.path.basename(program)
        for key in ("hwm_kb", "rss_kb", "private_kb", "cpu_s_per_min"):
            missing[key] = why
    else:
        run["loader"] = loader_of(pid)
        for key, value in zip(("hwm_kb", "rss_kb", "private_kb"), memory_kb(pid)):
            if value is None:
                missing[key] = "/proc/%d unreadable" % pid
            else:
                run[key] = value
        cpu1, t1 = cpu_seconds(pid), time.monotonic()
        if cpu0 is None or cpu1 is None or t1 <= t0:
            missing["cpu_s_per_min"] = "the process was found only after the warm-up"
        else:
            run["cpu_s_per_min"] = (cpu1 - cpu0) * 60.0 / (t1 - t0)
    pressed = time.monotonic()
    screen.press_escape()
    waiter.join(EXIT_WAIT_SECONDS)
    if waiter.is_alive():
        run["error"] = "did not end within %d s of the key press" % EXIT_WAIT_SECONDS
        missing["exit_ms"] = run["error"]
        proc.kill()
        if pid and pid != proc.pid:
            try:
                os.kill(pid, 9)
            except OSError:
                pass
        waiter.join(10)
    else:
        run["exit_ms"] = (ended["time"] - pressed) * 1000
    reader.join(5)
    reap_orphans()

    # Each trace line covers the swaps since the line before it; weight by that time.
    frames = span = 0.0
    for (a, _), (b, fps) in zip(samples, samples[1:]):
        if a >= first + WARMUP_SECONDS and b <= pressed:
            frames += fps * (b - a)
            span += b - a
    if span > 0:
        run["fps"] = frames / span
    else:
        missing["fps"] = "no frame-rate trace between the warm-up and the key press"
    # Wine prints its first frame-rate line inside the first SwapBuffers call.
    if samples:
        run["first_swap_ms"] = (samples[0][0] - start) * 1000
    else:
        missing["first_swap_ms"] = "no frame-rate trace"
    return run


# --- The scene alone ------------------------------------------------------------------------

SCENE_SECONDS = 5.0  # of frames per timed run
SCENE_FRAME_TIME = "0.02"  # seconds of swing per frame
SCENE_FIRST_FRAMES = 25  # the warm-up run, which also gauges the frame count
SCENE_LINE = re.compile(r"frames\s+(\d+)\s+seconds\s+([0-9.]+)\s+fps\s+([0-9.]+)")


def scene_arguments(width, height, frames, out):
    """cradle-shot's arguments for `frames` frames of the scene alone, seeded alike each time."""
    return ["--seed", "1", "--frames", str(frames), "--frame-time", SCENE_FRAME_TIME,
            "--size", "%dx%d" % (width, height), "--out", out]


def scene_run(program, width, height, frames, workdir, samples=None):
    """cradle-shot's own frame rate over `frames` frames in a window of width x height."""
    out = os.path.join(workdir, "scene-%dx%d%s.png" % (width, height,
                                                      "-%ds" % samples if samples else ""))
    cmd = [WINE64, program] + scene_arguments(width, height, frames, out) + ["--fps"]
    if samples is not None:
        cmd += ["--samples", str(samples)]
    run = {"program": program, "missing": {}}
    try:
        res = subprocess.run(cmd, stdin=subprocess.DEVNULL, capture_output=True,
                             timeout=120 + 20 * SCENE_SECONDS, env=dict(os.environ,
                                                                        WINEDEBUG="-all"))
    except subprocess.TimeoutExpired:
        run["error"] = "did not finish in time"
        run["missing"]["fps"] = run["error"]
        return run
    m = SCENE_LINE.search(res.stdout.decode("utf-8", "replace"))
    if m:
        run["frames"], run["seconds"], run["fps"] = int(m.group(1)), float(m.group(2)), \
            float(m.group(3))
    else:
        run["error"] = "printed no frame rate (exit status %d)" % res.returncode
        run["missing"]["fps"] = run["error"]
    return run


def cmd_runs(args):
    adopt_orphans()
    screen = Screen()
    extra = {}
    for item in args.extra or []:
        name, arg = item.split("=", 1)
        extra.setdefault(name, []).append(arg)
    turns = []  # (name, what it runs, function of the round's seconds)
    for name, program in (p.split("=", 1) for p in args.programs):
        turns.append((name, " ".join([program, "/s"] + extra.get(name, [])),
                      lambda secs, p=program, e=extra.get(name, []): one_run(screen, p, e, secs)))
    scene_frames = [SCENE_FIRST_FRAMES]
    if args.scene:
        workdir = os.path.dirname(os.path.abspath(args.out))

        def scene(secs):
            run = scene_run(args.scene, screen.width, screen.height, scene_frames[0], workdir)
            if run.get("fps"):
                scene_frames[0] = max(SCENE_FIRST_FRAMES, int(run["fps"] * SCENE_SECONDS))
            return run
        turns.append(("scene", "%s --frame-time %s --fps" % (args.scene, SCENE_FRAME_TIME),
                      scene))
        if args.scene_samples:
            # As many frames as the single-sampled scene: the same swing, timed the same way.
            def multisampled(secs):
                return scene_run(args.scene, screen.width, screen.height, scene_frames[0],
                                 workdir, args.scene_samples)
            turns.append(("scene-multisampled", "%s --frame-time %s --fps --samples %d" % (
                args.scene, SCENE_FRAME_TIME, args.scene_samples), multisampled))
    results = {name: [] for name, _, _ in turns}
    for i in range(args.runs + 1):
        for name, _, measure in turns:
            run = measure(args.seconds if i else 2.0)
            if i == 0:
                continue  # warm-up: files in the page cache, Wine's services running
            results[name].append(run)
            figures = ", ".join("%s %s" % (k, fmt(run[k], 1)) for k in (
                "startup_ms", "fps", "exit_ms", "hwm_kb", "private_kb", "cpu_s_per_min")
                if run.get(k) is not None)
            print("  %s run %d: %s%s" % (name, i, figures or "nothing measured",
                                         "  (" + run["error"] + ")" if "error" in run else ""),
                  file=sys.stderr)
            time.sleep(0.5)
    absent = dict(a.split("=", 1) for a in args.absent or [])
    with open(args.out, "w") as f:
        json.dump({"width": screen.width, "height": screen.height, "seconds": args.seconds,
                   "programs": {name: what for name, what, _ in turns}, "absent": absent,
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


def perf_refusal():
    """Why perf cannot be used here, or None when it works."""
    if not shutil.which("perf"):
        return "perf is not installed; tools/setup installs it"
    try:
        res = subprocess.run(["perf", "stat", "-e", "task-clock", "true"], capture_output=True,
                             text=True, timeout=60)
    except (OSError, subprocess.TimeoutExpired) as e:
        return "perf did not run: %s" % e
    if res.returncode != 0:
        lines = [l.strip() for l in res.stderr.splitlines() if l.strip()]
        return "perf refused: %s" % (lines[0] if lines else "exit status %d" % res.returncode)
    return None


def perf_stat(pids, seconds):
    """{tid: [comm, task-clock ms or None, syscalls or None]} over the next seconds."""
    # Futex calls are left out: their number follows the contention with the rasteriser
    # threads, not the work of the frame. Futex is 202 on x86-64 and 240 for i386 programs.
    res = subprocess.run(["perf", "stat", "--per-thread", "-x", ";", "-e", "task-clock",
                          "-e", "raw_syscalls:sys_enter", "--filter", "id != 202 && id != 240",
                          "-p", ",".join(str(p) for p in pids), "--", "sleep",
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
            value = None  # "<not counted>", "<not supported>"
        t = threads.setdefault(int(tid), [comm, None, None])
        if f[3].startswith("task-clock"):
            t[1] = value
        elif "sys_enter" in f[3]:
            t[2] = value
    return threads


def is_32_bit(program):
    """Whether the Windows program is PE32 (i386) rather than PE32+."""
    try:
        with open(program, "rb") as f:
            head = f.read(4096)
    except OSError:
        return False
    pe = int.from_bytes(head[0x3C:0x40], "little")
    return int.from_bytes(head[pe + 24:pe + 26], "little") == 0x10B


def program_symbols(program):
    """Sorted (address, name) of the program's functions, from its own symbol table."""
    tool = "i686-w64-mingw32-nm" if is_32_bit(program) else "x86_64-w64-mingw32-nm"
    try:
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


def one_profile(screen, program, seconds, workdir, args=("/s",), ends_on_key=True):
    """A saver or the reference ends on Escape; the scene alone (ends_on_key False) is stopped
    with SIGKILL once measured, since it draws a fixed number of frames and knows no key."""
    import bisect
    import signal
    env = dict(os.environ, WINEDEBUG="-all,+fps")
    before = screen.scan()
    samples = []
    proc = subprocess.Popen([WINE64, program] + list(args), stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
    reader = threading.Thread(target=read_trace, args=(proc.stderr, samples), daemon=True)
    reader.start()

    def stop(pid):
        """Escape, or the scene alone killed: the Windows process where it was found, else
        what was started."""
        if ends_on_key:
            screen.press_escape()
        elif pid is None:
            proc.kill()
        else:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        proc.wait(15)

    start = time.monotonic()
    while not frame_shown(screen.scan(), before) and time.monotonic() - start < 30:
        time.sleep(0.01)
    time.sleep(WARMUP_SECONDS)
    result = {"missing": {}}
    missing = result["missing"]
    keys = ("main_us", "main_syscalls", "raster_us", "server_us")
    # The window's thread is the Windows process's first thread: its tid is the pid.
    pid = windows_process(program)
    if pid is None:
        why = "no process named %s" % os.path.basename(program)
        if proc.poll() is not None:
            why += " (the started process had ended with status %d)" % proc.returncode
        for key in keys:
            missing[key] = why
        stop(pid)
        reap_orphans()
        return result
    box = {}
    t = threading.Thread(target=lambda: box.update(
        samp=perf_samples(pid, seconds, os.path.join(workdir, "perf.data"))))
    t0 = time.monotonic()
    t.start()
    server = prefix_server()
    threads = perf_stat([pid] + ([server] if server else []), seconds)
    t.join()
    t1 = time.monotonic()
    time.sleep(1.6)  # the trace line that closes the window
    stop(pid)
    reader.join(5)
    reap_orphans()
    frames = frames_between(samples, t0, t1)
    result["frames"] = frames
    result["fps"] = frames / (t1 - t0)
    if frames <= 0:
        for key in keys:
            missing[key] = "no frame-rate trace during the profile"
        return result
    main = threads.get(pid)
    if main is None:
        missing["main_us"] = missing["main_syscalls"] = "perf reported no window thread"
    else:
        for key, value, scale in (("main_us", main[1], 1000.0), ("main_syscalls", main[2], 1.0)):
            if value is None:
                missing[key] = "perf could not count it"
            else:
                result[key] = value * scale / frames
    raster = [v[1] for v in threads.values() if v[0].startswith("llvmpipe")]
    if not raster:
        missing["raster_us"] = "perf reported no llvmpipe threads"
    else:
        result["raster_us"] = sum(v or 0.0 for v in raster) * 1000 / frames
    if server is None:
        missing["server_us"] = "the prefix's wineserver was not found"
    elif threads.get(server, [None, None])[1] is None:
        missing["server_us"] = "perf could not count the wineserver"
    else:
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
    adopt_orphans()
    screen = Screen()
    out = {"width": screen.width, "height": screen.height, "seconds": args.seconds}
    refusal = perf_refusal()
    if refusal:
        out["unavailable"] = refusal
        print("  not profiled: %s" % refusal, file=sys.stderr)
    workdir = os.path.dirname(args.out) or "."
    for item in args.programs if not refusal else []:
        name, program = item.split("=", 1)
        out[name] = one_profile(screen, program, args.seconds, workdir)
        time.sleep(0.5)
    if args.scene and not refusal:
        # Far more frames than the profile lasts: it is stopped once measured.
        shot = scene_arguments(screen.width, screen.height, 1000000,
                               os.path.join(workdir, "scene-profile.png"))
        out["scene"] = one_profile(screen, args.scene, args.seconds, workdir, shot,
                                   ends_on_key=False)
    with open(args.out, "w") as f:
        json.dump(out, f, indent=1)


# --- The report -----------------------------------------------------------------------------

def fmt(v, digits=0):
    if v is None:
        return "–"
    return "%.*f" % (digits, v)


def summary(values, digits=0):
    """'median (min–max)' of the values and their median; values is not empty."""
    med = statistics.median(values)
    if len(values) == 1:
        return fmt(med, digits), med
    return "%s (%s–%s)" % (fmt(med, digits), fmt(min(values), digits),
                          fmt(max(values), digits)), med


def why_missing(runs, key):
    """The commonest reason the runs give for lacking the key."""
    reasons = [r.get("missing", {}).get(key) or r.get("error") or "no value"
               for r in runs if r.get(key) is None]
    if not reasons:
        return "no runs"
    return max(set(reasons), key=reasons.count)


def cell(runs, key, digits=0, scale=1.0):
    """(text, median) of one figure over the runs; 'not measured (why)' when no run has it,
    and a count of the runs without it when only some have."""
    values = [r[key] * scale for r in runs if r.get(key) is not None]
    if not values:
        return "not measured (%s)" % why_missing(runs, key), None
    text, med = summary(values, digits)
    if len(values) < len(runs):
        text += " [%d of %d runs: not measured, %s]" % (len(runs) - len(values), len(runs),
                                                         why_missing(runs, key))
    return text, med


def ratio(a, b, digits=2):
    if a is None or b is None or b == 0:
        return "–"
    return "%.*f" % (digits, a / b)


def display_path(path):
    try:
        rel = os.path.relpath(path)
    except ValueError:
        return path
    return path if rel.startswith("..") else rel


# Rows of each screen size: (label, key, digits, scale, target in the unit, unit)
SIZE_ROWS = (("frames per second", "fps", 1, 1.0, None, ""),
             ("start-up to first frame, ms", "startup_ms", 0, 1.0, 100, "ms"),
             ("key press to process end, ms", "exit_ms", 0, 1.0, 100, "ms"),
             ("first SwapBuffers call (trace), ms", "first_swap_ms", 0, 1.0, None, ""),
             ("peak resident memory (VmHWM), MiB", "hwm_kb", 1, 1 / 1024, None, ""),
             ("resident memory before the key press (VmRSS), MiB", "rss_kb", 1, 1 / 1024, None,
              ""),
             ("private memory before the key press, MiB", "private_kb", 1, 1 / 1024, None, ""),
             ("CPU seconds per minute (all threads)", "cpu_s_per_min", 1, 1.0, None, ""))
MEMORY_KEYS = ("hwm_kb", "rss_kb", "private_kb")


def size_rows(data, rows, meta):
    """The table rows of one screen size's runs."""
    size = "%d×%d" % (data["width"], data["height"])
    res, absent, programs = data["results"], data.get("absent", {}), data.get("programs", {})
    s, r = res.get("saver", []), res.get("reference", [])
    meta.append("%s: %d runs each, %.0f s each" % (size, min(len(s), len(r)), data["seconds"]))
    polls = [x["poll_ms"] for x in s + r if x.get("poll_ms")]
    if polls:
        meta.append("%s: screen polled every %.1f ms on average" % (size, statistics.mean(polls)))
    for name, runs in sorted(res.items()):
        for err in sorted(set(x["error"] for x in runs if "error" in x)):
            count = sum(1 for x in runs if x.get("error") == err)
            meta.append("%s: the %s %s in %d of %d runs." % (size, name, err, count, len(runs)))
    for label, key, digits, scale, target, unit in SIZE_ROWS:
        ts, sm = cell(s, key, digits, scale)
        tr, rm = cell(r, key, digits, scale)
        note = ""
        if target is not None and sm is not None and rm is not None:
            diff = sm - rm
            note = "%+.0f %s; target ≤ +%d %s: %s" % (diff, unit, target, unit,
                                                     "met" if diff <= target else "missed")
        rows.append((label + " at " + size, ts, tr, ratio(sm, rm), note))

    # The saver built before frame pacing, where asked for.
    if "before" in res or "before" in absent:
        b = res.get("before", [])
        for label, key, digits in (("frames per second", "fps", 1),
                                   ("CPU seconds per minute (all threads)", "cpu_s_per_min", 1)):
            _, sm = cell(s, key, digits)
            tr, rm = cell(r, key, digits)
            if "before" in absent:
                tb, bm, note = "not measured (%s)" % absent["before"], None, ""
            else:
                tb, bm = cell(b, key, digits)
                path = programs.get("before", "?").rsplit(" /s", 1)[0]
                note = "file: %s (%d-bit); saver now ÷ before: %s" % (
                    display_path(path), 32 if is_32_bit(path) else 64, ratio(sm, bm))
            rows.append(("%s at %s, saver before pacing" % (label, size), tb, tr, ratio(bm, rm),
                         note))

    # The reference with a known amount of extra memory: the memory figures must show it.
    if "calibration" in res:
        c = res["calibration"]
        extra = programs.get("calibration", "").rsplit(" ", 1)[-1]
        for label, key, digits, scale, _, _ in SIZE_ROWS:
            if key not in MEMORY_KEYS:
                continue
            tc, cm = cell(c, key, digits, scale)
            tr, rm = cell(r, key, digits, scale)
            diff = "difference %s MiB" % ("%+.1f" % (cm - rm) if cm is not None and rm is not None
                                          else "not measured")
            rows.append(("calibration: %s at %s, reference %s" % (label, size, extra), tc, tr, "",
                         "%s (%s allocated and touched)" % (diff, extra.lstrip("/m") + " MiB")))

    # The saver's drawing code alone: how much of the frame rate the host costs.
    if "scene" in res:
        sc = res["scene"]
        tsc, scm = cell(sc, "fps", 1)
        _, sm = cell(s, "fps", 1)
        frames = [x["frames"] for x in sc if x.get("frames")]
        rows.append(("frames per second of the scene alone (cradle-shot) at %s" % size, tsc, "",
                     ratio(sm, scm),
                     "ratio here is saver ÷ scene; its own window, no host, frame time %s s, "
                     "%s frames a run" % (SCENE_FRAME_TIME, max(frames) if frames else "no")))
    if "scene-multisampled" in res:
        tms, msm = cell(res["scene-multisampled"], "fps", 1)
        samples = programs.get("scene-multisampled", "?").rsplit(" ", 1)[-1]
        rows.append(("frames per second of the scene alone, up to %s samples (cradle-shot "
                     "--samples %s) at %s" % (samples, samples, size), tms, "", ratio(msm, scm),
                     "ratio here is multisampled ÷ the scene above; the saver asks for samples "
                     "only where GL_RENDERER is not a software rasteriser"))


def profile_rows(prof, rows, lines):
    size = "%d×%d" % (prof["width"], prof["height"])
    for label, key, digits in (("window thread CPU per frame, µs", "main_us", 0),
                               ("window thread system calls per frame (no futex)",
                                "main_syscalls", 1),
                               ("rasteriser threads CPU per frame, µs", "raster_us", 0),
                               ("Wine server CPU per frame, µs", "server_us", 0)):
        cells = []
        for name in ("saver", "reference"):
            p = prof.get(name, {})
            if "unavailable" in prof:
                cells.append(("not measured (%s)" % prof["unavailable"], None))
            elif p.get(key) is None:
                cells.append(("not measured (%s)" % p.get("missing", {}).get(
                    key, "no profile of the %s" % name), None))
            else:
                cells.append((fmt(p[key], digits), p[key]))
        rows.append(("%s at %s (perf)" % (label, size), cells[0][0], cells[1][0],
                     ratio(cells[0][1], cells[1][1]),
                     "" if "unavailable" in prof else "one run of %.0f s" % prof["seconds"]))
    # The host's own cost: the saver's threads against the same scene drawn without a host.
    scene, saver = prof.get("scene"), prof.get("saver", {})
    for label, key in (("window thread CPU per frame of the scene alone (cradle-shot), µs",
                        "main_us"),
                       ("rasteriser threads CPU per frame of the scene alone (cradle-shot), µs",
                        "raster_us")):
        if scene is None or "unavailable" in prof:
            continue
        value = scene.get(key)
        rows.append(("%s at %s (perf)" % (label, size),
                     fmt(value) if value is not None else "not measured (%s)" % scene.get(
                         "missing", {}).get(key, "no profile of the scene"), "",
                     ratio(saver.get(key), value),
                     "ratio here is saver ÷ scene; one run of %.0f s" % prof["seconds"]))
    for name in ("saver", "reference", "scene"):
        p = prof.get(name, {})
        if p.get("modules"):
            lines.append("Window thread of the %s by module: %s." % (name, ", ".join(
                "%s %.1f %%" % (m, share) for m, share in p["modules"])))
        if p.get("functions"):
            lines.append("Inside the %s's own code: %s." % (name, ", ".join(
                "%s %.1f %%" % (m, share) for m, share in p["functions"])))


def size_of_files(sz, rows):
    for name, entry in sz.items():
        if entry.get("saver") is None:
            rows.append(("file size of %s, bytes" % name,
                         "not measured (%s)" % entry.get("why", "missing"), "", "", ""))
            continue
        ref = entry.get("reference")
        rows.append(("file size of %s, bytes" % name,
                     "%d (%.1f KiB)" % (entry["saver"], entry["saver"] / 1024),
                     "%d (%.1f KiB)" % (ref, ref / 1024) if ref else "not built",
                     ratio(entry["saver"], ref), "the file tools/release ships"))
    for name, entry in sz.items():
        if entry.get("saver") is not None:
            rows.append(("DLLs imported by %s" % name, ", ".join(entry["saver_imports"]),
                         ", ".join(entry.get("reference_imports", [])), "", ""))


def loaders(runs_data):
    """'loader (programs)' of the Windows processes the runs found."""
    seen = {}
    for data in runs_data:
        for name, runs in data["results"].items():
            for x in runs:
                if x.get("loader"):
                    seen.setdefault(x["loader"], set()).add(name)
    return "; ".join("%s (%s)" % (l, ", ".join(sorted(n))) for l, n in sorted(seen.items()))


# --- The Linux hack beside the Windows saver ----------------------------------------------------

HACK_FPS_LINE = re.compile(rb"([0-9.]+) fps\b")


def one_linux_run(program, seconds, extra=()):
    """Frames per second of `program -root -fps` after the warm-up: its own once-a-second count."""
    proc = subprocess.Popen([program, "-root", "-fps"] + list(extra), stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    samples = []
    reader = threading.Thread(target=lambda: samples.extend(
        (time.monotonic(), float(m.group(1))) for m in map(HACK_FPS_LINE.match, proc.stdout)
        if m), daemon=True)
    start = time.monotonic()
    reader.start()
    time.sleep(WARMUP_SECONDS + seconds)
    proc.terminate()
    status = proc.wait(EXIT_WAIT_SECONDS)
    reader.join(5)
    kept = [fps for t, fps in samples if t >= start + WARMUP_SECONDS + 1.0]
    run = {"fps": statistics.mean(kept) if kept else None, "status": status}
    if not kept:
        run["missing"] = {"fps": "no -fps line after the warm-up (status %s)" % status}
    return run


def cmd_linux(args):
    screen = Screen()
    runs, unpaced = [], []
    # Taking turns: paced, then the same scene unpaced (-frame-time), the hack's own scene alone
    # on the native stack, which is what its pacing is judged against.
    for _ in range(args.runs):
        runs.append(one_linux_run(args.program, args.seconds))
        unpaced.append(one_linux_run(args.program, args.seconds, ["-frame-time", SCENE_FRAME_TIME]))
    for i, (run, alone) in enumerate(zip(runs, unpaced), 1):
        print("  linux run %d: %s fps, unpaced %s fps, status %s" % (
            i, fmt(run["fps"], 1), fmt(alone["fps"], 1), run["status"]), file=sys.stderr)
    with open(args.out, "w") as f:
        json.dump({"width": screen.width, "height": screen.height, "runs": runs,
                   "unpaced": unpaced}, f, indent=1)


def linux_rows(paths, runs_data, rows):
    """The hack's frame rate at each size beside the Windows saver's under Wine."""
    saver_fps = {(d["width"], d["height"]): cell(d["results"].get("saver", []), "fps", 1)[1]
                 for d in runs_data}
    scene_fps = {(d["width"], d["height"]): cell(d["results"].get("scene", []), "fps", 1)[1]
                 for d in runs_data}
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        text, med = cell(data["runs"], "fps", 1)
        wine = saver_fps.get((data["width"], data["height"]))
        note = "%d runs, -root -fps, native build without sanitizers" % len(data["runs"])
        if med and wine:
            note += "; the Windows saver under Wine: %.1f fps (Linux ÷ Windows %.2f)" % (
                wine, med / wine)
        scene = scene_fps.get((data["width"], data["height"]))
        if med and scene:
            # Paced to at most 60 a second, as the Windows saver is.
            note += "; ÷ min(60, the scene alone under Wine) %.2f" % (med / min(60.0, scene))
        alone = cell(data.get("unpaced", []), "fps", 1)[1]
        if med and alone:
            note += "; unpaced on the same stack %.1f fps, ÷ min(60, that) %.2f" % (
                alone, med / min(60.0, alone))
        rows.append(("frames per second of the Linux hack at %d×%d" % (
            data["width"], data["height"]), text, "", "", note))


def cmd_report(args):
    rows = []  # measure, saver, reference, ratio, note
    meta, profile_lines = [], []
    runs_data = []
    for item in args.runs:
        with open(item) as f:
            runs_data.append(json.load(f))
        size_rows(runs_data[-1], rows, meta)
    if args.sizes:
        with open(args.sizes) as f:
            size_of_files(json.load(f), rows)
    if args.profile:
        with open(args.profile) as f:
            profile_rows(json.load(f), rows, profile_lines)
    linux_rows(args.linux or [], runs_data, rows)
    for m in args.micro or []:
        with open(m) as f:
            for rec in json.load(f):
                rows.append((rec["name"], rec["value"], "", "", rec.get("note", "")))

    lines = []
    if runs_data:
        lines.append("Loader that ran each Windows process (its /proc/PID/exe), all started as "
                     "`wine64 PROGRAM ...`: %s." % (loaders(runs_data) or "none found"))
        lines.append("")
    lines.append("| measure | saver | reference | ratio | note |")
    lines.append("|---|---|---|---|---|")
    for label, ts, tr, rt, note in rows:
        lines.append("| %s | %s | %s | %s | %s |" % (label, ts, tr, rt, note))
    lines.append("")
    lines.append("Figures are median (min–max) over the runs. Ratio is saver ÷ reference unless "
                 "the note says otherwise; – where a figure of the pair was not measured.")
    lines.extend(args.notes or [])
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
    r.add_argument("--extra", action="append")
    r.add_argument("--absent", action="append")
    r.add_argument("--scene")
    r.add_argument("--scene-samples", type=int)
    r.add_argument("programs", nargs="+")
    f = sub.add_parser("profile")
    f.add_argument("--out", required=True)
    f.add_argument("--seconds", type=float, default=5.0)
    f.add_argument("--scene")
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
