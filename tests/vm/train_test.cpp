// blenvar-decode --train against a synthetic scanner and keyboard: the sample's first and
// last key events and the scanner's identity are saved and printed; Ctrl+C and the way out
// save nothing. A sample that is no good scan: the training transcripts.
#include <functional>

#include "capture/scanner_device.h"
#include "components/ini/ini_file.h"
#include "settings/settings_layout.h"
#include "vm_input.h"

namespace {

using namespace vm;

const char* const kSettings = "/tmp/train.ini";
const char* const kErrors = "/tmp/train.err";

std::string Errors() {
    return " (stderr: " + ReadFile(kErrors) + ")";
}

void TrainsFromTheScanner(Device& scanner, Device& keyboard) {
    // Capture would take only a scanner that is not there; training takes every keyboard.
    const blenvar::ScannerId old{"old scanner", 0x1d50, 0x0bff};
    WriteFile(kSettings,
              "[Setup]\nCaptureDevices=Scanner\nScannerDevice=" + blenvar::ScannerText(old) + "\n");
    Capture train({"--train", "--settings", kSettings}, kErrors);
    WaitGrabbed(scanner.Node(), true);
    WaitGrabbed(keyboard.Node(), true);
    scanner.Scan("12");
    // Training ends 2 s after the sample's last key.
    const int status = train.Wait(6000);
    Expect(status == 0, "--train ended with " + std::to_string(status) + Errors());
    Expect(!Grabbed(scanner.Node()) && !Grabbed(keyboard.Node()), "--train left a device grabbed");

    blenvar::INIFile ini;
    ini.SetFileName(kSettings);
    const blenvar::TrainedKeys keys = blenvar::LoadTrainedKeys(ini);
    Expect(keys.start == blenvar::TrainedKey{1, 0, 123, 88}, "the start key is not F12's press");
    Expect(keys.stop == blenvar::TrainedKey{2, 0, 13, 28}, "the stop key is not Enter's release");
    const std::string device = blenvar::LoadCaptureSetup(ini).scannerDevice;
    const auto id = blenvar::ParseScanner(device);
    Expect(id && *id == blenvar::ScannerId{kScannerName, 0x1d50, kScannerProduct},
           "ScannerDevice is not the scanner: " + device);
    // What it saved, as it saved it.
    std::string printed;
    for (std::string line; !(line = train.Line(1000)).empty();) printed += line + "\n";
    std::string saved;
    for (const auto& [key, value] : blenvar::TrainedKeyValues(keys, device))
        saved += key + "=" + value + "\n";
    Expect(printed == saved, "--train printed\n" + printed + "for\n" + saved);
}

void SavesNothingWithoutAGoodSample(Device& scanner, Device& keyboard) {
    const std::string trained = ReadFile(kSettings);
    // Each case acts on a running training and returns its exit status.
    const struct {
        const char* what;
        std::function<int(Capture&)> act;
        int status;
        const char* says;
    } cases[] = {
        {"Ctrl+C",
         [&](Capture& train) {
             scanner.Tap(KEY_F12);
             return train.Stop(SIGINT);
         },
         128 + SIGINT, "nothing was saved"},
        {"the way out",
         [&](Capture& train) {
             scanner.Tap(KEY_F12);
             for (int code : {KEY_BACKSPACE, KEY_ESC, KEY_ENTER}) keyboard.Key(code, 1);
             for (int code : {KEY_BACKSPACE, KEY_ESC, KEY_ENTER}) keyboard.Key(code, 0);
             return train.Wait(5000);
         },
         1, "cut off"},
    };
    for (const auto& c : cases) {
        Capture train({"--train", "--settings", kSettings}, kErrors);
        WaitGrabbed(scanner.Node(), true);
        WaitGrabbed(keyboard.Node(), true);
        const int status = c.act(train);
        const std::string what = std::string(c.what) + ": ";
        Expect(status == c.status,
               what + "--train ended with " + std::to_string(status) + Errors());
        Expect(ReadFile(kErrors).find(c.says) != std::string::npos,
               what + "stderr does not say \"" + c.says + "\"" + Errors());
        Expect(ReadFile(kSettings) == trained, what + "the settings changed");
        Expect(!Grabbed(scanner.Node()), what + "the scanner stayed grabbed");
    }
}

}  // namespace

int main() {
    try {
        Device scanner(kScannerName, kScannerProduct);
        Device keyboard("VM keyboard", 0x0b02);
        TrainsFromTheScanner(scanner, keyboard);
        SavesNothingWithoutAGoodSample(scanner, keyboard);
        std::puts("train_test: ok");
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "train_test: FAIL: %s\n", e.what());
        return 1;
    }
}
