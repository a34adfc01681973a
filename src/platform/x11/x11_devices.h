#pragma once
// The X server's keyboards as XInput 2 lists them, and grabs of whole devices. Plain Xlib;
// X11Capture reads the list again whenever the device hierarchy changes.
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "capture/scanner_device.h"

struct _XDisplay;

namespace blenvar {

// Errors of the requests sent while it lives are counted instead of ending the process
// (Xlib's default handler exits): grab refusals, devices unplugged under our feet. One at
// a time.
class X11ErrorTrap {
  public:
    explicit X11ErrorTrap(_XDisplay* dpy);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;
    // Waits for the server to have answered everything sent so far.
    bool Refused();  // BadAccess
    bool Failed() const;
    // Errors so far, for requests with a reply (their errors have arrived on return).
    int Errors() const;

  private:
    _XDisplay* dpy_;
};

struct X11Keyboard {
    int id = 0;
    bool master = false;
    bool enabled = true;
    std::string name;
    // From the "Device Product ID" property, which only some drivers set.
    std::optional<std::uint16_t> vendor;
    std::optional<std::uint16_t> product;
};

class X11Keyboards {
  public:
    // Reads every keyboard now. A floating slave counts too: the server floats a slave for
    // as long as a client grabs it.
    void Read(_XDisplay* dpy);
    const X11Keyboard* Find(int id) const;
    std::vector<int> Masters() const;
    // Enabled slaves that match, never the XTest keyboard our own keystrokes go through.
    std::vector<int> Matching(const ScannerId& scanner) const;
    // The scanner is that XTest keyboard: grabbing it would swallow what we type.
    bool IsOwnXTest(const ScannerId& scanner) const;
    // That XTest keyboard's device id; 0 when it is not known.
    int OwnXTestId() const;
    // ScannerText of a device; "" for one we do not know and for our own XTest keyboard,
    // which cannot serve as a scanner (a sample typed through it keeps All mode).
    std::string TextOf(int id) const;

  private:
    std::vector<X11Keyboard> keyboards_;
    std::string ownXTest_;
};

// XIGrabDevice grabs in asynchronous mode: every key event of a grabbed device comes to us
// as an XI2 event, and to no other client.
class X11DeviceGrabs {
  public:
    // Grabs each of `ids` not held yet and lets go of the held ones not among them. Returns
    // the ones that could not be grabbed (another client holds them).
    std::vector<int> Keep(_XDisplay* dpy, const std::vector<int>& ids);
    bool Has(int id) const { return held_.count(id) != 0; }
    bool Empty() const { return held_.empty(); }
    const std::set<int>& Held() const { return held_; }
    // A device that went away took its grab along.
    void Forget(int id) { held_.erase(id); }

  private:
    std::set<int> held_;
};

struct X11Notice {
    std::string message;
    bool scanBroken = false;  // the scan's device is gone: an open scan must close now
};

// The scanner's slaves, grabbed whenever they are present (Scanner mode).
class X11ScannerGrabs {
  public:
    // Unset: none is wanted; the next Grab lets go of them.
    void Use(const std::optional<ScannerId>& scanner);
    const std::optional<ScannerId>& Scanner() const { return scanner_; }
    // Forgets the grabbed slaves that went away or were disabled (`before`: the list they
    // were in), one notice each.
    std::vector<X11Notice> Dropped(const X11Keyboards& before, const X11Keyboards& now);
    // Grabs every matching slave not grabbed yet. Says which ones another client holds
    // (once each) and, with `sayNew`, which ones it newly took (plugged in, or let go by the other
    // client).
    std::vector<X11Notice> Grab(_XDisplay* dpy, const X11Keyboards& now, bool sayNew);
    bool Has(int id) const { return grabs_.Has(id); }
    // Another client holds a matching slave: Grab again later.
    bool Waiting() const { return !said_.empty(); }

  private:
    std::optional<ScannerId> scanner_;
    X11DeviceGrabs grabs_;
    std::set<int> said_;  // slaves another client holds, reported
};

}  // namespace blenvar
