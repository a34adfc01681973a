// X11Capture on a real X server: the harness captures, the probe window is focused, and
// keys come through XTest (blenvar-xinject) from other connections and devices.
// gtest first: Xlib's None macro would break its headers.
#include <gtest/gtest.h>
// (keep the order)
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <thread>

#include "capture/training_machine.h"
#include "keys/probe_session.h"
#include "support/files.h"
#include "support/process.h"

namespace blenvar {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using Lines = std::vector<std::string>;

void Inject(Lines args) {
    args.insert(args.begin(), BLENVAR_XINJECT);
    EXPECT_EQ(testing::Spawned(args).Wait(20000), 0);
}

using testing::ReadFile;

// Runs blenvar-capture-harness and reads the lines it records.
class Harness {
  public:
    ~Harness() {
        process_.reset();
        if (input_ >= 0) close(input_);
        std::filesystem::remove(events_);
    }

    // 0 once it is ready, or its exit status. `scanner`: Scanner mode with that device.
    int Start(const std::string& start, const std::string& stop, const Lines& scanner = {}) {
        testing::WriteFile(events_, "");
        int fds[2];
        if (pipe(fds) != 0) return -1;
        Lines args{BLENVAR_HARNESS, events_, start, stop};
        args.insert(args.end(), scanner.begin(), scanner.end());
        process_ = std::make_unique<testing::Spawned>(
            args, "", "", "", std::vector<std::pair<int, int>>{{0, fds[0]}});
        close(fds[0]);
        input_ = fds[1];
        for (const auto end = Clock::now() + milliseconds(10000); Clock::now() < end;) {
            if (WaitFor("ready", 0)) return 0;
            if (const int status = process_->Wait(20); status != -1) return status;
        }
        return -1;
    }

    Lines All() const {
        std::stringstream in(ReadFile(events_));
        Lines lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    bool WaitFor(const std::string& line, int timeoutMs = 10000) const {
        for (const auto end = Clock::now() + milliseconds(timeoutMs);;) {
            const Lines lines = All();
            if (std::find(lines.begin(), lines.end(), line) != lines.end()) return true;
            if (Clock::now() >= end) return false;
            std::this_thread::sleep_for(milliseconds(5));
        }
    }
    // The lines that begin with `prefix`, without it.
    Lines Starting(const std::string& prefix) const {
        Lines found;
        for (const std::string& line : All()) {
            if (line.rfind(prefix, 0) == 0) found.push_back(line.substr(prefix.size()));
        }
        return found;
    }
    Lines Scans() const { return Starting("scan "); }
    // The first line that begins with one of `prefixes`; "?" when none came in time.
    std::string Next(const Lines& prefixes, int timeoutMs = 10000) const {
        for (const auto end = Clock::now() + milliseconds(timeoutMs);;) {
            for (const std::string& line : All()) {
                for (const std::string& prefix : prefixes) {
                    if (line.rfind(prefix, 0) == 0) return line;
                }
            }
            if (Clock::now() >= end) return "?";
            std::this_thread::sleep_for(milliseconds(5));
        }
    }
    void Command(const std::string& command) {
        const std::string text = command + "\n";
        ASSERT_EQ(write(input_, text.data(), text.size()), ssize_t(text.size()));
    }
    // Through its typing thread, whose X11KeySender waits at the capture's gate.
    void Type(const std::string& text) {
        Command("type " + text);
        ASSERT_TRUE(WaitFor("typed"));
    }
    int Kill(int signal, int timeoutMs) { return process_->Stop(signal, timeoutMs); }

  private:
    std::string events_ = std::filesystem::temp_directory_path() /
                          ("blenvar-capture-" + std::to_string(getpid()) + ".txt");
    std::unique_ptr<testing::Spawned> process_;
    int input_ = -1;
};

// Trained keys as A,S,V,C.
const std::string kF12 = "1,0,123,88", kF11 = "1,0,122,87", kShiftF12 = "1,1,123,88";
const std::string kBracket = "1,0,221,27", kShiftBracket = "1,1,221,27", kEnter = "1,0,13,28",
                  kKeypad7 = "1,0,103,71";

class CaptureX11 : public test::ProbeTest {
  protected:
    // Another client can take the whole keyboard: nobody holds it.
    static bool KeyboardFree() {
        Display* dpy = XOpenDisplay(nullptr);
        const bool free = XGrabKeyboard(dpy, DefaultRootWindow(dpy), False, GrabModeAsync,
                                        GrabModeAsync, CurrentTime) == GrabSuccess;
        XUngrabKeyboard(dpy, CurrentTime);
        XCloseDisplay(dpy);
        return free;
    }

