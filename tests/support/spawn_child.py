#!/usr/bin/env python3
"""Runs the given command as a child and waits for it, so that this process (under whatever name it
was started) becomes the child's parent. Passes the child's output through."""
import subprocess
import sys

sys.exit(subprocess.call(sys.argv[1:]))
