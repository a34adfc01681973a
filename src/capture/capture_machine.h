#pragma once
// Recognises scans in the desktop's key stream. The machine never reads a clock: every
// event carries its monotonic time, each step reports the next deadline, and the caller
// feeds Tick() when that deadline passes, so a scan closes on time even when no key follows.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "capture/hook_library.h"
#include "core/services.h"
#include "settings/settings_layout.h"

namespace blenvar {

class ScanTranslator;

inline constexpr std::uint64_t kScanWindowMs = 5000;

// A key that arrives after a late timer closes the old scan and may open the next one in
// the same step: then `scan` holds the closed scan's text and `trayImage` is 2.
struct CaptureStep {
    int result = kPassKey;                  // for key events: kPassKey or kConsumeKey
    int trayImage = 0;                      // tray image to show, 0 for no change
    std::optional<std::string> scan;        // the raw text of a scan that just closed
    std::optional<std::uint64_t> deadline;  // when to call Tick(); empty while idle
};

class CaptureMachine {
  public:
    void SetKeys(const TrainedKey& start, const TrainedKey& stop);
    // Scanner mode: the scanner device itself is the start signal. Any key press of it
    // opens a scan (the trained start event is not needed), nothing it sends passes, keys
    // of other devices always pass and never touch a scan, and a scan also closes once
    // the scanner has been silent for `gapMs`. A trained stop event that types a visible
    // character is then no suffix but the sample's last character, so only the gap and
    // the window close scans. Off: the trained start and stop events alone decide.
    void SetScannerMode(bool on, std::uint64_t gapMs = kDefaultScanGapMs);

    // The scanner's layout reads the characters; none: the fixed US table. With one, in
    // scanner mode an Enter or Tab stop followed by more keys within the gap is data.
    // An open scan is abandoned.
    void SetTranslator(std::shared_ptr<ScanTranslator> translator);

    // Abandons an open scan; keys and mode stay.
    void Reset() {
        scanning_ = false;
        raw_.clear();
        pendingStop_.clear();
    }

    CaptureStep OnKey(const KeyEvent& event);
    // The timer at the deadline: closes a scan whose stop event never came.
    CaptureStep Tick(std::uint64_t nowMs);

    bool Scanning() const { return scanning_; }

  private:
    bool OpensScan(const KeyEvent& event) const;
    bool ClosesScan(const KeyEvent& event) const;
    bool StopMayBeData() const;
    std::uint64_t NextDeadline() const;
    CaptureStep Close();

    TrainedKey start_;
    TrainedKey stop_;
    bool scanning_ = false;
    bool scannerMode_ = false;
    bool stopIsSuffix_ = true;
    std::uint64_t gapMs_ = kDefaultScanGapMs;
    std::uint64_t deadline_ = 0;  // the end of the scan window
    std::uint64_t lastKeyMs_ = 0;
    std::string raw_;
    std::string pendingStop_;  // a stop that becomes data if the scanner goes on
    std::shared_ptr<ScanTranslator> translator_;
};

}  // namespace blenvar
