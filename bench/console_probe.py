#!/usr/bin/env python3
"""Times a change on the agent's screen until the console has repainted it.

Puts a marker window on the agent's display (--agent-display; 64x64, or
the whole screen with --whole) and changes its colour, one change at a time:

  agent    each change timed from the X request to the first update of the
           agent (a protocol viewer, bench/latency_probe.py's) that meets the
           marker (for the whole screen: once 90 % of it came): the agent's
           own latency;
  console  each change timed from the X request until the console's display
           (--console-display) shows the new colour where the viewer shows
           the marker (for the whole screen: its last visible pixel):
           XDamage on the console's root says when something was drawn
           there, one pixel read tells whether it is the new colour.

  console_probe.py agent --agent-display :1 --port 48384 --user demo [--whole]
  console_probe.py console --agent-display :1 --console-display :2 [--pid PID] [--whole]
  console_probe.py idle --pid PID [--pid PID ...] --seconds 20

The password of `agent` is in VK_BENCH_PASSWORD. `console` waits for the
viewer to show the marker first (the console is started beside it). `idle`
prints each process's CPU over the interval, in % of one core.
"""
import argparse
import ctypes
import os
import random
import select
import sys
import time

sys.dont_write_bytecode = True  # nothing left in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import latency_probe  # noqa: E402  (the agent's protocol viewer)

MARKER = (40, 40, 64, 64)  # x, y, width, height on the agent's screen
DESKTOP = 0x2F4F6F  # the agent's root, so that the first frame is a whole screen
# Colours that nothing else on either screen has.
COLOURS = (0x13579B, 0x9B1357, 0x579B13, 0x2468AC)


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


def load_x():
    x = ctypes.CDLL("libX11.so.6")
    d = ctypes.CDLL("libXdamage.so.1")
    vp, ul, i, ui = ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_uint
    for name, res, args in (
            ("XOpenDisplay", vp, [ctypes.c_char_p]), ("XDefaultRootWindow", ul, [vp]),
            ("XCreateSimpleWindow", ul, [vp, ul, i, i, ui, ui, ui, ul, ul]), ("XMapRaised", i, [vp, ul]),
            ("XSetWindowBackground", i, [vp, ul, ul]), ("XClearWindow", i, [vp, ul]), ("XSync", i, [vp, i]),
            ("XGetImage", ctypes.POINTER(XImage), [vp, ul, i, i, ui, ui, ul, i]),
            ("XGetPixel", ul, [ctypes.POINTER(XImage), i, i]), ("XDestroyImage", i, [ctypes.POINTER(XImage)]),
            ("XPending", i, [vp]), ("XNextEvent", i, [vp, vp]), ("XConnectionNumber", i, [vp])):
        f = getattr(x, name)
        f.restype, f.argtypes = res, args
    for name, res, args in (("XDamageQueryExtension", i, [vp, ctypes.POINTER(i), ctypes.POINTER(i)]),
                            ("XDamageCreate", ul, [vp, ul, i]), ("XDamageSubtract", None, [vp, ul, ul, ul])):
        f = getattr(d, name)
        f.restype, f.argtypes = res, args
    return x, d


X, XD = load_x()
ALL_PLANES = 0xFFFFFFFF
Z_PIXMAP = 2
DAMAGE_REPORT_NON_EMPTY = 3


class Display:
    def __init__(self, name, width=0, height=0):
        self.size = (width, height)
        self.dpy = X.XOpenDisplay(name.encode())
        if not self.dpy:
            sys.exit("bench: cannot open display %s" % name)
        self.root = X.XDefaultRootWindow(self.dpy)

    def pixel(self, x, y):
        image = X.XGetImage(self.dpy, self.root, x, y, 1, 1, ALL_PLANES, Z_PIXMAP)
        value = X.XGetPixel(image, 0, 0) & 0xFFFFFF
        X.XDestroyImage(image)
        return value

    def find(self, colour):
        """The bounding box (l, t, r, b) of the pixels of `colour`, or None."""
        width, height = self.size
        image = X.XGetImage(self.dpy, self.root, 0, 0, width, height, ALL_PLANES, Z_PIXMAP)
        im = image.contents
        if im.bits_per_pixel != 32:
            X.XDestroyImage(image)
            sys.exit("bench: the console's display is not 24/32-bit")
        data = ctypes.string_at(im.data, im.bytes_per_line * im.height)
        stride = im.bytes_per_line
        X.XDestroyImage(image)
        needle = bytes((colour & 0xFF, (colour >> 8) & 0xFF, colour >> 16))
        box, at = None, data.find(needle)
        while at >= 0:
            if at % 4 == 0:
                x, y = (at % stride) // 4, at // stride
                box = (x, y, x + 1, y + 1) if box is None else (min(box[0], x), min(box[1], y),
                                                               max(box[2], x + 1), max(box[3], y + 1))
            at = data.find(needle, at + 1)
        return box


