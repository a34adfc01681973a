#pragma once
// Learns a scanner's start and stop events from one sample scan. Like the capture
// machine it never reads a clock: the caller feeds Tick() at the reported deadline.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/capture_machine.h"
#include "capture/hook_library.h"

namespace blenvar {

inline constexpr std::string_view kNoGoodScanMessage = "Couldn't get a good scan";
inline constexpr std::string_view kMixedDevicesMessage =
    "The sample came from more than one device. Scan it again, touching no other keys.";
// The whole keyboard is withheld while training, so a user without a mouse could never
// reach "Stop": training ends by itself this long after the sample's last key.
inline constexpr std::uint64_t kTrainingQuietMs = 2000;

struct TrainingStep {
    int result = kConsumeKey;
    int recorded = 0;                       // key events seen so far
    int characters = 0;                     // characters of the sample so far, for the user
    std::optional<std::uint64_t> deadline;  // when to call Tick()
};

// The end of a training: both events, or nothing usable (show Message()).
struct TrainingOutcome {
    std::optional<TrainedKey> start;
    std::optional<TrainedKey> stop;
    // The backend's key of the device the sample came from ("" where none is reported).
    std::string device;
    // The characters the sample typed, as a scan collects them.
    std::string sample;
    // Every key event of the sample (Detect layout reads them on each layout).
    std::vector<KeyEvent> events;
    // Keys of more than one device: the scanner cannot be told from the keyboard.
    bool mixedDevices = false;
    bool Good() const { return start && stop && !mixedDevices; }
    std::string_view Message() const {
        return mixedDevices ? kMixedDevicesMessage : kNoGoodScanMessage;
    }
};

class TrainingMachine {
  public:
    // Each training starts empty: a second one never reuses the first one's events. It ends
    // `quietMs` after the sample's last key.
    void Begin(std::uint64_t quietMs = kTrainingQuietMs);
    TrainingStep OnKey(const KeyEvent& event);
    // The outcome once the sample has been quiet for kTrainingQuietMs.
    std::optional<TrainingOutcome> Tick(std::uint64_t nowMs);
    // "Stop" pressed.
    TrainingOutcome Finish();

    bool Training() const { return training_; }

  private:
    bool training_ = false;
    int recorded_ = 0;
    std::uint64_t lastMs_ = 0;
    std::uint64_t quietMs_ = kTrainingQuietMs;
    std::vector<KeyEvent> events_;
    std::optional<TrainedKey> first_;
    std::optional<TrainedKey> last_;
    bool waitingForNonModifier_ = false;
    std::string device_;
    std::string sample_;
    bool mixedDevices_ = false;
};

}  // namespace blenvar
