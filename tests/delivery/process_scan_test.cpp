// Delivery of one scan with recording fakes and a real settings file.
#include "output/process_scan.h"

#include <gtest/gtest.h>

#include <fstream>

#include "decode/temp_ini.h"
#include "delivery/delivery_fakes.h"
#include "output/command_line.h"
#include "output/key_sequence.h"

namespace blenvar {
namespace {

using testing::Log;

class ProcessScanTest : public ::testing::Test {
  protected:
    void Use(const std::string& ini) {
        file_ = std::make_unique<testing::TempIni>(ini);
        ini_.SetFileName(file_->path());
    }

    ScanRecord Scan(const std::string& type, const std::string& code,
                    const std::string& extra = "") {
        ScanRecord r;
        r.Raw = "raw";
        r.TypeName = type;
        r.Code = code;
        r.Extra = extra;
        r.Date = "03/04/2005";
        r.Time = "9:05:07am";
        return r;
    }

    void Run(ScanRecord& rec, bool reprocess = false) {
        DeliveryServices s{ini_,    sound_, &keys_, clip_,     starter_, starter_,
                           opener_, files_, tray_,  notifier_, "/data"};
        ProcessScan(rec, reprocess, s);
    }

    std::string Typed(size_t i = 0) const {
        std::string out;
        for (const auto& a : keys_.sent.at(i)) {
            if (a.key != NamedKey::Character) {
                out += a.key == NamedKey::Enter ? "<ENTER>"
                       : a.key == NamedKey::Tab ? "<TAB>"
                                                : "<KEY>";
            } else if (a.character < 0x80) {
                if (a.modifiers) out += "<mod" + std::to_string(a.modifiers) + ">";
                out += static_cast<char>(a.character);
            } else {
                out += "?";
            }
        }
        return out;
    }

