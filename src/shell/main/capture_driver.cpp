#include "shell/main/capture_driver.h"

namespace blenvar {

void CaptureDriver::UseKeys(const TrainedKey& start, const TrainedKey& stop) {
    Change([&](CaptureCoordinator& c) { c.SetKeys(start, stop); });
    start_ = start;
    WatchStart();
}

std::string CaptureDriver::UseScanner(const std::optional<ScannerId>& scanner,
                                      std::uint64_t gapMs) {
    // A backend that cannot take the scanner alone says why and captures as in All mode.
    const std::string problem = backend_.UseScanner(scanner);
    const bool was = scannerMode_;
    scannerMode_ = scanner && problem.empty();
    scanSource_ = scannerMode_ ? scanner->name : std::string();
    Change([&](CaptureCoordinator& c) { c.SetScannerMode(scannerMode_, gapMs); });
    if (scannerMode_ != was) WatchStart();
    return problem;
}

void CaptureDriver::UseTranslator(std::shared_ptr<ScanTranslator> translator) {
    Change([&](CaptureCoordinator& c) { c.SetTranslator(translator); });
}

void CaptureDriver::StartTraining(std::uint64_t quietMs) {
    Change([quietMs](CaptureCoordinator& c) { c.StartTraining(quietMs); });
}

void CaptureDriver::StopTraining() {
    Change([](CaptureCoordinator& c) { c.StopTraining(); });
}

void CaptureDriver::Stop() {
    Change([](CaptureCoordinator& c) { c.Reset(); });
}

void CaptureDriver::TrainingFinished(const TrainingOutcome& outcome) {
    if (outcome.Good()) {
        trainedDevice_ = backend_.ScannerTextOf(outcome.device);
        // The coordinator took the new keys already; the start key's watch follows.
        start_ = *outcome.start;
        WatchStart();
    }
    emit trainingFinished(outcome);
}

void CaptureDriver::WatchStart() {
    // An untrained key watches nothing: the scanner device itself opens scans.
    const std::string refused = backend_.WatchStartKey(scannerMode_ ? TrainedKey{} : start_);
    if (!refused.empty()) emit startKeyRefused(QString::fromStdString(refused));
}

}  // namespace blenvar
