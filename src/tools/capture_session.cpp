#include "tools/capture_session.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <mutex>

#include "capture/capture_coordinator.h"
#include "capture/input_devices.h"
#include "capture/training_save.h"
#include "components/ini/ini_file.h"
#include "platform/evdev/evdev_capture.h"
#include "platform/evdev/evdev_devices.h"
#include "platform/evdev/evdev_setup.h"
#include "platform/evdev/hid_pos_reader.h"
#include "platform/evdev/serial_reader.h"
#include "platform/evdev/xkb_scan_translator.h"
#include "settings/settings_layout.h"
#include "tools/decode_session.h"
#include "tools/line_writer.h"

namespace blenvar {

// Used on the relay thread only, once the relay runs.
struct HeadlessCapture::State {
    OnScan onScan;                          // capture
    OnTrained onTrained;                    // training
    std::string scanner;                    // the name scans are reported with
    const EvdevCapture* capture = nullptr;  // set before any report
    CaptureCoordinator coordinator{MakeReports()};
    bool trainingOver = false;
    std::atomic<bool> lost{false};

    CaptureCoordinator::Reports MakeReports() {
        CaptureCoordinator::Reports r;
        r.scanClosed = [this](const std::string& raw) { onScan(raw, scanner); };
        r.trainingRecorded = [](int events, int) {
            if (events == 1) std::fputs("blenvar-decode: receiving the sample\n", stderr);
        };
        r.trainingFinished = [this](const TrainingOutcome& outcome) {
            // Looked up at once: the device may be unplugged right after its scan.
            Trained(outcome, outcome.device.empty() ? std::string()
                                                    : capture->ScannerTextOf(outcome.device));
        };
        return r;
    }

    void Trained(const std::optional<TrainingOutcome>& outcome, const std::string& id) {
        if (trainingOver) return;
        trainingOver = true;
        onTrained(outcome, id);
    }

    void Notice(const std::string& message, ScanCut cut) {
        std::fprintf(stderr, "blenvar-decode: %s\n", message.c_str());
        if (cut == ScanCut::Keep) return;
        if (coordinator.Training()) {
            // Half a sample would train the wrong keys.
            coordinator.Reset();
            Trained(std::nullopt, {});
        } else {
            coordinator.Cut(cut);
        }
    }
};

std::unique_ptr<HeadlessCapture> HeadlessCapture::Start(const std::string& settingsFile,
                                                        OnScan onScan, std::string& error) {
    INIFile ini;
    ini.SetFileName(settingsFile);
    const TrainedKeys keys = LoadTrainedKeys(ini);
    if (!keys.Trained()) {
        error = "no scanner is trained in \"" + settingsFile +
                "\": train it first (blenvar-decode --train, or Train in Blenvar)";
        return nullptr;
    }
    auto state = std::make_unique<State>();
    state->onScan = std::move(onScan);
    state->coordinator.SetKeys(keys.start, keys.stop);
    return Run(settingsFile, false, std::move(state), error);
}

std::unique_ptr<HeadlessCapture> HeadlessCapture::Train(const std::string& settingsFile,
                                                        OnTrained onTrained, std::string& error) {
    auto state = std::make_unique<State>();
    state->onTrained = std::move(onTrained);
    state->coordinator.StartTraining();
    return Run(settingsFile, true, std::move(state), error);
}

std::unique_ptr<HeadlessCapture> HeadlessCapture::Run(const std::string& settingsFile,
                                                      bool training, std::unique_ptr<State> state,
                                                      std::string& error) {
    INIFile ini;
    ini.SetFileName(settingsFile);
    const CaptureSetup setup = LoadCaptureSetup(ini);
    if (!setup.layoutProblem.empty())
        std::fprintf(stderr, "blenvar-decode: %s\n", setup.layoutProblem.c_str());
    const EvdevCaptureSetup evdev = EvdevSetupFor(setup, training);
    // Without a recorded scanner, Scanner mode captures like All: by the start key.
    if (!training) {
        const bool scannerMode = evdev.mode == CaptureDevices::Scanner && evdev.scanner;
        state->coordinator.SetScannerMode(scannerMode, static_cast<std::uint64_t>(setup.scanGapMs));
        if (scannerMode) state->scanner = evdev.scanner->name;
    }
    std::string layoutProblem;
    state->coordinator.SetTranslator(ScannerTranslatorFor(setup, layoutProblem));
    if (!layoutProblem.empty()) std::fprintf(stderr, "blenvar-decode: %s\n", layoutProblem.c_str());

    std::unique_ptr<HeadlessCapture> run(new HeadlessCapture());
    run->state_ = std::move(state);
    State& s = *run->state_;
    bool denied = false;
    run->capture_ = EvdevCapture::Start(evdev, error, denied);
    if (!run->capture_) {
        if (denied) error = InputAccessMessage() + "\n(" + error + ")";
        return nullptr;
    }
    s.capture = run->capture_.get();
    run->capture_->SetTickHook([&s](std::uint64_t now) { return s.coordinator.Tick(now); });
    run->capture_->SetNoticeHook(
        [&s](const std::string& message, ScanCut cut) { s.Notice(message, cut); });
    run->capture_->OnLost([&s, &capture = *run->capture_] {
        s.lost = true;
        std::fprintf(stderr, "blenvar-decode: %s\n", capture.LostMessage().c_str());
        kill(getpid(), SIGTERM);  // ends the wait for a signal
    });
    InstallHook(*run->capture_, [&s](const KeyEvent& event) { return s.coordinator.OnKey(event); });
    return run;
}

bool HeadlessCapture::Lost() const {
    return state_->lost;
}

HeadlessCapture::~HeadlessCapture() {
    // The relay stops first: it calls into the state.
    capture_.reset();
}

namespace {

// The signals are taken by sigwait, never by a thread in the middle of a read; every
// thread started later inherits the mask.
sigset_t BlockSignals(std::initializer_list<int> signals) {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : signals) sigaddset(&set, sig);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    return set;
}

}  // namespace

