#include "platform/evdev/evdev_capture.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bitset>
#include <cerrno>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "capture/evdev_translate.h"
#include "core/monotonic_clock.h"
#include "platform/evdev/evdev_device.h"
#include "platform/evdev/evdev_devices.h"
#include "platform/evdev/evdev_uinput.h"

namespace blenvar {
namespace {

// A device with a key down, or held by another program, is tried again this often.
constexpr int kGrabRetryMs = 20;

struct Source {
    explicit Source(EvdevDevice d) : device(std::move(d)) {}
    EvdevDevice device;
    std::optional<EvdevTranslator> translator;  // set once grabbed
    bool refused = false;                       // another program holds it: not tried again
    bool frameEmitted = false;                  // an event of the current frame went out
    bool scanner = false;                       // matches the scanner in Scanner mode
};

}  // namespace

struct EvdevCapture::Impl {
    explicit Impl(const EvdevCaptureSetup& s)
        : setup(s), watch(s.inputFolder), session(s.session) {}
    ~Impl() {
        if (wake[0] >= 0) close(wake[0]);
        if (wake[1] >= 0) close(wake[1]);
    }

    EvdevCaptureSetup setup;
    std::optional<VirtualKeyboard> keyboard;
    InputFolderWatch watch;
    SessionWatch session;
    int wake[2] = {-1, -1};
    std::thread relay;
    std::atomic<bool> stop{false};
    std::atomic<bool> hold{false};
    std::atomic<bool> reconfigure{false};
    std::atomic<bool> scannerPresent{false};
    std::atomic<std::size_t> grabbed{0};

    std::mutex hooksMutex;
    KeyCallback callback;
    TickHook tick;
    NoticeHook notice;
    // Called with its own mutex held, so OnLost({}) returns only once no call is running:
    // the object it calls into may be gone right after.
    std::mutex lostMutex;
    std::function<void()> lost;
    std::optional<ScannerId> newScanner;  // from UseScanner, taken up by the relay

    // Relay thread only.
    std::map<std::string, Source> sources;  // by path
    std::bitset<KEY_CNT> keyboardHeld;      // keys our virtual keyboard holds down
    bool wayOut = false;
    bool pendingGrab = false;
    bool saidPaused = false;
    bool holding = false;  // training holds every keyboard, whatever the mode

    template <typename Hook>
    Hook Copy(const Hook& hook) {
        std::lock_guard lock(hooksMutex);
        return hook;
    }

    void Notify(const std::string& message, ScanCut cut) {
        if (auto n = Copy(notice)) n(message, cut);
    }

    void Lost() {
        std::lock_guard lock(lostMutex);
        if (lost) lost();
    }

    void CountGrabbed() {
        grabbed = static_cast<std::size_t>(std::count_if(
            sources.begin(), sources.end(), [](auto& s) { return s.second.device.Grabbed(); }));
    }

    // A new scanner or mode from UseScanner, or training's hold begun or ended.
    void TakeUpChanges() {
        // Holding grabs more only in Scanner mode: All mode has every keyboard already.
        bool changed = hold != holding && setup.mode == CaptureDevices::Scanner;
        holding = hold;
        if (reconfigure.exchange(false)) {
            std::lock_guard lock(hooksMutex);
            setup.scanner = newScanner;
            setup.mode = newScanner ? CaptureDevices::Scanner : CaptureDevices::All;
            changed = true;
        }
        if (changed) Rescan();
    }

    bool IsScanner(const DeviceIdentity& id) const {
        return setup.mode == CaptureDevices::Scanner && setup.scanner &&
               ScannerMatches(*setup.scanner, id.name, id.vendor, id.product);
    }

    void Rescan() {
        if (wayOut || !session.Allowed()) return;
        const InputDeviceList list = ListInputDevices(setup.inputFolder);
        scannerPresent =
            setup.scanner &&
            std::any_of(list.devices.begin(), list.devices.end(), [&](const InputDevice& d) {
                return !IsOwnKeyboard(d.id) &&
                       ScannerMatches(*setup.scanner, d.id.name, d.id.vendor, d.id.product);
            });
        std::map<std::string, bool> wanted;
        const CaptureDevices mode = holding ? CaptureDevices::All : setup.mode;
        for (std::size_t i : DevicesToGrab(list.devices, mode, setup.scanner))
            wanted[list.devices[i].path] = true;
        for (auto it = sources.begin(); it != sources.end();) {
            // A node that now is another device (re-plugged) is opened anew.
            const bool same = wanted.count(it->first) != 0 &&
                              std::any_of(list.devices.begin(), list.devices.end(), [&](auto& d) {
                                  return d.path == it->first && d.id == it->second.device.Info().id;
                              });
            if (same) {
                ++it;
                continue;
            }
            if (it->second.device.Grabbed()) Notify(it->first + ": device removed", ScanCut::Close);
            it = sources.erase(it);
        }
        for (const auto& [path, unused] : wanted) {
            if (sources.count(path) != 0) continue;
            std::string error;
            if (auto device = EvdevDevice::Open(path, error))
                sources.emplace(path, std::move(*device));
        }
        for (auto& [path, source] : sources) source.scanner = IsScanner(source.device.Info().id);
        TryGrabs();
    }

