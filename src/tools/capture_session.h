#pragma once
// --capture: scans from the input devices, recognised with the trained start and stop
// events of the settings file. Everything here runs on the input relay's thread: the
// state machine, its deadline and the scans' delivery to the caller.
#include <functional>
#include <memory>
#include <string>

#include "tools/decode_options.h"

namespace blenvar {

class EvdevCapture;

class HeadlessCapture {
  public:
    using OnScan = std::function<void(const std::string& raw)>;
    // Null with `error` set when capture cannot start: no trained scanner, or no access to
    // the devices (then `error` begins with InputAccessMessage()).
    static std::unique_ptr<HeadlessCapture> Start(const std::string& settingsFile, OnScan onScan,
                                                  std::string& error);
    ~HeadlessCapture();
    HeadlessCapture(const HeadlessCapture&) = delete;
    HeadlessCapture& operator=(const HeadlessCapture&) = delete;

    // The devices can no longer be read or passed on; the process got SIGTERM then.
    bool Lost() const;

  private:
    HeadlessCapture() = default;
    struct State;
    std::unique_ptr<State> state_;
    std::unique_ptr<EvdevCapture> capture_;
};

// Captures and prints each scan as a decoded line until SIGINT or SIGTERM.
int RunCaptureOnly(const DecodeOptions& opts, const std::string& settingsFile);

}  // namespace blenvar