int RunCaptureOnly(const DecodeOptions& opts, const std::string& settingsFile) {
    const sigset_t stopSignals = BlockSignals({SIGINT, SIGTERM});
    ScanDecoder decoder(opts, settingsFile);
    LineWriter out(STDOUT_FILENO);
    // Keyboard and HID POS scans come on their own threads.
    std::mutex mutex;
    const auto print = [&](const std::string& raw, bool identified, const std::string& device) {
        std::lock_guard lock(mutex);
        decoder.Refresh();
        out.Line(decoder.Line(raw, identified, device));
        out.Flush();
    };
    INIFile ini;
    ini.SetFileName(settingsFile);
    const CaptureSetup setup = LoadCaptureSetup(ini);
    const auto notice = [](const std::string& message) {
        std::fprintf(stderr, "blenvar-decode: %s\n", message.c_str());
    };
    std::unique_ptr<HidPosReader> pos;
    std::unique_ptr<SerialReader> serial;
    std::string error;
    if (setup.posScanners) {
        HidPosReader::Reports reports;
        reports.scan = [&](const PosScan& scan, const std::string& device) {
            print(scan.Raw(), true, device);
        };
        reports.notice = notice;
        pos = HidPosReader::Start(std::move(reports), error);
        if (!pos) notice(error);
        error.clear();
    }
    if (!setup.serialProblem.empty()) notice(setup.serialProblem);
    if (setup.serialScanner) {
        SerialReader::Reports reports;
        reports.scan = [&](const std::string& scan, const std::string& device) {
            print(scan, false, device);
        };
        reports.notice = notice;
        serial =
            SerialReader::Start(*setup.serialScanner, setup.scanGapMs, std::move(reports), error);
        if (!serial) notice(error);
        error.clear();
    }
    auto capture = HeadlessCapture::Start(
        settingsFile,
        [&](const std::string& raw, const std::string& device) { print(raw, false, device); },
        error);
    if (!capture && !pos && !serial) {
        std::fprintf(stderr, "blenvar-decode: %s\n", error.c_str());
        return 2;
    }
    // A HID POS or serial scanner needs no trained keyboard scanner.
    if (!capture)
        std::fprintf(stderr, "blenvar-decode: no keyboard-mode scanner: %s\n", error.c_str());
    std::fputs("blenvar-decode: capturing; stop with Ctrl+C\n", stderr);
    int sig = 0;
    sigwait(&stopSignals, &sig);
    const bool lost = capture && capture->Lost();
    capture.reset();  // every device released before we go
    pos.reset();
    serial.reset();
    return out.Flush() && !lost ? 0 : 1;
}

int RunTrainOnly(const std::string& settingsFile) {
    // SIGUSR1: training is over.
    const sigset_t signals = BlockSignals({SIGINT, SIGTERM, SIGUSR1});
    std::mutex mutex;
    std::optional<TrainingOutcome> outcome;
    std::string identity;
    std::string error;
    auto capture = HeadlessCapture::Train(
        settingsFile,
        [&](const std::optional<TrainingOutcome>& o, const std::string& id) {
            {
                std::lock_guard lock(mutex);
                outcome = o;
                identity = id;
            }
            kill(getpid(), SIGUSR1);
        },
        error);
    if (!capture) {
        std::fprintf(stderr, "blenvar-decode: %s\n", error.c_str());
        return 2;
    }
    std::fputs(
        "blenvar-decode: training: scan any barcode now; training ends 2 seconds after "
        "its last key. Every keyboard is held meanwhile: Ctrl+C, or Backspace+Escape+Enter "
        "held together on a keyboard, stops without saving.\n",
        stderr);
    int sig = 0;
    sigwait(&signals, &sig);
    const bool lost = capture->Lost();
    capture.reset();  // every device released before we go
    if (sig != SIGUSR1) {
        std::fputs("blenvar-decode: training stopped, nothing was saved\n", stderr);
        return lost ? 1 : 128 + sig;
    }
    std::lock_guard lock(mutex);
    if (!outcome) {
        std::fputs("blenvar-decode: the sample was cut off, nothing was saved\n", stderr);
        return 1;
    }
    if (!outcome->Good()) {
        const std::string_view message = outcome->Message();
        std::fprintf(stderr, "blenvar-decode: %.*s (nothing was saved)\n",
                     static_cast<int>(message.size()), message.data());
        return 1;
    }
    INIFile ini;
    ini.SetFileName(settingsFile);
    const SavedTraining saved = SaveTraining(ini, *outcome, identity);
    if (!saved.saved) {
        std::fprintf(stderr, "blenvar-decode: the trained keys could not be saved in \"%s\": %s\n",
                     settingsFile.c_str(), ini.LastWriteError().c_str());
        return 1;
    }
    LineWriter out(STDOUT_FILENO);
    for (const auto& [key, value] : saved.values) out.Line(key + "=" + value);
    if (saved.aimChosen)
        std::fputs(
            "blenvar-decode: the sample began with a symbology identifier, so the "
            "encoding is AIM\n",
            stderr);
    std::fprintf(stderr, "blenvar-decode: saved in \"%s\" [%.*s]\n", settingsFile.c_str(),
                 static_cast<int>(kSetupSection.size()), kSetupSection.data());
    return out.Flush() ? 0 : 1;
}

}  // namespace blenvar
