// blenvar-decode --capture --deliver on the console: a scan from the synthetic scanner is
// appended to a file and typed through Blenvar's virtual keyboard on the us layout.
#include "capture/scanner_device.h"
#include "vm_input.h"

using namespace vm;

int main() {
    try {
        Device scanner(kScannerName, kScannerProduct);
        const std::string id = blenvar::ScannerText({kScannerName, 0x1d50, kScannerProduct});
        WriteFile("/tmp/deliver.ini", Settings("Scanner", id) +
                                          "KeyboardLayout=us\n"
                                          "[UNKNOWN]\nScanToKeyboard=1\nAddReturn=1\n"
                                          "SaveToFile=1\nFileName=/tmp/scans.txt\n"
                                          "FileFormat=%%T %%C\n");
        Capture deliver({"--capture", "--deliver", "--settings", "/tmp/deliver.ini"},
                        "/tmp/deliver.err");
        // Qt starts first, which takes a while in an emulated machine.
        WaitGrabbed(scanner.Node(), true, 30000);
        // One of ours passes keys on, the other types: both are read.
        std::vector<Fd> ours;
        for (const std::string& node : FindNodes(kOwnKeyboard)) ours.push_back(OpenReader(node));
        Expect(ours.size() == 2, std::to_string(ours.size()) + " virtual keyboards of ours");

        scanner.Scan("42ab");
        const std::string line = deliver.Line(10000);
        Expect(RawOf(line) == "42ab",
               "--deliver printed " + line + " (stderr: " + ReadFile("/tmp/deliver.err") + ")");
        std::vector<Key> typed;
        for (const Fd& fd : ours) {
            const std::vector<Key> keys = ReadKeys(fd.get(), 10, 1000);
            typed.insert(typed.end(), keys.begin(), keys.end());
        }
        Expect(typed == Taps({KEY_4, KEY_2, KEY_A, KEY_B, KEY_ENTER}),
               "the virtual keyboard typed " + std::to_string(typed.size()) +
                   " key events, not 4 2 a b Enter");
        const std::string file = ReadFile("/tmp/scans.txt");
        Expect(file.rfind("UNKNOWN 42ab", 0) == 0, "the file holds \"" + file + "\"");

        deliver.Stop(SIGTERM);
        Expect(!Grabbed(scanner.Node()), "the scanner stayed grabbed");
        std::puts("capture_deliver_test: ok");
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "capture_deliver_test: FAIL: %s\n", e.what());
        return 1;
    }
}
