#include "capture/layout_detection.h"

#include <algorithm>
#include <cctype>

namespace blenvar {
namespace {

constexpr char32_t kCommand = U'\uFFFD';
constexpr std::size_t kLeftCtrl = 29, kRightCtrl = 97, kLeftAlt = 56, kRightAlt = 100;

std::string_view Trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

std::vector<LayoutEntry> ParseLayoutList(std::istream& in) {
    std::vector<LayoutEntry> layouts, variants;
    std::string section;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("! ", 0) == 0) {
            section = std::string(Trimmed(std::string_view(line).substr(2)));
            continue;
        }
        const std::string_view text = Trimmed(line);
        const auto gap = text.find_first_of(" \t");
        if (gap == std::string_view::npos) continue;
        const std::string name(text.substr(0, gap));
        std::string_view description = Trimmed(text.substr(gap));
        if (section == "layout") {
            layouts.push_back({name, std::string(description)});
        } else if (section == "variant") {
            // "  intl   us: English (US, intl., with dead keys)"
            const auto colon = description.find(':');
            if (colon == std::string_view::npos) continue;
            variants.push_back({std::string(description.substr(0, colon)) + "(" + name + ")",
                                std::string(Trimmed(description.substr(colon + 1)))});
        }
    }
    layouts.insert(layouts.end(), variants.begin(), variants.end());
    return layouts;
}

std::u32string TypedOn(const LayoutTable& table, const std::vector<KeyEvent>& events) {
    std::bitset<256> down;
    std::u32string text;
    for (const KeyEvent& e : events) {
        if (e.SCode <= 0 || e.SCode > 255) continue;
        const auto code = std::size_t(e.SCode);
        if (e.Action == kActionPress) {
            down.set(code);
        } else if (e.Action == kActionRelease) {
            down.reset(code);
        } else if (e.Action == kActionCharacter) {
            const bool level3 = (down & table.level3).any();
            const bool command = down[kLeftCtrl] || down[kRightCtrl] ||
                                 (down[kLeftAlt] && !table.level3[kLeftAlt]) ||
                                 (down[kRightAlt] && !table.level3[kRightAlt]);
            const char32_t c =
                table.keys[code][((down & table.shift).any() ? 1 : 0) + (level3 ? 2 : 0)];
            if (command)
                text += kCommand;
            else if (c != 0)
                text += c;
        }
    }
    while (!text.empty() && (text.back() == U'\r' || text.back() == U'\n' || text.back() == U'\t'))
        text.pop_back();
    return text;
}

LayoutMatch MatchLayouts(const std::vector<KeyEvent>& events,
                         const std::vector<LayoutTable>& tables,
                         const std::vector<std::string>& preferred, std::string_view text) {
    const std::u32string want(text.begin(), text.end());
    LayoutMatch match;
    for (const LayoutTable& table : tables) {
        const std::u32string typed = TypedOn(table, events);
        if (typed == want) {
            match.exact.push_back(&table);
        } else if (!match.around && typed.find(want) != std::u32string::npos) {
            match.around = &table;
            match.aroundText = typed;
        }
    }
    const auto rank = [&](const LayoutTable* t) {
        const auto at = std::find(preferred.begin(), preferred.end(), t->entry.name);
        if (at != preferred.end()) return int(at - preferred.begin());
        return int(preferred.size()) + (t->entry.name.find('(') == std::string::npos ? 0 : 1);
    };
    std::stable_sort(match.exact.begin(), match.exact.end(),
                     [&](const LayoutTable* a, const LayoutTable* b) { return rank(a) < rank(b); });
    if (!match.exact.empty()) {
        match.around = nullptr;
        match.aroundText.clear();
    }
    return match;
}

std::string LayoutOfLocale(std::string_view locale) {
    locale = locale.substr(0, locale.find_first_of(".@"));
    const std::size_t bar = locale.find('_');
    if (bar == std::string_view::npos) return {};
    std::string country(locale.substr(bar + 1));
    for (char& c : country) c = char(std::tolower(static_cast<unsigned char>(c)));
    return country;
}

}  // namespace blenvar
