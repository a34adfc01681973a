#include "platform/desktop/xdg_opener.h"

#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "core/text.h"

namespace blenvar {

bool XdgOpener::Open(const std::string& target) {
    std::string t(Trim(target, kBlanks));
    // xdg-open would take a leading dash as one of its options.
    if (t.empty() || t.front() == '-') return false;
    if (t.rfind("www.", 0) == 0) {
        t = "http://" + t;
    } else if (t.front() != '/' && access(t.c_str(), F_OK) == 0) {
        // A relative document: xdg-open may turn it into a URL against another folder.
        std::unique_ptr<char, decltype(&std::free)> real(realpath(t.c_str(), nullptr), &std::free);
        if (real) t = real.get();
    }
    std::string error;
    return starter_.Start("xdg-open", {t}, error);
}

}  // namespace blenvar
