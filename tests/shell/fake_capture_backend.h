#pragma once
// A capture backend that writes what the program asks of it to a log, and lets a test
// type into the installed callback.
#include <string>
#include <vector>

#include "capture/capture_backend.h"
#include "support/key_text.h"

namespace blenvar::testing {

class FakeCaptureBackend : public CaptureBackend {
  public:
    std::vector<std::string> log;
    std::function<void()> lost;

    void SetKeyboardHook(int install, int, KeyCallback cb) override {
        log.push_back(install ? "install" : "remove");
        callback_ = install ? std::move(cb) : KeyCallback{};
    }
    std::string WatchStartKey(const TrainedKey& k) override {
        log.push_back("watch " + KeyText(k));
        return {};
    }
    void HoldKeyboard(bool hold) override { log.push_back(hold ? "hold" : "release"); }
    void OnLost(std::function<void()> f) override { lost = std::move(f); }
    std::string LostMessage() const override { return "the fake backend was lost"; }
    std::string UseScanner(const std::optional<ScannerId>& s) override {
        log.push_back(s ? "scanner " + ScannerText(*s) : "all");
        scannerMode = s.has_value() && refuseScanner.empty();
        return s ? refuseScanner : "";
    }
    bool ScannerPresent() const override { return present; }
    std::string ScannerTextOf(const std::string& device) const override {
        return namesDevices && !device.empty() ? device + "|0c2e:0b61" : "";
    }

    // The callback's answer, or -1 when nothing is installed. In scanner mode the keys
    // come from the scanner.
    int Type(int action, int state, int vcode, int scode, std::string device = "fake") {
        return callback_ ? callback_(KeyEvent{action, state, vcode, scode, 0, device,
                                              scannerMode && device == "scanner"})
                         : -1;
    }
    bool present = false;
    bool namesDevices = false;
    std::string
        refuseScanner;  // what UseScanner answers  // like evdev; X11 without XInput names none
    bool scannerMode = false;

  private:
    KeyCallback callback_;
};

}  // namespace blenvar::testing
