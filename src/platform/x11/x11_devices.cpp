#include "platform/x11/x11_devices.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <algorithm>

namespace blenvar {
namespace {

Display* g_trapped = nullptr;
XErrorHandler g_previous = nullptr;
int g_badAccess = 0;
int g_otherErrors = 0;

int CountError(Display* dpy, XErrorEvent* error) {
    if (dpy == g_trapped) ++(error->error_code == BadAccess ? g_badAccess : g_otherErrors);
    return 0;
}

std::string Quoted(const std::string& name) {
    return "\"" + name + "\"";
}

bool HasKeys(const XIDeviceInfo& info) {
    for (int i = 0; i < info.num_classes; ++i) {
        if (info.classes[i]->type == XIKeyClass) return true;
    }
    return false;
}

// Vendor and product from "Device Product ID" (two 32-bit values), where the driver set it.
void ReadProductId(Display* dpy, Atom property, X11Keyboard& k) {
    if (property == 0) return;
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XIGetProperty(dpy, k.id, property, 0, 2, False, AnyPropertyType, &type, &format, &items,
                      &after, &data) == Success &&
        format == 32 && items == 2 && data != nullptr) {
        // XI properties of format 32 come as 32-bit values, unlike window properties.
        const auto* ids = reinterpret_cast<const std::uint32_t*>(data);
        if (ids[0] <= 0xFFFF && ids[1] <= 0xFFFF && (ids[0] != 0 || ids[1] != 0)) {
            k.vendor = std::uint16_t(ids[0]);
            k.product = std::uint16_t(ids[1]);
        }
    }
    if (data != nullptr) XFree(data);
}

}  // namespace

X11ErrorTrap::X11ErrorTrap(Display* dpy) : dpy_(dpy) {
    XSync(dpy, False);
    g_previous = XSetErrorHandler(CountError);
    g_trapped = dpy;
    g_badAccess = g_otherErrors = 0;
}

X11ErrorTrap::~X11ErrorTrap() {
    XSync(dpy_, False);
    g_trapped = nullptr;
    XSetErrorHandler(g_previous);
}

bool X11ErrorTrap::Refused() {
    XSync(dpy_, False);
    return g_badAccess != 0;
}

bool X11ErrorTrap::Failed() const {
    return g_otherErrors != 0;
}

int X11ErrorTrap::Errors() const {
    return g_badAccess + g_otherErrors;
}

void X11Keyboards::Read(Display* dpy) {
    keyboards_.clear();
    ownXTest_.clear();
    const Atom productId = XInternAtom(dpy, "Device Product ID", True);
    X11ErrorTrap trap(dpy);  // a device may be gone before its property is read
    int count = 0;
    XIDeviceInfo* infos = XIQueryDevice(dpy, XIAllDevices, &count);
    for (int i = 0; i < count; ++i) {
        const XIDeviceInfo& info = infos[i];
        const bool slave =
            info.use == XISlaveKeyboard || (info.use == XIFloatingSlave && HasKeys(info));
        if (info.use != XIMasterKeyboard && !slave) continue;
        X11Keyboard k;
        k.id = info.deviceid;
        k.master = info.use == XIMasterKeyboard;
        k.enabled = info.enabled;
        k.name = info.name != nullptr ? info.name : "";
        if (slave) ReadProductId(dpy, productId, k);
        keyboards_.push_back(std::move(k));
    }
    // XTest keys of this client (and of X11KeySender's, on the same defaults) enter through
    // the XTest keyboard of the master keyboard paired with the client pointer; the server
    // names it after that master: "Virtual core keyboard", "Virtual core XTEST keyboard".
    int pointer = 0;
    if (XIGetClientPointer(dpy, 0, &pointer)) {
        for (int i = 0; i < count; ++i) {
            const X11Keyboard* master = Find(infos[i].attachment);
            if (infos[i].deviceid != pointer || master == nullptr) continue;
            std::string base = master->name;
            const std::string suffix = " keyboard";
            if (base.size() > suffix.size() && base.ends_with(suffix))
                base.resize(base.size() - suffix.size());
            ownXTest_ = base + " XTEST keyboard";
        }
    }
    if (infos != nullptr) XIFreeDeviceInfo(infos);
}

