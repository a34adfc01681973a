"""blenvar as the desktop tests run it: a copy in a temporary program folder with a home of
its own, a process whose output goes to a log, and the runner that skips (exit 77) until the
programs a test needs are built.
"""
import ctypes
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

import atspi

SKIP = 77
PROMPT = "Before you can use this application you need to train it to recognize your scanner."


def trained(start_vcode, start_scode):
    """[Setup] trained on this start key (a plain press) and Enter as the stop key."""
    keys = {"Start": (start_vcode, start_scode), "Stop": (13, 28)}
    return "[Setup]\n" + "".join(f"{k}_Action=1\n{k}_State=0\n{k}_VCode={v}\n{k}_SCode={s}\n"
                                 for k, (v, s) in keys.items())


TRAY_HOST = ["trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height",
             "32", "--SetDockType", "true", "--transparent", "false"]


def tray_owner():
    """The window owning the tray selection of the display's first screen, 0 for none."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XGetSelectionOwner.restype = ctypes.c_ulong
    display = ctypes.c_void_p(x11.XOpenDisplay(None))
    if not display:
        return 0
    selection = ctypes.c_ulong(x11.XInternAtom(display, b"_NET_SYSTEM_TRAY_S0", 0))
    owner = x11.XGetSelectionOwner(display, selection)
    x11.XCloseDisplay(display)
    return owner


class TrayHost:
    """A tray host on DISPLAY, ready once it owns the tray selection (its window alone may
    show before that)."""

    def __init__(self):
        self.proc = subprocess.Popen(TRAY_HOST, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        atspi.wait_for("the tray host to own the tray selection", tray_owner)

    def stop(self):
        self.proc.terminate()
        self.proc.wait()


def program_folder(bin_dir, **env):
    """A temporary folder with blenvar, its sounds, help pages and modules; and an environment
    whose home is inside it, so the registry store and settings stay out of the user's files."""
    folder = tempfile.mkdtemp(prefix="blenvar-program-")
    for name in os.listdir(bin_dir):
        if name in ("blenvar", "blenvar-sounds") or name.endswith((".wav", ".htm", ".so")):
            shutil.copy2(os.path.join(bin_dir, name), folder)
    home = os.path.join(folder, "home")
    os.mkdir(home)
    return folder, dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                        **env)


class Blenvar:
    """One running copy, started from `folder`; what it prints goes to self.log."""

    def __init__(self, folder, env):
        self.log = os.path.join(folder, f"run-{time.monotonic_ns()}.log")
        with open(self.log, "w") as log:
            self.proc = subprocess.Popen([os.path.join(folder, "blenvar")], cwd=folder, env=env,
                                         stdout=log, stderr=subprocess.STDOUT)
        self.pid = self.proc.pid

    def app(self):
        return atspi.find_app("blenvar", self.pid)

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


def arguments(doc, count, needs):
    """The command line's `count` arguments, BIN_DIR first; exits with 77 (skipped) while
    BIN_DIR lacks one of the programs `needs`."""
    if len(sys.argv) != count + 1:
        sys.exit(doc)
    missing = [p for p in needs if not os.access(os.path.join(sys.argv[1], p), os.X_OK)]
    if missing:
        print(f"skipped: {', '.join(missing)} not built in {sys.argv[1]}")
        sys.exit(SKIP)
    return sys.argv[1:]


def run(**unittest_args):
    result = unittest.main(argv=sys.argv[:1], exit=False, verbosity=2, warnings="ignore",
                           **unittest_args).result
    sys.exit(0 if result.wasSuccessful() else 1)
