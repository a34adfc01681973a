#include "shell/help/tab_names.h"

#include "core/text.h"

namespace blenvar {

std::string MakeTabNames(const std::vector<std::string>& captions) {
    std::string names = ",";
    for (const std::string& caption : captions) names += ToUpperAscii(caption) + ",";
    return names;
}

int TabIndexFor(std::string_view tabNames, std::string_view target) {
    while (!target.empty() && target.back() == '/') target.remove_suffix(1);
    if (target.empty()) return -1;
    const std::string wanted = ToUpperAscii(target);
    // Whole entries only: "LAST" or "MAIN,CONTROL" must not match inside the list.
    // Entry 0 comes before the first comma and is no caption.
    std::size_t start = tabNames.find(',');
    if (start == std::string_view::npos) return -1;
    ++start;
    for (int index = 0;; ++index) {
        const std::size_t end = tabNames.find(',', start);
        if (end == std::string_view::npos) return -1;
        if (tabNames.substr(start, end - start) == wanted) return index;
        start = end + 1;
    }
}

}  // namespace blenvar
