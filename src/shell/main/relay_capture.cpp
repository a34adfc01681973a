#include "shell/main/relay_capture.h"

#include <QMetaObject>
#include <cstdint>
#include <mutex>

#include "capture/capture_machine.h"
#include "shell/main/capture_controller.h"

namespace blenvar {

// Shared with the relay's hooks, so a late call after the window is gone finds `owner`
// null instead of a dangling object. Everything here is guarded by `mutex`.
struct RelayCapture::Core {
    std::mutex mutex;
    RelayCapture* owner = nullptr;
    TrayImage* tray = nullptr;
    CaptureMachine machine;
    TrainingMachine training;
    TrainedKey start;
    TrainedKey stop;
    std::optional<std::uint64_t> deadline;
    std::optional<std::uint64_t> trainingDeadline;

    // Runs `f` on the owner's (UI) thread. Called with the mutex held, so the owner cannot
    // go away meanwhile; once it is gone Qt drops what is still queued.
    template <class F>
    void Post(F f) {
        if (owner) QMetaObject::invokeMethod(owner, std::move(f), Qt::QueuedConnection);
    }

    void Apply(const CaptureStep& step) {
        deadline = step.deadline;
        RelayCapture* o = owner;
        TrayImage* t = tray;
        if (step.scan) {
            const bool reopened = step.trayImage == kTrayScanOpen;
            Post([o, t, reopened, raw = QString::fromStdString(*step.scan)] {
                if (!reopened) t->SetTrayImage(kTrayScanWaiting);
                emit o->scanCaptured(raw);
            });
        }
        if (step.trayImage == kTrayScanOpen) {
            Post([o, t] {
                TraceCapture("scan opened");
                t->SetTrayImage(kTrayScanOpen);
                emit o->scanOpened();
            });
        }
    }

    int OnKey(const KeyEvent& event) {
        std::lock_guard lock(mutex);
        if (!owner) return kPassKey;
        if (training.Training()) {
            const TrainingStep step = training.OnKey(event);
            if (step.deadline) trainingDeadline = step.deadline;
            if (step.recorded > 0)
                Post([o = owner, n = step.recorded] { emit o->trainingRecorded(n); });
            return step.result;
        }
        // Decided here and now: the relay passes or withholds the key on our answer.
        const CaptureStep step = machine.OnKey(event);
        Apply(step);
        return step.result;
    }

    void Finish(const TrainingOutcome& outcome) {
        trainingDeadline.reset();
        if (outcome.Good()) {
            start = *outcome.start;
            stop = *outcome.stop;
            machine.SetKeys(start, stop);
        }
        Post([o = owner, outcome] { o->FinishOnUi(outcome); });
    }

    std::optional<std::uint64_t> Tick(std::uint64_t now) {
        std::lock_guard lock(mutex);
        if (!owner) return std::nullopt;
        if (training.Training()) {
            if (trainingDeadline && now >= *trainingDeadline) {
                if (const auto outcome = training.Tick(now)) Finish(*outcome);
            }
            return trainingDeadline;
        }
        if (deadline && now >= *deadline) Apply(machine.Tick(now));
        return deadline;
    }

    void Notice(const std::string& message, bool scanBroken) {
        std::lock_guard lock(mutex);
        if (!owner) return;
        Post([o = owner, text = QString::fromStdString(message)] { emit o->notice(text); });
        // The scan's device is gone: what it sent so far is the scan.
        if (scanBroken && !training.Training() && machine.Scanning())
            Apply(machine.Tick(UINT64_MAX));
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
        core_->start = start;
        core_->stop = stop;
        core_->machine.SetKeys(start, stop);
    }
    const std::string refused = backend_.WatchStartKey(scannerMode_ ? TrainedKey{} : start);
    if (!refused.empty()) emit startKeyRefused(QString::fromStdString(refused));
}

std::string RelayCapture::UseScanner(const std::optional<ScannerId>& scanner, std::uint64_t gapMs) {
    scannerMode_ = scanner.has_value();
    {
        std::lock_guard lock(core_->mutex);
        core_->machine.SetScannerMode(scannerMode_, gapMs);
    }
    return backend_.UseScanner(scanner);
}

void RelayCapture::StartTraining() {
    {
        std::lock_guard lock(core_->mutex);
        // An open scan is abandoned: training owns the keyboard now.
        core_->machine.Reset();
        core_->deadline.reset();
        core_->trainingDeadline.reset();
        core_->training.Begin();
    }
    backend_.HoldKeyboard(true);
    core_->tray->SetTrayImage(kTrayIdle);
}

void RelayCapture::StopTraining() {
    std::lock_guard lock(core_->mutex);
    if (core_->training.Training()) core_->Finish(core_->training.Finish());
}

bool RelayCapture::Training() const {
    std::lock_guard lock(core_->mutex);
    return core_->training.Training();
}

void RelayCapture::Stop() {
    {
        std::lock_guard lock(core_->mutex);
        core_->machine.Reset();
        core_->training = TrainingMachine{};
        core_->deadline.reset();
        core_->trainingDeadline.reset();
    }
    backend_.HoldKeyboard(false);
}

void RelayCapture::FinishOnUi(const TrainingOutcome& outcome) {
    backend_.HoldKeyboard(false);
    core_->tray->SetTrayImage(kTrayIdle);
    if (outcome.Good()) trainedDevice_ = backend_.ScannerTextOf(outcome.device);
    emit trainingFinished(outcome);
}

}  // namespace blenvar
