// blenvar-sounds as a user starts it: options, usage errors and a missing display each
// give our own words and exit status, and nothing from Qt or the audio system.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

TEST(SoundsCommandLine, AnswersOrRefusesInOneSentence) {
    const std::string help = "Usage: blenvar-sounds [--title TITLE]\n";
    const std::string version = "blenvar-sounds " BLENVAR_VERSION "\n";
    const struct {
        std::string args;
        int status;
        std::string output;  // all of standard output and error; the help's first line
    } cases[] = {
        {"--help", 0, help},
        {"-h", 0, help},
        {"--version", 0, version},
        {"-v", 0, version},
        {"MyApp", 2, "blenvar-sounds: unexpected argument 'MyApp' (see --help)\n"},
        {"--bogus", 2, "blenvar-sounds: unknown option '--bogus' (see --help)\n"},
        {"--title", 2, "blenvar-sounds: --title needs a title (see --help)\n"},
        {"--title X", 2, "blenvar-sounds: no display to show the window on (DISPLAY is not set)\n"},
        {"DISPLAY=:9876 " BLENVAR_SOUNDS_BIN " --title X", 2,
         "blenvar-sounds: cannot open the display \":9876\"\n"},
    };
    for (const auto& c : cases) {
        const std::string run =
            c.args.find('=') == std::string::npos ? BLENVAR_SOUNDS_BIN " " + c.args : c.args;
        FILE* p = popen(
            ("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + run + " 2>&1").c_str(), "r");
        ASSERT_TRUE(p);
        std::string out;
        char buf[4096];
        for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        const int w = pclose(p);
        EXPECT_EQ(WIFEXITED(w) ? WEXITSTATUS(w) : 128 + WTERMSIG(w), c.status) << run << "\n"
                                                                               << out;
        EXPECT_EQ(c.output == help ? out.substr(0, out.find('\n') + 1) : out, c.output) << run;
    }
}

}  // namespace
