// blenvar-decode --deliver on a real (headless) desktop: keys typed into a real window,
// the clipboard read back, a real command's argument list, the file.
// gtest first: Xlib's None macro would break its headers.
#include <gtest/gtest.h>
// (keep the order)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "decode/temp_ini.h"
#include "delivery/argrecord.h"
#include "keys/probe_session.h"
#include "support/process.h"

namespace blenvar {
namespace {

namespace fs = std::filesystem;

std::string TrimSpaces(const std::string& s) {
    size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

class DeliverTest : public test::ProbeTest {
  protected:
    void SetUp() override {
        ASSERT_NE(probe_, nullptr);
        dir_ = std::make_unique<testing::TempIni>();
        argDir_ = dir_->folder() + "/args";
        fs::create_directory(argDir_);
        setenv("BLENVAR_ARGREC_DIR", argDir_.c_str(), 1);
        // The decoder registers its sounds in the per-user store: keep that private.
        const std::string config = dir_->folder() + "/config";
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        // Commands start in this folder: anything a hostile value managed to run would
        // leave its traces here.
        previousDir_ = fs::current_path();
        fs::current_path(dir_->folder());
    }
    void TearDown() override { fs::current_path(previousDir_); }

    struct Outcome {
        std::vector<std::string> printed;  // one line per scan
        std::string typed;                 // what the window received
        std::string clipboard;
        std::string errors;
        int status = -1;
    };

    // Runs blenvar-decode --deliver over the scans (one per line of its input), waits for
    // every scan, reads the clipboard, takes the clipboard over and expects the program
    // to end by itself.
    Outcome Deliver(const std::string& settings, const std::vector<std::string>& scans,
                    size_t expectTyped) {
        const std::string ini = dir_->path();
        std::ofstream(ini, std::ios::binary) << settings;
        const std::string in = dir_->folder() + "/scans.txt";
        {
            std::ofstream f(in, std::ios::binary);
            // Every line end a scanner may send: CR, LF and CR LF in turn.
            const char* ends[] = {"\r", "\n", "\r\n"};
            for (size_t i = 0; i < scans.size(); ++i) f << scans[i] << ends[i % 3];
        }
        const std::string out = dir_->folder() + "/out.txt", err = dir_->folder() + "/err.txt";
        const size_t from = probe_->Size();
        testing::Spawned decoder({BLENVAR_DECODE, "--deliver", "--settings", ini}, in, out, err);
        EXPECT_TRUE(decoder.Started());
        Outcome o;
        for (int waited = 0; waited < 60000; waited += 50) {
            o.printed = testing::Lines(testing::ReadFile(out));
            if (o.printed.size() >= scans.size()) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        o.typed = probe_->ReadSince(from, expectTyped, 10000, 300);
        o.clipboard = testing::RunProcess({"/usr/bin/xclip", "-o", "-selection", "clipboard"}).out;
        // Someone else copies: the decoder's clipboard text is no longer needed.
        const std::string other = dir_->folder() + "/other.txt";
        std::ofstream(other) << "copied elsewhere";
        testing::Spawned xclip({"xclip", "-quiet", "-selection", "clipboard"}, other, "/dev/null",
                               "/dev/null");
        o.status = decoder.Wait(15000);
        xclip.Stop();
        o.errors = testing::ReadFile(err);
        return o;
    }

    // The name each recorded run was started as, and its arguments, once `expected` are in.
    std::vector<std::pair<std::string, std::vector<std::string>>> RecordedCommands(
        size_t expected) {
        for (int waited = 0;; waited += 50) {
            std::vector<std::pair<std::string, std::vector<std::string>>> all;
            for (const auto& e : fs::directory_iterator(argDir_)) {
                const std::string name = e.path().filename().string();  // args.NAME.PID
                if (e.path().extension() != ".part")
                    all.emplace_back(name.substr(5, name.rfind('.') - 5),
                                     testing::ReadRecordedArgs(e.path().string()));
            }
            if (all.size() >= expected || waited >= 10000) return all;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    std::unique_ptr<testing::TempIni> dir_;
    std::string argDir_;
    fs::path previousDir_;
};

TEST_F(DeliverTest, EveryActionOnTheUsLayout) {
    const std::string settings =
        "[Setup]\r\nEncoding=AIM\r\n[CODE 128]\r\nScanToKeyboard=1\r\nAddReturn=1\r\n"
        "KeyboardMask=%%C{TAB}%%T+a~\r\nSendToClipboard=1\r\nClipboardMask=<%%C>\r\n"
        "ExecuteCommand=1\r\nCommandLine=" BLENVAR_ARGRECORD
        "\r\n"
        "CommandOptions=--code %%C \"%%T and more\"\r\nSaveToFile=1\r\nFileName=" +
        dir_->folder() + "/scans.csv\r\nFileFormat=%%T,\"%%C\"\r\n";
    const std::string value = "Hello, World! #1 @$%^&*()_+{}|:\"<>?~`";
    Outcome o = Deliver(settings, {"]C0" + value}, value.size() + 12);
    EXPECT_EQ(o.status, 0) << o.errors;
    EXPECT_EQ(o.errors, "");
    ASSERT_EQ(o.printed.size(), 1u);
    EXPECT_NE(o.printed[0].find("\"type\":\"CODE 128\""), std::string::npos) << o.printed[0];
    EXPECT_EQ(o.typed, value + "\tCODE 128A\n\n");
    EXPECT_EQ(o.clipboard, "<" + value + ">");
    auto commands = RecordedCommands(1);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].second, (std::vector<std::string>{"--code", value, "CODE 128 and more"}));
    EXPECT_EQ(testing::ReadFile(dir_->folder() + "/scans.csv"), "CODE 128,\"" + value + "\"\r\n");
}

TEST_F(DeliverTest, HostileBarcodesAreDeliveredLiterallyAndRunNothing) {
    // Notation and codes, shell and quoting signs, blanks, a control character, other
    // scripts (the X11 sender's own test types every printable character).
    const std::vector<std::string> hostile = {
        "^a{DEL}%{F4}(abc)+a{TAB 40}~{{}{x 5}%%T%%C%%R",
        "$(touch PWNED1) `touch PWNED2`;touch PWNED3| touch PWNED4&& touch PWNED5 > PWNED6",
        "a \"b c\" d 'e f' \\\"escaped\\\" %PATH% $HOME *?[a-z]! --help -rf /",
        "   padded\tvalue   ",
        "bell\x07"
        "char",
        "é€ß°²µÄöü中ñ <b>&amp;</b>",  // last: the clipboard keeps it
    };
    std::string settings =
        "[UNKNOWN]\r\nScanToKeyboard=1\r\nKeyboardMask=%%C~\r\n"
        "SendToClipboard=1\r\nExecuteCommand=1\r\nCommandLine=" +
        std::string(BLENVAR_ARGRECORD) +
        "\r\nCommandOptions=--value %%C\r\nSaveToFile=1\r\nFileName=" + dir_->folder() +
        "/hostile.csv\r\nFileFormat=%%C\r\n";
    std::string expectTyped;
    std::string expectFile;
    std::vector<std::string> expectValues;
    for (const auto& h : hostile) {
        const std::string v = TrimSpaces(h);
        expectValues.push_back(v);
        expectFile += v + "\r\n";
        // Control characters other than Tab can't be typed: that scan types nothing.
        bool typable = std::none_of(v.begin(), v.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 && c != '\t';
        });
        if (typable) expectTyped += v + "\n";
    }
    Outcome o = Deliver(settings, hostile, expectTyped.size());
    EXPECT_EQ(o.status, 1) << o.errors;  // a scan could not be typed
    EXPECT_EQ(o.printed.size(), hostile.size());
    EXPECT_EQ(o.typed, expectTyped);
    EXPECT_EQ(o.clipboard, expectValues.back());
    // The user is told about the value that could not be typed, and nothing else.
    EXPECT_EQ(testing::Lines(o.errors).size(), 1u) << o.errors;
    EXPECT_NE(o.errors.find("control character U+0007, which cannot be typed"), std::string::npos)
        << o.errors;
    EXPECT_EQ(testing::ReadFile(dir_->folder() + "/hostile.csv"), expectFile);
    std::vector<std::string> recorded;
    for (const auto& [name, args] : RecordedCommands(hostile.size())) {
        ASSERT_EQ(args.size(), 2u);
        EXPECT_EQ(args[0], "--value");
        recorded.push_back(args[1]);
    }
    std::sort(recorded.begin(), recorded.end());
    std::sort(expectValues.begin(), expectValues.end());
    EXPECT_EQ(recorded, expectValues);
    for (const auto& e : fs::directory_iterator(dir_->folder()))
        EXPECT_EQ(e.path().filename().string().find("PWNED"), std::string::npos) << e.path();
}

// A scanned CommandLine never names the program: it is opened only as a web address or
// a document, never with the options. Links to the recorder stand in for xdg-open and
// for programs a scan might name, so nothing is really opened or run.
TEST_F(DeliverTest, HostileCommandLinesOpenOnlyAddressesAndDocuments) {
    const std::string dir = dir_->folder(), bin = dir + "/bin", path = std::getenv("PATH");
    fs::create_directory(bin);
    for (const char* name : {"xdg-open", "poweroff"})
        fs::create_symlink(BLENVAR_ARGRECORD, bin + "/" + name);
    fs::create_symlink(BLENVAR_ARGRECORD, dir + "/tool");
    std::ofstream(dir + "/doc.txt") << "a document";
    std::ofstream(dir + "/app.desktop") << "[Desktop Entry]\nExec=touch PWNED\n";
    const std::vector<std::string> refused = {
        "poweroff",           "/bin/sh",     "sh -c id",          "file:///etc/passwd",
        dir + "/app.desktop", dir + "/tool", dir + "/missing.txt"};
    std::vector<std::string> opened = {fs::canonical(dir + "/doc.txt").string(),
                                       "https://example.org/x"};
    std::vector<std::string> scans = refused;
    scans.insert(scans.end(), opened.begin(), opened.end());

    setenv("PATH", (bin + ":" + path).c_str(), 1);
    Outcome o = Deliver(
        "[UNKNOWN]\r\nSendToClipboard=0\r\nExecuteCommand=1\r\nCommandLine=%%C\r\n"
        "CommandOptions=--opt %%C\r\n",
        scans, 0);
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(o.status, 1);
    ASSERT_EQ(o.printed.size(), scans.size());
    // "open" is the address of a web jump, never a command's document.
    for (const auto& line : o.printed) EXPECT_EQ(line.find("\"open\""), std::string::npos) << line;
    EXPECT_EQ(testing::Lines(o.errors).size(), refused.size()) << o.errors;

    RecordedCommands(opened.size());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // anything late shows up
    std::vector<std::string> got;
    for (const auto& [name, args] : RecordedCommands(0)) {
        EXPECT_EQ(name, "xdg-open") << " was started";
        got.insert(got.end(), args.begin(), args.end());
    }
    std::sort(got.begin(), got.end());
    std::sort(opened.begin(), opened.end());
    EXPECT_EQ(got, opened);
    EXPECT_FALSE(fs::exists(dir + "/PWNED"));
}

}  // namespace
}  // namespace blenvar
