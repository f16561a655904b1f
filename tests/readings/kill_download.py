#!/usr/bin/python3
"""A download killed with SIGKILL keeps every row whose post returned.

    kill_download.py PX708 PX708_SIM

Starts the virtual reader with 10,000 stored readings over 100 lots on a pseudo-terminal and
the utility on a new home (scratch XDG folders) with COM1 mapped to the reader. Through the
accessibility bus, as an operator with a screen reader would: answers the first-run Setup,
changes to the page "Data", presses "Download to Database" with the lot edit empty (all lots),
and listens to the progress label. At a random count it kills the utility with SIGKILL. Then:
the readings table passes SQLite's integrity check, it holds at least the rows the label had
counted, and every row it holds is the reader's reading at that place; the utility starts
again on the table and its grid shows every row; Close ends it.

Needs a display and a D-Bus session (run it under xvfb-run and dbus-run-session). Exits 0 when
every check holds, 77 when it cannot run here, 1 otherwise. PX708_KILL_AT=N fixes the count
at which the utility is killed (a random one otherwise, printed for a rerun).
"""

import os
import random
import re
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile

import pyatspi

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from atspi_operator import (  # noqa: E402
    application, check, children, failures, find, press,
    start_reader, text_of, wait_for)

OVERALL_LIMIT_S = 280
READINGS = 10000


def expected_row(line):
    """The row a record line of the reader should become, by the rules of the record line."""
    code, type_code = line[2:12], line[28]
    country = int(line[29:32], 16)
    tag = code[1:] if type_code == "C" else code
    if country != 0:
        tag = str(int(tag, 16)).zfill(12)
    names = {"0": "Zelmar ", "3": "", "4": "ISO FDX-B Non ", "5": "ISO FDX-B Anm ",
             "8": "FECAVA ", "C": "AVID "}
    return (line[0:2], tag, names.get(type_code, "Unknown ")[:13], str(country))


def reader_memory(home):
    with open(os.path.join(home, "sim.txt")) as state:
        return [l.split()[1] for l in state if l.startswith("reading ")]


def start_utility(program, home, env):
    utility = subprocess.Popen([program], cwd=home, env=env)
    app = wait_for(lambda: application(utility.pid), "application on the accessibility bus")
    return utility, app


def show_data_page(app):
    def main_window():
        for role in (pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW, pyatspi.ROLE_FILLER):
            node = find(app, role, "Zelmar PX-708", showing=True)
            if node is not None:
                return node
        return None
    window = wait_for(main_window, "window titled Zelmar PX-708")
    tabs = wait_for(lambda: find(window, pyatspi.ROLE_PAGE_TAB_LIST), "page tab list")
    data = [t for t in children(tabs) if t.name == "Data"]
    if not check(len(data) == 1, "'Data' is a page tab"):
        raise TimeoutError("no Data page")
    press(data[0])
    return window


def progress_label(window):
    def is_progress(node):
        return "Download progress" in (node.name, node.description)
    return wait_for(lambda: find(window, pyatspi.ROLE_LABEL, test=is_progress, showing=True),
                    "label of the download progress")


