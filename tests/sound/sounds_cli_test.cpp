// blenvar-sounds as a user starts it: options, usage errors and a missing display each
// give our own words and exit status, and nothing from Qt or the audio system.
#include <gtest/gtest.h>

#include <string>

#include "support/process.h"

namespace {

TEST(SoundsCommandLine, AnswersOrRefusesInOneSentence) {
    const std::string help = "Usage: blenvar-sounds [--title TITLE] [--event EVENT]\n";
    // "-h" and "--version" go through the same conditions as these forms.
    const struct {
        std::string args;
        int status;
        std::string output;  // all of standard output and error; the help's first line
    } cases[] = {
        {"--help", 0, help},
        {"-v", 0, "blenvar-sounds " BLENVAR_VERSION "\n"},
        {"MyApp", 2, "blenvar-sounds: unexpected argument 'MyApp' (see blenvar-sounds --help)\n"},
        {"--bogus", 2, "blenvar-sounds: unknown option '--bogus' (see blenvar-sounds --help)\n"},
        {"--title", 2, "blenvar-sounds: --title needs a title (see blenvar-sounds --help)\n"},
        {"--title X", 2, "blenvar-sounds: no display to show the window on (DISPLAY is not set)\n"},
        {"DISPLAY=:9876 " BLENVAR_SOUNDS_BIN " --title X", 2,
         "blenvar-sounds: cannot open the display \":9876\"\n"},
    };
    for (const auto& c : cases) {
        const std::string run =
            c.args.find('=') == std::string::npos ? BLENVAR_SOUNDS_BIN " " + c.args : c.args;
        const auto r = blenvar::testing::RunProcess(
            {"/bin/sh", "-c",
             "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + run + " 2>&1"});
        EXPECT_EQ(r.status, c.status) << run << "\n" << r.out;
        EXPECT_EQ(c.output == help ? r.out.substr(0, r.out.find('\n') + 1) : r.out, c.output)
            << run;
    }
}

}  // namespace
