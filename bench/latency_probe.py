#!/usr/bin/env python3
"""Times screen changes from the X request to the first update that shows it.

Connects one viewer to each server named on the command line, all at once:

  vk:PORT:USER         a ViewKeeper agent (password from VK_BENCH_PASSWORD)
  rfb:PORT:zlib|zrle   a VNC server (RFB 3.8, security None, 32-bit colour,
                       the one encoding named; one incremental request kept
                       outstanding)

Before the viewers connect, the windows are put in a known stack (the two
pictures at the bottom, the second above the first, then the terminal and the
window to move on top), whatever an earlier run left. Then runs the workload
on $DISPLAY with xdotool, phase by phase: typing into a terminal, scrolling it
(numbered new lines at its bottom), moving a window, and raising one of two full-screen
pictures over the other; each phase but the last first checks that the
terminal and the window are still above the pictures. Each change waits until
every viewer has shown it (or --timeout passed: a missed change) before the
next is made. Last, the screen stays still for --idle seconds.

A change counts as shown by an update whose rectangles meet the changed
area (the terminal, the window's old and new place); a full-screen change
once the rectangles received since its request cover 90 % of the screen.
Prints per phase and server: changes, missed, median and 90th percentile
latency, bytes received; then the servers' CPU seconds (from /proc) over the
workload and while idle. With --goals (defaults or fast) it then checks the
goals of the agent at that send interval against the other servers, a line
each. A phase that no server saw (its changes hidden, say) makes the run
invalid: the probe says so and exits with 3; a missed change or a missed goal
exits with 2. VK_BENCH_VERBOSE=1 names each missed change; VK_BENCH_TRACE=1
lists, per change and server, the updates that came (ms after the request,
rectangles, thousands of pixels).

  latency_probe.py --width 1920 --height 1080 --terminal WID --mover WID \\
      --pictures WID,WID --cpu NAME=PID ... vk:48384:demo rfb:5900:zlib
"""
import argparse
import os
import queue
import re
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

    def record(self, rects, arrived=None):
        with self.lock:
            self.updates.append((arrived if arrived is not None else now(), rects))
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
        # The update blocks are decoded on a thread of their own, so that the
        # next message is read (and timed) while the last one is inflated.
        blocks = queue.Queue()
        decoder = threading.Thread(target=self.decode, args=(blocks,), daemon=True)
        decoder.start()
        try:
            while True:
                (kind,) = struct.unpack("<I", self.read(4))
                if kind == 4:
                    self.read(4)
                    continue
                (n,) = struct.unpack("<I", self.read(4))
                payload = self.read(n)
                # Arrived once read: the VNC viewers do not decode their rectangles either.
                arrived = now()
                if kind == 3:
                    raise ConnectionError("the agent ended the session")
                if kind == 1:
                    blocks.put((arrived, payload))
        finally:
            blocks.put(None)

    def decode(self, blocks):
        while True:
            item = blocks.get()
            if item is None:
                return
            arrived, payload = item
            block = zlib.decompress(payload)
            rects, at = [], 0
            while at + 16 <= len(block):
                l, t, r, b = struct.unpack_from("<iiii", block, at)
                at += 16 + (r - l) * (b - t) * 4
                rects.append((l, t, r, b))
            self.record(rects, arrived)
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


def stack():
    """The root's children, top first, as window ids."""
    out = subprocess.run(["xwininfo", "-root", "-children"], check=True, capture_output=True, text=True).stdout
    return [int(m.group(1), 16) for m in re.finditer(r"^\s+(0x[0-9a-f]+) ", out, re.M)]


def arrange(pictures, on_top):
    """Both pictures at the bottom (the second above the first), on_top over them."""
    for window in list(pictures) + list(on_top):
        xdotool("windowraise", window)
    check_above(on_top, pictures, "after arranging")


