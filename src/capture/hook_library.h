#pragma once
// The system-wide keyboard hook as the program drives it: four configuration calls at
// start-up, then one callback installed or removed at a time. A backend reports every
// key event of the desktop to the installed callback on the user-interface thread and
// withholds the events the callback consumes.
#include <cstdint>
#include <functional>
#include <string>

namespace blenvar {

// KeyEvent::Action codes.
inline constexpr std::int32_t kActionPress = 1;  // auto-repeat too
inline constexpr std::int32_t kActionRelease = 2;
inline constexpr std::int32_t kActionCharacter = 4;

struct KeyEvent {
    std::int32_t Action = 0;
    std::int32_t State = 0;
    std::int32_t VCode = 0;
    std::int32_t SCode = 0;
    std::uint64_t timeMs = 0;  // monotonic; capture measures gaps between keys with it
    std::string device;        // the backend's key of the source device
    // In Scanner mode: the event came from a device that matches the trained scanner.
    bool fromScanner = false;
};

// Results of a callback.
inline constexpr int kPassKey = 0;
inline constexpr int kConsumeKey = 2;

using KeyCallback = std::function<int(const KeyEvent&)>;

class HookLibrary {
  public:
    virtual ~HookLibrary() = default;
    // The start-up options choose between ways of hooking that only one platform has;
    // every backend here has a single way, so the calls are accepted and ignored.
    void UseSendMessage(int) {}
    void SetGlobalParams(int, int) {}
    void NoLLHook(int) {}
    void NoTL(int) {}
    // install: (-1, 1, callback); remove: (0, 0, {}). A new install replaces the old one.
    virtual void SetKeyboardHook(int install, int param, KeyCallback callback) = 0;
};

// The start-up configuration: the four calls in the order the backend expects them.
void ConfigureHook(HookLibrary& hook);
// Callers remove an installed callback before they install another.
void InstallHook(HookLibrary& hook, KeyCallback callback);
void RemoveHook(HookLibrary& hook);

}  // namespace blenvar
