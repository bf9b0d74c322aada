#!/usr/bin/env python3
"""Times screen changes from the X request to the first update that shows it.

Connects one viewer to each server named on the command line, all at once:

  vk:PORT:USER         a ViewKeeper agent (password from VK_BENCH_PASSWORD)
  rfb:PORT:zlib|zrle   a VNC server (RFB 3.8, security None, 32-bit colour,
                       the one encoding named; one incremental request kept
                       outstanding)

Then runs the workload on $DISPLAY with xdotool, phase by phase: typing into
a terminal, scrolling it (new lines at its bottom), moving a window, and raising
one of two full-screen pictures over the other. Each change waits until
every viewer has shown it (or --timeout passed: a missed change) before the
next is made.

A change counts as shown by an update whose rectangles meet the changed
area (the terminal, the window's old and new place); a full-screen change
once the rectangles received since its request cover 90 % of the screen.
Prints per phase and server: changes, missed, median and 90th percentile
latency, bytes received; then the servers' CPU seconds (from /proc).

  latency_probe.py --width 1920 --height 1080 --terminal WID --mover WID \\
      --pictures WID,WID --cpu NAME=PID ... vk:48384:demo rfb:5900:zlib
"""
import argparse
import os
import socket
import struct
import subprocess
import sys
import threading
import time
import zlib

CELL = 16  # coverage grid for full-screen changes


def now():
    return time.monotonic()


class Viewer(threading.Thread):
    """Reads one server's updates; records (time, rectangles) per update."""

    def __init__(self, name, width, height):
        super().__init__(daemon=True)
        self.name = name
        self.width = width
        self.height = height
        self.lock = threading.Condition()
        self.updates = []  # (arrival time, [(l, t, r, b)])
        self.bytes = 0
        self.error = None
        self.ready = threading.Event()

    def read(self, n):
        parts = []
        while n:
            chunk = self.sock.recv(min(n, 1 << 20))
            if not chunk:
                raise ConnectionError("%s closed the connection" % self.name)
            parts.append(chunk)
            self.bytes += len(chunk)
            n -= len(chunk)
        return b"".join(parts)

    def record(self, rects):
        with self.lock:
            self.updates.append((now(), rects))
            self.lock.notify_all()

    def run(self):
        try:
            self.serve()
        except Exception as e:  # reported by the driver
            self.error = e
            with self.lock:
                self.lock.notify_all()


