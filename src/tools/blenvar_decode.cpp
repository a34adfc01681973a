// blenvar-decode: decodes raw scan texts exactly as captured scans are decoded, converts
// them as delivery would, and prints one line per scan. With --deliver it also delivers
// them with the real desktop actions, from a library loaded only then: a decode-only run
// loads no Qt, audio or X library. With --capture the scans come from the input devices;
// --train learns the scanner's start and stop keys from them.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "core/paths.h"
#include "core/usage.h"
#include "tools/capture_session.h"
#include "tools/decode_options.h"
#include "tools/decode_session.h"
#include "tools/deliver_loader.h"

using namespace blenvar;

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "blenvar-decode: %s\n", message.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    DecodeOptions opts;
    std::string error;
    if (!ParseDecodeOptions(args, opts, error)) return UsageError("blenvar-decode", error);
    if (opts.version) {
        std::printf("blenvar-decode %s\n", BLENVAR_VERSION);
        return 0;
    }

    const std::string settingsFile =
        opts.settings ? *opts.settings : MainSettingsFile(ExecutableFolder());
    // Only the program's own file may be missing (then every setting has its default);
    // a file that is there must be readable, or every scan would decode wrongly.
    struct stat st {};
    const bool missing = stat(settingsFile.c_str(), &st) != 0 && errno == ENOENT;
    if (opts.help) {
        const char* note = !missing        ? ""
                           : opts.settings ? " (not there)"
                                           : " (not there: every setting has its default)";
        std::fputs(DecodeHelp(settingsFile, note).c_str(), stdout);
        return 0;
    }
    // Training makes the file it saves in.
    const bool mayBeMissing = missing && (!opts.settings || opts.train);
    if (!mayBeMissing && !CanReadFile(settingsFile, error))
        return Fail("cannot read the settings file \"" + settingsFile + "\": " + error);

    if (opts.deliver) return RunDeliverLibrary(opts, settingsFile, argc, argv);
    if (opts.capture) return RunCaptureOnly(opts, settingsFile);
    if (opts.train) return RunTrainOnly(settingsFile);
    return RunDecodeOnly(opts, settingsFile);
}
