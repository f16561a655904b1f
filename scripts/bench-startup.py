#!/usr/bin/python3
"""Start-up of the utility: from starting the program to its window painted for the first
time, with the pictures decoded, table 1 open and the port open on COM1.

    scripts/bench-startup.py [BUILD] [RUNS]

Runs build/bin/px708-startup-probe RUNS times (21 by default) on a scratch home with
COM1 mapped to a pseudo-terminal, on a virtual display of its own (Xvfb) when there is one, and
prints the median, the quartiles and the resident memory. The first run sets the home up (the
first-run Setup, the tables) and is not counted.
"""

import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "support"))
from display import start_display  # noqa: E402


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 21
    probe = os.path.abspath(os.path.join(build, "bin", "px708-startup-probe"))
    if not os.access(probe, os.X_OK):
        print("bench-startup: %s has not been built" % probe, file=sys.stderr)
        return 1
    home = tempfile.mkdtemp(prefix="px708-startup-")
    master, slave = os.openpty()
    config = os.path.join(home, "config", "px708")
    os.makedirs(config)
    with open(os.path.join(config, "px708.ini"), "w") as ini:
        ini.write("[mode]\npause=150\nextra=0\n\n[ports]\nCOM1=%s\n" % os.ttyname(slave))
    os.close(slave)
    server, display = start_display(optional=True)
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_DATA_HOME=os.path.join(home, "data"))
    if display:
        env.update(DISPLAY=display, QT_QPA_PLATFORM="xcb")
    else:
        env.update(QT_QPA_PLATFORM="offscreen")
    times, memory, cpu = [], [], []
    try:
        for run in range(runs + 1):
            used = resource.getrusage(resource.RUSAGE_CHILDREN)
            started = time.time_ns()
            out = subprocess.run([probe], cwd=home, env=env, capture_output=True, text=True,
                                 timeout=60).stdout
            fields = [l.split() for l in out.splitlines() if l.startswith("startup ")]
            if not fields:
                print("bench-startup: the probe printed no time:\n" + out, file=sys.stderr)
                return 1
            after = resource.getrusage(resource.RUSAGE_CHILDREN)
            if run == 0:
                continue
            times.append((int(fields[0][1]) - started) / 1e6)
            cpu.append((after.ru_utime + after.ru_stime - used.ru_utime - used.ru_stime) * 1e3)
            memory.append(int(fields[0][2]) / 1024)
    finally:
        os.close(master)
        if server:
            server.kill()
            server.wait()
    q = statistics.quantiles(times, n=4)
    print("start to first window painted (%s, %d runs): median %.1f ms, quartiles %.1f-%.1f ms"
          % ("Xvfb" if display else "offscreen", runs, statistics.median(times), q[0], q[2]))
    # On a busy machine the wall-clock time counts the waits for a processor too; the processor
    # time of a whole run (up to its exit) does not.
    print("processor time of a whole run: median %.1f ms" % statistics.median(cpu))
    print("resident memory at that moment: median %.1f MB, largest %.1f MB"
          % (statistics.median(memory), max(memory)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
