#!/usr/bin/python3
"""Reads the utility's window through AT-SPI, as a screen reader does.

    atspi_check.py PX708 PX708_SIM

Starts the virtual reader on a pseudo-terminal and the utility on a new home (scratch
XDG folders) with COM1 mapped to the reader, then, through the accessibility bus only:
answers the first-run Setup dialog, finds the main window by its title, checks the page tabs
that are offered, reads the reader's date into "Settings (1)" and hears it through the date
label's text, and closes the window. Starts a virtual display of its own (Xvfb, which picks a
free display number itself) and needs a private D-Bus session (run it under dbus-run-session).
Exits 0 when every check holds; prints what failed otherwise.
"""

import os
import select
import signal
import subprocess
import sys
import tempfile
import time

import pyatspi

OVERALL_LIMIT_S = 100
SHOWN_TABS = ["Cover", "Settings (1)", "Zelmar Mode Settings (2)", "On-Line Settings (3)",
              "Data", "ComPort Buffer"]

failures = []


def check(condition, what):
    print(("ok: " if condition else "FAILED: ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def wait_for(find, what, limit_s=20.0):
    """Polls find() until it gives something other than None or the limit passes."""
    end = time.monotonic() + limit_s
    while time.monotonic() < end:
        try:
            found = find()
        except Exception:  # the tree changes under the query (a window closing): ask again
            found = None
        if found is not None:
            return found
        time.sleep(0.1)
    raise TimeoutError("no " + what + " within %.0f s" % limit_s)


def children(node):
    try:
        return [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:
        return []


def descendants(node, depth=0):
    if node is None or depth > 40:
        return
    for child in children(node):
        if child is None:
            continue
        yield child
        yield from descendants(child, depth + 1)


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in children(desktop):
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            continue
    return None


def find(root, role, name=None, description=None, showing=False):
    for node in descendants(root):
        try:
            if node.getRole() != role:
                continue
            if name is not None and node.name != name:
                continue
            if description is not None and node.description != description:
                continue
            if showing and not node.getState().contains(pyatspi.STATE_SHOWING):
                continue
            return node
        except Exception:
            continue
    return None


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i).lower() in ("press", "click", "activate", "switch"):
            action.doAction(i)
            return
    action.doAction(0)


def start_display():
    """A virtual display on a free number, chosen by the server itself (-displayfd), so that
    displays started at the same time by others cannot collide with it."""
    readable, writable = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(writable), "-screen", "0", "1280x800x24",
                               "-nolisten", "tcp", "-ac"], pass_fds=(writable,),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
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
        raise RuntimeError("the virtual display did not start")
    return server, ":" + number.decode().strip()


def start_reader(sim, home):
    link = os.path.join(home, "COM1")
    reader = subprocess.Popen([sim, "--link", link, "--state", os.path.join(home, "sim.txt")],
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True)
    end = time.monotonic() + 10
    while time.monotonic() < end:
        line = reader.stdout.readline()
        if line.strip() == "px708-sim: ready":
            return reader, link
        if not line and reader.poll() is not None:
            break
    reader.kill()
    raise RuntimeError("the virtual reader did not become ready")


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    program, sim = sys.argv[1], sys.argv[2]
    if os.path.exists(os.path.join(os.path.dirname(program), "px708.ini")):
        print("a px708.ini beside %s would be taken for the test's own; skipped" % program)
        return 77
    signal.alarm(OVERALL_LIMIT_S)

    home = tempfile.mkdtemp(prefix="px708-atspi-")
    display, display_name = start_display()
    reader, link = start_reader(sim, home)
    config = os.path.join(home, "config", "px708")
    os.makedirs(config)
    with open(os.path.join(config, "px708.ini"), "w") as ini:
        ini.write("[mode]\npause=5\nextra=0\n\n[ports]\nCOM1=%s\n" % link)
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_DATA_HOME=os.path.join(home, "data"), DISPLAY=display_name,
               QT_QPA_PLATFORM="xcb",
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
    # Built with AddressSanitizer, the utility is checked here for what a screen reader hears,
    # not for leaks: the accessibility bridge keeps what it made until the process ends.
    env["ASAN_OPTIONS"] = ":".join(filter(None, [env.get("ASAN_OPTIONS"), "detect_leaks=0"]))
    utility = subprocess.Popen([program], cwd=home, env=env)
    try:
        app = wait_for(lambda: application(utility.pid), "application on the accessibility bus")

        # The first run asks for the date settings; OK keeps the preselected ones.
        setup = wait_for(lambda: find(app, pyatspi.ROLE_DIALOG, "Setup"), "Setup dialog")
        press(wait_for(lambda: find(setup, pyatspi.ROLE_PUSH_BUTTON, "OK"), "OK button"))

        window = wait_for(lambda: find(app, pyatspi.ROLE_FRAME, "Zelmar PX-708", showing=True),
                          "window titled Zelmar PX-708")
        check(window is not None, "the main window is a frame titled 'Zelmar PX-708'")

        tabs = wait_for(lambda: find(window, pyatspi.ROLE_PAGE_TAB_LIST), "page tab list")
        offered = [t.name for t in children(tabs)]
        check(offered == SHOWN_TABS,
              "the page tabs offered are the shown ones: %s" % ", ".join(offered))

        settings = [t for t in children(tabs) if t.name == "Settings (1)"]
        if check(len(settings) == 1, "'Settings (1)' is a page tab"):
            press(settings[0])
        date = wait_for(lambda: find(window, pyatspi.ROLE_LABEL, description="Reader date",
                                     showing=True), "label described 'Reader date'")
        read = wait_for(lambda: find(date.parent, pyatspi.ROLE_PUSH_BUTTON, "Read"),
                        "Read button beside the reader's date")
        press(read)

        def heard_date():
            text = date.queryText().getText(0, -1)
            return text if text else None

        value = wait_for(heard_date, "reader's date in the label's text", limit_s=15)
        check(len(value) >= 10 and value[2] == "/" and value[5] == "/" and value[6:10].isdigit(),
              "the reader's date is heard through the label's text: %s" % value)
        check(date.name == value, "the date label is named by the date it shows: %s" % date.name)

        close = wait_for(lambda: find(window, pyatspi.ROLE_PUSH_BUTTON, "Close"), "Close button")
        press(close)
        try:
            utility.wait(timeout=15)
            check(utility.returncode == 0, "the utility ends when Close is pressed")
        except subprocess.TimeoutExpired:
            check(False, "the utility ends when Close is pressed")
    except TimeoutError as e:
        check(False, str(e))
    finally:
        for process in (utility, reader, display):
            if process.poll() is None:
                process.kill()
                process.wait()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
