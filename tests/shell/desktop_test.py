#!/usr/bin/python3
"""blenvar on a private desktop with an accessibility bus; each test starts its tray host.

    with-desktop --x --a11y -- desktop_test.py BIN_DIR ARTIFACT_DIR

Each test starts blenvar from its own temporary program folder and reads the window as a
screen reader does. Screenshots of every tab go to ARTIFACT_DIR. Exits with 77 (skipped)
when BIN_DIR has no blenvar yet.
"""
import ctypes
import os
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import atspi  # noqa: E402
import program  # noqa: E402

ONLY_ONE = "Only one copy of this program can run at a time."
NO_TRAY = "This desktop shows no tray icons"
TABS = ["Main", "Control", "Last Scan", "Setup", "Help"]
# Controls a screen reader must be able to name: buttons and boxes by their captions, text
# boxes by their labels.
NAMED_ROLES = {"push button", "check box", "radio button", "combo box", "text", "spin button"}

BIN_DIR = ARTIFACTS = ""


def xdo(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.split()


def xwininfo(*args):
    return subprocess.run(["xwininfo", *args], capture_output=True, text=True).stdout


def mapped(window):
    return "IsViewable" in xwininfo("-id", window)


def embedded(window):
    """True once the tray host has taken the window in (its parent is not the root)."""
    return not any(line.strip().startswith("Parent window id:") and "(the root window)" in line
                   for line in xwininfo("-tree", "-id", window).splitlines())


def iconify(window):
    """Minimises a window as a window manager would: there is none on this desktop, so set
    WM_STATE to IconicState ourselves, which is what the toolkit watches."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XInternAtom.restype = ctypes.c_ulong
    display = ctypes.c_void_p(x11.XOpenDisplay(None))
    wm_state = ctypes.c_ulong(x11.XInternAtom(display, b"WM_STATE", 0))
    iconic = (ctypes.c_long * 2)(3, 0)  # state, icon window
    x11.XChangeProperty(display, ctypes.c_ulong(int(window)), wm_state, wm_state, 32, 0, iconic, 2)
    x11.XCloseDisplay(display)  # flushes


def close_box(window):
    """Presses the window's close box as a window manager would: WM_DELETE_WINDOW."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XInternAtom.restype = ctypes.c_ulong
    display = ctypes.c_void_p(x11.XOpenDisplay(None))
    atom = lambda name: x11.XInternAtom(display, name, 0)  # noqa: E731
    # XClientMessageEvent inside a 192-byte XEvent.
    event = (ctypes.c_long * 24)(33, 0, 1, 0, int(window), atom(b"WM_PROTOCOLS"), 32,
                                 atom(b"WM_DELETE_WINDOW"), 0)
    x11.XSendEvent(display, ctypes.c_ulong(int(window)), 0, 0, event)
    x11.XCloseDisplay(display)


def windows(copy):
    return xdo("search", "--all", "--pid", str(copy.pid), "--classname", "blenvar")


def main_window(copy):
    return atspi.wait_for("the main window", lambda: next(
        iter(xdo("search", "--all", "--pid", str(copy.pid), "--name", "^Blenvar - v")), None))


def tray_icon(copy):
    return next((w for w in windows(copy) if mapped(w) and embedded(w)), None)


class DesktopTest(unittest.TestCase):
    def setUp(self):
        self.folder, self.env = program.program_folder(BIN_DIR)
        self.copies = []
        self.tray = None

    def tearDown(self):
        for copy in self.copies:
            copy.stop()
        if self.tray:
            self.tray.stop()
        # What the copies printed stays beside the screenshots.
        os.makedirs(ARTIFACTS, exist_ok=True)
        for n, copy in enumerate(self.copies):
            shutil.copy(copy.log, os.path.join(ARTIFACTS, f"{self._testMethodName}-{n + 1}.log"))
        shutil.rmtree(self.folder, ignore_errors=True)

    def start(self, trained, tray=True):
        if tray and not self.tray:
            self.tray = program.TrayHost()
        if trained:
            with open(os.path.join(self.folder, "blenvar.ini"), "w") as f:
                f.write(program.trained(192, 41))
        self.copies.append(program.Blenvar(self.folder, self.env))
        return self.copies[-1]

    def test_trained_start_before_the_tray_hides_to_it_once_it_comes(self):
        # At login, programs started with the session often start before the panel.
        copy = self.start(trained=True, tray=False)
        window = main_window(copy)
        atspi.find(copy.app(), contains=NO_TRAY)  # the program has looked for a tray
        self.tray = program.TrayHost()
        atspi.wait_for("the tray icon", lambda: tray_icon(copy))
        atspi.wait_for("the window hidden to the tray", lambda: not mapped(window))
        self.exit_cleanly(copy)

    def exit_cleanly(self, copy):
        atspi.press(atspi.find(copy.app(), role="push button", name="Exit"))
        self.assertEqual(copy.proc.wait(timeout=10), 0)
        self.assertEqual([w for w in windows(copy) if mapped(w)], [], "windows left after Exit")

    def screenshot(self, window, name):
        os.makedirs(ARTIFACTS, exist_ok=True)
        subprocess.run(["import", "-window", window, os.path.join(ARTIFACTS, name + ".png")],
                       check=True, capture_output=True)

    def test_untrained_start_prompts_on_the_setup_tab(self):
        ini = os.path.join(self.folder, "blenvar.ini")
        with open(ini, "w") as f:
            f.write("[Setup]\nCaptureDevices=Scanner\n")
        opened = os.path.join(self.folder, "opened")
        os.mkdir(os.path.join(self.folder, "bin"))
        with open(os.path.join(self.folder, "bin", "xdg-open"), "w") as f:
            f.write(f'#!/bin/sh\necho "$1" > "{opened}"\n')
        os.chmod(os.path.join(self.folder, "bin", "xdg-open"), 0o700)
        self.env["PATH"] = os.path.join(self.folder, "bin") + ":" + self.env["PATH"]
        copy = self.start(trained=False)
        app = copy.app()
        atspi.find(app, contains=program.PROMPT, showing=True)
        time.sleep(0.3)  # let it paint
        self.screenshot("root", "dialog-training-prompt")
        atspi.press(atspi.find(app, role="push button", name="OK", showing=True))
        window = main_window(copy)
        atspi.wait_for("the window shown", lambda: mapped(window))
        atspi.wait_for("the Setup tab selected", lambda: atspi.selected_tab(app) == "Setup")
        self.assertIsNotNone(atspi.wait_for("the tray icon", lambda: tray_icon(copy)))
        # "The scanner only" with none recorded says what it does instead.
        atspi.find(app, role="label", contains="No scanner is recorded yet", showing=True)
        # Where the settings and sounds are kept, and a way to their folders.
        atspi.find(app, role="label", name="Settings file: " + ini, showing=True)
        atspi.find(app, role="label", name="Sound database: " + os.path.join(
            self.env["XDG_CONFIG_HOME"], "blenvar", "registry.sqlite3"), showing=True)
        atspi.press(atspi.find(app, role="push button", name="Open the settings folder"))
        atspi.wait_for("the folder opened", lambda: os.path.exists(opened)
                       and open(opened).read() == self.folder + "\n")
        # A first training whose sample begins with a symbology identifier: the keys in
        # words, and AIM chosen since no encoding was.
        atspi.press(atspi.find(app, role="push button", name="Train"))
        atspi.find(app, role="push button", name="Stop")
        subprocess.run([os.path.join(BIN_DIR, "blenvar-xinject"), "--key", "F9", "--text",
                        "]E05901234123457", "--key", "Return"], check=True)
        atspi.find(app, role="label", name="Start: F9. Stop: Enter.", showing=True)
        atspi.find(app, role="label", contains="the encoding is now AIM", showing=True)
        self.assertIn("Encoding=AIM", open(ini).read())
        self.assertTrue(atspi.find(app, role="radio button", name="AIM").getState().contains(
            atspi.pyatspi.STATE_CHECKED))
        unnamed = []
        for tab in TABS:
            atspi.select_tab(app, tab)
            time.sleep(0.3)  # let the page paint
            self.screenshot(window, "tab-" + tab.lower().replace(" ", "-"))
            unnamed += [f"{tab}: {what}" for what in atspi.unnamed(app, NAMED_ROLES)]
        self.assertEqual(unnamed, [], "controls without an accessible name")
        # A screen reader toggles an option or box without a click: it is saved all the same.
        ini = os.path.join(self.folder, "blenvar.ini")
        for tab, role, name, line in (("Setup", "radio button", "Other", "Encoding=Other"),
                                      ("Control", "check box", "clipboard", "SendToClipboard=0")):
            atspi.select_tab(app, tab)
            atspi.press(atspi.find(app, role=role, contains=name))
            atspi.wait_for(line, lambda: line in open(ini).read())
        # The close box asks first; "Don't ask again" keeps the answer.
        atspi.select_tab(app, "Main")
        close_box(window)
        atspi.find(app, contains="Scans will no longer be captured", showing=True)
        time.sleep(0.3)  # let it paint
        self.screenshot("root", "dialog-close")
        atspi.press(atspi.find(app, role="check box", name="Don't ask again", showing=True))
        atspi.press(atspi.find(app, role="push button", name="Hide to tray", showing=True))
        atspi.wait_for("the window hidden", lambda: not mapped(window))
        self.assertIn("CloseBox=Hide", open(ini).read())
        self.assertTrue(copy.running())
        self.exit_cleanly(copy)

    def test_wayland_session_captures_through_the_input_devices(self):
        # No X keyboard grab reaches Wayland programs, though Qt still talks to an X server
        # (XWayland): the session type alone decides. Without /dev/uinput or the input group
        # the Setup tab says why capture is off instead.
        self.env["XDG_SESSION_TYPE"] = "wayland"
        copy = self.start(trained=False)
        copy.answer_message(program.PROMPT)
        app = copy.app()
        atspi.select_tab(app, "Setup")
        lines = [c for c in ("Keys are captured through: Evdev", "input devices (Evdev)",
                             'group "input"') if atspi.find_all(app, role="label", contains=c)]
        self.assertTrue(lines, "the Setup tab names no input-device capture")
        self.assertEqual(atspi.find_all(app, role="label", contains="through: X11"), [])
        self.exit_cleanly(copy)

    # A killed copy's lock is SingleCopy's case in shell_window_test.
    def test_trained_start_lives_in_the_tray(self):
        copy = self.start(trained=True)
        icon = atspi.wait_for("the tray icon", lambda: tray_icon(copy))
        window = main_window(copy)
        atspi.wait_for("the window hidden", lambda: not mapped(window))
        xdo("mousemove", "--window", icon, "5", "5")
        atspi.find(copy.app(), contains="Blenvar \u2014 ready", showing=True)

        xdo("mousemove", "--window", icon, "5", "5", "click", "--repeat", "2", "--delay", "80", "1")
        atspi.wait_for("the window shown by a double-click", lambda: mapped(window))
        iconify(window)
        atspi.wait_for("the window hidden by minimising", lambda: not mapped(window))

        settings = open(os.path.join(self.folder, "blenvar.ini")).read()
        second = self.start(trained=False)
        second.answer_message(ONLY_ONE)
        second.proc.wait(timeout=10)
        self.assertEqual(open(os.path.join(self.folder, "blenvar.ini")).read(), settings,
                         "the refused copy changed the settings")
        self.assertTrue(copy.running(), "the first copy ended when a second one started")
        atspi.wait_for("the first copy's window shown on the second start", lambda: mapped(window))
        self.exit_cleanly(copy)


if __name__ == "__main__":
    BIN_DIR, ARTIFACTS = program.arguments(__doc__, 2, ["blenvar", "blenvar-xinject"])
    program.run()
