#include "platform/x11_capture.h"

// Qt first: Xlib's macros (None, Bool, Status) break its headers.
#include <QSocketNotifier>
#include <QTimer>
// (keep the order)
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "capture/key_table.h"
#include "output/synthetic_key_guard.h"

namespace blenvar {
namespace {

// Grab refusals arrive as asynchronous errors; collect them instead of ending the process.
Display* g_checked = nullptr;
int g_badAccess = 0;
int g_otherErrors = 0;
int CollectError(Display* dpy, XErrorEvent* error) {
    if (dpy == g_checked) ++(error->error_code == BadAccess ? g_badAccess : g_otherErrors);
    return 0;
}

class CheckedRequests {
  public:
    explicit CheckedRequests(Display* dpy) : previous_(XSetErrorHandler(CollectError)) {
        XSync(dpy, False);
        g_checked = dpy;
        g_badAccess = g_otherErrors = 0;
        dpy_ = dpy;
    }
    ~CheckedRequests() {
        g_checked = nullptr;
        XSetErrorHandler(previous_);
    }
    // Waits for the server to have answered everything sent so far.
    bool Refused() {
        XSync(dpy_, False);
        return g_badAccess != 0;
    }
    bool Failed() const { return g_otherErrors != 0; }

  private:
    int (*previous_)(Display*, XErrorEvent*);
    Display* dpy_ = nullptr;
};

// Xlib's default handler for a broken connection ends the process; the per-display exit
// handler below returns instead, so the program can end in order.
int QuietIOError(Display*) {
    return 0;
}

std::uint64_t NowMs() {
    using namespace std::chrono;
    return std::uint64_t(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

struct X11Capture::Impl {
    SyntheticKeyGuard& guard;
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
    bool wantHold = false;
    bool grabbed = false;      // our active grab
    bool passiveHeld = false;  // a consumed start key's grab, until its release

    explicit Impl(SyntheticKeyGuard& g) : guard(g) {}

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

    KeyReports Describe(const XKeyEvent& key, std::uint64_t timeMs) const {
        const HeldModifiers held{(key.state & ShiftMask) != 0, (key.state & ControlMask) != 0,
                                 (key.state & altMask) != 0, (key.state & metaMask) != 0};
        return ReportKey(int(key.keycode) - 8, key.type == KeyPress, held,
                         (key.state & numLockMask) != 0, timeMs);
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

    // A key event that reached us after our grab ended: only XTest can still hand it on.
    void Resend(const XKeyEvent& key) {
        if (xtest) XTestFakeKeyEvent(dpy, key.keycode, key.type == KeyPress, CurrentTime);
    }

    void Handle(XEvent& ev) {
        if (ev.type == MappingNotify) {
            XRefreshKeyboardMapping(&ev.xmapping);
            ReadModifierMasks();
            return;
        }
        if (ev.type != KeyPress && ev.type != KeyRelease) return;
        const XKeyEvent& key = ev.xkey;
        const bool passive = !grabbed && !passiveHeld && FromPassiveGrab(key);
        if (!grabbed && !passiveHeld && !passive) {
            Resend(key);
            return;
        }
        // Our own typing is never a start.
        if (passive && (guard.Typing() || guard.IsSynthetic(std::uint32_t(key.time)))) {
            XAllowEvents(dpy, ReplayKeyboard, CurrentTime);
            return;
        }
        int result = kPassKey;
        for (const KeyEvent& e : Describe(key, NowMs())) {
            if (Report(e) == kConsumeKey) result = kConsumeKey;
        }
        if (lost) return;
        if (wantHold && !grabbed) grabbed = GrabKeyboard();
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

    void Drain() {
        while (!lost && XPending(dpy) > 0) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            Handle(ev);
        }
        if (!lost && grabbed && !wantHold && !inCallback) {
            XUngrabKeyboard(dpy, CurrentTime);
            grabbed = false;
            XFlush(dpy);
        }
        ReportLostLater();
    }

    // Events Xlib read while answering our own requests do not wake the notifier.
    void DrainLater() {
        if (notifier) QTimer::singleShot(0, notifier.get(), [this] { Drain(); });
    }
};

X11Capture::X11Capture(SyntheticKeyGuard& guard, const std::string& display)
    : impl_(std::make_unique<Impl>(guard)) {
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
    d.notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(d.dpy), QSocketNotifier::Read);
    QObject::connect(d.notifier.get(), &QSocketNotifier::activated, [this] { impl_->Drain(); });
    XFlush(d.dpy);
}

X11Capture::~X11Capture() {
    Impl& d = *impl_;
    d.notifier.reset();
    if (d.dpy == nullptr || d.lost) return;  // a lost display is unusable, even to close
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
    if (!Connected()) return "Scans cannot be captured: the X display is not connected.";
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
    CheckedRequests check(d.dpy);
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
    if (d.lost) return "Scans cannot be captured: the X display is not connected.";
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
    if (d.inCallback || !Connected()) return;  // applied when the callback returns
    if (hold && !d.grabbed) {
        d.grabbed = d.GrabKeyboard();
        if (d.grabbed) XAllowEvents(d.dpy, SyncKeyboard, CurrentTime);
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
    d.DrainLater();
    d.ReportLostLater();
}

void X11Capture::OnLost(std::function<void()> lost) {
    impl_->onLost = std::move(lost);
}

}  // namespace blenvar
