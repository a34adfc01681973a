#include "tools/capture_session.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <optional>

#include "capture/capture_machine.h"
#include "capture/input_devices.h"
#include "components/ini/ini_file.h"
#include "output/settings_layout.h"
#include "platform/evdev_capture.h"
#include "platform/evdev_devices.h"
#include "tools/decode_session.h"
#include "tools/line_writer.h"

namespace blenvar {

namespace {

TrainedKey ToTrained(const StoredKeyEvent& k) {
    return {static_cast<std::int16_t>(k.Action), static_cast<std::int16_t>(k.State),
            static_cast<std::int16_t>(k.VCode), static_cast<std::int16_t>(k.SCode)};
}

}  // namespace

struct HeadlessCapture::State {
    CaptureMachine machine;
    std::optional<std::uint64_t> deadline;
    OnScan onScan;
    std::atomic<bool> lost{false};

    void Apply(const CaptureStep& step) {
        deadline = step.deadline;
        if (step.scan) onScan(*step.scan);
    }
};

std::unique_ptr<HeadlessCapture> HeadlessCapture::Start(const std::string& settingsFile,
                                                        OnScan onScan, std::string& error) {
    INIFile ini;
    ini.SetFileName(settingsFile);
    const TrainedKey start = ToTrained(LoadTrainedKey(ini, "Start_"));
    const TrainedKey stop = ToTrained(LoadTrainedKey(ini, "Stop_"));
    if (start == TrainedKey{}) {
        error = "no scanner is trained in \"" + settingsFile +
                "\": train it in Blenvar first (it stores the start and stop keys)";
        return nullptr;
    }
    const CaptureSetup setup = LoadCaptureSetup(ini);
    EvdevCaptureSetup evdev;
    evdev.mode = setup.devices;
    evdev.scanner = ParseScanner(setup.scannerDevice);
    // Without a recorded scanner, Scanner mode captures like All: by the start key.
    const bool scannerMode = setup.devices == CaptureDevices::Scanner && evdev.scanner;
    // No logind (a console kiosk): capture stays on, nothing to say.
    std::string noSession;
    evdev.session = ConnectLogindSession(noSession);

    std::unique_ptr<HeadlessCapture> run(new HeadlessCapture());
    run->state_ = std::make_unique<State>();
    State& state = *run->state_;
    state.machine.SetKeys(start, stop);
    state.machine.SetScannerMode(scannerMode, static_cast<std::uint64_t>(setup.scanGapMs));
    state.onScan = std::move(onScan);

    bool denied = false;
    run->capture_ = EvdevCapture::Start(evdev, error, denied);
    if (!run->capture_) {
        if (denied) error = InputAccessMessage() + "\n(" + error + ")";
        return nullptr;
    }
    run->capture_->SetTickHook([&state](std::uint64_t now) {
        if (state.deadline && now >= *state.deadline) state.Apply(state.machine.Tick(now));
        return state.deadline;
    });
    run->capture_->SetNoticeHook([&state](const std::string& message, bool scanBroken) {
        std::fprintf(stderr, "blenvar-decode: %s\n", message.c_str());
        // The scan's device is gone: what it sent so far is the scan.
        if (scanBroken && state.machine.Scanning()) state.Apply(state.machine.Tick(UINT64_MAX));
    });
    run->capture_->OnLost([&state] {
        state.lost = true;
        std::fputs("blenvar-decode: the input devices can no longer be read\n", stderr);
        kill(getpid(), SIGTERM);  // ends the wait for a signal
    });
    InstallHook(*run->capture_, [&state](const KeyEvent& event) {
        const CaptureStep step = state.machine.OnKey(event);
        state.Apply(step);
        return step.result;
    });
    return run;
}

bool HeadlessCapture::Lost() const {
    return state_->lost;
}

HeadlessCapture::~HeadlessCapture() {
    // The relay stops first: it calls into the state.
    capture_.reset();
}

int RunCaptureOnly(const DecodeOptions& opts, const std::string& settingsFile) {
    // The signals are taken by sigwait below, never by a thread in the middle of a read.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    ScanDecoder decoder(opts, settingsFile);
    LineWriter out(STDOUT_FILENO);
    std::string error;
    auto capture = HeadlessCapture::Start(
        settingsFile,
        [&](const std::string& raw) {
            decoder.Refresh();
            out.Line(decoder.Line(raw));
            out.Flush();
        },
        error);
    if (!capture) {
        std::fprintf(stderr, "blenvar-decode: %s\n", error.c_str());
        return 2;
    }
    std::fputs("blenvar-decode: capturing; stop with Ctrl+C\n", stderr);
    int sig = 0;
    sigwait(&stopSignals, &sig);
    const bool lost = capture->Lost();
    capture.reset();  // every device released before we go
    return out.Flush() && !lost ? 0 : 1;
}

}  // namespace blenvar
