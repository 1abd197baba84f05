#!/usr/bin/env python3
"""Runs a command with its standard output on a pseudo-terminal COLUMNS wide and prints what it wrote.
Usage: in_terminal.py COLUMNS COMMAND [ARGUMENT...]"""
import fcntl
import os
import pty
import struct
import subprocess
import sys
import termios

columns = int(sys.argv[1])
leader, follower = pty.openpty()
fcntl.ioctl(follower, termios.TIOCSWINSZ, struct.pack("HHHH", 50, columns, 0, 0))
# Keep line feeds as they are, so that the output reads back byte for byte.
attributes = termios.tcgetattr(follower)
attributes[1] &= ~termios.OPOST
termios.tcsetattr(follower, termios.TCSANOW, attributes)
child = subprocess.Popen(sys.argv[2:], stdout=follower)
os.close(follower)
output = b""
while True:
    try:
        chunk = os.read(leader, 65536)
    except OSError:
        break
    if not chunk:
        break
    output += chunk
child.wait()
sys.stdout.buffer.write(output)
sys.exit(child.returncode)
