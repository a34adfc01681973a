#include "platform/x11/x11_capture.h"

// Qt first: Xlib's macros (None, Bool, Status) break its headers.
#include <QSocketNotifier>
#include <QTimer>
// (keep the order)
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <set>
#include <vector>

#include "capture/key_table.h"
#include "core/monotonic_clock.h"
#include "output/typing_gate.h"
#include "platform/x11/x11_devices.h"

namespace blenvar {
namespace {

// Xlib's default handler for a broken connection ends the process; the per-display exit
// handler below returns instead, so the program can end in order.
int QuietIOError(Display*) {
    return 0;
}

// A scanner another client holds is tried again this often.
constexpr int kGrabRetryMs = 1000;

constexpr char kNotConnected[] = "Scans cannot be captured: the X display is not connected.";

// A raw key event: which slave sent the core event of the same key, direction and time
// that follows it.
struct RawKey {
    int source = 0;
    unsigned keycode = 0;
    bool press = false;
    Time time = 0;
};
// Raw events come for every key of the desktop; only the last few can still be matched.
constexpr std::size_t kRawKeys = 64;

}  // namespace

struct X11Capture::Impl {
    TypingGate& gate;
    Display* dpy = nullptr;
    Window root = 0;
    std::unique_ptr<QSocketNotifier> notifier;
    KeyCallback callback;
    std::function<void()> onLost;
    bool lost = false;
    bool lostReported = false;
    bool xtest = false;

    unsigned numLockMask = Mod2Mask, altMask = Mod1Mask, metaMask = Mod4Mask;

    // The passive grab: key code and the modifier variants grabbed.
    int startCode = 0;
    std::vector<unsigned> startMods;

    bool inCallback = false;
    bool inCoreCallback = false;  // of a core event: its grab is settled after the callback
    bool wantHold = false;
    bool grabbed = false;      // our active core grab
    bool passiveHeld = false;  // a consumed start key's grab, until its release

    int xiOpcode = -1;  // -1: the server has no XInput 2.2
    X11Keyboards keyboards;
    X11ScannerGrabs scannerGrabs;  // in Scanner mode
    X11DeviceGrabs holdGrabs;      // every master keyboard, while held for training
    NoticeHook notice;
    std::unique_ptr<QTimer> retry;

    std::deque<RawKey> rawKeys;
    // Our own typing that reached a hold, typed again once the hold ends.
    std::vector<std::pair<unsigned, bool>> ownKeys;
    bool gateClosed = false;

    explicit Impl(TypingGate& g) : gate(g) {}

    static void OnIOExit(Display*, void* self) { static_cast<Impl*>(self)->lost = true; }

    void ReadModifierMasks() {
        XModifierKeymap* map = XGetModifierMapping(dpy);
        if (map == nullptr) return;
        for (int mod = Mod1MapIndex; mod <= Mod5MapIndex; ++mod) {
            for (int k = 0; k < map->max_keypermod; ++k) {
                const KeyCode code = map->modifiermap[mod * map->max_keypermod + k];
                if (code == 0) continue;
                const KeySym sym = XkbKeycodeToKeysym(dpy, code, 0, 0);
                const unsigned mask = 1u << mod;
                if (sym == XK_Num_Lock) numLockMask = mask;
                if (sym == XK_Alt_L || sym == XK_Alt_R) altMask = mask;
                if (sym == XK_Super_L || sym == XK_Super_R) metaMask = mask;
            }
        }
        XFreeModifiermap(map);
    }

    void ReportLostLater() {
        if (!lost || lostReported) return;
        lostReported = true;
        if (notifier) notifier->setEnabled(false);
        if (retry) retry->stop();
        // Never from inside a caller's own request.
        QTimer::singleShot(0, notifier.get(), [this] {
            if (onLost) onLost();
        });
    }

    void Ungrab() {
        for (unsigned mods : startMods) XUngrabKey(dpy, startCode, mods, root);
        startMods.clear();
        startCode = 0;
    }

    bool FromPassiveGrab(const XKeyEvent& key) const {
        if (key.type != KeyPress || int(key.keycode) != startCode) return false;
        for (unsigned mods : startMods) {
            if ((key.state & 0xFF) == mods) return true;
        }
        return false;
    }

