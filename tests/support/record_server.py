#!/usr/bin/env python3
"""A loopback listener that leaves a trace of every start, for restart tests.

  record_server.py RECORD_FILE [ARG]...

First appends one JSON line to RECORD_FILE with its pid, session id, working directory and full argument
vector (interpreter included) as hex-encoded bytes, so that what it was started with is known even if it
cannot listen. Then listens on a loopback port, appends {"pid", "port"}, prints the port and waits. The
ARGs are only recorded.
"""
import contextlib
import json
import os
import socket
import sys
import time


def append(record):
    with open(sys.argv[1], "a") as out:
        out.write(json.dumps(record) + "\n")


def main():
    append({"pid": os.getpid(), "sid": os.getsid(0), "cwd": os.getcwd(),
            "argv": [os.fsencode(arg).hex() for arg in sys.orig_argv]})
    sock = socket.create_server(("127.0.0.1", 0), backlog=16)
    port = sock.getsockname()[1]
    append({"pid": os.getpid(), "port": port})
    with contextlib.suppress(OSError):  # whoever started it may have closed its output
        print(port, flush=True)
    while True:
        time.sleep(3600)


if __name__ == "__main__":
    main()
