#include "tools/decode_options.h"

#include "core/text.h"

namespace blenvar {

std::string DecodeHelp(const std::string& settingsFile, const std::string& note) {
    return std::string(kDecodeUsage) +
           "\n\n"
           "Decodes raw scan texts as the program decodes captured scans, converts them as\n"
           "delivery would and prints one line per scan: a JSON object, or the --format mask.\n"
           "Without RAW arguments each line of standard input is a scan; CR, LF and CR LF\n"
           "each end one, and blank lines are skipped.\n"
           "\n"
           "  --settings FILE   read the settings from FILE\n"
           "  --encoding MODE   AIM or Other, in place of the stored Encoding\n"
           "  --format MASK     print the output mask (%%C, %%T, ...) instead of JSON\n"
           "  --capture         capture scans from the input devices (evdev) with the trained\n"
           "                    start and stop keys of the settings file, until interrupted;\n"
           "                    CaptureDevices and ScannerDevice say which devices are grabbed.\n"
           "                    Needs read access to /dev/input and write access to\n"
           "                    /dev/uinput (the group \"input\")\n"
           "  --deliver         also deliver each scan (keys, clipboard, command, file, sound);\n"
           "                    with --capture keys are typed through the virtual keyboard\n"
           "  --train           train the scanner from the input devices without a desktop:\n"
           "                    scan any barcode; 2 seconds after its last key the first and\n"
           "                    last key events are saved as the start and stop keys, with\n"
           "                    the scanner's ScannerDevice, and printed. Every keyboard is\n"
           "                    held meanwhile; Ctrl+C, or Backspace+Escape+Enter held\n"
           "                    together, stops without saving. Exits 1 when the sample was\n"
           "                    no good scan. Needs the same rights as --capture\n"
           "  -h, --help        show this text\n"
           "  -v, --version     show the version\n"
           "  --                take every later argument as a RAW scan\n"
           "\n"
           "Settings file in use: " +
           settingsFile + note + "\n";
}

bool ParseDecodeOptions(const std::vector<std::string>& args, DecodeOptions& out,
                        std::string& error) {
    bool optionsDone = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsDone && (a == "-h" || a == "-v")) {
            (a == "-h" ? out.help : out.version) = true;
            continue;
        }
        if (optionsDone || a.size() < 2 || a[0] != '-' || a[1] != '-') {
            out.raws.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsDone = true;
            continue;
        }
        std::string name = a;
        std::optional<std::string> value;
        if (auto eq = a.find('='); eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
        }
        auto takeValue = [&]() -> bool {
            if (value) return true;
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };
        if (name == "--settings") {
            if (!takeValue()) return false;
            out.settings = *value;
        } else if (name == "--encoding") {
            if (!takeValue()) return false;
            std::string up = ToUpperAscii(*value);
            if (up == "AIM") {
                out.encoding = "AIM";
            } else if (up == "OTHER") {
                out.encoding = "Other";
            } else {
                error = "--encoding takes AIM or Other, not \"" + *value + "\"";
                return false;
            }
        } else if (name == "--format") {
            if (!takeValue()) return false;
            out.format = *value;
        } else if (name == "--capture" && !value) {
            out.capture = true;
        } else if (name == "--train" && !value) {
            out.train = true;
        } else if (name == "--deliver" && !value) {
            out.deliver = true;
        } else if (name == "--help" && !value) {
            out.help = true;
        } else if (name == "--version" && !value) {
            out.version = true;
        } else {
            error = "unknown option '" + a + "'";
            return false;
        }
    }
    if (out.capture && !out.raws.empty()) {
        error = "--capture takes no RAW scans";
        return false;
    }
    if (out.train &&
        (out.capture || out.deliver || out.encoding || out.format || !out.raws.empty())) {
        error = "--train goes with --settings only";
        return false;
    }
    return true;
}

}  // namespace blenvar
