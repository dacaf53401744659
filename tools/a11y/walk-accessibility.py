#!/usr/bin/python3
"""Walks Fenwave's windows over the AT-SPI accessibility bus as a screen reader sees them.

Started by check-accessibility.sh, which provides the display, the buses and the program.
For every window of the program, in English and in Russian, it reports:
  - an interactive object, a cell of a list or a group of controls without a name;
  - a combo box named only by its current value, with no "labelled by" relation;
  - two edits or combo boxes within one group sharing a name;
  - a control whose status-bar hint (read by pointing at it) is not its description;
  - in a window without a status bar, a control without a description;
  - a window that does not say it is one, or has no title.
Prints a summary per window and language and every finding; exits 1 when there is any.

Needs Debian's own /usr/bin/python3 with python3-pyatspi.
"""

import argparse
import sys
import time

import pyatspi
from gi.repository import Atspi, GLib

INTERACTIVE = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_SLIDER, pyatspi.ROLE_PAGE_TAB,
    pyatspi.ROLE_PAGE_TAB_LIST, pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM,
    pyatspi.ROLE_RADIO_MENU_ITEM, pyatspi.ROLE_MENU, pyatspi.ROLE_LIST, pyatspi.ROLE_TABLE,
    pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_PROGRESS_BAR,
}
LISTS = {pyatspi.ROLE_LIST, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE}
FIELDS = {pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_SPIN_BUTTON}
# Qt gives menu items and page tabs no description without tooltips.
NO_DESCRIPTION = {
    pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM, pyatspi.ROLE_RADIO_MENU_ITEM,
    pyatspi.ROLE_MENU, pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_PAGE_TAB_LIST,
}
CONTAINERS = {
    pyatspi.ROLE_PANEL, pyatspi.ROLE_FILLER, pyatspi.ROLE_FRAME, pyatspi.ROLE_DIALOG,
    pyatspi.ROLE_WINDOW, pyatspi.ROLE_PAGE_TAB,
}


def children(obj):
    try:
        return [c for c in obj if c is not None]
    except Exception:  # an object that went away while being walked
        return []


def has_state(obj, state):
    return obj.getState().contains(state)


def relation_targets(obj, kind):
    targets = []
    for relation in obj.getRelationSet():
        if relation.getRelationType() == kind:
            targets += [relation.getTarget(i) for i in range(relation.getNTargets())]
    return targets


def inside(obj, roles):
    parent = obj.parent
    while parent is not None:
        if parent.getRole() in roles:
            return True
        parent = parent.parent
    return False


def inside_combo_box(obj):
    return inside(obj, {pyatspi.ROLE_COMBO_BOX})


def group_of(obj):
    parent = obj.parent
    while parent is not None and parent.getRole() not in CONTAINERS:
        parent = parent.parent
    return parent


def text_of(obj):
    try:
        text = obj.queryText()
        return text.getText(0, text.characterCount)
    except NotImplementedError:
        return None


def combo_value(combo):
    """What the combo box shows: its edit part's text, or the selected item of its list."""
    for child in children(combo):
        if child.getRole() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY):
            return text_of(child) or ""
    for child in children(combo):
        if child.getRole() == pyatspi.ROLE_LIST:
            try:
                selection = child.querySelection()
                if selection.nSelectedChildren > 0:
                    return selection.getSelectedChild(0).name
            except NotImplementedError:
                pass
    return ""


def label_names(obj):
    return [t.name for t in relation_targets(obj, pyatspi.RELATION_LABELLED_BY)
            if t is not None and t.getRole() == pyatspi.ROLE_LABEL and t.name.strip()]


def spoken_name(obj):
    """What a listener hears a field called: a combo box named by its value is called by its label."""
    if obj.getRole() == pyatspi.ROLE_COMBO_BOX and obj.name == combo_value(obj):
        labels = label_names(obj)
        return labels[0] if labels else ""
    return obj.name


def describe(obj):
    """A short path to an object for the report: roles and names of its ancestors."""
    steps = []
    while obj is not None and obj.getRole() != pyatspi.ROLE_APPLICATION:
        steps.append("%s %r" % (obj.getRoleName(), obj.name))
        if obj.getRole() in (pyatspi.ROLE_FRAME, pyatspi.ROLE_DIALOG):
            break
        obj = obj.parent
    return " < ".join(steps)


def walk(obj, found):
    for child in children(obj):
        found.append(child)
        walk(child, found)
    return found


