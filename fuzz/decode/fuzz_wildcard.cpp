// Wildcard matcher against a plain dynamic-programming matcher; input is
// text NUL pattern.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "decode/wildcard.h"

namespace {

// One pattern element: a star, or the set of bytes it accepts.
struct Elem {
    bool star = false;
    std::vector<bool> accept;
};

std::vector<Elem> Parse(std::string_view p) {
    std::vector<Elem> out;
    for (std::size_t i = 0; i < p.size(); ++i) {
        Elem e;
        e.accept.assign(256, false);
        const unsigned char c = static_cast<unsigned char>(p[i]);
        if (c == '*') {
            e.star = true;
        } else if (c == '?') {
            e.accept.assign(256, true);
        } else if (c == '#') {
            for (int d = '0'; d <= '9'; ++d) e.accept[d] = true;
        } else if (c == '[' && p.find(']', i + 1) != std::string_view::npos) {
            const std::size_t close = p.find(']', i + 1);
            std::string_view body = p.substr(i + 1, close - i - 1);
            const bool neg = !body.empty() && body[0] == '!';
            if (neg) body.remove_prefix(1);
            for (std::size_t k = 0; k < body.size(); ++k) {
                int lo = static_cast<unsigned char>(body[k]);
                int hi = lo;
                if (k + 2 < body.size() && body[k + 1] == '-') {
                    hi = static_cast<unsigned char>(body[k + 2]);
                    k += 2;
                }
                if (hi < lo) std::swap(lo, hi);
                for (int v = lo; v <= hi; ++v) e.accept[v] = true;
            }
            if (neg) e.accept.flip();
            i = close;
        } else {
            e.accept[c] = true;
        }
        out.push_back(std::move(e));
    }
    return out;
}

bool Reference(std::string_view text, std::string_view pattern) {
    const auto elems = Parse(pattern);
    const std::size_t m = elems.size();
    // ok[j]: the first j elements match the text consumed so far.
    std::vector<char> ok(m + 1, 0);
    ok[0] = 1;
    for (std::size_t j = 1; j <= m; ++j) ok[j] = elems[j - 1].star && ok[j - 1];
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        std::vector<char> next(m + 1, 0);
        for (std::size_t j = 1; j <= m; ++j) {
            if (elems[j - 1].star)
                next[j] = ok[j] || next[j - 1];
            else
                next[j] = ok[j - 1] && elems[j - 1].accept[c];
        }
        ok.swap(next);
    }
    return ok[m] != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = in.find('\0');
    const std::string_view text =
        cut == std::string_view::npos ? in.substr(0, size / 2) : in.substr(0, cut);
    const std::string_view pattern =
        cut == std::string_view::npos ? in.substr(size / 2) : in.substr(cut + 1);
    const bool got = blenvar::WildcardPattern(pattern).Matches(text);
    if (text.size() * (pattern.size() + 1) <= 200000 && got != Reference(text, pattern))
        std::abort();
    return 0;
}
