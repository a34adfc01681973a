#include "capture/evdev_translate.h"

#include <utility>

namespace blenvar {
namespace {

// X key codes end at 255, 8 above the Linux code.
constexpr unsigned kLastXKey = 255 - 8;

}  // namespace

ModifierKeys ModifierKeys::Us() {
    ModifierKeys m;
    for (auto [code, bits] : {std::pair{KEY_LEFTSHIFT, kStateShift},
                              {KEY_RIGHTSHIFT, kStateShift},
                              {KEY_LEFTCTRL, kStateCtrl},
                              {KEY_RIGHTCTRL, kStateCtrl},
                              {KEY_LEFTALT, kStateAlt},
                              {KEY_RIGHTALT, kStateAlt},
                              {KEY_LEFTMETA, kStateMeta},
                              {KEY_RIGHTMETA, kStateMeta}})
        m.Set(static_cast<std::uint16_t>(code), bits);
    return m;
}

void ModifierKeys::Set(std::uint16_t code, std::int32_t stateBits) {
    std::erase_if(keys_, [code](const auto& k) { return k.first == code; });
    if (stateBits != 0) keys_.emplace_back(code, stateBits);
}

std::int32_t ModifierKeys::Of(std::uint16_t code) const {
    for (const auto& [key, bits] : keys_)
        if (key == code) return bits;
    return 0;
}

std::int32_t ModifierKeys::StateOf(const std::bitset<KEY_CNT>& held) const {
    std::int32_t state = 0;
    for (const auto& [key, bits] : keys_)
        if (key < held.size() && held[key]) state |= bits;
    return state;
}

EvdevTranslator::EvdevTranslator(std::string device, bool hasNumLockLed, bool numLockOn,
                                 ModifierKeys modifiers)
    : device_(std::move(device)),
      modifiers_(std::move(modifiers)),
      hasNumLockLed_(hasNumLockLed),
      numLock_(numLockOn) {}

std::uint64_t EvdevTranslator::TimeMs(const input_event& ev) {
    return std::uint64_t(ev.input_event_sec) * 1000u + std::uint64_t(ev.input_event_usec) / 1000u;
}

HeldModifiers EvdevTranslator::Modifiers() const {
    const std::int32_t state = modifiers_.StateOf(held_);
    return {(state & kStateShift) != 0, (state & kStateCtrl) != 0, (state & kStateAlt) != 0,
            (state & kStateMeta) != 0};
}

KeyReports EvdevTranslator::Translate(const input_event& ev) {
    if (ev.type == EV_SYN && ev.code == SYN_DROPPED) dropping_ = true;
    if (dropping_) {
        if (ev.type == EV_SYN && ev.code == SYN_REPORT) {
            dropping_ = false;
            resync_ = true;
        }
        return {};
    }
    if (ev.type == EV_LED && ev.code == LED_NUML && hasNumLockLed_) {
        numLock_ = ev.value != 0;
        return {};
    }
    if (ev.type != EV_KEY || ev.code >= KEY_CNT || ev.value < 0 || ev.value > 2) return {};
    const bool press = ev.value != 0;
    KeyReports reports;
    if (ev.code <= kLastXKey && !(ev.value == 2 && IsModifierKey(ev.code))) {
        // Modifiers and Num Lock as they were just before this event.
        reports = ReportKey(ev.code, press, Modifiers(), numLock_, TimeMs(ev));
        for (std::size_t i = 0; i < reports.count; ++i) reports.events[i].device = device_;
    }
    held_[ev.code] = press;
    if (ev.code == KEY_NUMLOCK && ev.value == 1 && !hasNumLockLed_) numLock_ = !numLock_;
    return reports;
}

bool EvdevTranslator::TakeResync() {
    return std::exchange(resync_, false);
}

bool EvdevTranslator::WayOutHeld() const {
    return held_[KEY_BACKSPACE] && held_[KEY_ESC] && held_[KEY_ENTER];
}

void EvdevTranslator::SetHeldKeys(std::span<const std::uint8_t> keyBits) {
    held_.reset();
    for (std::size_t code = 0; code < held_.size() && code / 8 < keyBits.size(); ++code) {
        if (keyBits[code / 8] & (1u << (code % 8))) held_[code] = true;
    }
}

}  // namespace blenvar