class Report:
    def __init__(self):
        self.findings = []
        self.summaries = []

    def check_window(self, window, label, hint_reader=None):
        objects = walk(window, [])
        interactive = [o for o in objects if o.getRole() in INTERACTIVE and not inside_combo_box(o)]
        combo_edits = [o for o in objects if o.getRole() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY)
                       and inside_combo_box(o)]
        counts = {"unnamed": 0, "value only": 0, "shared name": 0, "hint missing": 0, "not a window": 0}

        def finding(kind, obj, detail=""):
            counts[kind] += 1
            self.findings.append("%s: %s: %s%s" % (label, kind, describe(obj), detail))

        # A screen reader announces a window by its role and title.
        if window.getRole() not in (pyatspi.ROLE_FRAME, pyatspi.ROLE_DIALOG, pyatspi.ROLE_WINDOW):
            finding("not a window", window)
        if not window.name.strip():
            finding("unnamed", window)

        # A list's cells say what they show, not only paint it; a group of controls says what
        # it groups.
        cells = [o for o in objects if o.getRole() == pyatspi.ROLE_TABLE_CELL]
        groups = [o for o in objects if o.getRole() == pyatspi.ROLE_PANEL and not inside(o, LISTS)
                  and any(d.getRole() in INTERACTIVE for d in walk(o, []))]
        for obj in interactive + combo_edits + cells + groups:
            if not obj.name.strip():
                finding("unnamed", obj)
        for combo in (o for o in interactive if o.getRole() == pyatspi.ROLE_COMBO_BOX):
            if combo.name and combo.name == combo_value(combo) and not label_names(combo):
                finding("value only", combo)

        by_group = {}
        for obj in (o for o in interactive if o.getRole() in FIELDS):
            name = spoken_name(obj)
            if name.strip():
                by_group.setdefault((group_of(obj), name), []).append(obj)
        for (_, name), fields in by_group.items():
            if len(fields) > 1:
                for obj in fields:
                    finding("shared name", obj, " (%d fields called %r)" % (len(fields), name))

        described = [o for o in interactive if o.getRole() not in NO_DESCRIPTION]
        hints_read = 0
        if hint_reader is not None:
            for obj, hint in hint_reader(described):
                hints_read += 1 if hint else 0
                if hint and obj.description != hint:
                    finding("hint missing", obj, ": hint %r, description %r" % (hint, obj.description))
        else:
            for obj in described:
                if not obj.description.strip():
                    finding("hint missing", obj, ": no description")

        read = " (%d status-bar hints read by pointing)" % hints_read if hint_reader else ""
        self.summaries.append("%s: %d interactive objects%s; %s" % (
            label, len(interactive), read, "; ".join("%d %s" % (n, k) for k, n in counts.items())))


