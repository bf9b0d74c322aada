#!/usr/bin/env python3
"""Counts what a VNC server sends to keep one viewer current.

Connects with RFB 3.8 and security type None, asks for 32-bit true colour and
the zlib encoding only, and keeps one incremental update request outstanding.
Prints the bytes received after the first (full) frame when the time is up or
on SIGTERM. With --ready FILE, writes FILE once the first frame is complete.

  rfb_count.py --port 5901 --seconds 30 [--host 127.0.0.1] [--ready FILE]
"""
import argparse
import signal
import socket
import struct
import sys
import time

ZLIB = 6


class Counter:
    def __init__(self, sock):
        self.sock = sock
        self.total = 0

    def read(self, n):
        parts = []
        while n:
            chunk = self.sock.recv(min(n, 1 << 20))
            if not chunk:
                raise ConnectionError("server closed the connection")
            parts.append(chunk)
            self.total += len(chunk)
            n -= len(chunk)
        return b"".join(parts)


def handshake(sock, io):
    version = io.read(12)
    if not version.startswith(b"RFB 003."):
        raise ValueError("not an RFB server: %r" % version)
    sock.sendall(b"RFB 003.008\n")
    (count,) = struct.unpack("!B", io.read(1))
    if count == 0:
        (length,) = struct.unpack("!I", io.read(4))
        raise ValueError("refused: %s" % io.read(length).decode(errors="replace"))
    if 1 not in io.read(count):
        raise ValueError("security type None not offered")
    sock.sendall(b"\x01")
    (result,) = struct.unpack("!I", io.read(4))
    if result != 0:
        raise ValueError("security handshake failed")
    sock.sendall(b"\x01")  # shared
    width, height = struct.unpack("!HH", io.read(4))
    io.read(16)  # the server's pixel format
    (length,) = struct.unpack("!I", io.read(4))
    io.read(length)
    # 32 bpp, depth 24, little endian, true colour, 8 bits each, red at 16.
    sock.sendall(struct.pack("!B3xBBBBHHHBBB3x", 0, 32, 24, 0, 1, 255, 255, 255, 16, 8, 0))
    sock.sendall(struct.pack("!BxHi", 2, 1, ZLIB))
    return width, height


def request(sock, incremental, width, height):
    sock.sendall(struct.pack("!BBHHHH", 3, incremental, 0, 0, width, height))


def read_update(io):
    """Reads the rest of one FramebufferUpdate; answers its rectangle count."""
    (count,) = struct.unpack("!xH", io.read(3))
    for _ in range(count):
        _, _, w, h, encoding = struct.unpack("!HHHHi", io.read(12))
        if encoding == ZLIB:
            (length,) = struct.unpack("!I", io.read(4))
            io.read(length)
        elif encoding == 0:  # raw, allowed to any client
            io.read(w * h * 4)
        elif encoding == 1:  # copy rectangle
            io.read(4)
        else:
            raise ValueError("unexpected encoding %d" % encoding)
    return count


def read_message(io, kind):
    """Reads the rest of one server message of type `kind`; answers True
    for a framebuffer update."""
    if kind == 0:
        read_update(io)
        return True
    if kind == 1:  # colour map entries
        _, count = struct.unpack("!xHH", io.read(5))
        io.read(count * 6)
    elif kind == 2:  # bell
        pass
    elif kind == 3:  # cut text
        (length,) = struct.unpack("!3xI", io.read(7))
        io.read(length)
    else:
        raise ValueError("unexpected message type %d" % kind)
    return False


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--seconds", type=float, default=30)
    parser.add_argument("--ready")
    args = parser.parse_args()

    deadline = time.monotonic() + args.seconds
    stop = []
    signal.signal(signal.SIGTERM, lambda *_: stop.append(True))
    sock = socket.create_connection((args.host, args.port), timeout=10)
    sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    io = Counter(sock)
    width, height = handshake(sock, io)
    request(sock, 0, width, height)
    while not read_message(io, io.read(1)[0]):
        pass
    first = io.total
    if args.ready:
        open(args.ready, "w").close()
    updates = 0
    request(sock, 1, width, height)
    while not stop:
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            break
        sock.settimeout(min(remaining, 0.5))
        try:
            kind = io.read(1)[0]
        except socket.timeout:
            continue  # nothing changed; the request stays outstanding
        sock.settimeout(10)  # the rest of a message follows at once
        if read_message(io, kind):
            updates += 1
            request(sock, 1, width, height)
    print("rfb: bytes received %d, after the first update %d, updates %d"
          % (io.total, io.total - first, updates))
    return 0


if __name__ == "__main__":
    sys.exit(main())
