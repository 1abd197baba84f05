#!/usr/bin/env python3
"""Whole-command cost of `moorix --list` against one bare socket-listing lsof run and one `ss -ltnpH` run
(the kernel's socket table with the owning processes), and of `moorix --version` against a statically
linked C++ program that prints one line (built here), each pair alternated in one run with LISTENERS
loopback listeners held by one process; then the listings again with EXTRA more processes running.
Prints the medians, the median ratios and the load average, as the machine may be shared."""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HOLDER = r"""
import socket, sys, time
held = []
for _ in range(int(sys.argv[1])):
    s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(1); held.append(s)
print("ready", flush=True)
time.sleep(3600)
"""

HELLO = '#include <cstdio>\nint main() { std::puts("hello"); }\n'


def timed(argv):
    """Wall time of one run, from the spawn to the reaping, with nothing of Python's own in between."""
    with open(os.devnull, "wb") as null:
        actions = [(os.POSIX_SPAWN_DUP2, null.fileno(), 1), (os.POSIX_SPAWN_DUP2, null.fileno(), 2)]
        start = time.perf_counter()
        pid = os.posix_spawn(argv[0], argv, os.environ, file_actions=actions)
        os.waitpid(pid, 0)
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
    print(title + f" (load average {os.getloadavg()[0]:.2f})")
    print("  medians: " + ", ".join(f"{name} {m * 1000:.2f} ms" for name, m in zip(names, medians)))
    for name, ratio, target in zip(names[1:], ratios, targets):
        print(f"  {names[0]} / {name}: median ratio {ratio:.2f} ({target})")


def static_hello(folder):
    source = os.path.join(folder, "hello.cpp")
    with open(source, "w") as out:
        out.write(HELLO)
    binary = os.path.join(folder, "hello")
    compiler = os.environ.get("CXX") or shutil.which("c++") or "g++"
    subprocess.run([compiler, "-O2", "-static", "-o", binary, source], check=True)
    return binary


def main():
    moorix = sys.argv[1]
    listeners, extra, rounds = 200, 1000, 41
    lsof = next(p for p in ("/usr/sbin/lsof", "/usr/bin/lsof", "/bin/lsof") if shutil.which(p))
    ss = shutil.which("ss")
    commands = [[moorix, "--list"], [lsof, "-F", "pcRuLPn", "-iTCP", "-sTCP:LISTEN", "-n", "-P", "+c0"]]
    names = ["moorix --list", "bare lsof"]
    targets = ["target at most 0.35"]
    if ss:
        commands.append([ss, "-ltnpH"])
        names.append("ss -ltnpH")
        targets.append("target at most 1.2")
    folder = tempfile.mkdtemp()
    started = [subprocess.Popen([sys.executable, "-c", HOLDER, str(listeners)], stdout=subprocess.PIPE, text=True)]
    try:
        hello = static_hello(folder)
        for holder in started:
            holder.stdout.readline()
        medians, ratios = compare(commands, rounds)
        report(f"{listeners} listeners in one process, {rounds} alternated rounds:", names, medians, ratios, targets)
        medians, ratios = compare([[moorix, "--version"], [hello]], rounds)
        report(f"the start alone, {rounds} alternated rounds:", ["moorix --version", "static C++ hello"], medians,
               ratios, ["target at most 1.3"])
        started += [subprocess.Popen(["sleep", "3600"]) for _ in range(extra)]
        time.sleep(1)
        medians, ratios = compare(commands, rounds)
        # The targets hold for the case above; this one shows how the cost grows with the process count.
        report(f"the same with {extra} more processes running:", names, medians, ratios,
               ["no target"] * len(targets))
    finally:
        for process in started:
            process.kill()
        for process in started:
            process.wait()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
