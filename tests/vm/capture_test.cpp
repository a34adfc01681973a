// blenvar-decode --capture against a synthetic scanner and keyboard: what is grabbed,
// withheld, printed and passed on in both capture modes, across unplugging, the way out
// and kill -9.
#include "vm_input.h"

namespace {

using namespace vm;

constexpr char kScannerId[] = "VM scanner|1d50:0b01";

void ExpectScan(Capture& capture, const std::string& want, int waitMs, const char* what) {
    const std::string raw = RawOf(capture.Line(waitMs));
    Expect(raw == want, std::string(what) + ": printed " + raw.substr(0, 80) + " for " +
                            want.substr(0, 80) + " (" + std::to_string(raw.size()) + " of " +
                            std::to_string(want.size()) + " characters)");
}

void ScannerMode(std::unique_ptr<Device>& scanner, Device& keyboard) {
    WriteFile("/tmp/scanner.ini", Settings("Scanner", kScannerId));
    // A key down at start: the scanner is grabbed only once it is up, or it would stick.
    scanner->Key(KEY_LEFTSHIFT, 1);
    Capture capture("/tmp/scanner.ini");
    usleep(500000);
    Expect(!Grabbed(scanner->Node()), "the scanner was grabbed with a key down");
    scanner->Key(KEY_LEFTSHIFT, 0);
    WaitGrabbed(scanner->Node(), true);
    Expect(!Grabbed(keyboard.Node()), "Scanner mode grabbed the keyboard");
    Fd typed = OpenReader(keyboard.Node());
    Fd relayed = OpenReader(FindNode(kOwnKeyboard));

    // The user types while the scanner scans: the scan stays whole, the typing untouched.
    // The scanner sends no prefix: its own first key opens the scan.
    scanner->Type("12");
    keyboard.Tap(KEY_Q);
    scanner->Type("34");
    keyboard.Tap(KEY_W);
    scanner->Tap(KEY_ENTER);
    ExpectScan(capture, "1234", 5000, "scan during typing");
    Expect(ReadKeys(typed.get(), 4, 500) == Taps({KEY_Q, KEY_W}), "the keyboard's keys changed");
    Expect(ReadKeys(relayed.get(), 1, 300).empty(), "a scan key was passed on");
    // Scans that begin with any character, one with no suffix at all (the gap ends it).
    for (const char* text : {"a5", "9z", "q"}) {
        scanner->Type(text);
        if (text[1] != 0) scanner->Tap(KEY_ENTER);
        ExpectScan(capture, text, 8000, "scan without prefix");
    }
    Expect(ReadKeys(relayed.get(), 1, 300).empty(), "a key of the scanner was passed on");

    std::string big;
    for (int i = 0; i < 2000; ++i) big += static_cast<char>('0' + i % 10);
    // Twice as fast as a full-speed USB device (every wedge scanner) reports, and well
    // within the 5 seconds a scan may last; unpaced writes would overrun the kernel's
    // 64-event queue of every reader, whoever reads.
    scanner->paceMicros = 500;
    scanner->Type(big);
    scanner->Tap(KEY_ENTER);
    scanner->paceMicros = 0;
    ExpectScan(capture, big, 15000, "2,000-character scan");

    // Unplugged mid-scan: the scan closes at once.
    scanner->Type("99");
    usleep(100000);
    scanner->Destroy();
    ExpectScan(capture, "99", 2500, "scan cut by unplugging");
    scanner = std::make_unique<Device>(kScannerName, kScannerProduct);
    WaitGrabbed(scanner->Node(), true);
    scanner->Type("77");
    scanner->Tap(KEY_ENTER);
    ExpectScan(capture, "77", 5000, "scanner plugged in again");

    capture.Stop(SIGKILL);
    Expect(!Grabbed(scanner->Node()), "the scanner stayed grabbed after kill -9");
}

void AllMode(Device& scanner, Device& keyboard) {
    WriteFile("/tmp/all.ini", Settings("All", ""));
    Capture capture("/tmp/all.ini");
    WaitGrabbed(scanner.Node(), true);
    WaitGrabbed(keyboard.Node(), true);
    Fd relayed = OpenReader(FindNode(kOwnKeyboard));
    keyboard.Tap(KEY_A);
    scanner.Scan("42");
    keyboard.Tap(KEY_B);
    keyboard.Tap(KEY_C);
    ExpectScan(capture, "42", 5000, "All mode");
    const std::vector<Key> got = ReadKeys(relayed.get(), 6, 1000);
    Expect(got == Taps({KEY_A, KEY_B, KEY_C}),
           "All mode passed on " + std::to_string(got.size()) + " key events, not a b c in order");
    // The way out releases every device, and no key it passed on stays down.
    for (int code : {KEY_BACKSPACE, KEY_ESC, KEY_ENTER}) keyboard.Key(code, 1);
    WaitGrabbed(keyboard.Node(), false, 2000);
    Expect(!Grabbed(scanner.Node()), "the way out left the scanner grabbed");
    const std::vector<Key> wayOut = ReadKeys(relayed.get(), 6, 1000);
    Expect(
        wayOut.size() == 6 && wayOut[3].value == 0 && wayOut[4].value == 0 && wayOut[5].value == 0,
        "the way out left keys down on the virtual keyboard");
    for (int code : {KEY_BACKSPACE, KEY_ESC, KEY_ENTER}) keyboard.Key(code, 0);
    Expect(capture.Stop(SIGTERM) == 0, "SIGTERM did not end the capture cleanly");
}

// GS1 data from an AZERTY scanner: "]" and GS need AltGr with the ")" key, digits Shift.
void AzertyScan(Device& scanner) {
    const auto stroke = [&](std::vector<int> keys) {
        for (int k : keys) scanner.Key(k, 1);
        for (auto k = keys.rbegin(); k != keys.rend(); ++k) scanner.Key(*k, 0);
    };
    const auto digits = [&](const std::string& text) {
        for (char c : text) stroke({KEY_LEFTSHIFT, c == '0' ? KEY_0 : KEY_1 + c - '1'});
    };
    scanner.paceMicros = 500;
    for (const auto& [layout, want] : {std::pair{"fr", "]C10109501101530003\\u001d10ABC-1"},
                                       std::pair{"", "C!)!)(%)!!)!%#)))#!)QBC6!"}}) {
        WriteFile("/tmp/layout.ini",
                  Settings("Scanner", kScannerId) + "ScannerLayout=" + layout + "\n");
        Capture capture("/tmp/layout.ini");
        WaitGrabbed(scanner.Node(), true);
        // A whole scan sent before the emulated machine runs the new reader overruns the
        // node's 64-event queue: a first key read ("b" on both layouts) shows it runs.
        scanner.Tap(KEY_B);
        ExpectScan(capture, "b", 8000, "first key");
        stroke({KEY_RIGHTALT, KEY_MINUS});
        stroke({KEY_LEFTSHIFT, KEY_C});
        digits("10109501101530003");
        stroke({KEY_LEFTCTRL, KEY_RIGHTALT, KEY_MINUS});
        digits("10");
        for (int k : {KEY_Q, KEY_B, KEY_C}) stroke({KEY_LEFTSHIFT, k});
        scanner.Tap(KEY_6);
        digits("1");
        scanner.Tap(KEY_ENTER);
        ExpectScan(capture, want, 5000, *layout ? "AZERTY scan on fr" : "AZERTY scan on US");
    }
}

}  // namespace

int main() {
    try {
        auto scanner = std::make_unique<Device>(kScannerName, kScannerProduct);
        Device keyboard("VM keyboard", 0x0b02);
        ScannerMode(scanner, keyboard);
        AllMode(*scanner, keyboard);
        AzertyScan(*scanner);
        std::puts("capture_test: ok");
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "capture_test: FAIL: %s\n", e.what());
        return 1;
    }
}
