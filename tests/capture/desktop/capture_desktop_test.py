#!/usr/bin/python3
"""blenvar capturing scans on a private X desktop, with a focused test window beside it.

    with-desktop --tray --a11y -- capture_desktop_test.py BIN_DIR ARTIFACTS_DIR

A scanner is played by blenvar-xinject (XTest), a serial scanner by a pty; blenvar-keyprobe
has the focus and records every key it receives. Screenshots go to ARTIFACTS_DIR. Exits with
77 (skipped) when BIN_DIR lacks a program it needs.
"""
import os
import pty
import shutil
import subprocess
import sys
import time
import tty
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support"))
import atspi  # noqa: E402
import program  # noqa: E402

# F12 opens a scan, Enter closes it; every scan lands in the file and on the clipboard.
DELIVERY = """Encoding=Other
[UNKNOWN]
SendToClipboard=1
ClipboardMask=%%C
SaveToFile=1
FileFormat=%%C
FileName={out}
"""
BIN_DIR = ARTIFACTS = ""


def inject(*args):
    subprocess.run([os.path.join(BIN_DIR, "blenvar-xinject"), *args], check=True)


def scanner(*args):
    """Keys of a second keyboard: the XTEST slave of the master `xinput create-master scanner`
    adds, typing into the window the core keyboard focuses."""
    inject("--master", "scanner", *args)


def clipboard():
    run = subprocess.run(["xclip", "-o", "-selection", "clipboard"], capture_output=True,
                         text=True, timeout=5)
    return run.stdout


