#include "shell/main/relay_capture.h"

#include <QMetaObject>
#include <cstdint>
#include <mutex>

#include "capture/relay_machines.h"
#include "shell/main/capture_controller.h"

namespace blenvar {

// Shared with the relay's hooks, so a late call after the window is gone finds `owner`
// null instead of a dangling object. Everything here is guarded by `mutex`; the machines'
// reports are posted to the UI thread.
struct RelayCapture::Core {
    std::mutex mutex;
    RelayCapture* owner = nullptr;
    TrayImage* tray = nullptr;
    RelayMachines machines{MakeReports()};

    // Runs `f` on the owner's (UI) thread. Called with the mutex held, so the owner cannot
    // go away meanwhile; once it is gone Qt drops what is still queued.
    template <class F>
    void Post(F f) {
        if (owner) QMetaObject::invokeMethod(owner, std::move(f), Qt::QueuedConnection);
    }

    RelayMachines::Reports MakeReports() {
        RelayMachines::Reports r;
        r.scanClosed = [this](const std::string& raw, bool reopened) {
            Post([o = owner, t = tray, reopened, raw = QString::fromStdString(raw)] {
                if (!reopened) t->SetTrayImage(kTrayScanWaiting);
                emit o->scanCaptured(raw);
            });
        };
        r.scanOpened = [this] {
            Post([o = owner, t = tray] {
                TraceCapture("scan opened");
                t->SetTrayImage(kTrayScanOpen);
                emit o->scanOpened();
            });
        };
        r.trainingRecorded = [this](int n) {
            Post([o = owner, n] { emit o->trainingRecorded(n); });
        };
        r.trainingFinished = [this](const TrainingOutcome& outcome) {
            Post([o = owner, outcome] { o->FinishOnUi(outcome); });
        };
        return r;
    }

    // Decided here and now: the relay passes or withholds the key on our answer.
    int OnKey(const KeyEvent& event) {
        std::lock_guard lock(mutex);
        return owner ? machines.OnKey(event) : kPassKey;
    }

    std::optional<std::uint64_t> Tick(std::uint64_t now) {
        std::lock_guard lock(mutex);
        return owner ? machines.Tick(now) : std::nullopt;
    }

    void Notice(const std::string& message, bool scanBroken) {
        std::lock_guard lock(mutex);
        if (!owner) return;
        Post([o = owner, text = QString::fromStdString(message)] { emit o->notice(text); });
        if (scanBroken) machines.CloseScan();
    }
};

RelayCapture::RelayCapture(CaptureBackend& backend, TrayImage& tray, QObject* parent)
    : CaptureDriver(parent), backend_(backend), core_(std::make_shared<Core>()) {
    core_->owner = this;
    core_->tray = &tray;
}

RelayCapture::~RelayCapture() {
    std::lock_guard lock(core_->mutex);
    core_->owner = nullptr;
}

KeyCallback RelayCapture::CaptureCallback() {
    return [core = core_](const KeyEvent& event) { return core->OnKey(event); };
}

std::function<std::optional<std::uint64_t>(std::uint64_t)> RelayCapture::TickHook() {
    return [core = core_](std::uint64_t now) { return core->Tick(now); };
}

std::function<void(const std::string&, bool)> RelayCapture::NoticeHook() {
    return [core = core_](const std::string& message, bool scanBroken) {
        core->Notice(message, scanBroken);
    };
}

void RelayCapture::UseKeys(const TrainedKey& start, const TrainedKey& stop) {
    {
        std::lock_guard lock(core_->mutex);
        core_->machines.SetKeys(start, stop);
    }
    start_ = start;
    WatchStart();
}

void RelayCapture::WatchStart() {
    const std::string refused = backend_.WatchStartKey(scannerMode_ ? TrainedKey{} : start_);
    if (!refused.empty()) emit startKeyRefused(QString::fromStdString(refused));
}

std::string RelayCapture::UseScanner(const std::optional<ScannerId>& scanner, std::uint64_t gapMs) {
    // A backend that cannot take the scanner alone says why and captures as in All mode.
    const std::string problem = backend_.UseScanner(scanner);
    const bool was = scannerMode_;
    scannerMode_ = scanner && problem.empty();
    {
        std::lock_guard lock(core_->mutex);
        core_->machines.SetScannerMode(scannerMode_, gapMs);
    }
    if (scannerMode_ != was) WatchStart();
    return problem;
}

void RelayCapture::StartTraining() {
    {
        std::lock_guard lock(core_->mutex);
        core_->machines.StartTraining();
    }
    backend_.HoldKeyboard(true);
    core_->tray->SetTrayImage(kTrayIdle);
}

void RelayCapture::StopTraining() {
    std::lock_guard lock(core_->mutex);
    core_->machines.StopTraining();
}

bool RelayCapture::Training() const {
    std::lock_guard lock(core_->mutex);
    return core_->machines.Training();
}

void RelayCapture::Stop() {
    {
        std::lock_guard lock(core_->mutex);
        core_->machines.Reset();
    }
    backend_.HoldKeyboard(false);
}

void RelayCapture::FinishOnUi(const TrainingOutcome& outcome) {
    backend_.HoldKeyboard(false);
    core_->tray->SetTrayImage(kTrayIdle);
    if (outcome.Good()) {
        trainedDevice_ = backend_.ScannerTextOf(outcome.device);
        // The relay's machines took the new keys already; the start key's watch follows.
        start_ = *outcome.start;
        WatchStart();
    }
    emit trainingFinished(outcome);
}

}  // namespace blenvar
