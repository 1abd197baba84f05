#!/usr/bin/env python3
"""Resident memory and CPU use of the menu-bar application over one minute, with 20 loopback listeners
open and the default 10-second sampling tick, on a virtual display with a tray. The floor it is compared
with: the CPU that the minute's six bare socket listings (the notifier's cheapest tool run) cost. Then the
same for half a minute with the panel open (refreshing every 3 s, figures every second), set beside the
closed minute."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

MINUTE = 60
TICKS = os.sysconf("SC_CLK_TCK")

HOLDER = r"""
import socket, time
held = []
for _ in range(20):
    s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(1); held.append(s)
print("ready", flush=True)
time.sleep(3600)
"""


def cpu_seconds(pid):
    fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
    utime, stime, cutime, cstime = (int(v) for v in fields[11:15])
    return (utime + stime) / TICKS, (cutime + cstime) / TICKS


def rss_mb(pid):
    for line in open(f"/proc/{pid}/status"):
        if line.startswith("VmRSS:"):
            return int(line.split()[1]) / 1024
    return 0.0


def listing_floor():
    lsof = next(p for p in ("/usr/sbin/lsof", "/usr/bin/lsof", "/bin/lsof") if os.access(p, os.X_OK))
    before = os.times()
    for _ in range(6):
        subprocess.run([lsof, "-F", "n", "-iTCP", "-sTCP:LISTEN", "-n", "-P"], stdout=subprocess.DEVNULL)
    after = os.times()
    return (after.children_user - before.children_user) + (after.children_system - before.children_system)


def main():
    moorix = os.path.abspath(sys.argv[1])
    if not all(shutil.which(tool) for tool in ("Xvfb", "trayer")):
        print("skipped: Xvfb and trayer are needed")
        return
    home = tempfile.mkdtemp(prefix="moorix-bench-")
    env = dict(os.environ, HOME=home, XDG_DATA_HOME=f"{home}/data", XDG_CONFIG_HOME=f"{home}/config")
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            stdout=subprocess.PIPE, text=True)
    env["DISPLAY"] = ":" + xvfb.stdout.readline().strip()
    started = [xvfb]
    try:
        started.append(subprocess.Popen(["trayer", "--edge", "top", "--align", "right", "--height", "22"],
                                        env=env, stderr=subprocess.DEVNULL))
        holder = subprocess.Popen([sys.executable, "-c", HOLDER], stdout=subprocess.PIPE, text=True)
        started.append(holder)
        holder.stdout.readline()
        time.sleep(1)
        app = subprocess.Popen([moorix], env=env, stderr=subprocess.DEVNULL)
        started.append(app)
        time.sleep(2)  # start-up is not the steady state being measured
        own0, tools0 = cpu_seconds(app.pid)
        time.sleep(MINUTE)
        own1, tools1 = cpu_seconds(app.pid)
        memory = rss_mb(app.pid)
        own, tools = own1 - own0, tools1 - tools0
        floor = listing_floor()
        print(f"menu-bar application, 20 listeners, default tick, {MINUTE} s:")
        print(f"  resident memory after one minute {memory:.1f} MB (target under 60 MB)")
        print(f"  CPU {100 * own / MINUTE:.2f}% of one core itself, {100 * (own + tools) / MINUTE:.2f}% with its "
              f"tool runs (target under 1%)")
        if floor > 0:
            print(f"  total CPU {(own + tools) / floor:.1f}x the floor of six bare socket listings ({floor:.3f} s)")
        closed_share = (own + tools) / MINUTE

        icon = subprocess.run(["xdotool", "search", "--onlyvisible", "--classname", "moorix"], env=env,
                              stdout=subprocess.PIPE, text=True).stdout.split()
        if not icon or not shutil.which("xdotool"):
            print("  panel: skipped (xdotool or the tray icon missing)")
            return
        subprocess.run(["xdotool", "mousemove", "--window", icon[0], "5", "5", "click", "1"], env=env)
        time.sleep(3)  # the panel is built on the first click
        own0, tools0 = cpu_seconds(app.pid)
        time.sleep(MINUTE / 2)
        own1, tools1 = cpu_seconds(app.pid)
        share = (own1 - own0 + tools1 - tools0) / (MINUTE / 2)
        print(f"with the panel open, {MINUTE // 2} s:")
        print(f"  resident memory {rss_mb(app.pid):.1f} MB; CPU {100 * share:.2f}% of one core with its tool runs"
              + (f" ({share / closed_share:.0f}x the panel closed)" if closed_share > 0 else ""))
    finally:
        for process in reversed(started):
            process.kill()
            process.wait()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    main()
