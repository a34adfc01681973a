#include "core/command_line.h"

namespace blenvar {

std::vector<CommandWord> SplitCommandWords(std::string_view s) {
    std::vector<CommandWord> args;
    CommandWord cur;
    bool inArg = false;
    bool quoted = false;
    size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (!quoted && (c == ' ' || c == '\t')) {
            if (inArg) {
                args.push_back(std::move(cur));
                cur = CommandWord{};
                inArg = false;
            }
            ++i;
            continue;
        }
        inArg = true;
        if (c == '\\') {
            size_t n = 0;
            while (i < s.size() && s[i] == '\\') {
                ++n;
                ++i;
            }
            if (i < s.size() && s[i] == '"') {
                cur.text.append(n / 2, '\\');
                if (n % 2 == 1) {
                    cur.text.push_back('"');
                    ++i;
                }
                // An even count leaves the quote to the next round, where it groups.
            } else {
                cur.text.append(n, '\\');
            }
            continue;
        }
        if (c == '"') {
            if (quoted && i + 1 < s.size() && s[i + 1] == '"') {
                cur.text.push_back('"');
                i += 2;
                continue;
            }
            quoted = !quoted;
            cur.quoted = true;
            ++i;
            continue;
        }
        cur.text.push_back(c);
        ++i;
    }
    if (inArg) args.push_back(std::move(cur));
    return args;
}

}  // namespace blenvar
