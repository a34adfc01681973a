// The relay against a locked login session: every device is released at once and none is
// grabbed (not even one plugged in meanwhile) until the session is back; the pause closes
// an open scan. Which states pause, told once each: logind_session_test. The VM runs no
// logind, so a pipe stands in for the bus.
#include <atomic>
#include <mutex>

#include "platform/evdev/evdev_capture.h"
#include "vm_input.h"

namespace {

using namespace vm;

// Hands the relay whatever state the test set, when poked through the pipe.
class PipeSession : public blenvar::SessionSource {
  public:
    explicit PipeSession(blenvar::SessionState state) : state_(state) {
        if (pipe2(pipe_, O_NONBLOCK | O_CLOEXEC) != 0) FailSys("pipe");
    }
    ~PipeSession() override {
        close(pipe_[0]);
        close(pipe_[1]);
    }
    void Set(blenvar::SessionState state) {
        {
            std::lock_guard lock(mutex_);
            state_ = state;
        }
        if (write(pipe_[1], "x", 1) != 1) FailSys("poke the relay");
    }
    int Fd() const override { return pipe_[0]; }
    short PollEvents() const override { return POLLIN; }
    std::optional<blenvar::SessionState> Process() override {
        char drain[16];
        while (read(pipe_[0], drain, sizeof drain) > 0) {
        }
        std::lock_guard lock(mutex_);
        return state_;
    }
    std::string Name() const override { return "pipe"; }

  private:
    int pipe_[2];
    std::mutex mutex_;
    blenvar::SessionState state_;
};

struct Notices {
    std::mutex mutex;
    std::vector<std::pair<std::string, bool>> said;
    void Add(const std::string& m, bool broken) {
        std::lock_guard lock(mutex);
        said.emplace_back(m, broken);
    }
    // The `n`th notice once it came: it must say `word` and close a scan or not.
    void Expect(size_t n, const char* word, bool broken) {
        for (int waited = 0; waited < 3000; waited += 10) {
            {
                std::lock_guard lock(mutex);
                if (said.size() >= n) break;
            }
            usleep(10000);
        }
        std::lock_guard lock(mutex);
        if (said.size() < n) Fail("notice " + std::to_string(n) + " (" + word + ") never came");
        const auto& [text, closes] = said[n - 1];
        if (text.find(word) == std::string::npos || closes != broken)
            Fail("notice " + std::to_string(n) + " is \"" + text + "\", not " + word);
    }
};

// Locked at start, unlocked, locked again with a device plugged in meanwhile, unlocked.
void LockAndUnlock() {
    Device scanner("VM session scanner", 0x0b05);
    auto session = std::make_shared<PipeSession>(blenvar::SessionState{true, true});
    Notices notices;
    std::atomic<int> keys{0};
    blenvar::EvdevCaptureSetup setup;
    setup.mode = blenvar::CaptureDevices::All;
    setup.session = session;
    std::string error;
    bool denied = false;
    auto capture = blenvar::EvdevCapture::Start(setup, error, denied);
    if (!capture) Fail("capture did not start: " + error);
    capture->SetKeyboardHook(1, 0, [&keys](const blenvar::KeyEvent&) {
        ++keys;
        return blenvar::kPassKey;
    });
    capture->SetNoticeHook([&notices](const std::string& m, blenvar::ScanCut cut) {
        notices.Add(m, cut == blenvar::ScanCut::Close);
    });
    notices.Expect(1, "paused", true);
    Expect(!Grabbed(scanner.Node()), "grabbed while locked at start");
    session->Set({true, false});
    WaitGrabbed(scanner.Node(), true);
    notices.Expect(2, "resumed", false);

    session->Set({true, true});
    WaitGrabbed(scanner.Node(), false);
    // The count follows the release on the relay thread.
    for (int waited = 0; capture->GrabbedCount() != 0 && waited < 1000; waited += 10) usleep(10000);
    Expect(capture->GrabbedCount() == 0, "devices counted as grabbed while locked");
    notices.Expect(3, "paused", true);

    // Nothing of the lock screen is read, and nothing plugged in meanwhile is grabbed.
    Device later("VM session late keyboard", 0x0b06);
    Fd reader = OpenReader(scanner.Node());
    const int before = keys;
    scanner.Type("42");
    Expect(ReadKeys(reader.get(), 4, 2000) == Taps({KEY_4, KEY_2}),
           "keys typed while locked did not reach the desktop");
    Expect(!Grabbed(later.Node()), "a device plugged in while locked was grabbed");
    Expect(keys == before, "keys typed while locked reached the callback");

    session->Set({true, false});
    WaitGrabbed(scanner.Node(), true);
    WaitGrabbed(later.Node(), true);
    notices.Expect(4, "resumed", false);
    scanner.Type("7");
    for (int waited = 0; keys == before && waited < 2000; waited += 10) usleep(10000);
    Expect(keys > before, "keys after the unlock did not reach the callback");
}

}  // namespace

int main() {
    try {
        LockAndUnlock();
        std::printf("session_pause_test: ok\n");
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "session_pause_test: FAIL: %s\n", e.what());
        return 1;
    }
}
