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

shared = socket.create_server(("::", 0), family=socket.AF_INET6, backlog=4)
held = [socket.create_server(("0.0.0.0", 0), backlog=4),
        socket.create_server(("::", 0), family=socket.AF_INET6, backlog=4, dualstack_ipv6=True), shared,
        socket.create_server(("0.0.0.0", shared.getsockname()[1]), backlog=4)]
for command in sys.argv[1:]:
    sys.stdout.write(subprocess.run(json.loads(command), stdout=subprocess.PIPE, check=False).stdout.decode())
