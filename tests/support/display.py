"""A virtual display of its own for a script that starts the utility (Xvfb)."""

import os
import select
import subprocess
import time


def start_display(optional=False):
    """Starts Xvfb on a free number, chosen by the server itself (-displayfd), so that displays
    started at the same time by others cannot collide with it. Returns the server and the
    display's name; when optional, (None, None) where no display can be had, else it raises."""
    readable, writable = os.pipe()
    try:
        server = subprocess.Popen(["Xvfb", "-displayfd", str(writable), "-screen", "0",
                                   "1280x800x24", "-nolisten", "tcp", "-ac"],
                                  pass_fds=(writable,), stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
    except FileNotFoundError:
        os.close(readable)
        os.close(writable)
        if optional:
            return None, None
        raise RuntimeError("Xvfb is not installed")
    os.close(writable)
    number = b""
    end = time.monotonic() + 15
    while not number.endswith(b"\n") and time.monotonic() < end:
        if select.select([readable], [], [], 0.5)[0]:
            chunk = os.read(readable, 16)
            if not chunk:
                break
            number += chunk
    os.close(readable)
    if not number.strip():
        server.kill()
        server.wait()
        if optional:
            return None, None
        raise RuntimeError("the virtual display did not start")
    return server, ":" + number.decode().strip()