    // The slave a core key event came from, by the raw event the server sent just before
    // it; 0 when unknown (no XInput 2).
    int SourceOf(const XKeyEvent& key) {
        const bool press = key.type == KeyPress;
        for (auto it = rawKeys.begin(); it != rawKeys.end(); ++it) {
            if (it->keycode == key.keycode && it->press == press && it->time == key.time) {
                const int source = it->source;
                rawKeys.erase(rawKeys.begin(), it + 1);
                return source;
            }
        }
        return 0;
    }

    // Ours: from the XTest keyboard we type through, while we type (or queued behind it).
    bool Own(int source, Time time) const {
        return source != 0 && source == keyboards.OwnXTestId() && gate.Ours(std::uint32_t(time));
    }

    // Typing waits while we hold the keyboard; what of it reached the hold goes out again
    // when the hold ends, before typing goes on.
    void SettleGate() {
        const bool holding = wantHold || grabbed || passiveHeld || !holdGrabs.Empty();
        if (holding && !gateClosed) {
            gate.Close();
            gateClosed = true;
        } else if (!holding && gateClosed && !lost) {
            for (const auto& [keycode, press] : ownKeys) Resend(keycode, press);
            ownKeys.clear();
            XSync(dpy, False);
            gate.Open();
            gateClosed = false;
        }
    }

    // Core and XI2 events alike: an X keycode and the modifiers held just before it.
    KeyReports Describe(unsigned keycode, bool press, unsigned state) const {
        const HeldModifiers held{(state & ShiftMask) != 0, (state & ControlMask) != 0,
                                 (state & altMask) != 0, (state & metaMask) != 0};
        return ReportKey(int(keycode) - 8, press, held, (state & numLockMask) != 0, MonotonicMs());
    }

    int Report(const KeyEvent& e) {
        if (!callback) return kPassKey;
        inCallback = true;
        KeyCallback cb = callback;  // the callback may replace itself
        const int result = cb(e);
        inCallback = false;
        return result;
    }

    bool GrabKeyboard() {
        const int status =
            XGrabKeyboard(dpy, root, False, GrabModeAsync, GrabModeSync, CurrentTime);
        if (status != GrabSuccess) {
            std::fprintf(stderr, "blenvar: the keyboard could not be held (grab status %d)\n",
                         status);
        }
        return status == GrabSuccess;
    }

    // A key event that reached us after our grab ended, or one of a device grab that the
    // callback passed: only XTest can still hand it on.
    void Resend(unsigned keycode, bool press) {
        if (xtest) XTestFakeKeyEvent(dpy, keycode, press, CurrentTime);
    }

    void Handle(XEvent& ev) {
        if (ev.type == GenericEvent && ev.xcookie.extension == xiOpcode) {
            if (!XGetEventData(dpy, &ev.xcookie)) return;
            const auto* xi = static_cast<const XIDeviceEvent*>(ev.xcookie.data);
            if (xi->evtype == XI_RawKeyPress || xi->evtype == XI_RawKeyRelease) {
                const auto* raw = static_cast<const XIRawEvent*>(ev.xcookie.data);
                rawKeys.push_back(RawKey{raw->sourceid, unsigned(raw->detail),
                                         raw->evtype == XI_RawKeyPress, raw->time});
                if (rawKeys.size() > kRawKeys) rawKeys.pop_front();
            } else if (xi->evtype == XI_HierarchyChanged)
                OnHierarchy();
            else if (xi->evtype == XI_KeyPress || xi->evtype == XI_KeyRelease)
                HandleDeviceKey(*xi);
            XFreeEventData(dpy, &ev.xcookie);
            return;
        }
        if (ev.type == MappingNotify) {
            XRefreshKeyboardMapping(&ev.xmapping);
            ReadModifierMasks();
            return;
        }
        if (ev.type != KeyPress && ev.type != KeyRelease) return;
        const XKeyEvent& key = ev.xkey;
        const bool passive = !grabbed && !passiveHeld && FromPassiveGrab(key);
        if (!grabbed && !passiveHeld && !passive) {
            Resend(key.keycode, key.type == KeyPress);
            return;
        }
        // Our own typing is never a start, nor part of a scan.
        if (Own(SourceOf(key), key.time)) {
            if (passive) {
                XAllowEvents(dpy, ReplayKeyboard, CurrentTime);
            } else {
                ownKeys.emplace_back(key.keycode, key.type == KeyPress);
                XAllowEvents(dpy, SyncKeyboard, CurrentTime);
            }
            XFlush(dpy);
            return;
        }
        // The core protocol names no source device, and a scan of All mode needs none.
        int result = kPassKey;
        inCoreCallback = true;
        for (const KeyEvent& e : Describe(key.keycode, key.type == KeyPress, key.state)) {
            if (Report(e) == kConsumeKey) result = kConsumeKey;
        }
        inCoreCallback = false;
        if (lost) return;
        if (wantHold && !grabbed && holdGrabs.Empty()) grabbed = GrabKeyboard();
        if (wantHold && grabbed) {
            XAllowEvents(dpy, SyncKeyboard, CurrentTime);
            passiveHeld = false;
        } else if (result == kPassKey) {
            // Ends the passive grab or the hold that this callback gave up.
            XAllowEvents(dpy, ReplayKeyboard, CurrentTime);
            grabbed = passiveHeld = false;
        } else if (grabbed) {
            XUngrabKeyboard(dpy, CurrentTime);
            grabbed = false;
        } else {
            // A consumed start key without a hold: the server ends its grab on its release.
            passiveHeld = !(key.type == KeyRelease && int(key.keycode) == startCode);
            XAllowEvents(dpy, SyncKeyboard, CurrentTime);
        }
        XFlush(dpy);
    }

