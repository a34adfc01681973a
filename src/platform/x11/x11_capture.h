#pragma once
// Capture through the X server: a passive synchronous grab of the trained start key while
// idle, an active synchronous keyboard grab while the scan it opened is held. Its own
// connection is watched by the Qt event loop, so the callback runs on the UI thread, one
// event at a time, while the server holds back every later key event until the callback
// has answered.
//
// Per key press the callback sees Action 1, then Action 4 unless the key is a modifier;
// per release Action 2. One X event is withheld when any of its callbacks consumes it.
// State comes from the modifiers X reports with each event (held just before it), so a
// consumed Shift release leaves no Shift stuck in other programs: they read the state of
// every event they get.
//
// kPassKey: while idle the start key's event is replayed to the focused window. While
// the keyboard is held every event is withheld: X gives an event of a grab back only by
// ending the grab, which would let the keys queued behind it through too. A callback that
// ends the hold (HoldKeyboard(false)) and passes the same event hands it on: the grab ends
// by replaying it. Ending the hold from elsewhere (a timer) releases the grab at once, or,
// when a key was already sent to us, by replaying that key through the callback as soon
// as the event loop runs; a key that still slips in after the release goes out again
// through XTest.
//
// Our own typing (the XTest keyboard of the core keyboard, on its own thread and
// connection) is told by device: the raw event the server sends of the master just before
// each core event names its slave, and the TypingGate says whether we were typing then
// (other programs typing through that keyboard are treated as any keyboard). Its start key is
// replayed without reaching the callback; its keys that reach a hold are typed again when the hold
// ends, and the TypingGate keeps typing waiting for as long as the keyboard is held.
//
// Devices (XInput 2.2). The core protocol names no source device, so everything that must
// know one goes through XI2 grabs, whose events carry their slave (KeyEvent::device, the
// XI device id): Scanner mode grabs each slave keyboard that matches the scanner
// (XIGrabDevice, asynchronous; a grabbed slave leaves its master for the grab, so nothing
// of it reaches programs, while the core keyboard is never touched), and a hold begun
// outside a key event, as training begins, grabs every master keyboard the same way.
// Pairing raw events with core ones by keycode and time was the alternative: it wakes us
// for every key of the desktop and must guess where two events look alike, while a grab's
// own events are exact. A scan of All mode keeps the core grabs: the server does not let
// an active core grab become an XI2 one, and an XI2 passive grab would not be refused
// where another program's shortcut holds the start key. Its events carry no device;
// nothing reads one there. Events of a device grab that the callback
// passes, or that arrive after the grab ended, go out again through XTest. Hot-plugging is
// followed through hierarchy events: a matching slave that appears is grabbed, one that
// goes away is reported through the notice hook (an open scan must close).
//
// A lost connection is reported once through OnLost, from the event loop; the display is
// then left alone (Xlib cannot close it).
#include <functional>
#include <memory>
#include <string>

#include "capture/capture_backend.h"

namespace blenvar {

class TypingGate;

class X11Capture : public CaptureBackend {
  public:
    // display: empty for $DISPLAY. Needs a Qt application object.
    // gate: our typing waits at it while the keyboard is held.
    explicit X11Capture(TypingGate& gate, const std::string& display = {});
    ~X11Capture() override;
    X11Capture(const X11Capture&) = delete;
    X11Capture& operator=(const X11Capture&) = delete;

    // The display was opened and has not been lost since.
    bool Connected() const;

    void SetKeyboardHook(int install, int param, KeyCallback callback) override;

    std::string WatchStartKey(const TrainedKey& start) override;
    void HoldKeyboard(bool hold) override;
    void OnLost(std::function<void()> lost) override;
    std::string LostMessage() const override { return "the connection to the display was lost"; }
    std::string UseScanner(const std::optional<ScannerId>& scanner) override;
    bool ScannerPresent() const override;
    // `device` is an XInput device id.
    std::string ScannerTextOf(const std::string& device) const override;

    // A scanner was unplugged (`scanBroken`: an open scan must close now) or plugged in, or
    // another program holds it. Called on the event loop.
    using NoticeHook = std::function<void(const std::string& message, ScanCut cut)>;
    void SetNoticeHook(NoticeHook notice);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace blenvar
