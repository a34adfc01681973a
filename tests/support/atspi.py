"""Reads and operates a program's windows through the accessibility bus, as a screen reader does.

Needs Debian's /usr/bin/python3 with pyatspi, and a bus (tests/support/with-desktop --a11y).
Every lookup polls, because the program publishes its widgets a little after they appear.
"""
import time
import warnings

import pyatspi

# pyatspi calls libatspi functions that newer versions mark deprecated; the output is noise.
warnings.filterwarnings("ignore", category=DeprecationWarning, module="pyatspi")

TIMEOUT = 10.0


class NotFound(AssertionError):
    pass


def wait_for(what, probe, timeout=TIMEOUT):
    """Calls probe() until it returns something true; that value is returned."""
    end = time.monotonic() + timeout
    while True:
        try:
            value = probe()
        except Exception:  # the program may be starting or ending: its objects vanish
            value = None
        if value:
            return value
        if time.monotonic() > end:
            raise NotFound(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(0.1)


def _plain(name):
    # Buttons keep their mnemonic marker ("&Exit") in the name on some Qt versions.
    return (name or "").replace("&", "")


def find_app(name, pid=None, timeout=TIMEOUT):
    """The application called `name` (the executable's name), optionally by process id."""
    def probe():
        return next((a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == name
                     and (pid is None or a.get_process_id() == pid)), None)
    return wait_for(f"application {name!r}", probe, timeout)


def _walk(node, depth=0):
    yield node
    if depth > 40:
        return
    try:
        children = [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:  # gone meanwhile (a message box closing): nothing below it
        return
    for child in children:
        if child is not None:
            yield from _walk(child, depth + 1)


def _matches(node, role, name, contains):
    try:
        if role is not None and node.getRoleName() != role:
            return False
        plain = _plain(node.name)
        if name is not None and plain != _plain(name):
            return False
        return contains is None or contains in plain or contains in text(node)
    except Exception:  # an object that vanished while we looked matches nothing
        return False


def find_all(root, role=None, name=None, contains=None):
    """Every widget under root with this role name ("push button", "page tab", ...) whose
    name equals `name` or contains `contains` (mnemonic markers ignored)."""
    return [node for node in _walk(root) if _matches(node, role, name, contains)]


def unnamed(root, roles):
    """Widgets on screen with one of these roles and no name: a screen reader could only
    say "button" or "text" for them."""
    found = []
    for node in _walk(root):
        try:
            if node.getRoleName() in roles and is_showing(node) and not node.name.strip():
                found.append(f"{node.getRoleName()} #{node.getIndexInParent()} in {node.parent.name!r}")
        except Exception:  # gone meanwhile
            pass
    return found


def find(root, role=None, name=None, contains=None, showing=None, timeout=TIMEOUT):
    """The first such widget; with showing=True only one that is on screen."""
    def probe():
        for node in find_all(root, role, name, contains):
            if showing is None or is_showing(node) == showing:
                return node
        return None
    return wait_for(f"{role or 'widget'} {name or contains!r}", probe, timeout)


def text(node):
    """A text widget's whole text ("" when the widget has no text)."""
    try:
        t = node.queryText()
    except NotImplementedError:
        return ""
    return t.getText(0, -1)


def is_showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def press(node):
    """Runs the widget's press (or first) action, as a screen reader's "activate" does."""
    action = node.queryAction()
    names = [action.getName(i).lower() for i in range(action.nActions)]
    index = names.index("press") if "press" in names else 0
    if not action.doAction(index):
        raise AssertionError(f"{node.getRoleName()} {node.name!r} refused its action")


def selected_tab(root):
    """The caption of the selected page tab, or None. Qt names the tab list after its
    current tab and gives the list no Selection interface."""
    lists = find_all(root, role="page tab list")
    return _plain(lists[0].name) if lists else None


def select_tab(root, name):
    """Selects the page tab `name` by pressing it, as a screen reader user would."""
    press(find(root, role="page tab", name=name))
    wait_for(f"tab {name!r} selected", lambda: selected_tab(root) == _plain(name))
