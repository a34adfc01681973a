// The real process starter, opener and file appender.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "decode/temp_ini.h"
#include "delivery/argrecord.h"
#include "platform/desktop/xdg_opener.h"
#include "platform/posix/posix_file_appender.h"
#include "platform/posix/posix_process_starter.h"

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
    PosixProcessStarter starter(CopyEnvironment());
    std::string error;
    ASSERT_TRUE(starter.Start(BLENVAR_ARGRECORD, args, error)) << error;
    ASSERT_TRUE(testing::WaitForFile(out));
    EXPECT_EQ(testing::ReadRecordedArgs(out), args);
    EXPECT_FALSE(std::filesystem::exists(dir.folder() + "/pwned"));
}

TEST(PosixProcessStarterTest, TellsProgramsFromDocuments) {
    testing::TempIni dir;
    const std::string doc = dir.folder() + "/doc.txt", tool = dir.folder() + "/tool";
    std::ofstream(doc) << "data";
    std::ofstream(tool) << "#!/bin/sh\n";
    chmod(tool.c_str(), 0744);
    std::filesystem::create_symlink(doc, dir.folder() + "/link");
    PosixProcessStarter starter({"PATH=/nowhere:" + dir.folder()});
    struct Case {
        std::string name, program, document;
    } cases[] = {
        {"tool", tool, ""},  // found through the given PATH, not ours
        {tool, tool, ""},
        {doc, "", doc},
        {dir.folder() + "/link", "", doc},
        {dir.folder() + "/./doc.txt", "", doc},
        {"sh", "", ""},
        {dir.folder(), "", ""},
        {dir.folder() + "/missing", "", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(starter.FindProgram(c.name), c.program) << c.name;
        EXPECT_EQ(starter.FindDocument(c.name), c.document) << c.name;
    }
    std::string error;
    EXPECT_FALSE(starter.Start("no-such-program-here", {}, error));
    EXPECT_NE(error.find("no-such-program-here"), std::string::npos) << error;
}

// What we set for ourselves after start-up never reaches a started program or the
// handler the desktop's opener starts.
TEST(PosixProcessStarterTest, StartedAndOpenedGetTheStartEnvironment) {
    testing::TempIni dir;
    const std::string out = dir.folder() + "/seen";
    const std::string script = "printf '%s|%s|%s' \"$1\" \"$AT_START\" \"$SET_LATER\" > " + out +
                               ".part && mv " + out + ".part " + out;
    const std::string opener = dir.folder() + "/xdg-open";  // stands in for the real one
    std::ofstream(opener) << "#!/bin/sh\n" << script << "\n";
    chmod(opener.c_str(), 0755);
    setenv("AT_START", "1", 1);
    std::vector<std::string> environment = CopyEnvironment();
    std::erase_if(environment, [](const std::string& e) { return e.rfind("PATH=", 0) == 0; });
    environment.push_back("PATH=" + dir.folder() + ":/usr/bin:/bin");
    unsetenv("AT_START");
    setenv("SET_LATER", "1", 1);
    PosixProcessStarter starter(environment);
    XdgOpener xdg(starter);

    std::string error;
    ASSERT_TRUE(starter.Start("/bin/sh", {"-c", script, "sh", "arg"}, error)) << error;
    ASSERT_TRUE(testing::WaitForFile(out));
    EXPECT_EQ(testing::ReadFile(out), "arg|1|");
    std::filesystem::remove(out);
    ASSERT_TRUE(xdg.Open("https://example.org/x"));
    ASSERT_TRUE(testing::WaitForFile(out));
    EXPECT_EQ(testing::ReadFile(out), "https://example.org/x|1|");
    unsetenv("SET_LATER");
}

TEST(PosixFileAppenderTest, AppendsCrLfLinesOrSaysWhyNot) {
    testing::TempIni dir;
    std::ofstream(dir.path()) << "x";
    const std::string path = dir.folder() + "/out.txt", fifo = dir.folder() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // nobody reads it
    // A link is followed, also to a file not made yet.
    std::filesystem::create_symlink(path, dir.folder() + "/link");
    PosixFileAppender files;
    std::string error;
    for (const char* line : {"first,\"a\"", "", "third\xe9"})
        ASSERT_TRUE(files.AppendLine(dir.folder() + "/link", line, error)) << error;
    EXPECT_EQ(testing::ReadFile(path), "first,\"a\"\r\n\r\nthird\xe9\r\n");
    const std::pair<std::string, const char*> failures[] = {
        {dir.folder() + "/missing/out.txt", "No such file"},
        {dir.path() + "/out.txt", "Not a directory"},
        {dir.folder(), "Is a directory"},
        {fifo, "not a regular file"},
        {"/dev/null", "not a regular file"},
        {"", "no file name"},
    };
    for (const auto& [bad, reason] : failures) {
        EXPECT_FALSE(files.AppendLine(bad, "line", error)) << bad;
        EXPECT_NE(error.find(reason), std::string::npos) << bad << ": " << error;
    }
}

}  // namespace
}  // namespace blenvar
