#!/usr/bin/python3
"""Start-up of the utility: from starting the program to its window painted for the first
time, with the pictures decoded, table 1 open and the port open on COM1.

    scripts/bench-startup.py [BUILD] [RUNS] [--others]

Runs build/bin/px708-startup-probe RUNS times (21 by default) on a scratch home with
COM1 mapped to a pseudo-terminal, on a virtual display of its own (Xvfb) when there is one, and
prints the median, the quartiles and the resident memory. The first run sets the home up (the
first-run Setup, the tables) and is not counted. Each run is followed by one of
build/bin/px708-bare-window, a Qt program showing one label in a window of the same size: its
median is the floor of this machine and display, and the ratio to it is what the utility adds.

With --others, every program is also timed from outside, as the X server sees it (from its
start to its first window drawn, scripts/firstpaint.c): the utility itself (build/bin/px708),
the bare window, and CuteCom and DB Browser for SQLite where they are installed, for a
comparison with other programs on the same machine and display.
"""

import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "support"))
from display import start_display  # noqa: E402


def run_probe(program, env, cwd):
    """Runs a program that prints "startup <ns> <kB>" at its first paint, and the probe also
    "pages <ns> <kB>" when its other pages are built; returns the time from its start to the
    first paint in ms, the processor time of the whole run in ms, the memory in MB and the time
    to the pages in ms (None when not printed)."""
    used = resource.getrusage(resource.RUSAGE_CHILDREN)
    started = time.time_ns()
    out = subprocess.run([program], cwd=cwd, env=env, capture_output=True, text=True,
                         timeout=60).stdout
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    fields = [l.split() for l in out.splitlines() if l.startswith("startup ")]
    if not fields:
        raise RuntimeError("%s printed no time:\n%s" % (program, out))
    pages = [l.split() for l in out.splitlines() if l.startswith("pages ")]
    return ((int(fields[0][1]) - started) / 1e6,
            (after.ru_utime + after.ru_stime - used.ru_utime - used.ru_stime) * 1e3,
            int(fields[0][2]) / 1024,
            (int(pages[0][1]) - started) / 1e6 if pages else None)


def firstpaint_tool(folder):
    """Builds scripts/firstpaint.c into folder; installs its libraries when they are missing
    and the script may install packages."""
    tool = os.path.join(folder, "firstpaint")
    command = ["cc", "-O2", os.path.join(HERE, "firstpaint.c"), "-o", tool, "-lX11",
               "-lXdamage"]
    if subprocess.run(command, stderr=subprocess.DEVNULL).returncode != 0:
        install = ["apt-get", "install", "-y", "-q", "libx11-dev", "libxdamage-dev"]
        if os.geteuid() != 0:
            install.insert(0, "sudo")
        subprocess.run(install, check=True, stdout=subprocess.DEVNULL)
        subprocess.run(command, check=True)
    return tool


def summary(name, times, unit="ms"):
    q = statistics.quantiles(times, n=4)
    return "%-28s median %6.1f %s, quartiles %.1f-%.1f" % (name, statistics.median(times), unit,
                                                          q[0], q[2])


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    others = "--others" in sys.argv[1:]
    build = os.path.abspath(args[0] if args else "build")
    runs = int(args[1]) if len(args) > 1 else 21
    probe = os.path.join(build, "bin", "px708-startup-probe")
    bare = os.path.join(build, "bin", "px708-bare-window")
    for program in (probe, bare):
        if not os.access(program, os.X_OK):
            print("bench-startup: %s has not been built" % program, file=sys.stderr)
            return 1
    home = tempfile.mkdtemp(prefix="px708-startup-")
    master, slave = os.openpty()
    config = os.path.join(home, "config", "px708")
    os.makedirs(config)
    with open(os.path.join(config, "px708.ini"), "w") as ini:
        ini.write("[mode]\npause=150\nextra=0\n\n[ports]\nCOM1=%s\n" % os.ttyname(slave))
    os.close(slave)
    server, display = start_display(optional=True)
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_DATA_HOME=os.path.join(home, "data"))
    if display:
        env.update(DISPLAY=display, QT_QPA_PLATFORM="xcb")
    else:
        env.update(QT_QPA_PLATFORM="offscreen")
    times, memory, cpu, floor, floor_memory, ready = [], [], [], [], [], []
    outside = {}
    try:
        for run in range(runs + 1):
            shown, processor, resident, built = run_probe(probe, env, home)
            if run == 0:
                continue
            times.append(shown)
            cpu.append(processor)
            memory.append(resident)
            ready.append(built)
            shown, _, resident, _ = run_probe(bare, env, home)
            floor.append(shown)
            floor_memory.append(resident)
        if others and display:
            tool = firstpaint_tool(home)
            programs = [("px708", [os.path.join(build, "bin", "px708")]),
                        ("bare Qt window", [bare])]
            for name, program in (("CuteCom", "cutecom"), ("DB Browser for SQLite",
                                                           "sqlitebrowser")):
                if shutil.which(program):
                    programs.append((name, [program]))
                else:
                    print("bench-startup: %s is not installed, not compared" % program)
            outside = {name: [] for name, _ in programs}
            stay = dict(env, PX708_BARE_WINDOW_STAYS="1")
            for run in range(runs + 1):
                for name, command in programs:
                    result = subprocess.run([tool] + command, cwd=home, env=stay,
                                            capture_output=True, text=True, timeout=90)
                    lines = [l.split() for l in result.stdout.splitlines()
                             if l.startswith("mapped ")]
                    fields = lines[-1] if lines else []
                    if result.returncode != 0 or len(fields) != 4:
                        raise RuntimeError("%s: %s" % (name, result.stderr.strip()))
                    if run > 0:  # the first run of each fills the caches
                        outside[name].append(float(fields[3]))
    finally:
        os.close(master)
        if server:
            server.kill()
            server.wait()
    platform = "Xvfb" if display else "offscreen"
    print("start to first window painted (%s, %d runs each, one after the other):" %
          (platform, runs))
    print("  " + summary("px708", times))
    print("  " + summary("bare Qt window", floor))
    print("  ratio of the medians %.2f; the utility adds %.1f ms to the floor" %
          (statistics.median(times) / statistics.median(floor),
           statistics.median(times) - statistics.median(floor)))
    print("  " + summary("px708, every page built", ready) +
          " (the pages other than the cover, their pictures decoded, follow the first paint)")
    # On a busy machine the wall-clock time counts the waits for a processor too; the processor
    # time of a whole run (up to its exit, the pages built after the first paint included)
    # does not.
    print("processor time of a whole px708 run: median %.1f ms" % statistics.median(cpu))
    print("resident memory at first paint: px708 median %.1f MB (largest %.1f MB), "
          "bare Qt window %.1f MB" % (statistics.median(memory), max(memory),
                                      statistics.median(floor_memory)))
    if outside:
        print("start to first window drawn, seen from the X server (%d runs each, in turn):"
              % runs)
        for name, values in outside.items():
            print("  " + summary(name, values))
    return 0


if __name__ == "__main__":
    sys.exit(main())
