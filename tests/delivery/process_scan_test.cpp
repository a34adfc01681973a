// Delivery of one scan with recording fakes and a real settings file.
#include "output/process_scan.h"

#include <gtest/gtest.h>

#include <future>

#include "core/command_line.h"
#include "decode/temp_ini.h"
#include "delivery/delivery_fakes.h"
#include "output/key_sequence.h"
#include "output/typing_thread.h"

namespace blenvar {
namespace {

class ProcessScanTest : public ::testing::Test {
  protected:
    // A fresh desktop and settings file; the scan has the fixed date and time.
    void Run(const std::string& settings, const std::string& type, const std::string& code,
             const std::string& extra = "", bool reprocess = false) {
        file_ = std::make_unique<testing::TempIni>(settings);
        ini_.SetFileName(file_->path());
        testing::FakeDesktop fresh;  // keeps what the test set up, records anew
        fresh.programsOnPath = d_.programsOnPath;
        fresh.documents = d_.documents;
        fresh.failFiles = d_.failFiles;
        d_ = fresh;
        rec_ = ScanRecord{"raw", "", type, code, extra, "03/04/2005", "9:05:07am"};
        DeliveryServices s{ini_, d_, &d_, d_, d_, d_, d_, d_, d_, d_, "/data"};
        ProcessScan(rec_, reprocess, s);
    }

    // The keys sent, as the notation that would type them.
    void ExpectTyped(const char* notation) const {
        ASSERT_EQ(d_.sent.size(), 1u);
        EXPECT_EQ(d_.sent[0], ParseKeySequence(notation).actions) << notation;
    }

