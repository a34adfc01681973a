#!/usr/bin/python3
"""blenvar on a private desktop with a tray host and an accessibility bus.

    with-desktop --tray --a11y -- desktop_test.py BIN_DIR ARTIFACT_DIR

Each test starts blenvar from its own temporary program folder (a copy of the build's
blenvar, sounds and help pages) and reads the window as a screen reader does. Screenshots
of every tab go to ARTIFACT_DIR. Exits with 77 (skipped) when BIN_DIR has no blenvar yet.
"""
import ctypes
import glob
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import atspi  # noqa: E402

SKIP = 77
APP = "blenvar"
PROMPT = "Before you can use this application you need to train it to recognize your scanner."
ONLY_ONE = "Only one copy of this program can run at a time."
TABS = ["Main", "Control", "Last Scan", "Setup", "Help"]
# Controls a screen reader must be able to name: buttons and boxes by their captions, text
# boxes by their labels.
NAMED_ROLES = {"push button", "check box", "radio button", "combo box", "text", "spin button"}
TRAINED = """[Setup]
Start_Action=1
Start_State=0
Start_VCode=192
Start_SCode=41
Stop_Action=1
Stop_State=0
Stop_VCode=13
Stop_SCode=28
"""

BIN_DIR = ARTIFACTS = ""


def xdo(*args):
    run = subprocess.run(["xdotool", *args], capture_output=True, text=True)
    return run.stdout.split()


def parent_is_root(window):
    info = subprocess.run(["xwininfo", "-tree", "-id", window], capture_output=True, text=True)
    return any(line.strip().startswith("Parent window id:") and "(the root window)" in line
               for line in info.stdout.splitlines())


def mapped(window):
    info = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True)
    return "IsViewable" in info.stdout


def iconify(window):
    """Minimises a window as a window manager would: there is none on this desktop, so set
    WM_STATE to IconicState ourselves, which is what the toolkit watches."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong,
                                    ctypes.c_int, ctypes.c_int, ctypes.c_void_p, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    wm_state = x11.XInternAtom(display, b"WM_STATE", 0)
    iconic = (ctypes.c_long * 2)(3, 0)  # state, icon window
    x11.XChangeProperty(display, int(window), wm_state, wm_state, 32, 0, iconic, 2)
    x11.XCloseDisplay(display)  # flushes


class Blenvar:
    """One running copy, started from `folder`."""

    def __init__(self, folder, env):
        self.log = open(os.path.join(folder, f"run-{time.monotonic_ns()}.log"), "w")
        self.proc = subprocess.Popen([os.path.join(folder, APP)], cwd=folder, env=env,
                                     stdout=self.log, stderr=subprocess.STDOUT)
        self.pid = self.proc.pid

    def app(self):
        return atspi.find_app(APP, self.pid)

    def windows(self):
        return xdo("search", "--all", "--pid", str(self.pid), "--classname", APP)

    def main_window(self):
        return atspi.wait_for("the main window", lambda: next(
            (w for w in xdo("search", "--all", "--pid", str(self.pid), "--name", "^Blenvar - v")), None))

    def tray_icon(self):
        """The icon's window once the tray host has embedded it (its parent is not the root)."""
        return next((w for w in self.windows() if mapped(w) and not parent_is_root(w)), None)

    def answer_message(self, contains):
        """Finds the message box with this text and presses its OK button."""
        app = self.app()
        atspi.find(app, contains=contains, showing=True)
        atspi.press(atspi.find(app, role="push button", name="OK", showing=True))

    def running(self):
        return self.proc.poll() is None

    def stop(self):
        if self.running():
            self.proc.kill()
        self.proc.wait()
        self.log.close()


class DesktopTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="blenvar-program-")
        for pattern in (APP, "*.wav", "*.htm", "blenvar-sounds"):
            for path in glob.glob(os.path.join(BIN_DIR, pattern)):
                shutil.copy2(path, self.folder)
        home = os.path.join(self.folder, "home")
        os.mkdir(home)
        # The registry store and any fallback settings stay out of the real user's files.
        self.env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"))
        self.copies = []

    def tearDown(self):
        for copy in self.copies:
            copy.stop()
        # What the copies printed stays beside the screenshots.
        os.makedirs(ARTIFACTS, exist_ok=True)
        for n, copy in enumerate(self.copies):
            shutil.copy(copy.log.name, os.path.join(ARTIFACTS, f"{self._testMethodName}-{n + 1}.log"))
        shutil.rmtree(self.folder, ignore_errors=True)

    def start(self, trained):
        if trained:
            with open(os.path.join(self.folder, "blenvar.ini"), "w") as f:
                f.write(TRAINED)
        copy = Blenvar(self.folder, self.env)
        self.copies.append(copy)
        return copy

    def exit_cleanly(self, copy):
        atspi.press(atspi.find(copy.app(), role="push button", name="Exit"))
        self.assertEqual(copy.proc.wait(timeout=10), 0)
        self.assertEqual([w for w in copy.windows() if mapped(w)], [], "windows left after Exit")

    def screenshot(self, window, name):
        os.makedirs(ARTIFACTS, exist_ok=True)
        subprocess.run(["import", "-window", window, os.path.join(ARTIFACTS, name + ".png")],
                       check=True, capture_output=True)

    def test_untrained_start_prompts_on_the_setup_tab(self):
        copy = self.start(trained=False)
        copy.answer_message(PROMPT)
        window = copy.main_window()
        atspi.wait_for("the window shown", lambda: mapped(window))
        app = copy.app()
        atspi.wait_for("the Setup tab selected", lambda: atspi.selected_tab(app) == "Setup")
        self.assertIsNotNone(atspi.wait_for("the tray icon", copy.tray_icon))
        unnamed = []
        for tab in TABS:
            atspi.select_tab(app, tab)
            time.sleep(0.3)  # let the page paint
            self.screenshot(window, "tab-" + tab.lower().replace(" ", "-"))
            unnamed += [f"{tab}: {what}" for what in atspi.unnamed(app, NAMED_ROLES)]
        self.assertEqual(unnamed, [], "controls without an accessible name")
        self.exit_cleanly(copy)

    def test_trained_start_lives_in_the_tray(self):
        copy = self.start(trained=True)
        icon = atspi.wait_for("the tray icon", copy.tray_icon)
        window = copy.main_window()
        atspi.wait_for("the window hidden", lambda: not mapped(window))

        xdo("mousemove", "--window", icon, "5", "5", "click", "--repeat", "2", "--delay", "80", "1")
        atspi.wait_for("the window shown by a double-click", lambda: mapped(window))
        iconify(window)
        atspi.wait_for("the window hidden by minimising", lambda: not mapped(window))

        settings = open(os.path.join(self.folder, "blenvar.ini")).read()
        second = Blenvar(self.folder, self.env)
        self.copies.append(second)
        second.answer_message(ONLY_ONE)
        second.proc.wait(timeout=10)
        self.assertEqual(open(os.path.join(self.folder, "blenvar.ini")).read(), settings,
                         "the refused copy changed the settings")
        self.assertTrue(copy.running(), "the first copy ended when a second one started")
        atspi.wait_for("the first copy's window shown on the second start", lambda: mapped(window))
        self.exit_cleanly(copy)

    def test_a_killed_copys_lock_does_not_block_the_next_start(self):
        killed = self.start(trained=True)
        atspi.wait_for("the tray icon", killed.tray_icon)
        killed.proc.send_signal(signal.SIGKILL)
        killed.proc.wait()
        copy = self.start(trained=True)
        atspi.wait_for("the tray icon of the next start", copy.tray_icon)
        self.assertTrue(copy.running())
        self.assertEqual(atspi.find_all(copy.app(), contains=ONLY_ONE), [])
        self.exit_cleanly(copy)


def main():
    global BIN_DIR, ARTIFACTS
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    BIN_DIR, ARTIFACTS = sys.argv[1], sys.argv[2]
    if not os.access(os.path.join(BIN_DIR, APP), os.X_OK):
        print(f"skipped: {BIN_DIR}/{APP} has not been built")
        sys.exit(SKIP)
    result = unittest.main(argv=sys.argv[:1], exit=False, verbosity=2, warnings="ignore").result
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