    void TryGrabs() {
        pendingGrab = false;
        for (auto& [path, source] : sources) {
            if (source.device.Grabbed()) continue;
            std::string error;
            switch (source.device.Grab(std::chrono::milliseconds(0), error)) {
                case EvdevDevice::GrabResult::Grabbed: {
                    EvdevDevice& d = source.device;
                    source.translator.emplace(path, d.HasNumLockLed(), d.NumLockLedOn(),
                                              setup.modifiers);
                    const KeyBitmap held = d.HeldKeys();
                    source.translator->SetHeldKeys(held);
                    source.frameEmitted = false;
                    break;
                }
                case EvdevDevice::GrabResult::KeysHeld:
                    pendingGrab = true;
                    break;
                case EvdevDevice::GrabResult::Failed:
                    // Another program holds it, maybe only for a moment: try again, say so once.
                    pendingGrab = true;
                    if (!source.refused) Notify(error, ScanCut::Keep);
                    source.refused = true;
                    break;
            }
        }
        CountGrabbed();
    }

    bool Emit(Source& source, const input_event& ev) {
        if (ev.type == EV_SYN) {
            // Only whole frames go out; a frame whose keys were all withheld goes nowhere.
            if (ev.code != SYN_REPORT || !source.frameEmitted) return true;
            source.frameEmitted = false;
        } else {
            source.frameEmitted = true;
            if (ev.type == EV_KEY && ev.code < KEY_CNT) keyboardHeld[ev.code] = ev.value != 0;
        }
        return keyboard->Emit(ev);
    }

    // Lets go of every key our virtual keyboard holds, so nothing sticks after a release.
    void ReleaseKeyboardKeys() {
        if (!keyboard) return;
        for (std::size_t code = 0; code < keyboardHeld.size(); ++code) {
            if (keyboardHeld[code]) keyboard->Key(static_cast<std::uint16_t>(code), 0);
        }
        keyboardHeld.reset();
    }

    void ReleaseAll() {
        sources.clear();
        ReleaseKeyboardKeys();
        grabbed = 0;
    }

    // Says once each way that capture is paused or back; waits for a notice hook to say it
    // to, so a session locked at start is told too.
    void SayPause() {
        const bool paused = !session.Allowed();
        if (paused == saidPaused) return;
        const NoticeHook n = Copy(notice);
        if (!n) return;
        saidPaused = paused;
        if (paused)
            n("capture paused, every input device is released: " + session.Describe(),
              ScanCut::Close);
        else
            n("capture resumed: " + session.Describe(), ScanCut::Keep);
    }

    void FollowSession() {
        if (!session.Process()) return;
        if (session.Allowed()) {
            Rescan();
        } else {
            // As for an unplug: nothing of another session or the lock screen is read.
            ReleaseAll();
            pendingGrab = false;
        }
    }

    // False when the virtual keyboard failed: nothing can be passed on any more.
    bool Relay(Source& source, const std::vector<input_event>& events) {
        const KeyCallback cb = Copy(callback);
        for (const input_event& ev : events) {
            EvdevTranslator& tr = *source.translator;
            const KeyReports reports = tr.Translate(ev);
            if (tr.TakeResync()) {
                tr.SetHeldKeys(source.device.HeldKeys());
                Notify(source.device.Info().path +
                           ": the kernel dropped events (read too late); a scan they cut is "
                           "dropped, scan it again",
                       ScanCut::Damaged);
            }
            bool consumed = false;
            for (KeyEvent report : reports) {
                report.fromScanner = source.scanner;
                if (cb && cb(report) == kConsumeKey) consumed = true;
            }
            // A release of a key we passed on always goes out, or it would stick.
            const bool heldByUs =
                ev.type == EV_KEY && ev.value == 0 && ev.code < KEY_CNT && keyboardHeld[ev.code];
            if ((!consumed || heldByUs) && !Emit(source, ev)) return false;
            if (tr.WayOutHeld()) {
                wayOut = true;
                ReleaseAll();
                Notify("Backspace+Escape+Enter: every input device is released", ScanCut::Close);
                return true;
            }
        }
        return true;
    }

