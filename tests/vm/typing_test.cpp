// Types output masks through Blenvar's virtual keyboard with UinputKeySender on the us and
// de layouts and reads the key codes back from the keyboard's event node.
#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/scan_record.h"
#include "output/key_sequence.h"
#include "output/mask.h"
#include "platform/evdev/evdev_devices.h"
#include "platform/evdev/evdev_uinput.h"
#include "platform/evdev/uinput_key_sender.h"

namespace blenvar {
namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what);
}

// Collects the key events of an event node on a thread of its own, as a desktop would.
class Reader {
  public:
    explicit Reader(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        if (fd_ < 0) Fail("cannot open " + path);
        thread_ = std::thread([this] { Run(); });
    }
    ~Reader() {
        stop_ = true;
        thread_.join();
        close(fd_);
    }
    void Stall(int micros) { stallMicros_ = micros; }
    // Waits until `count` events arrived (or 5 s passed) and takes them.
    std::vector<int> Take(std::size_t count) {
        for (int i = 0; i < 500 && Size() < count; ++i) usleep(10000);
        usleep(100000);  // anything more than expected shows up too
        std::lock_guard lock(mutex_);
        if (dropped_) Fail("the reader saw SYN_DROPPED: events were lost");
        return std::exchange(keys_, {});
    }

  private:
    std::size_t Size() {
        std::lock_guard lock(mutex_);
        return keys_.size();
    }
    void Run() {
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            // A desktop busy for a moment between reads.
            if (stallMicros_ > 0) usleep(stallMicros_);
            input_event evs[64];
            const ssize_t n = read(fd_, evs, sizeof evs);
            std::lock_guard lock(mutex_);
            for (ssize_t i = 0; i < n / ssize_t(sizeof(input_event)); ++i) {
                if (evs[i].type == EV_KEY) keys_.push_back(evs[i].code * 10 + evs[i].value);
                if (evs[i].type == EV_SYN && evs[i].code == SYN_DROPPED) dropped_ = true;
            }
        }
    }

    int fd_;
    std::atomic<bool> stop_{false};
    std::atomic<int> stallMicros_{0};
    std::mutex mutex_;
    std::vector<int> keys_;  // code*10 + value
    bool dropped_ = false;
    std::thread thread_;
};

std::string OwnKeyboardPath() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (const InputDevice& d : ListInputDevices().devices) {
            if (IsOwnKeyboard(d.id)) return d.path;
        }
        usleep(20000);
    }
    Fail("the virtual keyboard did not appear in /dev/input");
}

std::string Describe(const std::vector<int>& keys) {
    std::string s;
    for (int k : keys) s += std::to_string(k / 10) + (k % 10 ? "v " : "^ ");
    return s.empty() ? "(nothing)" : s;
}

int Down(int code) {
    return code * 10 + 1;
}
int Up(int code) {
    return code * 10;
}
std::vector<int> Tap(int code) {
    return {Down(code), Up(code)};
}
std::vector<int> Join(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

struct Case {
    const char* layout;
    const char* mask;
    std::string code;  // the scanned field, typed literally
    std::vector<int> want;
    const char* error;  // expected failure, nothing typed
    int readerStallMicros = 0;
};

void Run() {
    std::string error;
    auto keyboard = VirtualKeyboard::Create("/dev/uinput", error);
    if (!keyboard) Fail(error);
    Reader reader(OwnKeyboardPath());

    std::vector<int> long_text;
    for (int i = 0; i < 500; ++i) long_text.insert(long_text.end(), {Down(KEY_A), Up(KEY_A)});
    const Case cases[] = {
        // "+" and "{TAB}" of the field are typed as characters, not read as notation.
        {"us", "%%C{TAB}~", "aZ@{+",
         Join({Tap(KEY_A),
               {Down(KEY_LEFTSHIFT)},
               Tap(KEY_Z),
               Tap(KEY_2),
               Tap(KEY_LEFTBRACE),
               Tap(KEY_EQUAL),
               {Up(KEY_LEFTSHIFT)},
               Tap(KEY_TAB),
               Tap(KEY_ENTER)}),
         nullptr},
        {"de", "+x%%C~", "aZ@\xC3\x9F{",
         Join({{Down(KEY_LEFTSHIFT)},
               Tap(KEY_X),
               {Up(KEY_LEFTSHIFT)},
               Tap(KEY_A),
               {Down(KEY_LEFTSHIFT)},
               Tap(KEY_Y),
               {Up(KEY_LEFTSHIFT), Down(KEY_RIGHTALT)},
               Tap(KEY_Q),
               {Up(KEY_RIGHTALT)},
               Tap(KEY_MINUS),
               {Down(KEY_RIGHTALT)},
               Tap(KEY_7),
               {Up(KEY_RIGHTALT)},
               Tap(KEY_ENTER)}),
         nullptr},
        {"us",
         "%%C",
         "a\xE2\x82\xAC",
         {},
         "The character U+20AC cannot be typed with the keyboard layout us."},
        // The reader pauses between reads and must still lose nothing.
        {"us", "%%C", std::string(500, 'a'), long_text, nullptr, 3000},
    };
    for (const Case& c : cases) {
        reader.Stall(c.readerStallMicros);
        UinputKeySenderOptions options;
        options.layoutSetting = c.layout;
        UinputKeySender sender(*keyboard, options);
        ScanRecord rec;
        rec.Code = c.code;
        const MarkedText text = FormatMaskMarked(c.mask, rec);
        const KeyParseResult parsed = ParseKeySequence(text.text, text.fromField);
        if (!parsed.ok()) Fail(std::string(c.mask) + ": " + parsed.error);
        error.clear();
        const auto start = std::chrono::steady_clock::now();
        const bool sent = sender.Send(parsed.actions, error);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
        const std::string what = std::string(c.layout) + " \"" + c.mask + "\"";
        if (c.error == nullptr && !sent) Fail(what + ": " + error);
        if (c.error != nullptr && (sent || error != c.error)) {
            Fail(what + ": error \"" + error + "\" instead of \"" + c.error + "\"");
        }
        const std::vector<int> got = reader.Take(c.want.size());
        if (got != c.want) {
            Fail(what + " read " + Describe(got) + "instead of " + Describe(c.want));
        }
        std::printf("typing_test: %s: %zu key events as expected, typed in %lld ms\n", what.c_str(),
                    got.size(), static_cast<long long>(ms));
    }
}

}  // namespace
}  // namespace blenvar

int main() {
    try {
        blenvar::Run();
        std::printf("typing_test: ok\n");
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "typing_test: FAIL: %s\n", e.what());
        return 1;
    }
}