def check_table(home, counted):
    """Checks a copy of the killed utility's readings table; returns its number of rows."""
    folder = os.path.join(home, "data", "px708", "database")
    scratch = tempfile.mkdtemp(prefix="px708-killed-")
    for name in os.listdir(folder):
        if name.startswith("1data.db"):
            shutil.copy(os.path.join(folder, name), scratch)
    db = sqlite3.connect(os.path.join(scratch, "1data.db"))
    try:
        integrity = db.execute("PRAGMA integrity_check").fetchone()[0]
        check(integrity == "ok", "the readings table passes the integrity check: %s" % integrity)
        table = db.execute("SELECT name FROM sqlite_master WHERE type = 'table' "
                           "AND name NOT LIKE 'sqlite_%'").fetchone()[0]
        rows = db.execute('SELECT "Lot", "tag", "Type", "C_Code" FROM "%s" ORDER BY rowid'
                          % table).fetchall()
    finally:
        db.close()
        shutil.rmtree(scratch, ignore_errors=True)
    check(len(rows) >= counted,
          "the table holds every row the label counted: %d rows, %d counted" % (len(rows),
                                                                               counted))
    memory = reader_memory(home)
    wrong = [i for i, row in enumerate(rows)
             if i >= len(memory) or tuple(v if v is not None else "" for v in row)
             != expected_row(memory[i])]
    check(not wrong, "every stored row is the reader's reading at its place%s"
          % ("" if not wrong else ": first wrong row %d %r" % (wrong[0], rows[wrong[0]])))
    return len(rows)


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    program, sim = sys.argv[1], sys.argv[2]
    if os.path.exists(os.path.join(os.path.dirname(program), "px708.ini")):
        print("a px708.ini beside %s would be taken for the test's own; skipped" % program)
        return 77
    signal.alarm(OVERALL_LIMIT_S)
    kill_at = int(os.environ.get("PX708_KILL_AT") or random.randint(50, READINGS - 500))
    print("killing at %d rows (PX708_KILL_AT=%d repeats it)" % (kill_at, kill_at), flush=True)

    home = tempfile.mkdtemp(prefix="px708-kill-")
    reader, link = start_reader(sim, home, ["--fill", str(READINGS)], limit_s=20)
    config = os.path.join(home, "config", "px708")
    os.makedirs(config)
    with open(os.path.join(config, "px708.ini"), "w") as ini:
        ini.write("[mode]\npause=5\nextra=0\n\n[ports]\nCOM1=%s\n" % link)
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_DATA_HOME=os.path.join(home, "data"), QT_QPA_PLATFORM="xcb",
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
    utility = None
    try:
        utility, app = start_utility(program, home, env)
        setup = wait_for(lambda: find(app, pyatspi.ROLE_DIALOG, "Setup"), "Setup dialog")
        press(wait_for(lambda: find(setup, pyatspi.ROLE_PUSH_BUTTON, "OK"), "OK button"))
        window = show_data_page(app)
        label = progress_label(window)
        button = wait_for(lambda: find(window, pyatspi.ROLE_PUSH_BUTTON, "Download to Database"),
                          "Download to Database button")
        press(button)

        def counted():
            text = text_of(label)
            m = re.fullmatch(r"(\d+) records", text)
            if m and int(m.group(1)) >= kill_at:
                return int(m.group(1))
            if text.startswith("Download completed"):
                return -1
            return None

        count = wait_for(counted, "count of %d rows" % kill_at, limit_s=150, every_s=0.005)
        os.kill(utility.pid, signal.SIGKILL)
        utility.wait()
        if not check(count > 0, "the utility was killed during the download"):
            return 1
        print("killed with %d rows counted" % count, flush=True)
        stored = check_table(home, count)

        # The utility starts again on the table and shows it.
        utility, app = start_utility(program, home, env)
        window = show_data_page(app)
        grid = wait_for(lambda: find(window, pyatspi.ROLE_TABLE, showing=True), "readings grid")
        rows = wait_for(lambda: grid.queryTable().nRows or None, "rows in the grid")
        check(rows == stored, "the restarted utility's grid shows the %d rows: %d" % (stored,
                                                                                     rows))
        press(wait_for(lambda: find(window, pyatspi.ROLE_PUSH_BUTTON, "Close"), "Close button"))
        try:
            utility.wait(timeout=15)
            check(utility.returncode == 0, "the restarted utility ends when Close is pressed")
        except subprocess.TimeoutExpired:
            check(False, "the restarted utility ends when Close is pressed")
    except TimeoutError as e:
        check(False, str(e))
    finally:
        for process in (utility, reader):
            if process is not None and process.poll() is None:
                process.kill()
                process.wait()
        shutil.rmtree(home, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
