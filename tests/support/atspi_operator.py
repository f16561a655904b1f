"""What the scripts that drive the utility from outside share: the checks they report, the
accessibility tree read as a screen reader reads it, a virtual display and the virtual reader.

A script imports it after putting this folder on its path:

    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
    from atspi_operator import check, failures, wait_for, find, press, ...
"""

import os
import subprocess
import time

import pyatspi

from display import start_display  # noqa: F401 (for the scripts)

failures = []


def check(condition, what):
    """Prints one line per check; a failed one is kept in failures."""
    print(("ok: " if condition else "FAILED: ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def wait_for(find, what, limit_s=20.0, every_s=0.1):
    """Polls find() until it gives something other than None or the limit passes."""
    end = time.monotonic() + limit_s
    while time.monotonic() < end:
        try:
            found = find()
        except Exception:  # the tree changes under the query (a window closing): ask again
            found = None
        if found is not None:
            return found
        time.sleep(every_s)
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
    """The application on the accessibility bus that the process pid runs."""
    for app in children(pyatspi.Registry.getDesktop(0)):
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            continue
    return None


def find(root, role, name=None, description=None, test=None, showing=False):
    """The first node below root with the role (and the name, description, test and showing
    state when given)."""
    for node in descendants(root):
        try:
            if node.getRole() != role:
                continue
            if name is not None and node.name != name:
                continue
            if description is not None and node.description != description:
                continue
            if test is not None and not test(node):
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


def text_of(node):
    """What a screen reader hears of a label that shows a value: its text, else its name."""
    try:
        return node.queryText().getText(0, -1)
    except NotImplementedError:
        return node.name


def start_reader(sim, home, options=(), limit_s=10.0):
    """The virtual reader on a pseudo-terminal linked at home/COM1, its state in home/sim.txt;
    returns the process and the link once it says it is ready. Its standard input stays open
    (a pipe) for control lines."""
    link = os.path.join(home, "COM1")
    reader = subprocess.Popen([sim, "--link", link, "--state", os.path.join(home, "sim.txt")]
                              + list(options),
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True)
    end = time.monotonic() + limit_s
    while time.monotonic() < end:
        line = reader.stdout.readline()
        if line.strip() == "px708-sim: ready":
            return reader, link
        if not line and reader.poll() is not None:
            break
    reader.kill()
    raise RuntimeError("the virtual reader did not become ready")
