// blenvar-decode as a process: readings, conversions, output forms and errors.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

#include "decode/temp_ini.h"
#include "support/process.h"

namespace blenvar {
namespace {

using testing::Lines;
using testing::RunProcess;

// String members of one flat JSON object line.
std::map<std::string, std::string> Members(const std::string& line) {
    static const std::regex member(R"re("([a-z]+)":"((?:[^"\\]|\\.)*)")re");
    std::map<std::string, std::string> m;
    for (std::sregex_iterator it(line.begin(), line.end(), member), end; it != end; ++it) {
        const std::string s = (*it)[2];
        std::string& value = m[(*it)[1]];
        for (size_t i = 0; i < s.size(); ++i) {
            const char c = s[i] == '\\' ? s[++i] : 0;
            if (c == 'u') {
                value += static_cast<char>(std::stoi(s.substr(i + 1, 4), nullptr, 16));
                i += 4;
            } else {
                value += c == 0 ? s[i] : c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
            }
        }
    }
    return m;
}

class DecodeCliTest : public ::testing::Test {
  protected:
    testing::ProcessResult Decode(std::vector<std::string> args, const std::string& input = {}) {
        args.insert(args.begin(), BLENVAR_DECODE);
        return RunProcess(args, input);
    }
    std::string Settings(const std::string& content) {
        ini_ = std::make_unique<testing::TempIni>();
        std::ofstream(ini_->path(), std::ios::binary) << content;
        return ini_->path();
    }
    std::unique_ptr<testing::TempIni> ini_;
};

// The readings have their own tables; these rows check each JSON member and where the
// encoding comes from.
TEST_F(DecodeCliTest, ReadingsBecomeJsonMembers) {
    const std::string aim = Settings("[setup]\r\n Encoding = aim \r\n[CODE 39]\r\nIdentText=]\r\n");
    testing::TempIni identIni("[CODE 128]\nIdentText=C\nWebJump=1\n");
    const std::string ident = identIni.path();
    const std::string cueCat = ".C3nZC3nZC3jXChD2Dxr7ENnY.cGen.ENr7C3fZCNvWChvYCW.";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        // args, members
        {{"--encoding", "Other", "--settings", aim, "]A0XYZ"}, "|CODE 39|A0XYZ||-"},
        {{"--settings", aim, "]E04012345678901]E212345"}, "|EAN 13|4012345678901|12345|-"},
        {{"--settings", aim, cueCat}, "000000012345678901|ISBN|0201633612||-"},
        {{"--settings", ident, "Cwww.example.com/a b"},
         "|CODE 128|www.example.com/a b||http://www.example.com/a b"},
    };
    for (const auto& [args, members] : cases) {
        const auto r = Decode(args);
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_EQ(Lines(r.out).size(), 1u) << r.out;
        auto m = Members(r.out);
        EXPECT_EQ(m["raw"], args.back());
        EXPECT_EQ(m["serial"] + "|" + m["type"] + "|" + m["code"] + "|" + m["extra"] + "|" +
                      (m.count("open") ? m["open"] : "-"),
                  members)
            << args.back();
    }
}

TEST_F(DecodeCliTest, ConversionsApplyAsDeliveryWould) {
    const std::string ini = Settings("[Setup]\nEncoding=AIM\n[EAN 13]\nConvertISBNISSN=1\n");
    auto r = Decode({"--settings", ini, "--format", "%%T|%%C|%%X", "]E09780306406157]E251995"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "ISBN|0306406152|1995\n");
}

TEST_F(DecodeCliTest, StandardInputFraming) {
    const std::string ini = Settings("");
    struct Case {
        const char* input;
        std::vector<std::string> raws;
    } cases[] = {
        {"first\r\nsecond\nthird\rlast", {"first", "second", "third", "last"}},
        {"a\r\rb\n\nc\r\n\r\n", {"a", "b", "c"}},
        {"a\n\rb\r\n", {"a", "b"}},
        {"\r\n\n\r", {}},
        {"x\r", {"x"}},
        {" \t\n", {" \t"}},
    };
    for (const auto& c : cases) {
        auto r = Decode({"--settings", ini}, c.input);
        ASSERT_EQ(r.status, 0) << r.err;
        std::vector<std::string> raws;
        for (const auto& line : Lines(r.out)) raws.push_back(Members(line)["raw"]);
        EXPECT_EQ(raws, c.raws) << ::testing::PrintToString(std::string(c.input));
    }
    // Large input crosses many read blocks; a CR LF split between two blocks is one end.
    std::string big, expected;
    for (int i = 0; i < 8000; ++i) big += "]A0" + std::to_string(i) + (i % 2 ? "\r\n" : "\r");
    auto r = Decode({"--settings", ini, "--format", "%%C"}, big);
    auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 8000u);
    EXPECT_EQ(lines.back(), "]A07999");
    auto m = Members(Lines(Decode({"--settings", ini, "x"}).out).at(0));
    EXPECT_TRUE(std::regex_match(m["date"], std::regex(R"(\d\d/\d\d/\d{4})"))) << m["date"];
    EXPECT_TRUE(std::regex_match(m["time"], std::regex(R"((1[0-2]|[1-9]):\d\d:\d\d(am|pm))")))
        << m["time"];
}

// Also: settings edited between two scans count for the second one.
TEST_F(DecodeCliTest, AScanEndingInCarriageReturnIsPrintedWithoutWaitingForMore) {
    testing::TempIni dir;
    const std::string in = dir.folder() + "/in", out = dir.folder() + "/out";
    ASSERT_EQ(mkfifo(in.c_str(), 0600), 0);
    // Read-write, so neither end waits for the other to open.
    const int fd = open(in.c_str(), O_RDWR | O_CLOEXEC);
    const std::string settings = Settings("");
    testing::Spawned decoder({BLENVAR_DECODE, "--settings", settings, "--format", "%%T %%C"}, in,
                             out, "/dev/null");
    auto printed = [&](const std::string& expected) {
        for (int waited = 0; waited < 5000 && testing::ReadFile(out) != expected; waited += 20)
            usleep(20000);
        return testing::ReadFile(out);
    };
    ASSERT_EQ(write(fd, "]C0A\r", 5), 5);
    EXPECT_EQ(printed("UNKNOWN ]C0A\n"), "UNKNOWN ]C0A\n");
    std::ofstream(settings, std::ios::binary) << "[Setup]\nEncoding=AIM\n";
    ASSERT_EQ(write(fd, "\n]C0B\r\n", 7), 7);
    EXPECT_EQ(printed("UNKNOWN ]C0A\nCODE 128 B\n"), "UNKNOWN ]C0A\nCODE 128 B\n");
    close(fd);
    EXPECT_EQ(decoder.Wait(5000), 0);
}

TEST_F(DecodeCliTest, HelpAndVersion) {
    const std::string decode = BLENVAR_DECODE, sounds = BLENVAR_MAKE_SOUNDS;
    const std::string version = std::string(" ") + BLENVAR_VERSION + "\n";
    // argv, and the output or (ending in '*') a part of it
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{decode, "--settings", "/nowhere/x.ini", "--help"},
         "\nSettings file in use: /nowhere/x.ini (not there)\n*"},
        {{decode, "-h"}, "  --deliver *"},
        {{decode, "--version"}, "blenvar-decode" + version},
        {{decode, "-v", "]A0X"}, "blenvar-decode" + version},
        {{sounds, "--help"}, "OUTPUT_DIR*"},
        {{sounds, "-v"}, "blenvar-make-sounds" + version},
    };
    for (const auto& [argv, expected] : cases) {
        auto r = RunProcess(argv);
        EXPECT_EQ(r.status, 0) << argv[1];
        if (expected.ends_with('*'))
            EXPECT_NE(r.out.find(expected.substr(0, expected.size() - 1)), std::string::npos)
                << argv[1] << ": " << r.out;
        else
            EXPECT_EQ(r.out, expected) << argv[1];
    }
    // After "--" they are scans.
    EXPECT_EQ(Decode({"--settings", Settings(""), "--format", "%%C", "--", "-h", "-v"}).out,
              "-h\n-v\n");
}

TEST_F(DecodeCliTest, EveryLineIsValidJsonWhateverTheBytes) {
    const std::string ini = Settings("");
    std::string raw = "a\"b\\c\x01\x7f\xff\xc3\xa9\xe2\x82\xac\xed\xa0\x80\xc0\xaf";
    auto r = Decode({"--settings", ini, raw});
    ASSERT_EQ(r.status, 0);
    auto check = RunProcess(
        {"/usr/bin/python3", "-c",
         "import json,sys\nfor l in sys.stdin: print(json.loads(l)['raw'].encode('utf-8').hex())"},
        r.out);
    ASSERT_EQ(check.status, 0) << r.out << check.err;
    // Valid UTF-8 kept; each stray byte became its Latin-1 character.
    EXPECT_EQ(check.out,
              "6122625c6301"
              "7f"
              "c3bf"
              "c3a9"
              "e282ac"
              "c3adc2a0c280"
              "c380c2af\n");
}

// Usage and settings errors exit with 2, lost output with 1; each says so in one line.
TEST_F(DecodeCliTest, ErrorsExitWithOneLineOnStandardError) {
    testing::TempIni dir;
    ASSERT_EQ(mkfifo((dir.folder() + "/fifo").c_str(), 0600), 0);
    const std::string decode = std::string(BLENVAR_DECODE) + " ", folder = dir.folder();
    const std::string untrained = Settings("");
    // The output file is a FIFO nobody reads: refused, never waited for.
    const std::string toFifo = folder + "/fifo.ini";
    std::ofstream(toFifo) << "[UNKNOWN]\nSendToClipboard=0\nSaveToFile=1\nFileName=" << folder
                          << "/fifo\n";
    const struct {
        std::string command;
        int status;
        std::string error;  // when given, the whole of it
    } cases[] = {
        {decode + "--bogus", 2, ""},
        {decode + "--encoding EAN", 2, ""},
        {decode + "--settings", 2, ""},
        {decode + "--settings " + folder + "/missing.ini x", 2, ""},
        {decode + "--settings " + folder + " x", 2, ""},
        {decode + "--settings " + folder + "/fifo x", 2, ""},
        {decode + "ABC > /dev/full", 1, "blenvar-decode: the results could not be written\n"},
        {decode + "--capture x", 2, ""},
        {decode + "--capture --settings " + untrained, 2,
         "blenvar-decode: no scanner is trained in \"" + untrained +
             "\": train it first (blenvar-decode --train, or Train in Blenvar)\n"},
        {decode + "--train x", 2, ""},
        {decode + "--train --capture", 2, ""},
        {decode + "--train --format %C", 2, ""},
        {"DISPLAY=:9999 " + decode + "--deliver --settings " + untrained + " x", 2,
         "blenvar-decode: cannot connect to the X display \":9999\" (unset DISPLAY to deliver "
         "without a desktop)\n"},
        {"XDG_CONFIG_HOME=" + folder + " timeout -s KILL 20 env -u DISPLAY " + decode +
             "--deliver --settings " + toFifo + " x >/dev/null",
         1,
         "blenvar-decode: The UNKNOWN scan could not be added to \"" + folder +
             "/fifo\": it is not a regular file.\n"},
    };
    for (const auto& c : cases) {
        auto r = RunProcess({"/bin/sh", "-c", c.command});
        EXPECT_EQ(r.status, c.status) << c.command;
        EXPECT_EQ(r.out, "") << c.command;
        EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
        if (c.error.empty()) continue;
        EXPECT_EQ(r.err, c.error);
    }
}

TEST_F(DecodeCliTest, WithoutSettingsOptionTheProgramsOwnFileIsUsed) {
    testing::TempIni dir("[Setup]\r\nEncoding=AIM\r\n");
    const std::string copy = dir.folder() + "/blenvar-decode";
    std::filesystem::copy_file(BLENVAR_DECODE, copy);
    auto r = RunProcess({copy, "--format", "%%T", "]A0X"});
    EXPECT_EQ(r.out, "CODE 39\n") << r.err;
    // Started through a link (as from /usr/bin), it still reads the file beside itself,
    // not one beside the link.
    testing::TempIni links("[Setup]\nEncoding=Other\n");
    std::filesystem::create_symlink(copy, links.folder() + "/blenvar-decode");
    r = RunProcess({links.folder() + "/blenvar-decode", "--format", "%%T", "]A0X"});
    EXPECT_EQ(r.out, "CODE 39\n") << r.err;
    std::filesystem::remove(dir.path());
    r = RunProcess({copy, "--format", "%%T", "]A0X"});
    EXPECT_EQ(r.out, "UNKNOWN\n") << r.err;
    // A file that is there but can't be read is an error, never a run on the defaults.
    ASSERT_EQ(mkfifo(dir.path().c_str(), 0600), 0);
    r = RunProcess({copy, "]A0X"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "blenvar-decode: cannot read the settings file \"" + dir.path() +
                         "\": it is not a regular file\n");
    // This copy has no delivery library beside it.
    std::filesystem::remove(dir.path());
    r = RunProcess({copy, "--deliver", "x"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("blenvar-decode: cannot load the delivery library", 0), 0u) << r.err;
    EXPECT_EQ(Lines(r.err).size(), 1u);
}

// A GS1 medicine pack in a Data Matrix: each element delivered where the file mask says.
TEST_F(DecodeCliTest, Gs1ElementsReachTheFileMask) {
    testing::TempIni dir;
    const std::string file = dir.folder() + "/pack.txt";
    const std::string ini = Settings(
        "[Setup]\nEncoding=AIM\n[GS1 DATA MATRIX]\nSendToClipboard=0\nSaveToFile=1\n"
        "FileName=" +
        file + "\nFileFormat=%%(01)|%%(17)|%%(10)|%%(21)\n");
    auto r = RunProcess({"/usr/bin/env", "-u", "DISPLAY", "XDG_CONFIG_HOME=" + dir.folder(),
                         BLENVAR_DECODE, "--deliver", "--settings", ini,
                         "]d201095011015300031726120010AB-123\x1d"
                         "21SER1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(testing::ReadFile(file), "09501101530003|261200|AB-123|SER1\r\n");
    EXPECT_NE(r.out.find(
                  R"("symbology":"]d2","device":"","fields":{"01":"09501101530003","17":"261200")"),
              std::string::npos)
        << r.out;
}

}  // namespace
}  // namespace blenvar