class Marker:
    """The window on the agent's display whose colour changes."""

    def __init__(self, display, place):
        self.display = display
        X.XSetWindowBackground(display.dpy, display.root, DESKTOP)
        X.XClearWindow(display.dpy, display.root)
        x, y, w, h = place
        self.window = X.XCreateSimpleWindow(display.dpy, display.root, x, y, w, h, 0, 0, COLOURS[0])
        X.XMapRaised(display.dpy, self.window)
        X.XSync(display.dpy, 0)
        self.colour = COLOURS[0]

    def set(self, colour):
        X.XSetWindowBackground(self.display.dpy, self.window, colour)
        X.XClearWindow(self.display.dpy, self.window)
        X.XSync(self.display.dpy, 0)
        self.colour = colour

    def next_colour(self, k):
        return COLOURS[1 + k % (len(COLOURS) - 1)] if self.colour == COLOURS[0] else COLOURS[0]


class Repaints:
    """XDamage on the console's root: waits until a pixel shows a colour."""

    def __init__(self, display):
        self.display = display
        event, error = ctypes.c_int(), ctypes.c_int()
        if not XD.XDamageQueryExtension(display.dpy, ctypes.byref(event), ctypes.byref(error)):
            sys.exit("bench: the console's X server has no DAMAGE extension")
        self.damage = XD.XDamageCreate(display.dpy, display.root, DAMAGE_REPORT_NON_EMPTY)
        self.fd = X.XConnectionNumber(display.dpy)
        self.event = ctypes.create_string_buffer(192)
        X.XSync(display.dpy, 0)

    def drain(self):
        while X.XPending(self.display.dpy):
            X.XNextEvent(self.display.dpy, self.event)

    def wait_for(self, x, y, colour, deadline):
        """The time the pixel showed `colour`, or None by the deadline."""
        while True:
            # Whatever is drawn after the subtraction raises a new event.
            XD.XDamageSubtract(self.display.dpy, self.damage, 0, 0)
            if self.display.pixel(x, y) == colour:
                return latency_probe.now()
            while not X.XPending(self.display.dpy):
                left = deadline - latency_probe.now()
                if left <= 0:
                    return None
                select.select([self.fd], [], [], left)
            self.drain()


def pause(rng):
    # Off the agent's capture period, so that changes fall anywhere in it.
    time.sleep(rng.uniform(0.05, 0.25))


def report(name, latencies, count, whole):
    seen = [t * 1000.0 for t in latencies if t is not None]
    name += " (whole screen)" if whole else " (64x64)"
    print("%-23s changes %4d  missed %3d  median %7.1f ms  p90 %7.1f ms  min %6.1f ms  max %7.1f ms" % (
        name, count, count - len(seen), latency_probe.percentile(seen, 50), latency_probe.percentile(seen, 90),
        min(seen) if seen else float("nan"), max(seen) if seen else float("nan")))
    return len(seen) == count


