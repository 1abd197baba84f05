#!/usr/bin/env python3
"""A small loopback server for tests: listens, prints its port, then serves or stays silent.

  listener.py [--host H]... [--port N] [--reuseport] [--ignore-term]
              [--serve silent|http200|http404|garbage] [--stop-listening-after S]
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
    args = parser.parse_args()
    if args.ignore_term:
        signal.signal(signal.SIGTERM, signal.SIG_IGN)

    port = args.port
    sockets = []
    for host in args.host or ["127.0.0.1"]:
        family = socket.AF_INET6 if ":" in host else socket.AF_INET
        sock = socket.socket(family, socket.SOCK_STREAM)
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        if args.reuseport:
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEPORT, 1)
        if family == socket.AF_INET6:
            sock.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)
        sock.bind((host, port))
        sock.listen(16)
        port = sock.getsockname()[1]
        sockets.append(sock)
    print(port, flush=True)

    for sock in sockets:
        threading.Thread(target=serve, args=(sock, args.serve), daemon=True).start()
    if args.stop_listening_after > 0:
        time.sleep(args.stop_listening_after)
        for sock in sockets:
            sock.close()
    while True:
        time.sleep(3600)


if __name__ == "__main__":
    main()
