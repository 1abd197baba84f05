#!/usr/bin/env python3
"""Whole-command cost of `moorix --list` against one bare socket-listing lsof run and one `ss -ltnpH` run
(the kernel's socket table with the owning processes), alternated in one run with LISTENERS loopback
listeners open; then the same with EXTRA more processes running. Prints the medians and the median
ratios."""
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


def compare(commands, rounds):
    """Medians of each command's time, the commands alternated round by round, and of the ratios of the
    first command to each other one within a round."""
    for argv in commands:
        timed(argv)  # warm caches
    times = [[] for _ in commands]
    for _ in range(rounds):
        for index, argv in enumerate(commands):
            times[index].append(timed(argv))
    ratios = [statistics.median(a / b for a, b in zip(times[0], other)) for other in times[1:]]
    return [statistics.median(t) for t in times], ratios


def report(title, names, medians, ratios, targets):
    print(title)
    print("  medians: " + ", ".join(f"{name} {m * 1000:.1f} ms" for name, m in zip(names, medians)))
    for name, ratio, target in zip(names[1:], ratios, targets):
        print(f"  moorix --list / {name}: median ratio {ratio:.2f} ({target})")


def main():
    moorix = sys.argv[1]
    listeners, holders, extra, rounds = 200, 20, 1000, 21
    lsof = next(p for p in ("/usr/sbin/lsof", "/usr/bin/lsof", "/bin/lsof") if shutil.which(p))
    ss = shutil.which("ss")
    commands = [[moorix, "--list"], [lsof, "-F", "pcRuLPn", "-iTCP", "-sTCP:LISTEN", "-n", "-P", "+c0"]]
    names = ["moorix --list", "bare lsof"]
    targets = ["target at most 0.35"]
    if ss:
        commands.append([ss, "-ltnpH"])
        names.append("ss -ltnpH")
        targets.append("target at most 1.2")
    started = [subprocess.Popen([sys.executable, "-c", HOLDER, str(listeners // holders)],
                                stdout=subprocess.PIPE, text=True) for _ in range(holders)]
    try:
        for holder in started:
            holder.stdout.readline()
        medians, ratios = compare(commands, rounds)
        report(f"{listeners} listeners, {rounds} alternated rounds:", names, medians, ratios, targets)
        started += [subprocess.Popen(["sleep", "3600"]) for _ in range(extra)]
        time.sleep(1)
        medians, ratios = compare(commands, rounds)
        report(f"the same with {extra} more processes running:", names, medians, ratios, targets)
    finally:
        for process in started:
            process.kill()
        for process in started:
            process.wait()


if __name__ == "__main__":
    main()