def check_above(upper, lower, when):
    order = stack()
    place = {w: order.index(w) if w in order else None for w in list(upper) + list(lower)}
    if any(v is None for v in place.values()):
        sys.exit("bench: a window of the workload is gone (%s)" % when)
    if max(place[w] for w in upper) > min(place[w] for w in lower):
        sys.exit("bench: a full-screen picture is above the terminal or the window to move (%s)" % when)


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
            if os.environ.get("VK_BENCH_TRACE"):
                # Each update since the request: ms after it, rectangles, thousands of pixels.
                seen = [(round((u - since) * 1000), len(rs), sum((r[2] - r[0]) * (r[3] - r[1]) for r in rs) // 1000)
                        for u, rs in v.updates if u >= since]
                print("trace %s %s at %.1f: %s" % (v.name, phase, since * 1000, seen), file=sys.stderr)
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


PHASES = ("typing", "scroll", "window move", "full screen")


class Cpu:
    """Each server's CPU seconds from a starting point."""

    def __init__(self, items):
        self.pids = {}
        for item in items:
            name, pid = item.split("=")
            self.pids[name] = int(pid)
        self.restart()

    def restart(self):
        self.started = now()
        self.before = {name: cpu_seconds(pid) for name, pid in self.pids.items()}

    def share(self):
        """name -> (seconds, % of one core) since the start; and the elapsed time."""
        elapsed = now() - self.started
        used = {name: cpu_seconds(pid) - self.before[name] for name, pid in self.pids.items()}
        return {name: (u, 100.0 * u / elapsed) for name, u in used.items()}, elapsed


class Table:
    """Per phase and server: latencies in ms (None: missed) and bytes."""

    def __init__(self, run, names):
        self.names = names
        self.lat = {ph: {n: [None if x is None else x * 1000.0 for x in run.results[ph][n]] for n in names}
                    for ph in PHASES}
        self.bytes = run.bytes

    def seen(self, phase, name):
        return [x for x in self.lat[phase][name] if x is not None]

    def missed(self, phase, name):
        return len(self.lat[phase][name]) - len(self.seen(phase, name))

    def median(self, phase, name):
        return percentile(self.seen(phase, name), 50)

    def p90(self, phase, name):
        return percentile(self.seen(phase, name), 90)

    def print(self):
        print("%-12s %-12s %8s %7s %9s %9s %11s" % ("phase", "server", "changes", "missed", "median", "p90", "bytes"))
        for phase in PHASES:
            for name in self.names:
                print("%-12s %-12s %8d %7d %7.1fms %7.1fms %11d" % (
                    phase, name, len(self.lat[phase][name]), self.missed(phase, name), self.median(phase, name),
                    self.p90(phase, name), self.bytes[phase][name]))

    def unseen_phases(self):
        """Phases that no server saw half of: the workload did not reach the screen."""
        return [ph for ph in PHASES
                if all(len(self.seen(ph, n)) * 2 < len(self.lat[ph][n]) for n in self.names)]


def goal_lines(goals, table, cpu, idle, agent, zlib, zrle):
    """(met, text) for each goal of the agent at the send interval `goals`."""
    lines = []
    if goals == "defaults":
        for ph in PHASES:
            lines.append((table.median(ph, agent) <= 110, "%s median %.1f ms <= 110" % (ph, table.median(ph, agent))))
            lines.append((table.p90(ph, agent) <= 200, "%s p90 %.1f ms <= 200" % (ph, table.p90(ph, agent))))
            lines.append((table.missed(ph, agent) == 0, "%s missed %d == 0" % (ph, table.missed(ph, agent))))
            ours, theirs = table.bytes[ph][agent], table.bytes[ph][zlib]
            lines.append((ours <= theirs, "%s bytes %d <= %s's %d" % (ph, ours, zlib, theirs)))
        ours, theirs = cpu[agent][0], cpu[zlib][0]
        lines.append((ours <= theirs, "CPU %.2f s <= %s's %.2f s" % (ours, zlib, theirs)))
    else:
        for ph in PHASES:
            ours, theirs = table.median(ph, agent), table.median(ph, zlib)
            lines.append((ours <= theirs, "%s median %.1f ms <= %s's %.1f" % (ph, ours, zlib, theirs)))
        typing = table.median("typing", agent)
        lines.append((typing < 25, "typing median %.1f ms < 25" % typing))
        ours, tiger = table.median("full screen", agent), table.median("full screen", zrle)
        lines.append((ours <= 1.2 * tiger, "full screen median %.1f ms <= 1.2 x %s's %.1f" % (ours, zrle, tiger)))
    lines.append((idle[agent][1] < 0.2, "idle CPU %.2f %% of a core < 0.2" % idle[agent][1]))
    return lines


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--width", type=int, default=1920)
    p.add_argument("--height", type=int, default=1080)
    p.add_argument("--terminal", type=int, required=True, help="window id of the terminal")
    p.add_argument("--mover", type=int, required=True, help="window id of the window that is moved")
    p.add_argument("--pictures", required=True, help="two window ids of full-screen pictures")
    p.add_argument("--typing", type=int, default=200)
    p.add_argument("--scrolling", type=int, default=60)
    p.add_argument("--moves", type=int, default=40)
    p.add_argument("--fullscreen", type=int, default=20)
    p.add_argument("--idle", type=float, default=10.0, help="seconds of a still screen at the end")
    p.add_argument("--timeout", type=float, default=2.0)
    p.add_argument("--cpu", action="append", default=[], help="NAME=PID of a server")
    p.add_argument("--goals", choices=("defaults", "fast"), help="check the agent's goals at this send interval")
    p.add_argument("servers", nargs="+")
    a = p.parse_args()
    pictures = [int(w) for w in a.pictures.split(",")]
    if len(pictures) != 2:
        sys.exit("bench: --pictures names two windows")
    upper = (a.terminal, a.mover)
    arrange(pictures, upper)

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
    cpu = Cpu(a.cpu)

    run = Run(viewers, a.timeout)
    term = geometry(a.terminal)

    def typing():
        xdotool("windowfocus", "--sync", a.terminal)
        text = "the quick brown fox jumps over the lazy dog "
        for k in range(a.typing):
            ch = text[k % len(text)]
            run.change("typing", lambda: xdotool("type", "--delay", 0, ch), term, label=repr(ch))
            time.sleep(0.03)

    # The terminal is full: each new line scrolls all of it up by one line.
    # Each line gets its own number first (a shell comment, shown before the
    # timing starts), so the lines differ: scrolling equal prompts would
    # change no pixel once they fill the terminal.
    def scrolling():
        for k in range(a.scrolling):
            run.change("scroll label", lambda: xdotool("type", "--delay", 0, "# %d" % k), term)
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

    # The picture below is raised each time, so every pixel changes.
    def fullscreen():
        for k in range(a.fullscreen):
            window = pictures[k % 2]
            run.change("full screen", lambda: xdotool("windowraise", window), (0, 0, a.width, a.height), True)
            time.sleep(0.1)

    for name, steps in zip(PHASES, (typing, scrolling, moving, fullscreen)):
        if name != "full screen":
            check_above(upper, pictures, "before the %s phase" % name)
        run.phase(name, steps)
    workload, elapsed = cpu.share()
    cpu.restart()
    time.sleep(a.idle)
    idle, idled = cpu.share()

    names = [v.name for v in viewers]
    table = Table(run, names)
    table.print()
    print("CPU over the %.0f s workload and %.0f s idle (seconds, %% of one core):" % (elapsed, idled))
    for name in workload:
        print("  %-12s %6.2f s  %5.1f %%   idle %5.2f %%" % (name, workload[name][0], workload[name][1], idle[name][1]))

    unseen = table.unseen_phases()
    if unseen:
        print("bench: invalid run: no server saw the %s phase" % ", ".join(unseen))
        return 3
    missed = sum(table.missed(ph, n) for ph in PHASES for n in names)
    failed = 0
    if a.goals:
        agent, zlib, zrle = "viewkeeper", "vnc-zlib", "vnc-zrle"
        if not {agent, zlib, zrle} <= set(names) or not {agent, zlib} <= set(workload):
            sys.exit("bench: --goals needs the agent, x11vnc and x0vncserver with their CPU")
        print("goals at the %s send interval:" % ("default" if a.goals == "defaults" else "fast"))
        for met, text in goal_lines(a.goals, table, workload, idle, agent, zlib, zrle):
            print("  %-6s %s" % ("met" if met else "MISSED", text))
            failed += not met
    return 0 if missed == 0 and failed == 0 else 2


if __name__ == "__main__":
    sys.exit(main())