    // An event of a device grab: the scanner's, or a master keyboard held for training.
    // Each names the slave it came from; the grab is asynchronous, so nothing waits on us.
    void HandleDeviceKey(const XIDeviceEvent& e) {
        const bool press = e.evtype == XI_KeyPress;
        const bool fromScanner = scannerGrabs.Has(e.deviceid);
        if (!fromScanner && !holdGrabs.Has(e.deviceid)) {
            Resend(unsigned(e.detail), press);
            return;
        }
        if (!fromScanner && Own(e.sourceid, e.time)) {
            ownKeys.emplace_back(unsigned(e.detail), press);
            return;
        }
        int result = kPassKey;
        for (KeyEvent k : Describe(unsigned(e.detail), press, unsigned(e.mods.effective))) {
            k.device = std::to_string(e.sourceid);
            k.fromScanner = fromScanner;
            if (Report(k) == kConsumeKey) result = kConsumeKey;
        }
        if (!lost && result == kPassKey) Resend(unsigned(e.detail), press);
    }

    void Say(const std::vector<X11Notice>& notices) {
        for (const X11Notice& n : notices) {
            if (NoticeHook hook = notice)
                hook(n.message, n.scanBroken ? ScanCut::Close : ScanCut::Keep);
        }
    }

    // Grabs the scanner's slaves that are not grabbed yet, and keeps trying the ones
    // another client holds.
    void GrabScanner(bool sayNew) {
        Say(scannerGrabs.Grab(dpy, keyboards, sayNew));
        if (!scannerGrabs.Waiting())
            retry->stop();
        else if (!retry->isActive())
            retry->start(kGrabRetryMs);
    }

    // A device came, went, was enabled, disabled or moved to another master.
    void OnHierarchy() {
        const X11Keyboards before = keyboards;
        keyboards.Read(dpy);
        Say(scannerGrabs.Dropped(before, keyboards));
        for (const int id : std::set<int>(holdGrabs.Held())) {
            if (keyboards.Find(id) == nullptr) holdGrabs.Forget(id);
        }
        GrabScanner(true);
    }

    // Training holds every master keyboard through XI2, so each key names its slave (the
    // core protocol names none). The scanner's slaves stay grabbed on their own meanwhile.
    void HoldEveryKeyboard() {
        if (xiOpcode < 0) {
            grabbed = GrabKeyboard();
            if (grabbed) XAllowEvents(dpy, SyncKeyboard, CurrentTime);
            return;
        }
        if (!holdGrabs.Keep(dpy, keyboards.Masters()).empty())
            std::fprintf(stderr,
                         "blenvar: the keyboard could not be held (another program "
                         "holds it)\n");
    }