class VkViewer(Viewer):
    def __init__(self, port, user, password, width, height):
        super().__init__("viewkeeper", width, height)
        self.sock = socket.create_connection(("127.0.0.1", port))
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        text = lambda s: (s + "\0").encode("utf-16-le") if s else b""
        fields = b"".join(struct.pack("<I", len(t)) + t for t in (text(user), b"", text(password)))
        self.sock.sendall(struct.pack("<I", 4 + len(fields)) + fields)

    def serve(self):
        while True:
            (kind,) = struct.unpack("<I", self.read(4))
            if kind == 4:
                self.read(4)
                continue
            (n,) = struct.unpack("<I", self.read(4))
            payload = self.read(n)
            if kind == 3:
                raise ConnectionError("the agent ended the session")
            if kind != 1:
                continue
            block = zlib.decompress(payload)
            rects, at = [], 0
            while at + 16 <= len(block):
                l, t, r, b = struct.unpack_from("<iiii", block, at)
                at += 16 + (r - l) * (b - t) * 4
                rects.append((l, t, r, b))
            self.record(rects)
            if not self.ready.is_set() and any(r[2] - r[0] >= self.width // 2 for r in rects):
                self.ready.set()


class RfbViewer(Viewer):
    ENCODINGS = {"zlib": 6, "zrle": 16}

    def __init__(self, port, encoding, width, height):
        super().__init__("vnc-" + encoding, width, height)
        self.sock = socket.create_connection(("127.0.0.1", port))
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.encoding = self.ENCODINGS[encoding]

    def handshake(self):
        if not self.read(12).startswith(b"RFB 003."):
            raise ValueError("not an RFB server")
        self.sock.sendall(b"RFB 003.008\n")
        (count,) = struct.unpack("!B", self.read(1))
        if count == 0 or 1 not in self.read(count):
            raise ValueError("security type None not offered")
        self.sock.sendall(b"\x01")
        if struct.unpack("!I", self.read(4))[0] != 0:
            raise ValueError("security refused")
        self.sock.sendall(b"\x01")  # shared
        w, h = struct.unpack("!HH", self.read(4))
        self.read(16)
        (n,) = struct.unpack("!I", self.read(4))
        self.read(n)
        # 32 bpp, depth 24, little-endian true colour, red 16, green 8, blue 0.
        self.sock.sendall(struct.pack("!BxxxBBBBHHHBBBxxx", 0, 32, 24, 0, 1, 255, 255, 255, 16, 8, 0))
        self.sock.sendall(struct.pack("!BxHi", 2, 1, self.encoding))
        self.request(False)

    def request(self, incremental):
        self.sock.sendall(struct.pack("!BBHHHH", 3, 1 if incremental else 0, 0, 0, self.width, self.height))

    def serve(self):
        self.handshake()
        first = True
        while True:
            (kind,) = struct.unpack("!B", self.read(1))
            if kind == 0:
                (count,) = struct.unpack("!xH", self.read(3))
                rects = []
                for _ in range(count):
                    x, y, w, h, enc = struct.unpack("!HHHHi", self.read(12))
                    if enc in (6, 16):
                        (n,) = struct.unpack("!I", self.read(4))
                        self.read(n)
                    elif enc == 0:
                        self.read(w * h * 4)
                    elif enc == 1:
                        self.read(4)
                    elif enc == -224:  # last rectangle
                        break
                    elif enc < 0:
                        continue
                    else:
                        raise ValueError("encoding %d not asked for" % enc)
                    rects.append((x, y, x + w, y + h))
                self.request(True)
                self.record(rects)
                if first:
                    first = False
                    self.ready.set()
            elif kind == 1:
                _, _, n = struct.unpack("!xHH", self.read(5))
                self.read(6 * n)
            elif kind == 2:
                pass
            elif kind == 3:
                (n,) = struct.unpack("!xxxI", self.read(7))
                self.read(n)
            else:
                raise ValueError("server message %d unknown" % kind)


def meets(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


def covered(rects, width, height):
    cols, rows = (width + CELL - 1) // CELL, (height + CELL - 1) // CELL
    grid = bytearray(cols * rows)
    for l, t, r, b in rects:
        c0, c1 = max(l, 0) // CELL, min((r + CELL - 1) // CELL, cols)
        for gy in range(max(t, 0) // CELL, min((b + CELL - 1) // CELL, rows)):
            if c1 > c0:
                grid[gy * cols + c0 : gy * cols + c1] = b"\x01" * (c1 - c0)
    return sum(grid) / float(len(grid))


def shown_at(viewer, since, area, full):
    """The arrival time of the update that shows the change, or None."""
    got = []
    for t, rects in viewer.updates:
        if t < since:
            continue
        if full:
            got.extend(rects)
            if covered(got, viewer.width, viewer.height) >= 0.9:
                return t
        elif any(meets(r, area) for r in rects):
            return t
    return None


def xdotool(*args):
    subprocess.run(["xdotool"] + [str(a) for a in args], check=True, stdout=subprocess.DEVNULL)


def geometry(window):
    out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", str(window)], check=True,
                         capture_output=True, text=True).stdout
    v = dict(line.split("=", 1) for line in out.split())
    x, y, w, h = int(v["X"]), int(v["Y"]), int(v["WIDTH"]), int(v["HEIGHT"])
    return (x, y, x + w, y + h)


class Run:
    def __init__(self, viewers, timeout):
        self.viewers = viewers
        self.timeout = timeout
        self.results = {}  # phase -> viewer -> [latency or None]
        self.bytes = {}

    def change(self, phase, act, area, full=False, label=""):
        # From just before the request: a fast server may show the change
        # before xdotool has even exited.
        since = now()
        act()
        deadline = since + self.timeout
        for v in self.viewers:
            with v.lock:
                while True:
                    t = shown_at(v, since, area, full)
                    if t is not None or v.error or now() >= deadline:
                        break
                    v.lock.wait(max(0.0, deadline - now()))
            self.results.setdefault(phase, {}).setdefault(v.name, []).append(None if t is None else t - since)
            if t is None and os.environ.get("VK_BENCH_VERBOSE"):
                print("missed: %s %s %s" % (v.name, phase, label), file=sys.stderr)
            if v.error:
                raise RuntimeError("%s: %s" % (v.name, v.error))

    def phase(self, name, steps):
        before = {v.name: v.bytes for v in self.viewers}
        steps()
        time.sleep(0.5)  # trailing updates of the last change belong to the phase
        self.bytes[name] = {v.name: v.bytes - before[v.name] for v in self.viewers}


def percentile(values, p):
    values = sorted(values)
    if not values:
        return float("nan")
    k = min(len(values) - 1, max(0, int(round(p / 100.0 * (len(values) - 1)))))
    return values[k]


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--width", type=int, default=1920)
    p.add_argument("--height", type=int, default=1080)
    p.add_argument("--terminal", required=True, help="window id of the terminal")
    p.add_argument("--mover", required=True, help="window id of the window that is moved")
    p.add_argument("--pictures", required=True, help="two window ids of full-screen pictures")
    p.add_argument("--typing", type=int, default=200)
    p.add_argument("--scrolling", type=int, default=60)
    p.add_argument("--moves", type=int, default=40)
    p.add_argument("--fullscreen", type=int, default=20)
    p.add_argument("--timeout", type=float, default=2.0)
    p.add_argument("--cpu", action="append", default=[], help="NAME=PID of a server")
    p.add_argument("servers", nargs="+")
    a = p.parse_args()

    viewers = []
    for server in a.servers:
        kind, port, extra = server.split(":")
        if kind == "vk":
            viewers.append(VkViewer(int(port), extra, os.environ["VK_BENCH_PASSWORD"], a.width, a.height))
        else:
            viewers.append(RfbViewer(int(port), extra, a.width, a.height))
    for v in viewers:
        v.start()
    for v in viewers:
        if not v.ready.wait(30) or v.error:
            sys.exit("bench: no first frame from %s (%s)" % (v.name, v.error))
    time.sleep(1.0)  # first frames complete
    cpus = {}
    for item in a.cpu:
        name, pid = item.split("=")
        cpus[name] = (int(pid), cpu_seconds(int(pid)))
    started = now()

    run = Run(viewers, a.timeout)
    term = geometry(a.terminal)
    pictures = a.pictures.split(",")

    def typing():
        xdotool("windowfocus", "--sync", a.terminal)
        text = "the quick brown fox jumps over the lazy dog "
        for k in range(a.typing):
            ch = text[k % len(text)]
            run.change("typing", lambda: xdotool("type", "--delay", 0, ch), term, label=repr(ch))
            time.sleep(0.03)

    # The terminal is full: each new line scrolls all of it up by one line.
    def scrolling():
        for k in range(a.scrolling):
            run.change("scroll", lambda: xdotool("key", "Return"), term)
            time.sleep(0.03)

    def moving():
        for k in range(a.moves):
            old = geometry(a.mover)
            x, y = 200 + (k % 10) * 60, 150 + (k % 7) * 40
            w, h = old[2] - old[0], old[3] - old[1]
            area = (min(old[0], x), min(old[1], y), max(old[2], x + w), max(old[3], y + h))
            run.change("window move", lambda: xdotool("windowmove", a.mover, x, y), area)
            time.sleep(0.03)

    def fullscreen():
        for k in range(a.fullscreen):
            window = pictures[k % 2]
            run.change("full screen", lambda: xdotool("windowraise", window), (0, 0, a.width, a.height), True)
            time.sleep(0.1)

    run.phase("typing", typing)
    run.phase("scroll", scrolling)
    run.phase("window move", moving)
    run.phase("full screen", fullscreen)
    elapsed = now() - started

    names = [v.name for v in viewers]
    print("%-12s %-12s %8s %7s %9s %9s %11s" % ("phase", "server", "changes", "missed", "median", "p90", "bytes"))
    for phase in ("typing", "scroll", "window move", "full screen"):
        for name in names:
            lat = run.results[phase][name]
            seen = [x * 1000.0 for x in lat if x is not None]
            print("%-12s %-12s %8d %7d %7.1fms %7.1fms %11d" % (phase, name, len(lat), len(lat) - len(seen),
                  percentile(seen, 50), percentile(seen, 90), run.bytes[phase][name]))
    print("CPU over the %.0f s workload (seconds, %% of one core):" % elapsed)
    for name, (pid, before) in cpus.items():
        used = cpu_seconds(pid) - before
        print("  %-12s %6.2f s  %5.1f %%" % (name, used, 100.0 * used / elapsed))
    missed = sum(x is None for ph in run.results.values() for lat in ph.values() for x in lat)
    return 0 if missed == 0 else 2


if __name__ == "__main__":
    sys.exit(main())
