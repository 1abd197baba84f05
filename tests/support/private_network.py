#!/usr/bin/env python3
"""Listens on the any-addresses of a network namespace of its own, then prints what each given command
prints, one after the other. Run it through `unshare --net`: a fresh namespace has no interface but its
own loopback, so nothing outside can reach these sockets.

  unshare --net private_network.py COMMAND_AS_JSON_ARRAY...

Sockets: 0.0.0.0; :: taking IPv4 too; and :: (IPv6 only) with 0.0.0.0 on the same port, one entry.
"""
import json
import socket
import subprocess
import sys


def listen(family, host, port=0, v6only=True):
    sock = socket.socket(family, socket.SOCK_STREAM)
    if family == socket.AF_INET6:
        sock.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1 if v6only else 0)
    sock.bind((host, port))
    sock.listen(4)
    return sock


def main():
    shared = listen(socket.AF_INET6, "::")
    held = [listen(socket.AF_INET, "0.0.0.0"), listen(socket.AF_INET6, "::", v6only=False), shared,
            listen(socket.AF_INET, "0.0.0.0", shared.getsockname()[1])]
    for command in sys.argv[1:]:
        sys.stdout.write(subprocess.run(json.loads(command), stdout=subprocess.PIPE, check=False).stdout.decode())
    sys.stdout.flush()
    for sock in held:
        sock.close()


if __name__ == "__main__":
    main()
