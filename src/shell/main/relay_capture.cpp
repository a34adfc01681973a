#include "shell/main/relay_capture.h"

#include <QMetaObject>
#include <cstdint>
#include <mutex>

#include "shell/main/capture_controller.h"

namespace blenvar {

// Shared with the relay's hooks, so a late call after the window is gone finds `owner`
// null instead of a dangling object. Everything here is guarded by `mutex`; the
// coordinator's reports are posted to the UI thread, except the hold, which the backend
// takes from any thread.
struct RelayCapture::Core {
    Core(RelayCapture* o, CaptureBackend& b, TrayImage& t) : owner(o), backend(b), tray(t) {}

    std::mutex mutex;
    RelayCapture* owner;
    CaptureBackend& backend;
    TrayImage& tray;
    CaptureCoordinator coordinator{MakeReports()};

    // Runs `f` on the owner's (UI) thread. Called with the mutex held, so the owner cannot
    // go away meanwhile; once it is gone Qt drops what is still queued.
    template <class F>
    void Post(F f) {
        if (owner) QMetaObject::invokeMethod(owner, std::move(f), Qt::QueuedConnection);
    }

    CaptureCoordinator::Reports MakeReports() {
        CaptureCoordinator::Reports r;
        r.hold = [this](bool held) { backend.HoldKeyboard(held); };
        r.tray = [this](int image) { Post([t = &tray, image] { t->SetTrayImage(image); }); };
        r.scanOpened = [this] {
            Post([o = owner] {
                TraceCapture("scan opened");
                emit o->scanOpened();
            });
        };
        r.scanClosed = [this](const std::string& raw) {
            Post([o = owner, raw = QString::fromStdString(raw)] { emit o->scanCaptured(raw); });
        };
        r.trainingRecorded = [this](int n, int characters) {
            Post([o = owner, n, characters] { emit o->trainingRecorded(n, characters); });
        };
        r.trainingFinished = [this](const TrainingOutcome& outcome) {
            Post([o = owner, outcome] { o->TrainingFinished(outcome); });
        };
        return r;
    }

    // Decided here and now: the relay passes or withholds the key on our answer.
    int OnKey(const KeyEvent& event) {
        std::lock_guard lock(mutex);
        return owner ? coordinator.OnKey(event) : kPassKey;
    }

    std::optional<std::uint64_t> Tick(std::uint64_t now) {
        std::lock_guard lock(mutex);
        return owner ? coordinator.Tick(now) : std::nullopt;
    }

    void Notice(const std::string& message, ScanCut cut) {
        std::lock_guard lock(mutex);
        if (!owner) return;
        Post([o = owner, text = QString::fromStdString(message)] { emit o->notice(text); });
        coordinator.Cut(cut);
    }
};

RelayCapture::RelayCapture(CaptureBackend& backend, TrayImage& tray, QObject* parent)
    : CaptureDriver(backend, parent), core_(std::make_shared<Core>(this, backend, tray)) {}

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

std::function<void(const std::string&, ScanCut)> RelayCapture::NoticeHook() {
    return [core = core_](const std::string& message, ScanCut cut) { core->Notice(message, cut); };
}

void RelayCapture::Change(const std::function<void(CaptureCoordinator&)>& change) {
    std::lock_guard lock(core_->mutex);
    change(core_->coordinator);
}

bool RelayCapture::Training() const {
    std::lock_guard lock(core_->mutex);
    return core_->coordinator.Training();
}

}  // namespace blenvar