    Harness harness_;
};

TEST_F(CaptureX11, ScansAreWithheldAndEveryOtherKeyArrives) {
    struct Case {
        std::string start, stop;
        Lines keys;
        std::string window, scan;  // scan "": none opens
    } cases[] = {
        {kF12, kF11, {"--text", "Idle typing, 123 ~!\tok\n"}, "Idle typing, 123 ~!\tok\n", ""},
        {kF12,
         kF11,
         {"--text", "before", "--key", "F12", "--text", "SCAN-123", "--key", "F11", "--text",
          "after"},
         "beforeafter",
         "SCAN-123"},
        // The first key's character belongs to the scan; Enter closes it.
        {kBracket, kEnter, {"--text", "pre]978-0306406157\npost"}, "prepost", "]978-0306406157"},
        // The Shift release inside the scan is withheld; later keys are not shifted.
        {kShiftF12,
         kF11,
         {"--text", "x", "--down", "shift", "--key", "F12", "--up", "shift", "--text", "ab",
          "--key", "F11", "--text", "after"},
         "xafter",
         "ab"},
        // Other modifiers than trained: not grabbed, or grabbed and replayed (Num Lock).
        {kF12, kF11, {"--key", "ctrl+F12", "--text", "z"}, "<Ctrl+F12>z", ""},
        {kKeypad7, kF11, {"--key", "KP_Home", "--text", "z"}, "<Num+Home>z", ""},
    };
    for (const Case& c : cases) {
        Harness harness;
        ASSERT_EQ(harness.Start(c.start, c.stop), 0);
        EXPECT_EQ(Received(c.window.size(),
                           [&] {
                               Inject(c.keys);
                               EXPECT_TRUE(c.scan.empty() || harness.WaitFor("scan " + c.scan));
                           }),
                  c.window);
        EXPECT_EQ(harness.Scans(), c.scan.empty() ? Lines{} : Lines{c.scan}) << c.window;
        EXPECT_TRUE(KeyboardFree()) << c.window;
    }
}

// A long scan at full speed: capture_desktop_test delivers one of 2,000 characters.

// The deadline ends the hold from a timer while keys keep coming: each key goes either
// to the scan or to the window, none is lost or doubled.
TEST_F(CaptureX11, KeysAcrossTheDeadlineAreSplitNotLost) {
    std::string text;
    for (int i = 0; i < 1500; ++i) text += char('a' + i % 26);
    ASSERT_EQ(harness_.Start(kF12, kF11), 0);
    const std::string window = Received(1, [&] {
        Inject({"--key", "F12", "--delay-us", "2000", "--text", text});
    });
    const Lines scans = harness_.Scans();
    ASSERT_EQ(scans.size(), 1u);
    EXPECT_GT(window.size(), 0u);
    EXPECT_EQ(scans[0] + window, text);
    EXPECT_TRUE(KeyboardFree());
}

TEST_F(CaptureX11, StartKeysThatCannotBeWatchedAreReported) {
    Display* other = XOpenDisplay(nullptr);
    XGrabKey(other, 88 + 8, 0, DefaultRootWindow(other), False, GrabModeAsync, GrabModeAsync);
    XSync(other, False);
    const struct {
        std::string start, sentence;
    } cases[] = {
        {kF12, "refused Another program already uses the scanner's start key"},
        {"1,0,65,900", "refused The trained start key does not exist on this keyboard"},
    };
    for (const auto& c : cases) {
        Harness harness;
        EXPECT_EQ(harness.Start(c.start, kF11), 4);
        const Lines lines = harness.All();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].rfind(c.sentence, 0), 0u) << lines[0];
    }
    XCloseDisplay(other);
}

