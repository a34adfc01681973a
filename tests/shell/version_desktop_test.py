#!/usr/bin/python3
"""Updates on a private desktop: the version window shows a local server's answer, and
"Update" hands the verified package to the install command; then the program ends.

    with-desktop --tray --a11y -- version_desktop_test.py BIN_DIR ARTIFACT_DIR
"""
import hashlib
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import desktop_test as desk  # noqa: E402
from desktop_test import atspi, program  # noqa: E402

SERVER = os.path.join(HERE, "..", "update", "update_server.py")
RECORDER = """#!/bin/sh
cat "$1" > "$0.bytes"
printf '%s\\n' "$#" "$@" > "$0.tmp" && mv "$0.tmp" "$0.args"
"""


# Borrows the program folder, start and screenshots of the desktop test; only its own test
# runs here.
class VersionDesktopTest(desk.DesktopTest):
    def serve(self, answer, package):
        root = os.path.join(self.folder, "server")
        os.makedirs(os.path.join(root, "MSI"))
        os.makedirs(os.path.join(root, "available"))
        with open(os.path.join(root, "MSI", "blenvar_9.0.0.deb"), "wb") as f:
            f.write(package)
        with open(os.path.join(root, "available", "version.asp"), "w") as f:
            f.write(answer)
        server = subprocess.Popen(["/usr/bin/python3", "-B", SERVER, root], stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, text=True)
        self.addCleanup(server.wait)
        self.addCleanup(server.stdin.close)
        return server.stdout.readline().split()[:2]  # HTTP and FTP

    def test_update_installs_the_checked_package_and_ends_the_program(self):
        package = bytes(range(256)) * 800
        digest = hashlib.sha256(package).hexdigest()
        http, ftp = self.serve(f"<p>blenvar|9.0.0|blenvar_9.0.0.deb|/news.htm|Newer.|{digest}</p>",
                               package)
        record = os.path.join(self.folder, "record")
        with open(record, "w") as f:
            f.write(RECORDER)
        os.chmod(record, 0o700)
        with open(os.path.join(self.folder, "blenvar.ini"), "w") as f:
            f.write(f"[Setup]\nUpdateServer=http://127.0.0.1:{http}/available\n"
                    f"PackageServer=ftp://127.0.0.1:{ftp}\nInstallCommand=\"{record}\" %1\n")
        self.env["no_proxy"] = "127.0.0.1"
        copy = self.start(trained=False)
        copy.answer_message(program.PROMPT)
        app = copy.app()
        atspi.press(atspi.find(app, role="push button", name="Updates"))
        status = atspi.wait_for("the check's result", lambda: next(
            (s for s in ("Update Available", "You Are Not Online")
             if any(atspi.is_showing(n) for n in atspi.find_all(app, name=s))), None))
        if status == "You Are Not Online":
            self.skipTest("this machine has no network interface up besides loopback")
        atspi.find(app, name="9.0.0", showing=True)
        time.sleep(0.5)  # let it paint
        self.screenshot("root", "version-window")
        atspi.press(atspi.find(app, role="push button", name="Update", showing=True))
        atspi.find(app, contains="Install it anyway?", showing=True, timeout=20)
        atspi.press(atspi.find(app, role="push button", name="Yes", showing=True))

        self.assertEqual(copy.proc.wait(timeout=20), 0)
        args = atspi.wait_for("the install command", lambda: os.path.exists(record + ".args")
                              and open(record + ".args").read().splitlines())
        self.assertEqual(args[0], "1", args)
        with open(record + ".bytes", "rb") as f:
            self.assertEqual(f.read(), package)


if __name__ == "__main__":
    desk.BIN_DIR, desk.ARTIFACTS = program.arguments(__doc__, 2, ["blenvar"])
    program.run(defaultTest="VersionDesktopTest."
                "test_update_installs_the_checked_package_and_ends_the_program")
