// The real process starter and file appender.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "decode/temp_ini.h"
#include "delivery/argrecord.h"
#include "platform/posix_file_appender.h"
#include "platform/posix_process_starter.h"

namespace blenvar {
namespace {

TEST(PosixProcessStarterTest, ArgumentsArriveExactlyAsGiven) {
    testing::TempIni dir;
    const std::string out = dir.folder() + "/args";
    setenv("BLENVAR_ARGREC_OUT", out.c_str(), 1);
    const std::vector<std::string> args = {"plain",
                                           "two words",
                                           "",
                                           "quote\"inside",
                                           "$(touch " + dir.folder() + "/pwned)",
                                           "`id`;|&<>*?~",
                                           "é€",
                                           std::string(5000, 'x')};
    PosixProcessStarter starter;
    std::string error;
    ASSERT_TRUE(starter.Start(BLENVAR_ARGRECORD, args, error)) << error;
    ASSERT_TRUE(testing::WaitForFile(out));
    EXPECT_EQ(testing::ReadRecordedArgs(out), args);
    EXPECT_FALSE(std::filesystem::exists(dir.folder() + "/pwned"));
}

TEST(PosixProcessStarterTest, FindsProgramsOnPathAndRejectsTheRest) {
    testing::TempIni dir;
    PosixProcessStarter starter;
    const std::string sh = starter.FindProgram("sh");
    EXPECT_TRUE(sh.size() > 3 && sh.substr(sh.size() - 3) == "/sh") << sh;
    EXPECT_EQ(starter.FindProgram(dir.path()), "");  // does not exist
    std::ofstream(dir.path()) << "data";
    EXPECT_EQ(starter.FindProgram(dir.path()), "");    // not executable
    EXPECT_EQ(starter.FindProgram(dir.folder()), "");  // a folder
    EXPECT_EQ(starter.FindProgram(""), "");
    std::string error;
    EXPECT_FALSE(starter.Start("no-such-program-here", {}, error));
    EXPECT_NE(error.find("no-such-program-here"), std::string::npos) << error;
}

TEST(PosixFileAppenderTest, AppendsCrLfLinesAndCreatesTheFile) {
    testing::TempIni dir;
    const std::string path = dir.folder() + "/out.txt";
    PosixFileAppender files;
    std::string error;
    ASSERT_TRUE(files.AppendLine(path, "first,\"a\"", error)) << error;
    ASSERT_TRUE(files.AppendLine(path, "", error)) << error;
    ASSERT_TRUE(files.AppendLine(path, "third\xe9", error)) << error;
    EXPECT_EQ(testing::ReadWholeFile(path), "first,\"a\"\r\n\r\nthird\xe9\r\n");
}

TEST(PosixFileAppenderTest, FailuresSayWhy) {
    testing::TempIni dir;
    std::ofstream(dir.path()) << "x";
    PosixFileAppender files;
    struct Case {
        std::string path;
        const char* reason;
    } cases[] = {
        {dir.folder() + "/missing/out.txt", "No such file"},
        {dir.path() + "/out.txt", "Not a directory"},
        {dir.folder(), "Is a directory"},
        {"", "no file name"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(files.AppendLine(c.path, "line", error)) << c.path;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.path << ": " << error;
    }
}

}  // namespace
}  // namespace blenvar
