"""Drives the programs as a screen reader and its user would, over AT-SPI.

The harness: a private D-Bus session bus (its accessibility bus started by
at-spi2-core on demand), the Qt programs started with accessibility on, and a client
(pyatspi) that finds their windows, reads every control and acts through the actions
the accessibility interface offers.

Every check below is a known answer: a window's title as the program sets it, a text
the program shows, or the effect a click has (a button that becomes enabled, a field
that empties, a window that opens).
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time


class Failure(Exception):
    pass


class Bus:
    """A private session bus with accessibility switched on, for the programs and the
    client alike. pyatspi is imported only once the bus is there: it connects when it
    is first used."""

    def __init__(self, work):
        self.work = work
        runtime = os.path.join(work, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        os.environ["XDG_RUNTIME_DIR"] = runtime
        os.environ["HOME"] = os.path.join(work, "home")
        os.makedirs(os.environ["HOME"], exist_ok=True)
        os.environ.pop("XDG_CONFIG_HOME", None)
        os.environ["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        # The page engine of the programs: no sandbox (the tests may run as root), no GPU.
        os.environ.setdefault("QTWEBENGINE_DISABLE_SANDBOX", "1")
        os.environ.setdefault("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --no-sandbox")
        # The daemon leads a process group of its own, with the accessibility bus
        # launcher and registry it starts: ending the group ends them all.
        self.daemon = subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", "--print-address=1"],
            stdout=subprocess.PIPE, start_new_session=True, text=True)
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.daemon.stdout.readline().strip()

    def close(self):
        try:
            os.killpg(self.daemon.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        self.daemon.wait(10)

    def a11y_address(self):
        out = subprocess.run(["dbus-send", "--session", "--print-reply=literal", "--dest=org.a11y.Bus",
                              "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                             capture_output=True, text=True, check=True).stdout
        return out.strip()


class Client:
    """Reads the programs' accessibility trees and acts through them."""

    def __init__(self, bus, screenshots):
        import pyatspi  # after the bus exists
        self.at = pyatspi
        self.bus = bus
        self.screenshots = screenshots
        self.problems = []
        self.walked = []

    # ---- waiting and finding

    def wait(self, predicate, what, timeout=30):
        end = time.time() + timeout
        last = None
        while time.time() < end:
            try:
                result = predicate()
                if result:
                    return result
            except Exception as e:  # the tree changes while it is read
                last = e
            time.sleep(0.1)
        raise Failure("timed out waiting for %s%s" % (what, " (%s)" % last if last else ""))

    def app(self, pid, process=None):
        """The program's root on the bus. With its process given, a program that ended
        before it appeared is reported at once (None) instead of waited for."""
        def find():
            if process is not None and process.poll() is not None:
                return "ended"
            for app in self.at.Registry.getDesktop(0):
                if app is not None and app.get_process_id() == pid:
                    return app
        # A program with the web engine starts slowly while other tests load the machine.
        found = self.wait(find, "the program %d on the accessibility bus" % pid, 90)
        return None if found == "ended" else found

    @staticmethod
    def children(acc):
        for i in range(acc.childCount):
            child = acc.getChildAtIndex(i)
            if child is not None:
                yield child

    def showing(self, acc):
        return acc.getState().contains(self.at.STATE_SHOWING)

    def enabled(self, acc):
        return acc.getState().contains(self.at.STATE_ENABLED)

    def checked(self, acc):
        return acc.getState().contains(self.at.STATE_CHECKED)

    def nodes(self, root, showing=True):
        """Every node below root in tree order; hidden subtrees are left out unless
        showing is false. Web pages are the book's, not the program's: not entered."""
        stack = [root]
        while stack:
            acc = stack.pop()
            yield acc
            if acc.getRoleName() == "document web":
                continue
            kids = [c for c in self.children(acc) if not showing or self.showing(c)]
            stack.extend(reversed(kids))

    def find(self, root, role, name=None, showing=True):
        for acc in self.nodes(root, showing):
            if acc.getRoleName() == role and (name is None or acc.name == name or
                                               (hasattr(name, "match") and name.match(acc.name))):
                return acc
        return None

    def need(self, root, role, name=None, timeout=20):
        return self.wait(lambda: self.find(root, role, name), "%s %r" % (role, name), timeout)

    def window(self, app, role, name, timeout=30):
        """A top-level window of the program, shown."""
        def find():
            for acc in self.children(app):
                if acc.getRoleName() == role and acc.name == name and self.showing(acc):
                    return acc
        return self.wait(find, "the window %s %r" % (role, name), timeout)

    def gone(self, app, role, name, timeout=30):
        def find():
            return not any(acc.getRoleName() == role and acc.name == name and self.showing(acc)
                           for acc in self.children(app))
        self.wait(find, "the window %r to close" % name, timeout)

    # ---- acting

    def action_index(self, acc, name):
        action = acc.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        if name not in names:
            raise Failure("%s %r offers %s, not %r" % (acc.getRoleName(), acc.name, names, name))
        return action, names.index(name)

    def act(self, acc, name):
        """Runs an action of the accessibility interface and waits for its answer."""
        action, index = self.action_index(acc, name)
        action.doAction(index)

    def act_later(self, acc, name):
        """Runs an action without waiting for its answer: an action that opens a modal
        window answers only when that window closes."""
        _, index = self.action_index(acc, name)
        subprocess.Popen(["dbus-send", "--bus=" + self.bus.a11y_address(), "--dest=" + acc.app.bus_name,
                          "--type=method_call", acc.path, "org.a11y.atspi.Action.DoAction", "int32:%d" % index])

    def press(self, root, name, later=True):
        button = self.need(root, "push button", name)
        self.wait(lambda: self.enabled(button), "%r to be enabled" % name)
        (self.act_later if later else self.act)(button, "Press")

    def select(self, item):
        """Selects a cell or item of a view, alone (its Toggle action selects and
        unselects, adding to the selection of a view that holds several)."""
        selected = self.at.STATE_SELECTED
        for other in self.children(item.parent):
            if other is not item and other.getState().contains(selected) and other.getRoleName() == item.getRoleName():
                self.act(other, "Toggle")
        if not item.getState().contains(selected):
            self.act(item, "Toggle")
        self.wait(lambda: item.getState().contains(selected), "%r to be selected" % item.name)

    def type_into(self, field, text):
        field.queryEditableText().setTextContents(text)

    def text_of(self, acc):
        text = acc.queryText()
        return text.getText(0, -1)

    # ---- reading

    OBJECT_NAME = re.compile(r"^(act|btn|cbx|chk|clrb|cmb|cmbx|dg|edt|frm|fram|grp|img|lbl|lst|lv|mem|mnu|"
                             r"pc|pnl|pop|rb|sbtn|sg|shlv|shtv|spl|spn|spnedt|tb|tbr|tbtn|ts|tv|txt|vle|wb|web)"
                             r"[A-Z]")
    # Parts a screen reader does not stop at (their contents are read).
    CONTAINERS = {"filler", "panel", "layered pane", "split pane", "scroll pane", "viewport", "tool bar",
                  "menu bar", "status bar", "frame", "dialog", "window", "alert", "internal frame",
                  "unknown", "redundant object", "section", "column header", "table column header",
                  "table row header", "scroll bar", "separator", "page tab list"}
    # Parts named by the text they hold, whatever it is (an empty cell is read as empty).
    ITEMS = {"table cell", "list item", "tree item", "page tab", "menu item", "check menu item",
             "radio menu item"}

    def problem(self, text):
        self.problems.append(text)
        print("PROBLEM: " + text, flush=True)

    def walk(self, window, title, expected=()):
        """Reads a window as a screen reader does: its title, every visible control and
        text. expected holds (role, name) pairs the window must show, read as written."""
        where = "%s %r" % (window.getRoleName(), window.name)
        if window.name != title:
            self.problem("%s: the title reads %r, the window shows %r" % (where, window.name, title))
        count = 0
        seen = set()
        for acc in self.nodes(window):
            if acc is window:
                continue
            count += 1
            role = acc.getRoleName()
            name = acc.name
            seen.add((role, name))
            state = acc.getState()
            if self.OBJECT_NAME.match(name):
                self.problem("%s: %s %r reads a name of the program's design" % (where, role, name))
            if role in ("label", "image") and not name:
                self.problem("%s: a %s cannot be read" % (where, "picture" if role == "image" else "text"))
            if (state.contains(self.at.STATE_FOCUSABLE) and state.contains(self.at.STATE_ENABLED)
                    and role not in self.CONTAINERS and role not in self.ITEMS and not name):
                self.problem("%s: a %s that takes the focus has no name" % (where, role))
        for role, name in expected:
            # A picture reads as an image while it shows one, as a label while empty.
            if role == "picture" and any((r, name) in seen for r in ("image", "label")):
                continue
            if (role, name) not in seen:
                self.problem("%s: %s %r is not read (%s)" % (where, role, name, sorted(
                    n for r, n in seen if r == role)))
        if os.environ.get("QUARVEL_A11Y_DUMP"):
            self.dump(window, os.path.join(os.environ["QUARVEL_A11Y_DUMP"], "%02d-%s.txt" % (
                len(self.walked), re.sub(r"[^A-Za-z0-9]+", "-", title))))
        self.walked.append("%s (%d parts)" % (title, count))
        print("walked %s: %d parts" % (title, count), flush=True)
        self.screenshot(title)

    def dump(self, root, path):
        """Writes the tree below root (everything, shown or not) to a file, to see what
        a screen reader gets when a check fails."""
        def lines(acc, depth):
            state = acc.getState()
            flags = "".join(f for f, s in (("S", self.at.STATE_SHOWING), ("F", self.at.STATE_FOCUSABLE),
                                           ("E", self.at.STATE_ENABLED), ("C", self.at.STATE_CHECKED))
                            if state.contains(s))
            yield "%s%s %r [%s]" % ("  " * depth, acc.getRoleName(), acc.name, flags)
            if acc.getRoleName() != "document web":
                for child in self.children(acc):
                    yield from lines(child, depth + 1)
        with open(path, "w") as out:
            for line in lines(root, 0):
                out.write(line + "\n")

    def screenshot(self, title):
        if not self.screenshots or not shutil.which("import"):
            return
        os.makedirs(self.screenshots, exist_ok=True)
        name = re.sub(r"[^A-Za-z0-9]+", "-", title).strip("-").lower() or "window"
        subprocess.run(["import", "-window", "root",
                        os.path.join(self.screenshots, "a11y-%02d-%s.png" % (len(self.walked), name))],
                       capture_output=True)

    def expect(self, condition, text):
        if not condition:
            self.problem(text)