    void Run() {
        Rescan();
        std::vector<pollfd> fds;
        std::vector<std::string> paths;
        std::vector<input_event> events;
        while (!stop) {
            int timeout = -1;
            const std::uint64_t now = MonotonicMs();
            if (auto t = Copy(tick)) {
                if (auto deadline = t(now))
                    timeout =
                        *deadline <= now
                            ? 0
                            : static_cast<int>(std::min<std::uint64_t>(*deadline - now, 60000));
            }
            if (pendingGrab && (timeout < 0 || timeout > kGrabRetryMs)) timeout = kGrabRetryMs;

            // A negative fd (no logind) is skipped by poll.
            fds.assign({{wake[0], POLLIN, 0},
                        {watch.Fd(), POLLIN, 0},
                        {session.Fd(), session.PollEvents(), 0}});
            paths.assign(fds.size(), {});
            for (auto& [path, source] : sources) {
                if (!source.device.Grabbed()) continue;
                fds.push_back({source.device.Fd(), POLLIN, 0});
                paths.push_back(path);
            }
            if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
                ReleaseAll();
                Lost();
                return;
            }
            if (stop) break;
            if (fds[0].revents != 0) {
                char drain[64];
                while (read(wake[0], drain, sizeof drain) > 0) {
                }
            }
            TakeUpChanges();
            if (fds[2].revents != 0) FollowSession();
            if (fds[1].revents != 0 && !watch.Changed().empty()) Rescan();
            for (std::size_t i = 3; i < fds.size(); ++i) {
                if (fds[i].revents == 0 || wayOut) continue;
                auto it = sources.find(paths[i]);
                if (it == sources.end()) continue;
                events.clear();
                std::string error;
                const bool alive = it->second.device.Read(events, error);
                if (!Relay(it->second, events)) {
                    ReleaseAll();
                    Lost();
                    return;
                }
                if (!alive && !wayOut) {
                    sources.erase(it);
                    CountGrabbed();
                    Notify(error, ScanCut::Close);
                }
            }
            if (pendingGrab) TryGrabs();
            SayPause();
        }
        ReleaseAll();
    }
};

EvdevCapture::EvdevCapture() = default;

std::unique_ptr<EvdevCapture> EvdevCapture::Start(const EvdevCaptureSetup& setup,
                                                  std::string& error, bool& accessDenied) {
    accessDenied = false;
    std::unique_ptr<EvdevCapture> capture(new EvdevCapture());
    capture->impl_ = std::make_unique<Impl>(setup);
    Impl& impl = *capture->impl_;
    int err = 0;
    auto keyboard = VirtualKeyboard::Create(setup.uinputPath, error, &err);
    if (!keyboard) {
        accessDenied = err == EACCES || err == EPERM;
        return nullptr;
    }
    impl.keyboard.emplace(std::move(*keyboard));
    const InputDeviceList list = ListInputDevices(setup.inputFolder);
    if (list.devices.empty() && !list.denied.empty()) {
        accessDenied = true;
        error = setup.inputFolder + ": the input devices cannot be opened";
        return nullptr;
    }
    if (impl.watch.Fd() < 0) {
        error = setup.inputFolder + ": cannot be watched for new devices";
        return nullptr;
    }
    if (pipe2(impl.wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        error = "no wake pipe for the input relay";
        return nullptr;
    }
    impl.relay = std::thread([&impl] { impl.Run(); });
    return capture;
}

EvdevCapture::~EvdevCapture() {
    if (!impl_) return;
    impl_->stop = true;
    if (impl_->wake[1] >= 0) (void)!write(impl_->wake[1], "x", 1);
    if (impl_->relay.joinable()) impl_->relay.join();
}

void EvdevCapture::SetKeyboardHook(int install, int, KeyCallback callback) {
    std::lock_guard lock(impl_->hooksMutex);
    impl_->callback = install ? std::move(callback) : KeyCallback{};
}

std::string EvdevCapture::WatchStartKey(const TrainedKey&) {
    return {};
}

void EvdevCapture::HoldKeyboard(bool hold) {
    impl_->hold = hold;
    (void)!write(impl_->wake[1], "x", 1);  // in Scanner mode the relay grabs every keyboard
}

std::string EvdevCapture::UseScanner(const std::optional<ScannerId>& scanner) {
    {
        std::lock_guard lock(impl_->hooksMutex);
        impl_->newScanner = scanner;
    }
    impl_->reconfigure = true;
    (void)!write(impl_->wake[1], "x", 1);
    return {};
}

bool EvdevCapture::ScannerPresent() const {
    return impl_->scannerPresent;
}

void EvdevCapture::OnLost(std::function<void()> lost) {
    std::lock_guard lock(impl_->lostMutex);
    impl_->lost = std::move(lost);
}

void EvdevCapture::SetTickHook(TickHook tick) {
    {
        std::lock_guard lock(impl_->hooksMutex);
        impl_->tick = std::move(tick);
    }
    (void)!write(impl_->wake[1], "x", 1);  // the relay takes up the new deadline
}

void EvdevCapture::SetNoticeHook(NoticeHook notice) {
    {
        std::lock_guard lock(impl_->hooksMutex);
        impl_->notice = std::move(notice);
    }
    (void)!write(impl_->wake[1], "x", 1);  // a pause at start is told now
}

std::size_t EvdevCapture::GrabbedCount() const {
    return impl_->grabbed;
}

std::string EvdevCapture::ScannerTextOf(const std::string& device) const {
    for (const InputDevice& d : ListInputDevices(impl_->setup.inputFolder).devices)
        if (d.path == device) return ScannerText(ScannerIdOf(d.id));
    return {};
}

}  // namespace blenvar