    Log log_;
    testing::LoggingSound sound_{log_};
    testing::LoggingKeys keys_{log_};
    testing::LoggingClipboard clip_{log_};
    testing::LoggingStarter starter_{log_};
    testing::LoggingOpener opener_{log_};
    testing::LoggingFiles files_{log_};
    testing::LoggingTray tray_{log_};
    testing::LoggingNotifier notifier_{log_};
    std::unique_ptr<testing::TempIni> file_;
    INIFile ini_;
};

TEST_F(ProcessScanTest, StepsRunInOrderWithTheConvertedTypesSettings) {
    Use("[UPC-E]\r\nExpandUPCE=1\r\nScanToKeyboard=0\r\n"
        "[UPC-A]\r\nScanToKeyboard=1\r\nAddReturn=1\r\nKeyboardMask=%%T %%C\r\n"
        "ClipboardMask=[%%C]\r\nExecuteCommand=1\r\nCommandLine=logger\r\nCommandOptions=-t %%T\r\n"
        "SaveToFile=True\r\nFileFormat=%%C;%%X\r\n");
    starter_.programsOnPath = {"logger"};
    ScanRecord rec = Scan("UPC-E", "01234565", "12");
    Run(rec);
    EXPECT_EQ(rec.TypeName, "UPC-A");
    EXPECT_EQ(rec.Code, "012345000065");
    EXPECT_EQ(log_.events, (std::vector<std::string>{
                               "sound:UPC-A", "keys", "clipboard:[012345000065]",
                               "start:/usr/bin/logger", "file:/data/UPC-A.txt", "tray:1"}));
    EXPECT_EQ(Typed(0), "UPC-A 012345000065<ENTER>");
    ASSERT_EQ(starter_.started.size(), 1u);
    EXPECT_EQ(starter_.started[0].second, (std::vector<std::string>{"-t", "UPC-A"}));
    ASSERT_EQ(files_.lines.size(), 1u);
    EXPECT_EQ(files_.lines[0].second, "012345000065;12");
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
        log_.events.clear();
        Use(c.ini);
        ScanRecord rec = Scan("T", "V");
        Run(rec, c.reprocess);
        EXPECT_EQ(log_.events, c.events) << c.ini;
    }
    EXPECT_TRUE(keys_.sent.empty());
}

TEST_F(ProcessScanTest, ScannedTextIsTypedLiterallyAndMaskNotationStillWorks) {
    Use("[T]\nScanToKeyboard=1\nKeyboardMask=+(%%C){TAB}%%X~\n");
    ScanRecord rec = Scan("T", "a^b", "{DEL}%+");
    Run(rec);
    ASSERT_EQ(keys_.sent.size(), 1u);
    // The group's Shift applies to the scanned characters, but none of them is notation.
    EXPECT_EQ(Typed(), "<mod1>a<mod1>^<mod1>b<TAB>{DEL}%+<ENTER>");
}

TEST_F(ProcessScanTest, MalformedMaskTypesNothingAndNamesThePlaceInTheMask) {
    const std::string repeats = [] {
        std::string r;
        for (int i = 0; i < 100; ++i) r += "{x 1000}";
        return r;
    }();
    struct Case {
        std::string mask;
        const char* code;
        std::string error;
    } cases[] = {
        {"%%C{ENTR}", "VALUE", "Unknown key name \"{ENTR}\" at position 4 of the keyboard mask."},
        {"\xC3\xA9%%C%%X+", "abc",
         "The Shift sign \"+\" at position 8 of the keyboard mask has "
         "no key after it."},
        {"%%C(%%X", "{", "The \"(\" at position 4 of the keyboard mask has no closing \")\"."},
        // A scanned byte stands at the position of its code; the empty serial still counts.
        {"%%S" + repeats + "%%C", "abc",
         "The keyboard mask makes more than 100000 keystrokes by position 804."},
    };
    for (const auto& c : cases) {
        log_.events.clear();
        notifier_.messages.clear();
        clip_.text.clear();
        files_.lines.clear();
        Use("[T]\nScanToKeyboard=1\nAddReturn=1\nSaveToFile=1\nKeyboardMask=" + c.mask + "\n");
        ScanRecord rec = Scan("T", c.code);
        Run(rec);
        EXPECT_TRUE(keys_.sent.empty()) << c.mask;
        ASSERT_EQ(notifier_.messages.size(), 1u) << c.mask;
        EXPECT_EQ(notifier_.messages[0], "Nothing was typed for this T scan: " + c.error);
        EXPECT_EQ(clip_.text, c.code);
        EXPECT_EQ(files_.lines.size(), 1u);
        EXPECT_EQ(log_.events.back(), "tray:1");
    }
}

TEST_F(ProcessScanTest, ScannedTextNeverSplitsOrAddsCommandArguments) {
    Use("[T]\nExecuteCommand=1\nCommandLine=recorder\n"
        "CommandOptions=--code %%C \"two words %%X\" -x %%S \"%%S\"\n");  // serial is empty
    starter_.programsOnPath = {"recorder"};
    const std::string hostile = "a b \"c\" ;rm -rf / $(id) `id` | & > x";
    ScanRecord rec = Scan("T", hostile, "e f");
    Run(rec);
    ASSERT_EQ(starter_.started.size(), 1u);
    EXPECT_EQ(starter_.started[0].second,
              (std::vector<std::string>{"--code", hostile, "two words e f", "-x", ""}));
}

// Only the mask's own text names a program to start; what the scan supplies is at most
// opened, and only as a web address or a document.
TEST_F(ProcessScanTest, ScannedTextNeverChoosesTheProgram) {
    starter_.programsOnPath = {"logger", "poweroff", "/bin/sh"};
    starter_.documents = {{"report-V.pdf", "/home/u/report-V.pdf"},
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
        log_.events.clear();
        Use(std::string("[T]\nExecuteCommand=1\nSendToClipboard=0\nCommandOptions=--opt %%C\n"
                        "CommandLine=") +
            c.commandLine + "\n");
        ScanRecord rec = Scan("T", c.code);
        Run(rec);
        EXPECT_EQ(log_.events, (std::vector<std::string>{"sound:T", c.event, "tray:1"}))
            << c.commandLine << " with " << c.code;
    }
}

TEST_F(ProcessScanTest, UnwritableFileIsReportedWithItsName) {
    Use("[UCC/EAN 128]\nSaveToFile=1\n");
    files_.fail = true;
    ScanRecord rec = Scan("UCC/EAN 128", "V");
    Run(rec);
    ASSERT_EQ(notifier_.messages.size(), 1u);
    EXPECT_NE(notifier_.messages[0].find("/data/UCCEAN128.txt"), std::string::npos)
        << notifier_.messages[0];
    EXPECT_NE(notifier_.messages[0].find("No such file"), std::string::npos);
    EXPECT_EQ(log_.events.back(), "tray:1");
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
