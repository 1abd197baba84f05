#!/usr/bin/env python3
"""A small loopback server for tests (options: --help): listens on one port on each --host, prints the port
(with --fork, the pid of a child that shares the sockets on a second line), then serves or stays silent.
--dev-port takes the first free port from 5000; --stop-on-usr1 stops listening but lives on, as a crashed server."""
import argparse
import contextlib
import os
import signal
import socket
import threading

REPLIES = {
    "silent": None,
    "http200": b"HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n",
    "http404": b"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n",
    "garbage": b"\x00\x01 not a protocol anyone speaks\r\n\r\n",
}


def serve(sock, reply):
    held = []
    with contextlib.suppress(OSError):  # the socket closed
        while True:
            conn, _ = sock.accept()
            if reply is None:
                held.append(conn)  # accept and never answer
                continue
            with conn, contextlib.suppress(OSError):
                conn.settimeout(2)
                conn.recv(65536)
                conn.sendall(reply)


def listen(args, port):
    """A socket on each host, all on one port: `port`, or the free one the first host got."""
    sockets = []  # on a failure, those made so far close as they are dropped
    for host in args.host or ["127.0.0.1"]:
        family = socket.AF_INET6 if ":" in host else socket.AF_INET
        sockets.append(socket.create_server((host, port), family=family, backlog=16, reuse_port=args.reuseport,
                                            dualstack_ipv6=args.dual_stack and family == socket.AF_INET6))
        port = sockets[-1].getsockname()[1]
    return sockets


parser = argparse.ArgumentParser()
parser.add_argument("--host", action="append")
parser.add_argument("--port", type=int, default=0)
parser.add_argument("--serve", default="silent", choices=REPLIES)
for flag in ("--dev-port", "--reuseport", "--dual-stack", "--fork", "--ignore-term", "--stop-on-usr1"):
    parser.add_argument(flag, action="store_true")
args = parser.parse_args()
if args.ignore_term:
    signal.signal(signal.SIGTERM, signal.SIG_IGN)

for candidate in range(5000, 10000) if args.dev_port else [args.port]:
    try:
        sockets = listen(args, candidate)
        break
    except OSError:
        if not args.dev_port:
            raise
print(sockets[0].getsockname()[1], flush=True)
if args.fork and (child := os.fork()):  # the child shares the sockets and serves them too
    print(child, flush=True)


def stop_listening(*_):
    for sock in sockets:
        sock.shutdown(socket.SHUT_RDWR)  # wakes the accepting thread; the port closes


if args.stop_on_usr1:
    signal.signal(signal.SIGUSR1, stop_listening)
for sock in sockets:
    threading.Thread(target=serve, args=(sock, REPLIES[args.serve]), daemon=True).start()
while True:
    signal.pause()