    void Drain() {
        while (!lost && XPending(dpy) > 0) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            Handle(ev);
            // Typing pauses as soon as a scan opens, not once the keys queued behind it
            // are read.
            if (!lost && !inCallback) SettleGate();
        }
        if (!lost && grabbed && !wantHold && !inCallback) {
            XUngrabKeyboard(dpy, CurrentTime);
            grabbed = false;
            XFlush(dpy);
        }
        if (!lost && !inCallback) SettleGate();
        ReportLostLater();
    }

    // Events Xlib read while answering our own requests do not wake the notifier.
    void DrainLater() {
        if (notifier) QTimer::singleShot(0, notifier.get(), [this] { Drain(); });
    }
};

X11Capture::X11Capture(TypingGate& gate, const std::string& display)
    : impl_(std::make_unique<Impl>(gate)) {
    Impl& d = *impl_;
    d.dpy = XOpenDisplay(display.empty() ? nullptr : display.c_str());
    if (d.dpy == nullptr) return;
    XSetIOErrorHandler(QuietIOError);
    XSetIOErrorExitHandler(d.dpy, &Impl::OnIOExit, &d);
    d.root = DefaultRootWindow(d.dpy);
    int event, error, major, minor;
    d.xtest = XTestQueryExtension(d.dpy, &event, &error, &major, &minor);
    // Auto-repeat shows as presses alone, as the key numbering expects.
    XkbSetDetectableAutoRepeat(d.dpy, True, nullptr);
    d.ReadModifierMasks();
    // XInput 2.2 tells devices apart; without it only All mode (the start key) can work.
    int xiMajor = 2, xiMinor = 2;
    if (XQueryExtension(d.dpy, "XInputExtension", &d.xiOpcode, &event, &error) &&
        XIQueryVersion(d.dpy, &xiMajor, &xiMinor) == Success && xiMajor * 10 + xiMinor >= 22) {
        unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
        XISetMask(bits, XI_HierarchyChanged);
        XIEventMask mask{XIAllDevices, int(sizeof bits), bits};
        XISelectEvents(d.dpy, d.root, &mask, 1);
        // The master's raw events come in order with its core ones, held back with them
        // while the keyboard is frozen, and name the slave: they tell our typing apart.
        unsigned char raw[XIMaskLen(XI_LASTEVENT)] = {};
        XISetMask(raw, XI_RawKeyPress);
        XISetMask(raw, XI_RawKeyRelease);
        XIEventMask rawMask{XIAllMasterDevices, int(sizeof raw), raw};
        XISelectEvents(d.dpy, d.root, &rawMask, 1);
        d.keyboards.Read(d.dpy);
    } else {
        d.xiOpcode = -1;
    }
    d.notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(d.dpy), QSocketNotifier::Read);
    QObject::connect(d.notifier.get(), &QSocketNotifier::activated, [this] { impl_->Drain(); });
    d.retry = std::make_unique<QTimer>();
    QObject::connect(d.retry.get(), &QTimer::timeout, [this] {
        if (!Connected()) return;
        impl_->GrabScanner(true);
        impl_->DrainLater();
        impl_->ReportLostLater();
    });
    XFlush(d.dpy);
}

X11Capture::~X11Capture() {
    Impl& d = *impl_;
    d.notifier.reset();
    d.retry.reset();
    if (d.gateClosed) d.gate.Open();
    if (d.dpy == nullptr || d.lost) return;  // a lost display is unusable, even to close
    // Closing the connection ends the device grabs too.
    d.Ungrab();
    if (d.grabbed) XUngrabKeyboard(d.dpy, CurrentTime);
    XCloseDisplay(d.dpy);
}

bool X11Capture::Connected() const {
    return impl_->dpy != nullptr && !impl_->lost;
}

void X11Capture::SetKeyboardHook(int install, int, KeyCallback callback) {
    impl_->callback = install ? std::move(callback) : KeyCallback{};
}

