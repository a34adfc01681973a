#pragma once
// Blenvar's own virtual keyboard (uinput): keys that capture lets pass, and keys we type,
// reach the desktop through it. It carries OwnKeyboardIdentity(), so it is never grabbed.
// No kernel auto-repeat: the grabbed devices' repeats are passed on as they come.
#include <linux/input.h>

#include <cstdint>
#include <optional>
#include <string>

namespace blenvar {

// The kernel's uinput device, which makes virtual input devices.
inline constexpr char kUinputPath[] = "/dev/uinput";

class VirtualKeyboard {
  public:
    // Empty with `error` set (errno in `errnoOut`: EACCES means missing rights).
    static std::optional<VirtualKeyboard> Create(const std::string& uinputPath, std::string& error,
                                                 int* errnoOut = nullptr);
    ~VirtualKeyboard();
    VirtualKeyboard(VirtualKeyboard&& other) noexcept;
    VirtualKeyboard& operator=(VirtualKeyboard&&) = delete;
    VirtualKeyboard(const VirtualKeyboard&) = delete;
    VirtualKeyboard& operator=(const VirtualKeyboard&) = delete;

    // One key event followed by SYN_REPORT; false when the write failed.
    bool Key(std::uint16_t code, std::int32_t value);
    // A passed event as read from a grabbed device (keys, SYN, MSC), with its time
    // cleared: the kernel stamps it anew.
    bool Emit(const input_event& ev);

  private:
    VirtualKeyboard() = default;
    bool Write(std::uint16_t type, std::uint16_t code, std::int32_t value);

    int fd_ = -1;
};

}  // namespace blenvar
