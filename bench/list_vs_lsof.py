#!/usr/bin/env python3
"""Whole-command cost of `moorix --list` against one bare socket-listing lsof run, alternated in one run
with LISTENERS loopback listeners open. Prints the medians and the median ratio."""
import shutil
import statistics
import subprocess
import sys
import time

HOLDER = r"""
import socket, sys, time
held = []
for _ in range(int(sys.argv[1])):
    s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(1); held.append(s)
print("ready", flush=True)
time.sleep(3600)
"""


def timed(argv):
    start = time.perf_counter()
    subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    return time.perf_counter() - start


def main():
    moorix = sys.argv[1]
    listeners, processes, rounds = 200, 20, 21
    lsof = next(p for p in ("/usr/sbin/lsof", "/usr/bin/lsof", "/bin/lsof") if shutil.which(p))
    holders = [subprocess.Popen([sys.executable, "-c", HOLDER, str(listeners // processes)],
                                stdout=subprocess.PIPE, text=True) for _ in range(processes)]
    try:
        for holder in holders:
            holder.stdout.readline()
        bare = [lsof, "-F", "pcRuLPn", "-iTCP", "-sTCP:LISTEN", "-n", "-P", "+c0"]
        timed(bare), timed([moorix, "--list"])  # warm caches
        ours, theirs = [], []
        for _ in range(rounds):
            ours.append(timed([moorix, "--list"]))
            theirs.append(timed(bare))
        ratios = [a / b for a, b in zip(ours, theirs)]
        print(f"moorix --list vs bare lsof, {listeners} listeners, {rounds} alternated rounds:")
        print(f"  median moorix --list {statistics.median(ours) * 1000:.1f} ms, "
              f"median lsof {statistics.median(theirs) * 1000:.1f} ms")
        print(f"  median ratio {statistics.median(ratios):.2f} (target at most 1.6)")
    finally:
        for holder in holders:
            holder.kill()
            holder.wait()


if __name__ == "__main__":
    main()