    testing::FakeDesktop d_;
    ScanRecord rec_;
    std::unique_ptr<testing::TempIni> file_;
    INIFile ini_;
};

TEST_F(ProcessScanTest, StepsRunInOrderWithTheConvertedTypesSettings) {
    d_.programsOnPath = {"logger"};
    Run("[UPC-E]\r\nExpandUPCE=1\r\nScanToKeyboard=0\r\n"
        "[UPC-A]\r\nScanToKeyboard=1\r\nAddReturn=1\r\nKeyboardMask=%%T %%C\r\n"
        "ClipboardMask=[%%C]\r\nExecuteCommand=1\r\nCommandLine=logger\r\nCommandOptions=-t %%T\r\n"
        "SaveToFile=True\r\nFileFormat=%%C;%%X\r\n",
        "UPC-E", "01234565", "12");
    EXPECT_EQ(rec_.TypeName + " " + rec_.Code, "UPC-A 012345000065");
    EXPECT_EQ(d_.events, (std::vector<std::string>{
                             "sound:UPC-A", "keys", "clipboard:[012345000065]",
                             "start:/usr/bin/logger", "file:/data/UPC-A.txt", "tray:1"}));
    ExpectTyped("UPC-A 012345000065~");
    ASSERT_EQ(d_.started.size(), 1u);
    EXPECT_EQ(d_.started[0].second, (std::vector<std::string>{"-t", "UPC-A"}));
    ASSERT_EQ(d_.lines.size(), 1u);
    EXPECT_EQ(d_.lines[0].second, "012345000065;12");
}

// Defaults; only "1" switches the keyboard and the clipboard on, the file takes any truth
// value; a second delivery of the same scan skips only the keyboard.
TEST_F(ProcessScanTest, WhichStepsRun) {
    const struct {
        const char* ini;
        bool reprocess;
        std::vector<std::string> events;
    } cases[] = {
        {"", false, {"sound:T", "clipboard:V", "tray:1"}},
        {"[T]\nScanToKeyboard=true\nSendToClipboard=01\nSaveToFile=-1\n",
         false,
         {"sound:T", "file:/data/T.txt", "tray:1"}},
        {"[T]\nScanToKeyboard=1\nAddReturn=1\nSaveToFile=1\n",
         true,
         {"sound:T", "clipboard:V", "file:/data/T.txt", "tray:1"}},
    };
    for (const auto& c : cases) {
        Run(c.ini, "T", "V", "", c.reprocess);
        EXPECT_EQ(d_.events, c.events) << c.ini;
    }
}

TEST_F(ProcessScanTest, ScannedTextIsTypedLiterallyAndMaskNotationStillWorks) {
    Run("[T]\nScanToKeyboard=1\nKeyboardMask=+(%%C){TAB}%%X~\n", "T", "a^b", "{DEL}%+");
    // The group's Shift applies to the scanned characters, but none of them is notation.
    ExpectTyped("+(a{^}b){TAB}{{}DEL{}}{%}{+}~");
}

TEST_F(ProcessScanTest, MalformedMaskTypesNothingAndNamesThePlaceInTheMask) {
    std::string repeats;
    for (int i = 0; i < 100; ++i) repeats += "{x 1000}";
    const struct {
        std::string mask;
        const char* code;
        std::string error;
    } cases[] = {
        {"%%C{ENTR}", "VALUE", "Unknown key name \"{ENTR}\" at position 4 of the keyboard mask."},
        {"\xC3\xA9%%C%%X+", "abc",
         "The Shift sign \"+\" at position 8 of the keyboard mask has no key after it."},
        {"%%C(%%X", "{", "The \"(\" at position 4 of the keyboard mask has no closing \")\"."},
        // A scanned byte stands at the position of its code; the empty serial still counts.
        {"%%S" + repeats + "%%C", "abc",
         "The keyboard mask makes more than 100000 keystrokes by position 804."},
    };
    for (const auto& c : cases) {
        Run("[T]\nScanToKeyboard=1\nAddReturn=1\nSaveToFile=1\nKeyboardMask=" + c.mask + "\n", "T",
            c.code);
        EXPECT_EQ(d_.events,
                  (std::vector<std::string>{"sound:T", "notify", "clipboard:" + std::string(c.code),
                                            "file:/data/T.txt", "tray:1"}))
            << c.mask;
        EXPECT_EQ(d_.messages,
                  std::vector<std::string>{"Nothing was typed for this T scan: " + c.error});
    }
}

TEST_F(ProcessScanTest, ScannedTextNeverSplitsOrAddsCommandArguments) {
    d_.programsOnPath = {"recorder"};
    const std::string hostile = "a b \"c\" ;rm -rf / $(id) `id` | & > x";
    Run("[T]\nExecuteCommand=1\nCommandLine=recorder\n"
        "CommandOptions=--code %%C \"two words %%X\" -x %%S \"%%S\"\n",  // serial is empty
        "T", hostile, std::string("e \0f", 4));                          // no argument holds a NUL
    ASSERT_EQ(d_.started.size(), 1u);
    EXPECT_EQ(d_.started[0].second,
              (std::vector<std::string>{"--code", hostile, "two words e f", "-x", ""}));
}

// Only the mask's own text names a program to start; what the scan supplies is at most
// opened, and only as a web address or a document.
TEST_F(ProcessScanTest, ScannedTextNeverChoosesTheProgram) {
    d_.programsOnPath = {"logger", "poweroff", "/bin/sh"};
    d_.documents = {{"report-V.pdf", "/home/u/report-V.pdf"},
                    {"/docs/app.desktop", "/docs/app.desktop"},
                    {"/docs/link", "/usr/share/applications/x.DESKTOP"}};
    const struct {
        const char* commandLine;
        const char* code;
        const char* event;  // "notify" when refused
    } cases[] = {
        {"logger", "V", "start:/usr/bin/logger"},
        {"\"/tmp/quoted.txt\"", "V", "open:/tmp/quoted.txt"},
        {"mailto:someone@example.org", "V", "open:mailto:someone@example.org"},
        {"no-such-program", "V", "notify"},
        {"", "V", "notify"},
        {"%%C", "poweroff", "notify"},
        {"%%C", "/bin/sh", "notify"},
        {"log%%C", "ger", "notify"},
        {"%%C", "file:///etc/passwd", "notify"},
        {"%%C", "x-scheme-handler/foo:bar", "notify"},
        {"%%C", "https://", "notify"},
        {"%%C", "https://example.org/a b", "notify"},
        {"%%C", "/docs/app.desktop", "notify"},
        {"%%C", "/docs/link", "notify"},
        {"  \"%%C\"  ", "HTTP://example.org/", "open:HTTP://example.org/"},
        {"https://example.com/?q=%%C", "V", "open:https://example.com/?q=V"},
        {"report-%%C.pdf", "V", "open:/home/u/report-V.pdf"},
    };
    for (const auto& c : cases) {
        Run(std::string("[T]\nExecuteCommand=1\nSendToClipboard=0\nCommandOptions=--opt %%C\n"
                        "CommandLine=") +
                c.commandLine + "\n",
            "T", c.code);
        EXPECT_EQ(d_.events, (std::vector<std::string>{"sound:T", c.event, "tray:1"}))
            << c.commandLine << " with " << c.code;
    }
}

TEST_F(ProcessScanTest, UnwritableFileIsReportedWithItsName) {
    d_.failFiles = true;
    Run("[UCC/EAN 128]\nSaveToFile=1\n", "UCC/EAN 128", "V");
    ASSERT_EQ(d_.messages.size(), 1u);
    EXPECT_NE(d_.messages[0].find("/data/UCCEAN128.txt"), std::string::npos) << d_.messages[0];
    EXPECT_NE(d_.messages[0].find("No such file"), std::string::npos);
    EXPECT_EQ(d_.events.back(), "tray:1");
}

// Deliveries are typed in order on a thread of their own; a failure comes back through the
// owner's post, and the destructor types what is still queued.
TEST(TypingThread, TypesInOrderElsewhereAndReportsFailuresOnTheOwnersThread) {
    struct Sender : KeySender {
        std::vector<std::size_t>* sizes;
        bool Send(const std::vector<KeyAction>& actions, std::string& error) override {
            sizes->push_back(actions.size());
            error = "refused";
            return actions.size() != 2;
        }
    };
    std::vector<std::size_t> sizes;
    std::promise<std::function<void()>> posted;
    std::vector<std::string> failures;
    {
        TypingThread typing(
            [&] {
                auto s = std::make_unique<Sender>();
                s->sizes = &sizes;
                return s;
            },
            [&](std::function<void()> report) { posted.set_value(std::move(report)); });
        for (std::size_t n : {1, 2, 3})
            typing.Type(std::vector<KeyAction>(n),
                        [&](const std::string& e) { failures.push_back(e); });
        posted.get_future().get()();
        EXPECT_EQ(failures, std::vector<std::string>{"refused"});
    }
    EXPECT_EQ(sizes, (std::vector<std::size_t>{1, 2, 3}));
}

TEST(SplitCommandWordsTest, FollowsTheWindowsRules) {
    using V = std::vector<std::string>;
    struct Case {
        const char* in;
        V out;
        const char* quoted;  // per word: 1 when it used quotes
    } cases[] = {
        {"", {}, ""},
        {"  a\tb  ", {"a", "b"}, "00"},
        {"\"a b\" c", {"a b", "c"}, "10"},
        {"a\"b c\"d", {"ab cd"}, "1"},
        {"\"\"", {""}, "1"},
        {"\"a \"\"q\"\" b\"", {"a \"q\" b"}, "1"},
        {"a\\\\b", {"a\\\\b"}, "0"},
        {"a\\\"b", {"a\"b"}, "0"},
        {"a\\\\\"b c\"", {"a\\b c"}, "1"},
        {"C:\\dir\\file.txt", {"C:\\dir\\file.txt"}, "0"},
        {"\"unterminated arg", {"unterminated arg"}, "1"},
    };
    for (const auto& c : cases) {
        V texts;
        std::string quoted;
        for (const auto& w : SplitCommandWords(c.in)) {
            texts.push_back(w.text);
            quoted += w.quoted ? '1' : '0';
        }
        EXPECT_EQ(texts, c.out) << c.in;
        EXPECT_EQ(quoted, c.quoted) << c.in;
    }
}

}  // namespace
}  // namespace blenvar
