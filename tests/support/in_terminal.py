#!/usr/bin/env python3
"""Runs a command with its standard output on a pseudo-terminal COLUMNS wide and prints what it wrote.
Usage: in_terminal.py COLUMNS COMMAND [ARGUMENT...]"""
import contextlib
import fcntl
import os
import pty
import struct
import subprocess
import sys
import termios

leader, follower = pty.openpty()
fcntl.ioctl(follower, termios.TIOCSWINSZ, struct.pack("HHHH", 50, int(sys.argv[1]), 0, 0))
# Keep line feeds as they are, so that the output reads back byte for byte.
attributes = termios.tcgetattr(follower)
attributes[1] &= ~termios.OPOST
termios.tcsetattr(follower, termios.TCSANOW, attributes)
child = subprocess.Popen(sys.argv[2:], stdout=follower)
os.close(follower)
with contextlib.suppress(OSError):  # EIO once the command's end of the terminal closed
    while chunk := os.read(leader, 65536):
        sys.stdout.buffer.write(chunk)
sys.exit(child.wait())