def wait_for(what, timeout=15.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        result = what()
        if result:
            return result
        time.sleep(0.1)
    return None


def application(pid):
    def find():
        for app in children(pyatspi.Registry.getDesktop(0)):
            try:
                if app.get_process_id() == pid:
                    return app
            except Exception:
                pass
        return None
    return wait_for(find, 30.0)


def frames(app):
    """The program's windows on screen, whatever role they report."""
    shown = []
    for window in children(app):
        try:
            if window.getRole() != pyatspi.ROLE_ALERT and has_state(window, pyatspi.STATE_SHOWING):
                shown.append(window)
        except GLib.GError:
            pass  # a window that closed while being looked at
    return shown


def find_all(root, role, name=None):
    return [o for o in walk(root, []) if o.getRole() == role and (name is None or o.name == name)]


def press(obj):
    """Qt's "Press" (buttons, menu items, page tabs), else the object's first action."""
    action = obj.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    action.doAction(names.index("Press") if "Press" in names else 0)


# How long a call to the program may take (ms), and how long the program may take to appear.
CALL_TIMEOUT = 5000
STARTUP_TIMEOUT = 15000


def press_without_waiting(obj):
    """Presses something that opens a modal dialog: the call returns only when that closes."""
    Atspi.set_timeout(800, STARTUP_TIMEOUT)
    try:
        press(obj)
    except GLib.GError:
        pass  # the dialog is up; the reply comes when it closes
    finally:
        Atspi.set_timeout(CALL_TIMEOUT, STARTUP_TIMEOUT)


def main_window(app):
    return next((w for w in frames(app) if find_all(w, pyatspi.ROLE_MENU_BAR)), None)


def switch_language(app, menu_item_name):
    item = find_all(main_window(app), pyatspi.ROLE_MENU_ITEM, menu_item_name) or \
        find_all(main_window(app), pyatspi.ROLE_CHECK_MENU_ITEM, menu_item_name) or \
        find_all(main_window(app), pyatspi.ROLE_RADIO_MENU_ITEM, menu_item_name)
    if not item:
        sys.exit("no menu item %r" % menu_item_name)
    press(item[0])
    time.sleep(0.5)


def status_hint_reader(window):
    """Points at each control and reads the hint the status bar then shows."""
    bars = find_all(window, pyatspi.ROLE_STATUS_BAR)
    labels = find_all(bars[0], pyatspi.ROLE_LABEL) if bars else []
    if not labels:
        return None
    panel = labels[0]
    tab_lists = find_all(window, pyatspi.ROLE_PAGE_TAB_LIST)

    def centre(obj):
        extents = obj.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return extents.x + extents.width // 2, extents.y + extents.height // 2

    def point_at(x, y):
        pyatspi.Registry.generateMouseEvent(x, y, pyatspi.MOUSE_ABS)

    def read(controls):
        neutral_x, neutral_y = centre(panel)
        pages = [None]
        if tab_lists:
            pages = list(range(tab_lists[0].childCount))
        seen = set()
        for page in pages:
            if page is not None:
                tab = tab_lists[0].getChildAtIndex(page)
                if tab is None or tab.getRole() != pyatspi.ROLE_PAGE_TAB:
                    continue
                press(tab)
                time.sleep(0.3)
            for index, obj in enumerate(controls):
                if index in seen or not has_state(obj, pyatspi.STATE_SHOWING):
                    continue
                seen.add(index)
                point_at(neutral_x, neutral_y)
                wait_for(lambda: panel.name == "" or None, 2.0)
                point_at(*centre(obj))
                shown = wait_for(lambda: panel.name or None, 1.0 if obj.description else 0.4)
                yield obj, shown or ""
        for index, obj in enumerate(controls):
            if index not in seen:
                yield obj, None
        if tab_lists:
            press(tab_lists[0].getChildAtIndex(0))
    return read


def window_label(window, app, language):
    kind = "main window" if window == main_window(app) else "window %r" % window.name
    return "%s, %s" % (kind, language)


def check_in_both_languages(report, app, windows):
    """Checks the windows that windows(app) gives, in English and in Russian."""
    for language, menu_item in (("English", "English"), ("Russian", "Русский")):
        switch_language(app, menu_item)
        for window in windows(app):
            report.check_window(window, window_label(window, app, language), status_hint_reader(window))
    switch_language(app, "English")


def start_run(app):
    """Coding > Run, answering "Start processing?"; waits for the run window."""
    before = {w.name for w in frames(app)}
    run = find_all(main_window(app), pyatspi.ROLE_MENU_ITEM, "Run")
    if not run:
        sys.exit("no menu item 'Run'")
    press_without_waiting(run[0])
    dialog = wait_for(lambda: next((w for w in children(app) if w.getRole() in (
        pyatspi.ROLE_DIALOG, pyatspi.ROLE_ALERT) and has_state(w, pyatspi.STATE_SHOWING)), None))
    if dialog is None:
        sys.exit("Run asked nothing")
    texts = [o.name for o in find_all(dialog, pyatspi.ROLE_LABEL)]
    if "Start processing?" not in texts:
        sys.exit("Run said %r" % texts)
    press(find_all(dialog, pyatspi.ROLE_PUSH_BUTTON, "OK")[0])
    window = wait_for(lambda: next((w for w in frames(app) if w.name not in before), None))
    if window is None:
        sys.exit("no run window")
    time.sleep(1.0)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pid", type=int, required=True, help="the program to walk")
    parser.add_argument("--title", required=True, help="what the report calls this start")
    parser.add_argument("windows", nargs="+", choices=("main", "run", "others"),
                        help="in turn: the main window; a run started from it and its window; "
                             "every window but the main one")
    args = parser.parse_args()

    Atspi.set_timeout(CALL_TIMEOUT, STARTUP_TIMEOUT)
    app = application(args.pid)
    if app is None:
        sys.exit("the program never appeared on the accessibility bus")
    if not wait_for(lambda: main_window(app)):
        sys.exit("the main window never appeared")
    time.sleep(1.0)

    report = Report()
    others = lambda app: [w for w in frames(app) if w != main_window(app)]
    for which in args.windows:
        if which == "main":
            check_in_both_languages(report, app, lambda app: [main_window(app)])
        elif which == "run":
            start_run(app)
            check_in_both_languages(report, app, others)
        else:
            check_in_both_languages(report, app, others)

    print("== %s" % args.title)
    for line in report.summaries:
        print("  " + line)
    for line in report.findings:
        print("  FINDING " + line)
    return 1 if report.findings else 0


if __name__ == "__main__":
    sys.exit(main())