def run_agent(a):
    agent = Display(a.agent_display)
    marker = Marker(agent, a.place)
    viewer = latency_probe.VkViewer(a.port, a.user, os.environ["VK_BENCH_PASSWORD"], a.width, a.height)
    viewer.start()
    if not viewer.ready.wait(30) or viewer.error:
        sys.exit("bench: no first frame from the agent (%s)" % viewer.error)
    time.sleep(1.0)
    x, y, w, h = a.place
    area = (x, y, x + w, y + h)
    rng, latencies = random.Random(1), []
    for k in range(a.changes):
        since = latency_probe.now()
        marker.set(marker.next_colour(k))
        deadline = since + a.timeout
        with viewer.lock:
            t = None
            while t is None and not viewer.error and latency_probe.now() < deadline:
                t = latency_probe.shown_at(viewer, since, area, a.whole)
                if t is None:
                    viewer.lock.wait(max(0.0, deadline - latency_probe.now()))
        latencies.append(None if t is None else t - since)
        pause(rng)
    viewer.sock.close()
    return 0 if report("agent", latencies, a.changes, a.whole) else 2


def run_console(a):
    agent = Display(a.agent_display)
    marker = Marker(agent, a.place)
    console = Display(a.console_display, a.console_width, a.console_height)
    repaints = Repaints(console)
    deadline = latency_probe.now() + a.startup
    box = None
    while box is None and latency_probe.now() < deadline:
        box = console.find(COLOURS[0])
        if box is None:
            time.sleep(0.5)
    if box is None:
        sys.exit("bench: the console never showed the agent's screen")
    # A whole-screen change is timed at the last visible pixel, which the
    # viewer paints last; a small one at its middle.
    spot = (box[2] - 1, box[3] - 1) if a.whole else ((box[0] + box[2]) // 2, (box[1] + box[3]) // 2)
    print("console: the marker is at %s on the console's display (box %s)" % (spot, box))
    time.sleep(1.0)
    cpu = latency_probe.cpu_seconds(a.pid) if a.pid else None
    started = latency_probe.now()
    rng, latencies = random.Random(1), []
    for k in range(a.changes):
        colour = marker.next_colour(k)
        repaints.drain()
        since = latency_probe.now()
        marker.set(colour)
        t = repaints.wait_for(spot[0], spot[1], colour, since + a.timeout)
        latencies.append(None if t is None else t - since)
        pause(rng)
    if cpu is not None:
        used = latency_probe.cpu_seconds(a.pid) - cpu
        print("console CPU while changing: %.2f s over %.1f s (%.1f %% of a core)" % (
            used, latency_probe.now() - started, 100.0 * used / (latency_probe.now() - started)))
    return 0 if report("console", latencies, a.changes, a.whole) else 2


def run_idle(a):
    before = {pid: latency_probe.cpu_seconds(pid) for pid in a.pid}
    started = latency_probe.now()
    time.sleep(a.seconds)
    elapsed = latency_probe.now() - started
    over = False
    for pid, name in zip(a.pid, a.name or [str(p) for p in a.pid]):
        used = latency_probe.cpu_seconds(pid) - before[pid]
        share = 100.0 * used / elapsed
        print("idle %-8s %.3f s CPU over %.1f s: %.2f %% of a core (%.2f s since it started)" % (
            name, used, elapsed, share, latency_probe.cpu_seconds(pid)))
        over = over or (name == "console" and share >= 1.0)
    return 3 if over else 0


def main():
    p = argparse.ArgumentParser()
    p.add_argument("mode", choices=("agent", "console", "idle"))
    p.add_argument("--agent-display")
    p.add_argument("--console-display")
    p.add_argument("--console-width", type=int, default=1920)
    p.add_argument("--console-height", type=int, default=1200)
    p.add_argument("--width", type=int, default=1920)
    p.add_argument("--height", type=int, default=1080)
    p.add_argument("--port", type=int)
    p.add_argument("--user", default="demo")
    p.add_argument("--changes", type=int, default=100)
    p.add_argument("--whole", action="store_true", help="the marker covers the agent's whole screen")
    p.add_argument("--timeout", type=float, default=3.0)
    p.add_argument("--startup", type=float, default=60.0)
    p.add_argument("--pid", type=int, action="append", default=[])
    p.add_argument("--name", action="append", default=[])
    p.add_argument("--seconds", type=float, default=20.0)
    a = p.parse_args()
    a.place = (0, 0, a.width, a.height) if a.whole else MARKER
    if a.mode == "console":
        a.pid = a.pid[0] if a.pid else None
        return run_console(a)
    return {"agent": run_agent, "idle": run_idle}[a.mode](a)


if __name__ == "__main__":
    sys.exit(main())