// Blenvar's own start keys never open a scan; another keyboard's opens its scan at once while
// Blenvar types a delivery, here waiting for the Shift the user holds. Typing waits for the
// scan and then goes on, and the event loop runs all along.
TEST_F(CaptureX11, OwnKeystrokesNeverOpenAScanAndAStartKeyDuringThemDoesAtOnce) {
    std::string text;
    for (int i = 0; i < 500; ++i) text += i % 10 == 0 ? '}' : char('a' + i % 26);
    ASSERT_EQ(harness_.Start(kShiftBracket, kEnter), 0);
    const auto before = [&](const std::string& first, const std::string& second) {
        const Lines lines = harness_.All();
        const auto a = std::find(lines.begin(), lines.end(), first);
        return a != lines.end() && std::find(a, lines.end(), second) != lines.end();
    };
    EXPECT_EQ(Received(text.size(),
                       [&] {
                           Inject({"--down", "shift"});
                           harness_.Command("type " + text);
                           ASSERT_TRUE(harness_.WaitFor("typing"));
                           harness_.Command("present");
                           ASSERT_TRUE(harness_.WaitFor("present 0", 2000));
                           Inject({"--key", "bracketright", "--up", "shift", "--text", "42\n"});
                           ASSERT_TRUE(harness_.WaitFor("scan }42", 2000));
                       }),
              text);
    ASSERT_TRUE(harness_.WaitFor("typed"));
    EXPECT_TRUE(before("scan }42", "typed"));
    EXPECT_EQ(harness_.Scans(), Lines{"}42"});
    EXPECT_TRUE(KeyboardFree());
}

TEST_F(CaptureX11, KilledDuringAScanFreesTheKeyboard) {
    ASSERT_EQ(harness_.Start(kF12, kF11), 0);
    Inject({"--key", "F12", "--text", "open"});
    ASSERT_TRUE(harness_.WaitFor("e 2 0 78 49 c"));  // the "n" of "open"
    EXPECT_FALSE(KeyboardFree());
    EXPECT_EQ(harness_.Kill(SIGKILL, 5000), 128 + SIGKILL);
    EXPECT_EQ(Received(5, [] { Inject({"--text", "freed"}); }), "freed");
    EXPECT_TRUE(KeyboardFree());
}

// A second keyboard: `xinput create-master scanner` adds the master "scanner keyboard" with
// the slave "scanner XTEST keyboard", which `blenvar-xinject --master scanner` types through
// into the window the core keyboard focuses. A real scanner hangs off the core keyboard
// instead, but that cannot be built here: the server refuses to move an XTest slave to
// another master, and Xvfb's only other keyboard sends nothing. The grab is the same
// either way: a grabbed slave leaves its master for as long as the grab lasts.
class ScannerX11 : public CaptureX11 {
  protected:
    void SetUp() override { ASSERT_EQ(Xinput({"create-master", "scanner"}), 0); }
    void TearDown() override { Xinput({"remove-master", "scanner keyboard"}); }

    static int Xinput(Lines args) {
        args.insert(args.begin(), "xinput");
        return testing::Spawned(args).Wait(10000);
    }
    static void Attach() { ASSERT_EQ(Xinput({"reattach", kScanner, "Virtual core keyboard"}), 0); }
    static void Scanner(Lines keys) {
        keys.insert(keys.begin(), {"--master", "scanner"});
        Inject(keys);
    }
    // Every key event capture reported came from the scanner.
    bool OnlyScannerKeys() const {
        for (const std::string& e : harness_.Starting("e ")) {
            if (!e.ends_with(" s")) return false;
        }
        return true;
    }

    static constexpr const char* kScanner = "scanner XTEST keyboard";
};

