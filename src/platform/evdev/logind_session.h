#pragma once
// Whether the user's login session may be captured from now. Open input devices keep
// delivering keys after a switch to another user's session or while the screen is locked,
// so capture stops while logind says the session is inactive or locked. Where no logind
// answers (no system bus, the process belongs to no session: a console kiosk, the test VM)
// capture stays allowed and nothing is said.
//
// Plain C++ without Qt: blenvar-decode --capture uses it too. The watch has no thread of
// its own; its fd joins the relay's poll.
#include <memory>
#include <optional>
#include <string>

namespace blenvar {

struct SessionState {
    bool active = true;
    bool locked = false;
};

// Nothing known about the session (no logind) means allowed.
bool CaptureAllowed(const std::optional<SessionState>& state);

// The bus side: logind's view of one session. Faked in tests.
class SessionSource {
  public:
    virtual ~SessionSource() = default;
    // Poll this fd for PollEvents(); -1 when there is nothing to poll.
    virtual int Fd() const = 0;
    virtual short PollEvents() const = 0;
    // Handles pending bus traffic without blocking; the session's state now, or nothing when
    // it cannot be read (the last known state then stands).
    virtual std::optional<SessionState> Process() = 0;
    // Where the state comes from, for notices ("logind session 3").
    virtual std::string Name() const = 0;
};

// Connects to logind on the system bus and follows this process's session (XDG_SESSION_ID,
// else logind's choice for the caller, else the session of our pid). Null with `why` set
// when there is no system bus, no logind or no session: the caller then runs without a watch.
std::unique_ptr<SessionSource> ConnectLogindSession(std::string& why);

// Follows a source and tells when capture becomes allowed or not. A null source is the
// "no logind" case: always allowed, never changes.
class SessionWatch {
  public:
    explicit SessionWatch(std::shared_ptr<SessionSource> source);
    int Fd() const { return source_ ? source_->Fd() : -1; }
    short PollEvents() const { return source_ ? source_->PollEvents() : 0; }
    // Call when Fd() is readable; true when Allowed() changed.
    bool Process();
    bool Allowed() const { return allowed_; }
    // Why capture is paused or back, for a notice.
    std::string Describe() const;

  private:
    std::shared_ptr<SessionSource> source_;
    std::optional<SessionState> state_;
    bool allowed_ = true;
};

}  // namespace blenvar