std::string X11Capture::WatchStartKey(const TrainedKey& start) {
    Impl& d = *impl_;
    if (!Connected()) return kNotConnected;
    d.Ungrab();
    if (start == TrainedKey{}) {
        XFlush(d.dpy);
        return "";
    }
    const int code = start.SCode + 8;
    unsigned mods = 0;
    const struct {
        int bit;
        unsigned mask;
    } bits[] = {{kStateShift, ShiftMask},
                {kStateCtrl, ControlMask},
                {kStateAlt, d.altMask},
                {kStateMeta, d.metaMask}};
    for (const auto& b : bits) {
        if (start.State & b.bit) mods |= b.mask;
    }
    int minCode = 0, maxCode = 0;
    XDisplayKeycodes(d.dpy, &minCode, &maxCode);
    if (code < minCode || code > maxCode || (start.State & ~0xF) != 0) {
        return "The trained start key does not exist on this keyboard; train the scanner again.";
    }
    X11ErrorTrap check(d.dpy);
    for (unsigned lock : {0u, unsigned(LockMask)}) {
        for (unsigned num : {0u, d.numLockMask}) {
            const unsigned variant = mods | lock | num;
            if (std::find(d.startMods.begin(), d.startMods.end(), variant) != d.startMods.end()) {
                continue;
            }
            XGrabKey(d.dpy, code, variant, d.root, False, GrabModeAsync, GrabModeSync);
            d.startMods.push_back(variant);
        }
    }
    d.startCode = code;
    const bool refused = check.Refused();
    if (refused || check.Failed()) d.Ungrab();
    d.DrainLater();
    d.ReportLostLater();
    if (d.lost) return kNotConnected;
    if (refused) {
        return "Another program already uses the scanner's start key as a shortcut, so scans "
               "cannot be captured. Free that key there, or train the scanner with another "
               "start key.";
    }
    if (check.Failed()) return "The X server refused to watch the scanner's start key.";
    return "";
}

void X11Capture::HoldKeyboard(bool hold) {
    Impl& d = *impl_;
    d.wantHold = hold;
    if (!Connected()) return;
    // Events of a device grab still on their way go out again through XTest.
    if (!hold && !d.holdGrabs.Empty()) d.holdGrabs.Keep(d.dpy, {});
    if (d.inCoreCallback) return;  // the core grab follows when the callback returns
    if (hold && !d.grabbed && d.holdGrabs.Empty()) {
        d.HoldEveryKeyboard();
        XFlush(d.dpy);
    } else if (!hold && d.grabbed) {
        // An event already sent to us ends the grab when Drain replays it, after this
        // caller is done; only then is the grab released. One the server sends after
        // this look still arrives and goes out again through XTest (Resend).
        XSync(d.dpy, False);
        if (XEventsQueued(d.dpy, QueuedAlready) == 0) {
            XUngrabKeyboard(d.dpy, CurrentTime);
            d.grabbed = false;
            XFlush(d.dpy);
        }
    }
    if (!d.inCallback) d.SettleGate();
    d.DrainLater();
    d.ReportLostLater();
}

void X11Capture::OnLost(std::function<void()> lost) {
    impl_->onLost = std::move(lost);
}

void X11Capture::SetNoticeHook(NoticeHook notice) {
    impl_->notice = std::move(notice);
}

std::string X11Capture::UseScanner(const std::optional<ScannerId>& scanner) {
    Impl& d = *impl_;
    if (!Connected()) return kNotConnected;
    std::string problem;
    if (scanner && d.xiOpcode < 0) {
        problem =
            "This X server cannot tell keyboards apart (it lacks XInput 2.2), so the "
            "scanner alone cannot be captured; choose All keyboards.";
    } else if (scanner && d.keyboards.IsOwnXTest(*scanner)) {
        // What we type ourselves comes from that device too.
        problem =
            "The recorded scanner is the desktop's synthetic keyboard, which Blenvar "
            "types through itself; train again with the scanner.";
    }
    d.scannerGrabs.Use(problem.empty() ? scanner : std::nullopt);
    d.GrabScanner(false);
    XFlush(d.dpy);
    d.DrainLater();
    d.ReportLostLater();
    return problem;
}

bool X11Capture::ScannerPresent() const {
    const Impl& d = *impl_;
    const auto& scanner = d.scannerGrabs.Scanner();
    return scanner && !d.keyboards.Matching(*scanner).empty();
}

std::string X11Capture::ScannerTextOf(const std::string& device) const {
    char* end = nullptr;
    const long id = std::strtol(device.c_str(), &end, 10);
    if (device.empty() || *end != '\0') return "";
    return impl_->keyboards.TextOf(int(id));
}

}  // namespace blenvar