class CaptureDesktopTest(unittest.TestCase):
    def setUp(self):
        self.folder, self.env = program.program_folder(BIN_DIR, BLENVAR_TRACE_CAPTURE="1")
        self.out = os.path.join(self.folder, "scans.txt")
        self.probe_out = os.path.join(self.folder, "probe.txt")
        self.procs = []
        self.blenvar = None

    def tearDown(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.kill()
            proc.wait()
        if self.blenvar:  # what blenvar said, beside a failure
            self.blenvar.stop()
            sys.stderr.writelines(l for l in open(self.blenvar.log) if "blenvar-trace" not in l)
        shutil.rmtree(self.folder, ignore_errors=True)

    def start_blenvar(self, trained=True, layout="", setup=""):
        with open(os.path.join(self.folder, "blenvar.ini"), "w") as f:
            f.write((program.trained(123, 88) if trained else "[Setup]\n")
                    + f"ScannerLayout={layout}\n{setup}" + DELIVERY.format(out=self.out))
        self.blenvar = program.Blenvar(self.folder, self.env)
        atspi.wait_for("capture on", lambda: "capture ready" in open(self.blenvar.log).read())
        return self.blenvar

    def start_probe(self):
        ready = os.path.join(self.folder, "probe.ready")
        proc = subprocess.Popen([os.path.join(BIN_DIR, "blenvar-keyprobe"), self.probe_out, ready])
        self.procs.append(proc)
        atspi.wait_for("the probe focused", lambda: os.path.exists(ready))

    def probe_text(self, expected, timeout=5.0):
        """What the probe received, once it equals `expected` or the time is up. Each
        `expected` ends with the last key typed, so a key that should not have come shows."""
        def read():
            with open(self.probe_out) as f:
                return f.read()
        end = time.monotonic() + timeout
        while read() != expected and time.monotonic() < end:
            time.sleep(0.05)
        return read()

    def scans(self, count, timeout=10.0):
        def lines():
            if not os.path.exists(self.out):
                return None
            # Not splitlines(): it splits at GS as well.
            found = open(self.out, newline="").read().split("\r\n")[:-1]
            return found if len(found) >= count else None
        return atspi.wait_for(f"{count} scan line(s)", lines, timeout)

    def test_a_scan_at_full_speed_is_delivered_and_none_of_it_reaches_the_window(self):
        self.start_blenvar()
        self.start_probe()
        long_code = "".join("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[i % 36] for i in range(2000))
        for n, code in enumerate(["HELLO-123", long_code], 1):
            with self.subTest(length=len(code)):
                before = f"ab{n}"
                inject("--text", before, "--key", "F12", "--text", code, "--key", "Return",
                       "--text", "yz")
                self.assertEqual(self.scans(n)[-1], code)
                self.assertEqual(clipboard(), code)
                expected = "ab1yzab2yz"[:5 * n]
                self.assertEqual(self.probe_text(expected), expected)

    def test_training_from_setup_names_the_scanner_and_its_next_scan_is_captured(self):
        """Trained through the Setup tab, saved, and used without a restart: the keyboard
        types on while the scanner scans."""
        subprocess.run(["xinput", "create-master", "scanner"], check=True)
        self.addCleanup(subprocess.run, ["xinput", "remove-master", "scanner keyboard"])
        blenvar = self.start_blenvar(trained=False)
        blenvar.answer_message(program.PROMPT)
        app = blenvar.app()
        atspi.press(atspi.find(app, role="push button", name="Train", showing=True))
        atspi.find(app, role="push button", name="Stop")
        scanner("--key", "F11", "--text", "Sample", "--key", "Return")
        settings = os.path.join(self.folder, "blenvar.ini")
        atspi.wait_for("the scanner saved",
                       lambda: "ScannerDevice=scanner XTEST keyboard" in open(settings).read())
        text = open(settings).read()
        for key in ("Start_Action=1", "Start_VCode=122", "Start_SCode=87", "Stop_VCode=13"):
            self.assertIn(key, text)
        atspi.find(app, name="Scanner: scanner XTEST keyboard")
        atspi.find(app, role="push button", name="Train")

        self.start_probe()
        inject("--text", "a")
        scanner("--key", "F11", "--text", "NEW", "--key", "Return")
        inject("--text", "b")
        self.assertEqual(self.scans(1), ["NEW"])
        self.assertEqual(clipboard(), "NEW")
        self.assertEqual(self.probe_text("ab"), "ab")

    def test_a_serial_scanner_scans_beside_the_keyboard_scanner_and_setup_lists_it(self):
        master, port = pty.openpty()
        self.addCleanup(lambda: (os.close(master), os.close(port)))
        tty.setraw(port)
        device = os.ttyname(port)
        blenvar = self.start_blenvar(setup=f"SerialScanner={device},115200\n")
        os.write(master, b"SERIAL-1\r\n")
        self.assertEqual(self.scans(1), ["SERIAL-1"])
        inject("--key", "F12", "--text", "KEYS-1", "--key", "Return")
        self.assertEqual(self.scans(2), ["SERIAL-1", "KEYS-1"])

        # A second start shows the running copy's window, hidden in the tray.
        second = program.Blenvar(self.folder, self.env)
        second.answer_message("Only one copy")
        second.proc.wait(timeout=10)
        app = blenvar.app()
        atspi.select_tab(app, "Setup")
        sources = atspi.find(app, name="Scan sources", showing=True)

        def serial_row():
            cells = [c.name for c in atspi.find_all(sources, role="table cell")]
            at = cells.index(device) if device in cells else -1
            return at > 0 and cells[at - 1:at + 3] == ["serial", device, "", "in use"]
        atspi.wait_for("the serial port in use on Setup", serial_row)
        window = subprocess.run(["xdotool", "search", "--pid", str(blenvar.pid), "--name",
                                 "^Blenvar - v"], capture_output=True, text=True).stdout.split()[0]
        os.makedirs(ARTIFACTS, exist_ok=True)
        subprocess.run(["import", "-window", window, f"{ARTIFACTS}/tab-setup-scan-sources.png"],
                       check=True)

    def test_an_azerty_scanner_is_read_on_its_layout_and_on_the_us_table_without_it(self):
        """GS1 data from an AZERTY scanner while the desktop types US: "]" and GS need AltGr
        with the ")" key, digits need Shift. X key codes are the Linux ones + 8."""
        subprocess.run(["xinput", "create-master", "scanner"], check=True)
        self.addCleanup(subprocess.run, ["xinput", "remove-master", "scanner keyboard"])
        digit = {d: f"shift+#{10 + (int(d) - 1) % 10}" for d in "0123456789"}
        strokes = (["#108+#20", "shift+#54"] + [digit[d] for d in "10109501101530003"]
                   + ["ctrl+#108+#20"] + [digit[d] for d in "10"]
                   + ["shift+#24", "shift+#56", "shift+#54", "#15", digit["1"]])
        for layout, want in (("fr", "]C10109501101530003\x1d10ABC-1"),
                             ("", "C!)!)(%)!!)!%#)))#!)QBC6!")):
            with self.subTest(layout=layout):
                self.out = os.path.join(self.folder, f"scans-{layout}.txt")
                self.start_blenvar(layout=layout)
                scanner(*[a for k in ["F12", *strokes, "Return"] for a in ("--key", k)])
                self.assertEqual(self.scans(1), [want])
                self.blenvar.proc.terminate()  # ends cleanly: the next copy may start
                self.blenvar.proc.wait()


if __name__ == "__main__":
    BIN_DIR, ARTIFACTS = program.arguments(__doc__, 2,
                                           ["blenvar", "blenvar-keyprobe", "blenvar-xinject"])
    program.run()
