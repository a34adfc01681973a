#include "capture/capture_machine.h"

#include <algorithm>

#include "capture/key_to_char.h"
#include "capture/scan_translator.h"

namespace blenvar {

namespace {

bool SameKey(const KeyEvent& e, const TrainedKey& k) {
    return e.State == k.State && e.VCode == k.VCode && e.SCode == k.SCode;
}

bool SameEvent(const KeyEvent& e, const TrainedKey& k) {
    return e.Action == k.Action && SameKey(e, k);
}

// Out-of-range fields must not wrap into a typing key.
bool Typable(std::int32_t state, std::int32_t vcode) {
    return (state == 0 || state == 1) && vcode >= 0 && vcode <= 0xFFFF;
}

bool TypesVisibleCharacter(const TrainedKey& k) {
    if (!Typable(k.State, k.VCode)) return false;
    const std::string c =
        KeyToChar(static_cast<std::uint8_t>(k.State), static_cast<std::uint16_t>(k.VCode));
    return !c.empty() && static_cast<unsigned char>(c[0]) > 0x20 && c[0] != 0x7f;
}

}  // namespace

std::string ScanText(ScanTranslator* translator, const KeyEvent& event) {
    if (translator) return translator->Translate(event);
    if (event.Action != kActionCharacter || !Typable(event.State, event.VCode)) return {};
    return KeyToChar(static_cast<std::uint8_t>(event.State),
                     static_cast<std::uint16_t>(event.VCode));
}

void CaptureMachine::SetTranslator(std::shared_ptr<ScanTranslator> translator) {
    translator_ = std::move(translator);
    Reset();
}

void CaptureMachine::SetKeys(const TrainedKey& start, const TrainedKey& stop) {
    start_ = start;
    stop_ = stop;
    stopIsSuffix_ = !TypesVisibleCharacter(stop);
}

void CaptureMachine::SetScannerMode(bool on, std::uint64_t gapMs) {
    scannerMode_ = on;
    gapMs_ = gapMs;
}

bool CaptureMachine::OpensScan(const KeyEvent& event) const {
    if (scannerMode_) return event.fromScanner && event.Action == kActionPress;
    // A start event trained from a later event of its keystroke opens on the press, so
    // the keystroke's character is collected and none of its events reach the window.
    if (event.Action == kActionPress &&
        (start_.Action == kActionCharacter || start_.Action == kActionRelease))
        return SameKey(event, start_);
    return SameEvent(event, start_);
}

bool CaptureMachine::ClosesScan(const KeyEvent& event) const {
    return SameEvent(event, stop_) && (!scannerMode_ || stopIsSuffix_);
}

// Multi-line codes hold the stop key's own character: from the scanner alone, an Enter or
// Tab stop is the end only when the gap follows it.
bool CaptureMachine::StopMayBeData() const {
    return scannerMode_ && translator_ && (stop_.VCode == 9 || stop_.VCode == 13);
}

std::uint64_t CaptureMachine::NextDeadline() const {
    return scannerMode_ ? std::min(deadline_, lastKeyMs_ + gapMs_) : deadline_;
}

CaptureStep CaptureMachine::Close() {
    scanning_ = false;
    pendingStop_.clear();
    CaptureStep step;
    step.trayImage = kTrayScanWaiting;
    step.scan = std::move(raw_);
    raw_.clear();
    return step;
}

CaptureStep CaptureMachine::Tick(std::uint64_t nowMs) {
    if (!scanning_) return {};
    if (nowMs >= NextDeadline()) return Close();
    CaptureStep step;
    step.deadline = NextDeadline();
    return step;
}

CaptureStep CaptureMachine::OnKey(const KeyEvent& event) {
    CaptureStep step;
    // Keys of other devices never belong to a scan, but a late timer still closes it.
    const bool ours = !scannerMode_ || event.fromScanner;
    // A late timer must not let the scan swallow a key that came after its window.
    if (scanning_ && event.timeMs >= (ours ? NextDeadline() : deadline_)) step = Close();

    if (!scanning_) {
        if (!OpensScan(event)) {
            // Nothing the scanner sends reaches the focused program.
            if (scannerMode_ && event.fromScanner) step.result = kConsumeKey;
            return step;
        }
        scanning_ = true;
        deadline_ = event.timeMs + kScanWindowMs;
        lastKeyMs_ = event.timeMs;
        raw_.clear();
        pendingStop_.clear();
        if (translator_) {
            translator_->Begin();
            raw_ = translator_->Translate(event);
        }
        step.result = kConsumeKey;
        step.trayImage = kTrayScanOpen;
        step.deadline = NextDeadline();
        return step;
    }
    if (!ours) {
        step.deadline = NextDeadline();
        return step;
    }
    lastKeyMs_ = event.timeMs;
    // The translator follows every event, the closing one included.
    const std::string text = ScanText(translator_.get(), event);

    // Every event of an open scan is consumed, the closing one included.
    step.result = kConsumeKey;
    if (ClosesScan(event)) {
        if (!StopMayBeData()) {
            step = Close();
            step.result = kConsumeKey;
            return step;
        }
        raw_ += pendingStop_;
        pendingStop_ = stop_.VCode == 9 ? "\t" : "\r";
    }
    step.deadline = NextDeadline();
    // Other events of the stop key (its press when the release was trained) add nothing.
    const bool stopKey = SameKey(event, stop_) && (!scannerMode_ || stopIsSuffix_);
    if (!stopKey && !text.empty()) {
        raw_ += pendingStop_;
        pendingStop_.clear();
        raw_ += text;
    }
    return step;
}

}  // namespace blenvar
