#!/usr/bin/env python3
"""A small loopback server for tests: listens, prints its port, then serves or stays silent.

  listener.py [--host H]... [--port N | --dev-port] [--reuseport] [--dual-stack] [--fork] [--ignore-term]
              [--serve silent|http200|http404|garbage] [--stop-listening-after S] [--stop-on-usr1]

--dev-port takes the first free port from 5000 to 9999; --stop-on-usr1 stops listening on SIGUSR1 and
keeps the process alive, as a crashed server would. --dual-stack lets an IPv6 socket take IPv4 too (an
IPv4-mapped host such as ::ffff:127.0.0.1 needs it). --fork starts a child that inherits the sockets and
prints its pid on a second line.
"""
import argparse
import os
import signal
import socket
import sys
import threading
import time


def reply_for(kind):
    if kind == "http200":
        return b"HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"
    if kind == "http404":
        return b"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"
    if kind == "garbage":
        return b"\x00\x01 not a protocol anyone speaks\r\n\r\n"
    return None


def serve(sock, kind):
    reply = reply_for(kind)
    held = []
    while True:
        try:
            conn, _ = sock.accept()
        except OSError:
            return
        if reply is None:
            held.append(conn)  # accept and never answer
            continue
        try:
            conn.settimeout(2)
            conn.recv(65536)
            conn.sendall(reply)
        except OSError:
            pass
        finally:
            conn.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", action="append")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--reuseport", action="store_true")
    parser.add_argument("--ignore-term", action="store_true")
    parser.add_argument("--serve", default="silent", choices=["silent", "http200", "http404", "garbage"])
    parser.add_argument("--stop-listening-after", type=float, default=0)
    parser.add_argument("--dev-port", action="store_true")
    parser.add_argument("--stop-on-usr1", action="store_true")
    parser.add_argument("--dual-stack", action="store_true")
    parser.add_argument("--fork", action="store_true")
    args = parser.parse_args()
    if args.ignore_term:
        signal.signal(signal.SIGTERM, signal.SIG_IGN)

    candidates = range(5000, 10000) if args.dev_port else [args.port]
    for candidate in candidates:
        try:
            sockets = listen(args, candidate)
            break
        except OSError:
            if not args.dev_port:
                raise
    print(sockets[0].getsockname()[1], flush=True)
    if args.fork:
        child = os.fork()
        if child == 0:
            while True:
                time.sleep(3600)
        print(child, flush=True)

    if args.stop_on_usr1:
        def stop_listening(*_):
            for sock in sockets:
                sock.shutdown(socket.SHUT_RDWR)  # wakes the accepting thread; the port closes
        signal.signal(signal.SIGUSR1, stop_listening)
    for sock in sockets:
        threading.Thread(target=serve, args=(sock, args.serve), daemon=True).start()
    if args.stop_listening_after > 0:
        time.sleep(args.stop_listening_after)
        for sock in sockets:
            sock.close()
    while True:
        time.sleep(3600)


def listen(args, port):
    sockets = []
    for host in args.host or ["127.0.0.1"]:
        family = socket.AF_INET6 if ":" in host else socket.AF_INET
        sock = socket.socket(family, socket.SOCK_STREAM)
        sockets.append(sock)
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        if args.reuseport:
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEPORT, 1)
        if family == socket.AF_INET6:
            sock.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 0 if args.dual_stack else 1)
        try:
            sock.bind((host, port))
            sock.listen(16)
        except OSError:
            for opened in sockets:
                opened.close()
            raise
        port = sock.getsockname()[1]
    return sockets


if __name__ == "__main__":
    main()
