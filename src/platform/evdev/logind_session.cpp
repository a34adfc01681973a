#include "platform/evdev/logind_session.h"

#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace blenvar {
namespace {

constexpr const char* kLogind = "org.freedesktop.login1";
constexpr const char* kSessionInterface = "org.freedesktop.login1.Session";

std::string BusError(const sd_bus_error& error, int r) {
    if (error.message) return error.message;
    return std::strerror(r < 0 ? -r : r);
}

class LogindSession : public SessionSource {
  public:
    LogindSession(sd_bus* bus, std::string path) : bus_(bus), path_(std::move(path)) {}
    ~LogindSession() override {
        sd_bus_slot_unref(slot_);
        sd_bus_flush_close_unref(bus_);
    }
    LogindSession(const LogindSession&) = delete;
    LogindSession& operator=(const LogindSession&) = delete;

    bool Subscribe(std::string& why) {
        const int r = sd_bus_match_signal(bus_, &slot_, kLogind, path_.c_str(),
                                          "org.freedesktop.DBus.Properties", "PropertiesChanged",
                                          &LogindSession::OnChanged, this);
        if (r < 0) why = "cannot follow the login session: " + std::string(std::strerror(-r));
        return r >= 0;
    }

    int Fd() const override { return dead_ ? -1 : sd_bus_get_fd(bus_); }
    short PollEvents() const override {
        const int events = dead_ ? 0 : sd_bus_get_events(bus_);
        return static_cast<short>(events < 0 ? POLLIN : events);
    }

    std::optional<SessionState> Process() override {
        if (dead_) return std::nullopt;
        int r = 0;
        while ((r = sd_bus_process(bus_, nullptr)) > 0) {
        }
        if (r < 0) {
            // The bus went away: stop polling it, the last known state stands.
            dead_ = true;
            return std::nullopt;
        }
        if (!changed_ && read_) return std::nullopt;
        changed_ = false;
        read_ = true;
        return Read();
    }

    std::string Name() const override { return "logind session " + path_; }

    std::optional<SessionState> Read() {
        int active = 0;
        int locked = 0;
        sd_bus_error error = SD_BUS_ERROR_NULL;
        int r = sd_bus_get_property_trivial(bus_, kLogind, path_.c_str(), kSessionInterface,
                                            "Active", &error, 'b', &active);
        sd_bus_error_free(&error);
        if (r < 0) return std::nullopt;
        // LockedHint is set by the screen locker; older logind lacks it (not locked then).
        r = sd_bus_get_property_trivial(bus_, kLogind, path_.c_str(), kSessionInterface,
                                        "LockedHint", &error, 'b', &locked);
        sd_bus_error_free(&error);
        return SessionState{active != 0, r >= 0 && locked != 0};
    }

  private:
    static int OnChanged(sd_bus_message*, void* self, sd_bus_error*) {
        static_cast<LogindSession*>(self)->changed_ = true;
        return 0;
    }

    sd_bus* bus_;
    sd_bus_slot* slot_ = nullptr;
    std::string path_;
    bool changed_ = false;
    bool read_ = false;
    bool dead_ = false;
};

// The object path of our session, or empty with `why` set.
std::string FindSession(sd_bus* bus, std::string& why) {
    auto call = [&](const char* method, const char* types, auto arg) -> std::string {
        sd_bus_error error = SD_BUS_ERROR_NULL;
        sd_bus_message* reply = nullptr;
        int r = sd_bus_call_method(bus, kLogind, "/org/freedesktop/login1",
                                   "org.freedesktop.login1.Manager", method, &error, &reply, types,
                                   arg);
        std::string path;
        const char* p = nullptr;
        if (r >= 0 && sd_bus_message_read(reply, "o", &p) >= 0 && p) path = p;
        if (r < 0) why = BusError(error, r);
        sd_bus_message_unref(reply);
        sd_bus_error_free(&error);
        return path;
    };
    if (const char* id = std::getenv("XDG_SESSION_ID"); id && *id) {
        if (auto path = call("GetSession", "s", id); !path.empty()) return path;
    }
    // "auto": the caller's session, or the user's graphical one when started outside any.
    if (auto path = call("GetSession", "s", "auto"); !path.empty()) return path;
    return call("GetSessionByPID", "u", static_cast<std::uint32_t>(getpid()));
}

}  // namespace

bool CaptureAllowed(const std::optional<SessionState>& state) {
    return !state || (state->active && !state->locked);
}

std::unique_ptr<SessionSource> ConnectLogindSession(std::string& why) {
    sd_bus* bus = nullptr;
    if (const int r = sd_bus_open_system(&bus); r < 0) {
        why = "no system bus: " + std::string(std::strerror(-r));
        return nullptr;
    }
    const std::string path = FindSession(bus, why);
    if (path.empty()) {
        why = "no login session: " + why;
        sd_bus_flush_close_unref(bus);
        return nullptr;
    }
    auto session = std::make_unique<LogindSession>(bus, path);
    if (!session->Subscribe(why)) return nullptr;
    return session;
}

SessionWatch::SessionWatch(std::shared_ptr<SessionSource> source) : source_(std::move(source)) {
    Process();
}

bool SessionWatch::Process() {
    if (!source_) return false;
    if (auto state = source_->Process()) state_ = state;
    const bool allowed = CaptureAllowed(state_);
    const bool changed = allowed != allowed_;
    allowed_ = allowed;
    return changed;
}

std::string SessionWatch::Describe() const {
    if (!state_) return "no login session is known";
    if (!state_->active) return "the session is not the active one";
    if (state_->locked) return "the screen is locked";
    return "the session is active and unlocked";
}

}  // namespace blenvar
