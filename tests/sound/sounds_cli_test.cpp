// blenvar-sounds as a user starts it: options, usage errors and a missing display each
// give our own words and exit status, and nothing from Qt or the audio system.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

struct Outcome {
    int status = -1;
    std::string output;  // standard output and error together
};

Outcome Sounds(const std::string& env, const std::string& args) {
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + env +
                                " " BLENVAR_SOUNDS_BIN " " + args + " 2>&1";
    Outcome r;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n = 0;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
    const int w = pclose(p);
    r.status = WIFEXITED(w) ? WEXITSTATUS(w) : 128 + WTERMSIG(w);
    return r;
}

TEST(SoundsCommandLine, AnswersOrRefusesInOneSentence) {
    const std::string help = "Usage: blenvar-sounds [--title TITLE]\n";
    const std::string version = "blenvar-sounds " BLENVAR_VERSION "\n";
    const struct {
        const char *env, *args;
        int status;
        std::string output;  // the whole output, or its first line for the help
    } cases[] = {
        {"", "--help", 0, help},
        {"", "-h", 0, help},
        {"", "--version", 0, version},
        {"", "-v", 0, version},
        {"", "MyApp", 2, "blenvar-sounds: unexpected argument 'MyApp' (see --help)\n"},
        {"", "--bogus", 2, "blenvar-sounds: unknown option '--bogus' (see --help)\n"},
        {"", "--title", 2, "blenvar-sounds: --title needs a title (see --help)\n"},
        {"", "--title X", 2,
         "blenvar-sounds: no display to show the window on (DISPLAY is not set)\n"},
        {"DISPLAY=:9876", "--title X", 2, "blenvar-sounds: cannot open the display \":9876\"\n"},
    };
    for (const auto& c : cases) {
        const Outcome r = Sounds(c.env, c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.output;
        const bool whole = c.output != help;
        EXPECT_EQ(whole ? r.output : r.output.substr(0, r.output.find('\n') + 1), c.output)
            << c.env << " " << c.args;
    }
}

}  // namespace