int X11Keyboards::OwnXTestId() const {
    for (const X11Keyboard& k : keyboards_) {
        if (!k.master && k.name == ownXTest_) return k.id;
    }
    return 0;
}

const X11Keyboard* X11Keyboards::Find(int id) const {
    const auto it = std::find_if(keyboards_.begin(), keyboards_.end(),
                                 [id](const X11Keyboard& k) { return k.id == id; });
    return it == keyboards_.end() ? nullptr : &*it;
}

std::vector<int> X11Keyboards::Masters() const {
    std::vector<int> ids;
    for (const X11Keyboard& k : keyboards_) {
        if (k.master) ids.push_back(k.id);
    }
    return ids;
}

std::vector<int> X11Keyboards::Matching(const ScannerId& scanner) const {
    std::vector<int> ids;
    for (const X11Keyboard& k : keyboards_) {
        if (k.master || !k.enabled || k.name == ownXTest_) continue;
        if (ScannerMatches(scanner, k.name, k.vendor, k.product)) ids.push_back(k.id);
    }
    return ids;
}

bool X11Keyboards::IsOwnXTest(const ScannerId& scanner) const {
    return !ownXTest_.empty() && ScannerMatches(scanner, ownXTest_, std::nullopt, std::nullopt);
}

std::string X11Keyboards::TextOf(int id) const {
    const X11Keyboard* k = Find(id);
    if (k == nullptr || k->name.empty() || k->name == ownXTest_) return "";
    return ScannerText({k->name, k->vendor, k->product});
}

std::vector<int> X11DeviceGrabs::Keep(Display* dpy, const std::vector<int>& ids) {
    std::vector<int> refused;
    X11ErrorTrap trap(dpy);  // a device unplugged meanwhile answers BadDevice
    for (auto it = held_.begin(); it != held_.end();) {
        if (std::find(ids.begin(), ids.end(), *it) != ids.end()) {
            ++it;
            continue;
        }
        XIUngrabDevice(dpy, *it, CurrentTime);
        it = held_.erase(it);
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_KeyPress);
    XISetMask(bits, XI_KeyRelease);
    for (const int id : ids) {
        if (held_.count(id) != 0) continue;
        XIEventMask mask{id, int(sizeof bits), bits};
        const int errors = trap.Errors();
        const Status status = XIGrabDevice(dpy, id, DefaultRootWindow(dpy), CurrentTime, 0,
                                           XIGrabModeAsync, XIGrabModeAsync, False, &mask);
        if (status == GrabSuccess && trap.Errors() == errors)
            held_.insert(id);
        else
            refused.push_back(id);
    }
    return refused;
}

void X11ScannerGrabs::Use(const std::optional<ScannerId>& scanner) {
    scanner_ = scanner;
    said_.clear();
}

std::vector<X11Notice> X11ScannerGrabs::Dropped(const X11Keyboards& before,
                                                const X11Keyboards& now) {
    std::vector<X11Notice> notices;
    for (const int id : std::set<int>(grabs_.Held())) {
        const X11Keyboard* k = now.Find(id);
        if (k != nullptr && k->enabled) continue;
        grabs_.Forget(id);
        const X11Keyboard* was = before.Find(id);
        notices.push_back(
            {"The scanner " + Quoted(was != nullptr ? was->name : "?") + " was unplugged.", true});
    }
    return notices;
}

std::vector<X11Notice> X11ScannerGrabs::Grab(Display* dpy, const X11Keyboards& now, bool sayNew) {
    std::vector<X11Notice> notices;
    const std::set<int> before = grabs_.Held();
    const std::vector<int> refused =
        grabs_.Keep(dpy, scanner_ ? now.Matching(*scanner_) : std::vector<int>{});
    std::set<int> said;
    for (const int id : refused) {
        said.insert(id);
        if (said_.count(id) != 0) continue;
        notices.push_back({"Another program holds the scanner " + Quoted(now.Find(id)->name) +
                               "; Blenvar keeps trying to take it.",
                           false});
    }
    said_ = std::move(said);
    for (const int id : grabs_.Held()) {
        if (sayNew && before.count(id) == 0)
            notices.push_back({"The scanner " + Quoted(now.Find(id)->name) + " is ready.", false});
    }
    return notices;
}

}  // namespace blenvar
