// blenvar-decode: decodes raw scan texts exactly as captured scans are decoded, converts
// them as delivery would, and prints one line per scan. With --deliver it also delivers
// them with the real desktop actions.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "components/ini/ini_file.h"
#include "core/paths.h"
#include "tools/decode_options.h"
#include "tools/decode_session.h"

using namespace blenvar;

namespace {

int UsageError(const std::string& message) {
    std::cerr << "blenvar-decode: " << message << " (" << kDecodeUsage << ")\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    DecodeOptions opts;
    std::string error;
    if (!ParseDecodeOptions(args, opts, error)) return UsageError(error);
    if (opts.help) {
        std::cout << kDecodeUsage << "\n";
        return 0;
    }

    std::string settingsFile;
    if (opts.settings) {
        settingsFile = *opts.settings;
        if (!CanReadFile(settingsFile, error)) {
            std::cerr << "blenvar-decode: cannot read the settings file \"" << settingsFile
                      << "\": " << error << "\n";
            return 2;
        }
    } else {
        settingsFile = MainSettingsFile(ExecutableFolder());
    }

    if (opts.deliver) return RunDeliver(opts, settingsFile, argc, argv);
    return RunDecodeOnly(opts, settingsFile);
}
