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
import signal
import subprocess
import sys
import tempfile

import pyatspi

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from atspi_operator import (  # noqa: E402
    application, check, children, failures, find, press,
    start_display, start_reader, wait_for)

OVERALL_LIMIT_S = 100
SHOWN_TABS = ["Cover", "Settings (1)", "Zelmar Mode Settings (2)", "On-Line Settings (3)",
              "Data", "ComPort Buffer"]


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
