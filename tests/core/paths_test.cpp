// Where the settings file goes: beside a private program folder, never inside /usr or /opt
// (these tests run as root too, where every folder is writable).
#include "core/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "decode/temp_ini.h"

namespace blenvar {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for one scope, or unsets it for nullopt.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(Paths, SystemFoldersAreKnownHoweverSpelt) {
    testing::TempIni dir;
    const fs::path intoUsr = fs::path(dir.folder()) / "link";
    fs::create_directory_symlink("/usr/lib", intoUsr);
    const struct {
        std::string folder;
        bool system;
    } cases[] = {
        {"/usr/lib/blenvar", true},
        {"/usr/lib/blenvar/", true},
        {"/usr", true},
        {"/usr/", true},
        {"/opt", true},
        {"/opt/blenvar", true},
        {"/usr/local/bin", true},
        {"//usr/lib", true},
        {"/usr/../usr/lib/blenvar", true},
        {"/tmp/../usr/lib", true},
        {intoUsr.string(), true},
        {(intoUsr / "blenvar").string(), true},
        {"/usrlocal/bin", false},
        {"/optional", false},
        {"/home/someone/blenvar/build/bin", false},
        {dir.folder(), false},
    };
    for (const auto& c : cases) EXPECT_EQ(SystemProgramFolder(c.folder), c.system) << c.folder;
}

TEST(Paths, SettingsGoBesideAPrivateProgramAndToTheConfigFolderForASystemOne) {
    testing::TempIni config;
    testing::TempIni program;
    ScopedEnv xdg("XDG_CONFIG_HOME", config.folder());
    const std::string user = config.folder() + "/blenvar/blenvar.ini";
    EXPECT_EQ(MainSettingsFile(program.folder()), program.folder() + "/blenvar.ini");
    EXPECT_EQ(MainSettingsFile(program.folder(), "other"), program.folder() + "/other.ini");
    EXPECT_FALSE(fs::exists(config.folder() + "/blenvar"));
    for (const char* folder : {"/usr/lib/blenvar", "/usr/bin", "/opt/blenvar", "/usr"})
        EXPECT_EQ(MainSettingsFile(folder), user) << folder;
    // The folder is made ready for the first save.
    EXPECT_TRUE(fs::is_directory(config.folder() + "/blenvar"));
    // Nothing was written into the system folders, not even by root.
    EXPECT_FALSE(fs::exists("/usr/lib/blenvar/blenvar.ini"));
    EXPECT_FALSE(fs::exists("/usr/bin/blenvar.ini"));
}

TEST(Paths, ConfigHomeFollowsTheBaseDirectoryRules) {
    const struct {
        std::optional<std::string> xdg;
        std::optional<std::string> home;
        std::string expected;
    } cases[] = {
        {"/x/config", "/home/u", "/x/config"},
        {"relative/config", "/home/u", "/home/u/.config"},
        {"", "/home/u", "/home/u/.config"},
        {std::nullopt, "/home/u", "/home/u/.config"},
    };
    for (const auto& c : cases) {
        ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
        ScopedEnv home("HOME", c.home);
        EXPECT_EQ(ConfigHome(), c.expected) << c.xdg.value_or("(unset)");
        EXPECT_EQ(BlenvarConfigFolder(), c.expected + "/blenvar");
    }
}

}  // namespace
}  // namespace blenvar