TEST_F(ScannerX11, TrainingNamesTheDeviceTheSampleCameFrom) {
    const std::string mixed(kMixedDevicesMessage);
    const struct {
        const char* name;
        Lines mode;           // {} All, else Scanner mode with this device
        Lines scanner, core;  // keys of each device, the scanner's first
        std::string outcome;
    } cases[] = {
        {"first training, in All mode",
         {},
         {"--text", "42\n"},
         {},
         "trained scanner XTEST keyboard"},
        {"training again in Scanner mode",
         {kScanner},
         {"--text", "42\n"},
         {},
         "trained scanner XTEST keyboard"},
        // It types what Blenvar types: no scanner can be told by it.
        {"the core XTest keyboard", {}, {}, {"--device", "xtest", "--text", "42\n"}, "trained "},
        {"a sample from two devices", {}, {"--text", "4"}, {"--text", "2\n"}, "untrained " + mixed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness harness;
        ASSERT_EQ(harness.Start(kF12, kF11, c.mode), 0);
        harness.Command("train");
        ASSERT_TRUE(harness.WaitFor("training"));
        // Training holds every keyboard: the window gets none of the sample.
        EXPECT_EQ(Received(0,
                           [&] {
                               if (!c.scanner.empty()) Scanner(c.scanner);
                               if (!c.core.empty()) Inject(c.core);
                           }),
                  "");
        harness.Command("stop");
        EXPECT_EQ(harness.Next({"trained ", "untrained "}), c.outcome);
        EXPECT_TRUE(KeyboardFree());
    }
}

TEST_F(ScannerX11, EveryScanIsCapturedWhateverItBeginsWithAndNoneReachesTheWindow) {
    // Without capture the scanner types into the window.
    EXPECT_EQ(Received(2, [] { Scanner({"--text", "ab"}); }), "ab");
    ASSERT_EQ(harness_.Start(kBracket, kEnter, {kScanner}), 0);
    EXPECT_EQ(Received(3,
                       [&] {
                           Scanner({"--text", "ABC-1\n"});
                           Inject({"--text", "ok"});
                           Scanner({"--text", "x y\n", "--text", "]42\n"});
                           // The trained start character from the keyboard is typing.
                           Inject({"--text", "]"});
                           EXPECT_TRUE(harness_.WaitFor("scan ]42"));
                       }),
              "ok]");
    EXPECT_EQ(harness_.Scans(), (Lines{"ABC-1", "x y", "]42"}));
    EXPECT_TRUE(OnlyScannerKeys());
    EXPECT_TRUE(KeyboardFree());
}

TEST_F(ScannerX11, KeysOfTheKeyboardDuringAnOpenScanReachTheWindowInOrder) {
    ASSERT_EQ(harness_.Start(kBracket, kEnter, {kScanner, "5000"}), 0);
    Scanner({"--text", "scan"});
    ASSERT_TRUE(harness_.WaitFor("e 2 0 78 49 c s"));  // the "n"
    // The scan is open, and the core keyboard is nobody's.
    EXPECT_TRUE(KeyboardFree());
    const std::string typed = "Hello, World! 123\tok\n";
    EXPECT_EQ(Received(typed.size(), [&] { Inject({"--text", typed}); }), typed);
    Scanner({"--text", "-2\n"});
    ASSERT_TRUE(harness_.WaitFor("scan scan-2"));
    EXPECT_TRUE(OnlyScannerKeys());
}

TEST_F(ScannerX11, AnUnpluggedScannerEndsItsScanAndOnePluggedInIsTaken) {
    const std::string name = "\"" + std::string(kScanner) + "\"";
    ASSERT_EQ(harness_.Start(kBracket, kEnter, {kScanner, "5000"}), 0);
    Scanner({"--text", "part"});
    ASSERT_TRUE(harness_.WaitFor("e 2 0 84 20 c s"));  // the "t"
    ASSERT_EQ(Xinput({"remove-master", "scanner keyboard"}), 0);
    // What it sent so far is the scan; no key had to come.
    EXPECT_TRUE(harness_.WaitFor("scan part"));
    EXPECT_TRUE(harness_.WaitFor("notice The scanner " + name + " was unplugged."));
    harness_.Command("present");
    EXPECT_TRUE(harness_.WaitFor("present 0"));

    ASSERT_EQ(Xinput({"create-master", "scanner"}), 0);
    EXPECT_TRUE(harness_.WaitFor("notice The scanner " + name + " is ready."));
    harness_.Command("present");
    EXPECT_TRUE(harness_.WaitFor("present 1"));
    EXPECT_EQ(Received(0,
                       [&] {
                           Scanner({"--text", "new\n"});
                           EXPECT_TRUE(harness_.WaitFor("scan new"));
                       }),
              "");
}

TEST_F(ScannerX11, AScannerAnotherProgramHoldsIsTakenOnceItLetsGo) {
    Display* other = XOpenDisplay(nullptr);
    int major = 2, minor = 2, count = 0, id = -1;
    ASSERT_EQ(XIQueryVersion(other, &major, &minor), Success);
    XIDeviceInfo* infos = XIQueryDevice(other, XIAllDevices, &count);
    for (int i = 0; i < count; ++i) {
        if (std::string(infos[i].name) == kScanner) id = infos[i].deviceid;
    }
    XIFreeDeviceInfo(infos);
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XIEventMask mask{id, int(sizeof bits), bits};
    ASSERT_EQ(XIGrabDevice(other, id, DefaultRootWindow(other), CurrentTime, 0, XIGrabModeAsync,
                           XIGrabModeAsync, False, &mask),
              GrabSuccess);
    ASSERT_EQ(harness_.Start(kBracket, kEnter, {kScanner}), 0);
    EXPECT_EQ(harness_.Next({"notice "}), "notice Another program holds the scanner \"" +
                                              std::string(kScanner) +
                                              "\"; Blenvar keeps trying to take it.");
    XIUngrabDevice(other, id, CurrentTime);
    XCloseDisplay(other);
    EXPECT_TRUE(harness_.WaitFor("notice The scanner \"" + std::string(kScanner) + "\" is ready."));
    EXPECT_EQ(Received(0,
                       [&] {
                           Scanner({"--text", "42\n"});
                           EXPECT_TRUE(harness_.WaitFor("scan 42"));
                       }),
              "");
}

// Everything Blenvar types goes through that slave of the core keyboard. Refused as the
// scanner, it leaves capture on the trained start key, as All mode.
TEST_F(CaptureX11, TheCoreXTestKeyboardIsNeverTakenForTheScanner) {
    ASSERT_EQ(harness_.Start(kBracket, kEnter, {"Virtual core XTEST keyboard"}), 0);
    EXPECT_EQ(harness_.Next({"use "}),
              "use The recorded scanner is the desktop's synthetic "
              "keyboard, which Blenvar types through itself; train "
              "again with the scanner.");
    EXPECT_EQ(Received(0,
                       [&] {
                           Inject({"--text", "]ok\n"});
                           EXPECT_TRUE(harness_.WaitFor("scan ]ok"));
                       }),
              "");
    harness_.Command("present");
    EXPECT_TRUE(harness_.WaitFor("present 0"));
}

TEST(CaptureX11Server, LostServerEndsTheProgram) {
    // A server of its own, which reports its display on fd 3 once it is ready.
    const std::string report =
        std::filesystem::temp_directory_path() / ("blenvar-xvfb-" + std::to_string(getpid()));
    const int fd = open(report.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    testing::Spawned server({"Xvfb", "-displayfd", "3", "-nolisten", "tcp"}, "", "", "", {{3, fd}});
    close(fd);
    ASSERT_TRUE(server.Started());
    std::string number;
    for (const auto end = Clock::now() + milliseconds(20000);
         Clock::now() < end && number.find('\n') == std::string::npos;) {
        std::this_thread::sleep_for(milliseconds(20));
        number = ReadFile(report);
    }
    std::filesystem::remove(report);
    ASSERT_NE(number.find('\n'), std::string::npos) << "Xvfb did not start";
    const std::string saved = std::getenv("DISPLAY");
    setenv("DISPLAY", (":" + number.substr(0, number.find('\n'))).c_str(), 1);
    Harness harness;
    EXPECT_EQ(harness.Start(kF12, kF11), 0);
    setenv("DISPLAY", saved.c_str(), 1);
    server.Stop(SIGKILL);
    EXPECT_EQ(harness.Kill(0, 5000), 3);
    EXPECT_TRUE(harness.WaitFor("lost", 0));
}

}  // namespace
}  // namespace blenvar
