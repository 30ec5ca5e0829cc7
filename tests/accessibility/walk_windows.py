#!/usr/bin/python3
"""Walks every window of the editor, the branding tool and the reader over AT-SPI, as a
screen reader user would: every visible text must be readable (a label reads as its
current text, also after it changes), every control that takes the focus must have a
name, and the actions the accessibility interface offers must do what a click does.

usage: walk_windows.py BIN_DIR SOURCE_DIR [PROGRAM...]   (PROGRAM: editor, branding, reader)
Needs a display (xvfb-run), dbus-daemon, at-spi2-core and python3-pyatspi.
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from a11y_walk import Bus, Client, Failure  # noqa: E402

BIN, SOURCE = sys.argv[1], sys.argv[2]
PROGRAMS = sys.argv[3:] or ["editor", "branding", "reader"]
SAMPLE_TITLE = "The Lamp on Gull Rock"


def version():
    # "quarvel 1.0.0.0": the programs' captions end in the same four-part version.
    return subprocess.run([os.path.join(BIN, "quarvel"), "--version"], capture_output=True, text=True,
                          check=True).stdout.split()[-1]


RUNNING = []  # the programs started, closed when their walk is over


class Program:
    def __init__(self, client, args, env=None):
        self.client = client
        log = open(os.path.join(client.bus.work, os.path.basename(args[0]) + ".log"), "ab")
        # A program that ends before it reaches the bus (the shared virtual screen
        # refusing a connection for a moment) is started once more; its log keeps both.
        for attempt in range(2):
            self.process = subprocess.Popen(args, stdout=log, stderr=log, env=env)
            RUNNING.append(self)
            self.app = client.app(self.process.pid, self.process)
            if self.app is not None:
                return
            time.sleep(2)
        raise Failure("%s ended before it appeared on the accessibility bus (status %s)"
                      % (os.path.basename(args[0]), self.process.returncode))

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


def reader_of(book):
    """The process id of a reader showing the book, or none."""
    for pid in os.listdir("/proc"):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                args = f.read().split(b"\0")
        except OSError:
            continue
        if args and os.path.basename(args[0]) == b"pagelamp" and book.encode() in args:
            return int(pid)
    return None


def sample_project(work, name):
    folder = os.path.join(work, name)
    shutil.copytree(os.path.join(SOURCE, "samples", "Lighthouse"), folder)
    return os.path.join(folder, "Lighthouse.ebp")


def compile_book(project, output):
    subprocess.run([os.path.join(BIN, "quarvel"), "compile", project, "--output", output], check=True,
                   capture_output=True)
    return output


# ---------------------------------------------------------------------------------
# The editor


def answer(c, app, text, button):
    """A message box: its text must be read (line breaks as the box shows them), then
    a button pressed."""
    lines = text.replace("\r\n", "\n")
    box = c.wait(lambda: next((w for w in c.children(app) if w.getRoleName() in ("alert", "dialog")
                               and c.showing(w) and c.find(w, "label", re.compile(
                                   re.escape(lines).replace("\\\n", "\r?\n") + "$"))), None),
                 "the question %r" % text)
    c.walk(box, box.name)
    c.press(box, button)
    c.wait(lambda: not c.showing(box) or box.getRoleName() is None, "the question to close")


def walk_editor(c, work):
    caption = "Quarvel " + version()
    project = sample_project(work, "editor")
    app = Program(c, [os.path.join(BIN, "tomewright"), project]).app
    if True:
        # The tip of the day opens with the editor.
        tips = c.window(app, "dialog", "Tip of the Day")
        c.walk(tips, "Tip of the Day", [("push button", "Next Tip"), ("push button", "Close")])
        c.press(tips, "Close")
        c.gone(app, "dialog", "Tip of the Day")

        main = c.window(app, "frame", caption)
        c.walk(main, caption, [("tree", "Story"), ("check box", "Searchable"), ("push button", "Compile"),
                               ("check box", "Keep the panel open")])

        # The page properties follow the selection; ticking a box through the
        # accessibility interface changes the project as a click does.
        story = c.need(main, "tree", "Story")
        save = c.need(main, "push button", "Save Project")
        c.expect(not c.enabled(save), "Save Project is enabled before any change")
        c.select(c.need(story, "table cell", "Title page"))
        box = c.need(main, "check box", "Password Protection")
        c.wait(lambda: c.enabled(box), "the page properties to follow the selection")
        was = c.checked(box)
        c.act(box, "Toggle")
        c.wait(lambda: c.checked(box) != was, "Password Protection to change")
        c.wait(lambda: c.enabled(save), "Save Project after a flag changed (the project is modified)")
        c.act(box, "Toggle")

        walk_editor_windows(c, app, main)
        walk_wizard(c, app, main, work)


def open_menu_window(c, main, menu, entry):
    item = c.need(main, "menu item", menu)
    popup = next(c.children(item))
    target = c.find(popup, "menu item", entry, showing=False)
    if target is None:
        raise Failure("no menu entry %s > %s" % (menu, entry))
    c.act_later(target, "Press")


def walk_editor_windows(c, app, main):
    # About (toolbar button).
    c.press(main, "About")
    about = c.window(app, "dialog", "About")
    c.walk(about, "About", [("label", "Quarvel"), ("label", "Version"), ("text", "License")])
    c.press(about, "Close")
    c.gone(app, "dialog", "About")

    # Document windows of the Project menu.
    for entry, title, expected in (
            ("Variables", "Variables", [("table", "Variables"), ("push button", "New Variable")]),
            ("Toolbar", "ToolBar", [("page tab", "Buttons"), ("page tab", "Bookmarks")]),
            ("System Pages", "System Pages", [("tree", "System pages"), ("text", "Title")])):
        open_menu_window(c, main, "Project", entry)
        window = c.wait(lambda: c.find(main, "frame", title), "the window %r" % title)
        c.walk(window, title, expected)

    # The options dialog, page by page.
    c.press(main, "Options")
    options = c.window(app, "dialog", "Project Options")
    for tab in ("General", "Security", "Toolbar", "Splash"):
        c.act(c.need(options, "page tab", tab), "Press")
        time.sleep(0.3)
        c.walk(options, "Project Options")
    c.press(options, "Cancel")
    c.gone(app, "dialog", "Project Options")

    # The page editor of a page with editable parts, and its dialogs.
    story = c.need(main, "tree", "Story")
    c.select(c.need(story, "table cell", "About the author"))
    c.press(main, "Edit\\Preview")
    editor = c.wait(lambda: c.find(main, "frame", "Edit"), "the page editor")
    c.need(editor, "push button", "Insert table")
    c.walk(editor, "Edit", [("page tab", "Edit"), ("page tab", "Preview"), ("push button", "Bold"),
                            ("spin button", "Font size")])
    for button, title, expected in (
            ("Insert table", "Insert Table", [("spin button", "Rows:"), ("check box", "Header")]),
            ("Insert variable", "Select Variable", [("list", "Variables"), ("text", "Value")]),
            ("Create internal link from selection", "Select Story Item", [("tree", "Story")])):
        c.press(editor, button)
        dialog = c.window(app, "dialog", title)
        c.walk(dialog, title, expected)
        c.press(dialog, "Cancel")
        c.gone(app, "dialog", title)


def walk_wizard(c, app, main, work):
    c.press(main, "Wizard")
    # The project has changed: closing it asks first.
    answer(c, app, "Save changes to project Lighthouse?", "No")
    wizard = c.window(app, "dialog", "Project Wizard")
    next_button = c.need(wizard, "push button", "Next")
    c.walk(wizard, "Project Wizard",
           [("label", "Would you like to create an eBook from a template or from your own files?"),
            ("radio button", "Create an eBook from a template"), ("picture", "Step picture")])
    # Choosing a route as assistive technology does (the radio button's Toggle)
    # enables Next as a click does.
    c.expect(not c.enabled(next_button), "Next is enabled before a route is chosen")
    c.act(c.need(wizard, "radio button", "Create an eBook from a template"), "Toggle")
    c.wait(lambda: c.enabled(next_button), "Next after choosing a route with Toggle")
    c.press(wizard, "Next")

    # The template: Next follows the choice of a template (not of a page of it).
    templates = c.need(wizard, "tree", "Templates")
    c.walk(wizard, "Project Wizard", [("tree", "Templates"), ("text", "Description")])
    c.expect(not c.enabled(next_button), "Next is enabled before a template is chosen")
    first = c.wait(lambda: next(cell for cell in c.children(templates) if cell.getRoleName() == "table cell"),
                   "a template")
    c.select(first)
    c.wait(lambda: c.enabled(next_button), "Next after choosing a template")
    c.press(wizard, "Next")
    # The new project holds the default page: the template asks whether to clear it.
    answer(c, app, "Clear story before adding whole template?", "Yes")
    answer(c, app, "Clear story?", "OK")

    c.need(wizard, "label", "Default Template")
    c.walk(wizard, "Project Wizard", [("label", "Output Path"), ("text", "Output Path"),
                                      ("radio button", "Specified Path"), ("spin button", "Width"),
                                      ("picture", "eBook Icon"), ("push button", "Reset display settings")])
    c.press(wizard, "Next")

    c.need(wizard, "check box", "Show Captions")
    c.walk(wizard, "Project Wizard", [("combo box", "Top"), ("label", "Logo"), ("text", "Link"),
                                      ("push button", "Load Image")])
    c.press(wizard, "Next")

    # Security: "Protect Type" follows the method chosen, by Toggle as by a click.
    password = c.need(wizard, "radio button", "Password")
    protect = c.need(wizard, "panel", "Protect Type")
    c.walk(wizard, "Project Wizard", [("label", "Security Type"), ("text", "Password"), ("table", "Users")])
    c.act(c.need(wizard, "radio button", "No Security"), "Toggle")
    c.wait(lambda: not c.enabled(protect), "Protect Type to be disabled without a password")
    c.act(password, "Toggle")
    c.wait(lambda: c.enabled(protect), "Protect Type after choosing Password with Toggle")
    c.act(c.need(wizard, "radio button", "No Security"), "Toggle")
    c.press(wizard, "Next")

    # Splash: the page buttons switch the pages by Toggle too.
    ending = c.need(wizard, "check box", "Ending")
    c.walk(wizard, "Project Wizard", [("check box", "Starting"), ("picture", "Splash picture"),
                                      ("text", "Pop-up Text"), ("spin button", "Close after ")])
    c.act(ending, "Toggle")
    c.wait(lambda: c.checked(ending) and not c.checked(c.need(wizard, "check box", "Starting")),
           "the Ending page after its button's Toggle")
    c.press(wizard, "Next")

    # The last step: the link reads as it stands, and again once Run made the book.
    folder_link = "Click here to open your eBook folder"
    c.need(wizard, "label", folder_link)
    c.walk(wizard, "Project Wizard", [("label", "Wizard's work is done."), ("push button", "Run"),
                                      ("label", folder_link)])
    c.wait(lambda: c.enabled(c.need(wizard, "push button", "Run")),
           "Run on the last step of the wizard without a book yet")
    c.press(wizard, "Run")
    # An untitled project is saved (and so compiled) first.
    answer(c, app, "Project has changed and should be saved and compiled.\r\nSave project and continue?", "OK")
    save = c.window(app, "dialog", "Save Project As")
    book_folder = os.path.join(work, "wizard")
    os.makedirs(book_folder)
    c.type_into(c.need(save, "text", "File name:"), os.path.join(book_folder, "Wizard.ebp"))
    c.press(save, "Save")
    compiled = os.path.join(book_folder, "Wizard.exe")
    c.wait(lambda: os.path.exists(compiled), "the book the wizard's Run compiles", 120)
    # ... and starts: the reader runs the new book.
    reader = c.wait(lambda: reader_of(compiled), "the reader running the book the wizard made", 60)
    os.kill(reader, signal.SIGTERM)
    c.need(wizard, "label", book_folder, timeout=60)
    c.walk(wizard, "Project Wizard", [("label", book_folder)])
    c.press(wizard, "Finish")
    c.gone(app, "dialog", "Project Wizard")


# ---------------------------------------------------------------------------------
# The branding tool


def walk_branding(c, work):
    caption = "Inkstamp " + version()
    book = compile_book(sample_project(work, "branding"), os.path.join(work, "Branded.exe"))
    app = Program(c, [os.path.join(BIN, "inkstamp"), book]).app
    # A window that is no main window of Qt's reads as a filler, with its title.
    main = c.window(app, "filler", caption)
    title = c.need(main, "text", "Title")
    c.wait(lambda: c.text_of(title) == SAMPLE_TITLE, "the book's title in its field")
    c.walk(main, caption, [("text", "File Name"), ("text", "Title"), ("picture", "Icon"),
                           ("table", "Variables"), ("table cell", "Publisher"),
                           ("table cell", "Harbour Lane Press"), ("table cell", "www.harbourlane.example"),
                           ("text", "Branding Your eBook"), ("push button", "Update")])
    # Close eBook through the accessibility interface empties the window as a click does.
    c.press(main, "Close eBook")
    c.wait(lambda: c.text_of(title) == "", "the title field to empty after Close eBook")
    c.wait(lambda: not c.enabled(c.need(main, "push button", "Update")), "Update to be disabled")
    c.walk(main, caption, [("push button", "Open eBook")])
    c.press(main, "Open eBook")
    dialog = c.window(app, "dialog", "Open eBook")
    c.press(dialog, "Cancel")
    c.gone(app, "dialog", "Open eBook")


# ---------------------------------------------------------------------------------
# The reader


BOOK_CAPTION = "The Lamp on Gull Rock - a short book about lighthouses"


def walk_reader(c, work):
    book = compile_book(sample_project(work, "reader"), os.path.join(work, "Book.exe"))
    app = Program(c, [os.path.join(BIN, "pagelamp"), book]).app
    # The book's window (after its starting splash).
    main = c.window(app, "frame", BOOK_CAPTION, timeout=40)
    c.walk(main, BOOK_CAPTION, [("filler", "Page"), ("push button", "Next"), ("menu item", "View")])
    # The Contents entry of the View menu shows the contents as a click does.
    contents = c.find(main, "menu item", "Contents", showing=False)
    c.act_later(contents, "Press")
    tree = c.wait(lambda: c.find(main, "tree", "Contents"), "the contents after View > Contents")
    c.walk(main, BOOK_CAPTION, [("tree", "Contents"), ("table cell", "How a lighthouse works")])
    c.expect(c.checked(contents), "View > Contents is not checked while the contents show")
    # Choosing an entry through the accessibility interface opens it as a click does:
    # the book goes to that page, so Back can return.
    back = c.find(main, "menu item", "Back", showing=False)
    c.expect(not c.enabled(back), "Back is enabled on the first page")
    # (An entry whose row among all shown rows is its row among its siblings: Qt 6.4
    # selects the row of that number for a nested entry.)
    c.select(c.need(tree, "table cell", "How a lighthouse works"))
    c.wait(lambda: c.enabled(back), "the page chosen in the contents (Back enabled)")

    c.press(main, "Search")
    search = c.window(app, "dialog", "Search")
    c.walk(search, "Search", [("label", "Find the pages that hold every word of:"),
                              ("text", "Find the pages that hold every word of:"), ("push button", "Search")])
    c.press(search, "Cancel")
    c.gone(app, "dialog", "Search")

    # A book with a password: the question reads as it stands, and again after a wrong
    # password.
    locked_project = sample_project(work, "locked")
    with open(os.path.join(os.path.dirname(locked_project), "Lighthouse.system", "Encrypt.xml"), "w") as f:
        f.write('<Encrypt Method="Password" Password="keeper" PasswordType="Simple">\r\n</Encrypt>\r\n')
    locked = compile_book(locked_project, os.path.join(work, "Locked.exe"))
    app = Program(c, [os.path.join(BIN, "pagelamp"), locked]).app
    question = '"%s" is protected by a password. Please type the password that came with the book.' % SAMPLE_TITLE
    dialog = c.window(app, "dialog", SAMPLE_TITLE)
    c.walk(dialog, SAMPLE_TITLE, [("label", question), ("password text", "Password:"), ("picture", "Locked"),
                                  ("push button", "Open")])
    c.type_into(c.need(dialog, "password text", "Password:"), "lantern")
    c.press(dialog, "Open")
    wrong = "The password is not right. Please try again."
    dialog = c.wait(lambda: next((w for w in c.children(app) if w.getRoleName() == "dialog" and c.showing(w)
                                  and c.find(w, "label", wrong)), None), "the question after a wrong password")
    c.walk(dialog, SAMPLE_TITLE, [("label", wrong)])
    c.type_into(c.need(dialog, "password text", "Password:"), "keeper")
    c.press(dialog, "Open")
    c.window(app, "frame", BOOK_CAPTION, timeout=40)


# ---------------------------------------------------------------------------------


def main():
    work = tempfile.mkdtemp(prefix="quarvel_a11y_", dir=os.environ.get("TMPDIR"))
    bus = Bus(work)
    client = Client(bus, os.path.join(os.getcwd(), "screenshots") if os.environ.get("QUARVEL_SCREENSHOTS") else None)
    walks = {"editor": walk_editor, "branding": walk_branding, "reader": walk_reader}
    try:
        for name in PROGRAMS:
            print("== %s" % name, flush=True)
            try:
                walks[name](client, work)
            except Failure as e:
                client.problem("%s: %s" % (name, e))
                client.dump(client.at.Registry.getDesktop(0), os.path.join(work, "tree-%s.txt" % name))
                client.screenshot("failed-" + name)
                print("the tree as it stood: %s" % os.path.join(work, "tree-%s.txt" % name))
            finally:
                while RUNNING:
                    RUNNING.pop().close()
    finally:
        bus.close()
        if not client.problems:
            shutil.rmtree(work, ignore_errors=True)
    print("\n%d windows walked, %d problems" % (len(client.walked), len(client.problems)))
    for p in client.problems:
        print("  " + p)
    return 1 if client.problems else 0


if __name__ == "__main__":
    sys.exit(main())
