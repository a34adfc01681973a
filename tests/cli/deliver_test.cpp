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

// Shell, quoting and notation signs and other scripts arrive literally everywhere and run
// nothing; the clipboard keeps the last scan.
TEST_F(DeliverTest, EveryActionDeliversScannedTextLiterally) {
    const std::string settings =
        "[Setup]\r\nEncoding=AIM\r\n[CODE 128]\r\nScanToKeyboard=1\r\nAddReturn=1\r\n"
        "KeyboardMask=%%C{TAB}%%T+a~\r\nSendToClipboard=1\r\nClipboardMask=<%%C>\r\n"
        "ExecuteCommand=1\r\nCommandLine=" BLENVAR_ARGRECORD
        "\r\n"
        "CommandOptions=--code %%C \"%%T and more\"\r\nSaveToFile=1\r\nFileName=" +
        dir_->folder() + "/scans.csv\r\nFileFormat=%%T,\"%%C\"\r\n";
    const std::vector<std::string> values = {
        "Hello, World! #1 @$%^&*()_+{}|:\"<>?~` $(touch PWNED1) `touch PWNED2`;touch PWNED3|"
        " {TAB 40}^a%%T 'e f' \\\" -rf",
        "\xC3\xA9\xE2\x82\xAC\xC3\x9F\xE4\xB8\xAD <b>&amp;</b>"};
    std::string typed, file;
    for (const std::string& v : values) {
        typed += v + "\tCODE 128A\n\n";
        file += "CODE 128,\"" + v + "\"\r\n";
    }
    Outcome o = Deliver(settings, {"]C0" + values[0], "]C0" + values[1]}, typed.size());
    EXPECT_EQ(o.status, 0) << o.errors;
    EXPECT_EQ(o.errors, "");
    ASSERT_EQ(o.printed.size(), 2u);
    EXPECT_NE(o.printed[0].find("\"type\":\"CODE 128\""), std::string::npos) << o.printed[0];
    EXPECT_EQ(o.typed, typed);
    EXPECT_EQ(o.clipboard, "<" + values[1] + ">");
    auto commands = RecordedCommands(2);
    ASSERT_EQ(commands.size(), 2u);
    std::vector<std::string> codes;
    for (const auto& [name, args] : commands) {
        ASSERT_EQ(args.size(), 3u);
        EXPECT_EQ(args[2], "CODE 128 and more");
        codes.push_back(args[1]);
    }
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(codes, values);
    EXPECT_EQ(testing::ReadFile(dir_->folder() + "/scans.csv"), file);
    for (const auto& e : fs::directory_iterator(dir_->folder()))
        EXPECT_EQ(e.path().filename().string().find("PWNED"), std::string::npos) << e.path();
}

}  // namespace
}  // namespace blenvar
