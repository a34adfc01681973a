// The login autostart entry: its place, the Exec= command and its quoting, and writing and
// removing it.
#include "platform/desktop/autostart.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/paths.h"
#include "decode/temp_ini.h"
#include "support/files.h"

namespace blenvar {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

TEST(Autostart, CommandIsTheBareNameOnlyWhenThePathFindsThisProgram) {
    testing::TempIni dir;
    const std::string root = dir.folder();
    const std::string program = root + "/lib/blenvar/blenvar";
    WriteFile(program, "real");
    fs::create_directories(root + "/bin");
    fs::create_symlink("../lib/blenvar/blenvar", root + "/bin/blenvar");
    WriteFile(root + "/other/blenvar", "another program of that name");
    WriteFile(root + "/notes/blenvar", "not a program");
    for (const char* f : {"/lib/blenvar/blenvar", "/other/blenvar"})
        fs::permissions(root + f, fs::perms::owner_exec, fs::perm_options::add);
    const struct {
        std::string program;
        std::string path;
        std::string command;
    } cases[] = {
        {program, "/nowhere:" + root + "/notes:" + root + "/bin", "blenvar"},
        {program, root + "/lib/blenvar", "blenvar"},
        {program, root + "/other:" + root + "/bin", program},
        {program, "", program},
        {program, "lib/blenvar:", program},
        {"/opt/My Tools/blenvar", "", R"("/opt/My Tools/blenvar")"},
        {"/x/a\"b$c`d\\e/blenvar", "", R"("/x/a\\"b\\$c\\`d\\\\e/blenvar")"},
        {"/x/100%/blenvar", "", "/x/100%%/blenvar"},
        {"/x/50% off/blenvar", "", "\"/x/50%% off/blenvar\""},
        {"/x/new\nline/blenvar", "", "\"/x/new\\nline/blenvar\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AutostartCommand(c.program, c.path), c.command) << c.program << " | " << c.path;
}

TEST(Autostart, EntryIsAValidDesktopFile) {
    testing::TempIni dir;
    const std::string file = dir.folder() + "/blenvar.desktop";
    std::string error;
    ASSERT_TRUE(WriteAutostart(file, AutostartEntry(R"("/opt/My Tools/blenvar")"), error));
    EXPECT_NE(ReadFile(file).find("\nExec=\"/opt/My Tools/blenvar\"\n"), std::string::npos);
    const std::string validate = "desktop-file-validate '" + file + "'";
    EXPECT_EQ(std::system(validate.c_str()), 0) << ReadFile(file);
}

TEST(Autostart, WritingFollowsXdgConfigHomeAndRemovingLeavesNothing) {
    testing::TempIni config;
    ::setenv("XDG_CONFIG_HOME", config.folder().c_str(), 1);
    const std::string file = AutostartFile();
    EXPECT_EQ(file, config.folder() + "/autostart/blenvar.desktop");
    EXPECT_FALSE(AutostartEnabled(file));

    std::string error;
    ASSERT_TRUE(WriteAutostart(file, AutostartEntry("blenvar"), error)) << error;
    EXPECT_TRUE(AutostartEnabled(file));
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
    // A second write replaces the entry; no temporary file stays beside it.
    ASSERT_TRUE(WriteAutostart(file, AutostartEntry("/elsewhere/blenvar"), error)) << error;
    EXPECT_NE(ReadFile(file).find("Exec=/elsewhere/blenvar\n"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(FolderOf(file)), fs::directory_iterator()), 1);

    ASSERT_TRUE(RemoveAutostart(file, error)) << error;
    EXPECT_FALSE(AutostartEnabled(file));
    EXPECT_TRUE(RemoveAutostart(file, error)) << "gone already is no failure";
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST(Autostart, FailuresNameTheFileAndTheReason) {
    testing::TempIni dir;
    // A plain file where the autostart folder should be: no user, not even root, gets past.
    WriteFile(dir.folder() + "/autostart", "not a folder");
    const std::string file = dir.folder() + "/autostart/blenvar.desktop";
    std::string error;
    EXPECT_FALSE(WriteAutostart(file, AutostartEntry("blenvar"), error));
    EXPECT_NE(error.find(dir.folder() + "/autostart"), std::string::npos) << error;
    EXPECT_NE(error.find(": "), std::string::npos) << error;
    EXPECT_FALSE(AutostartEnabled(file));

    // A folder where the entry should be cannot be removed as a file.
    const std::string blocked = dir.folder() + "/blocked.desktop";
    fs::create_directories(blocked + "/inside");
    error.clear();
    EXPECT_FALSE(RemoveAutostart(blocked, error));
    EXPECT_EQ(error.rfind("cannot remove " + blocked + ": ", 0), 0u) << error;
    error.clear();
    EXPECT_FALSE(WriteAutostart(blocked, AutostartEntry("blenvar"), error));
    EXPECT_EQ(error.rfind("cannot write " + blocked + ": ", 0), 0u) << error;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.folder()), fs::directory_iterator()), 2)
        << "no temporary file stays";
}

}  // namespace
}  // namespace blenvar
