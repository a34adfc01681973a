#pragma once
// --capture and --train: scans from the input devices, recognised with the trained start
// and stop events of the settings file, or one sample scan that trains them. Everything
// here runs on the input relay's thread: the machines, their deadlines and the reports to
// the caller.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "capture/training_machine.h"
#include "tools/decode_options.h"

namespace blenvar {

class EvdevCapture;

class HeadlessCapture {
  public:
    // `device`: the scanner's name in Scanner mode; empty in All mode, where any keyboard
    // may have sent it.
    using OnScan = std::function<void(const std::string& raw, const std::string& device)>;
    // Once, when training ends: the outcome and the identity text of the device that sent
    // the sample ("" when it is gone), or nullopt when the sample was cut off (its device
    // went away, or every device was released).
    using OnTrained =
        std::function<void(const std::optional<TrainingOutcome>& outcome, const std::string& id)>;

    // Null with `error` set when capture cannot start: no trained scanner, or no access to
    // the devices (then `error` begins with InputAccessMessage()).
    static std::unique_ptr<HeadlessCapture> Start(const std::string& settingsFile, OnScan onScan,
                                                  std::string& error);
    // Training takes every keyboard, whatever CaptureDevices says: the sample may come from
    // a scanner not known yet.
    static std::unique_ptr<HeadlessCapture> Train(const std::string& settingsFile,
                                                  OnTrained onTrained, std::string& error);
    ~HeadlessCapture();
    HeadlessCapture(const HeadlessCapture&) = delete;
    HeadlessCapture& operator=(const HeadlessCapture&) = delete;

    // The devices can no longer be read or passed on; the process got SIGTERM then.
    bool Lost() const;

  private:
    HeadlessCapture() = default;
    struct State;
    static std::unique_ptr<HeadlessCapture> Run(const std::string& settingsFile, bool training,
                                                std::unique_ptr<State> state, std::string& error);
    std::unique_ptr<State> state_;
    std::unique_ptr<EvdevCapture> capture_;
};

// Captures and prints each scan as a decoded line until SIGINT or SIGTERM.
int RunCaptureOnly(const DecodeOptions& opts, const std::string& settingsFile);

// Waits for one sample scan and saves the trained keys and the scanner's device in
// `settingsFile`; prints what it saved. 0 when saved; 1 for a bad or cut-off sample, a
// failed save or lost devices; 2 when capture cannot start; 128 + signal when stopped.
int RunTrainOnly(const std::string& settingsFile);

}  // namespace blenvar
