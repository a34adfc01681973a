#pragma once
// Wildcard patterns of the CueCat shape test and of the identifier texts.
//
//   ?        any one character
//   *        any run of characters, the empty run included
//   #        one digit 0-9
//   [list]   one character of the list; "a-z" inside a list is a range (a reversed
//            range such as "z-a" means the same as "a-z"); a "-" first or last is literal
//   [!list]  one character not in the list
//   anything else matches itself, case-sensitively
//
// A "[" without a closing "]" is an ordinary "[" character. "[]" matches no character,
// "[!]" any one character.
//
// Matching compares the whole text with the whole pattern. Every element except "*"
// takes exactly one character, so star-separated segments are matched leftmost-first;
// the cost is at most text length times pattern length, never exponential.
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace blenvar {

class WildcardPattern {
  public:
    explicit WildcardPattern(std::string_view pattern);

    bool Matches(std::string_view text) const;

  private:
    struct Element {
        enum Kind : std::uint8_t { kLiteral, kAny, kDigit, kSet } kind;
        unsigned char literal;
        std::uint32_t set;  // index into sets_ for kSet
    };
    struct Segment {
        std::uint32_t first;  // range in elements_
        std::uint32_t count;
    };

    bool MatchAt(const Segment& seg, std::string_view text, std::size_t pos) const;

    std::vector<Element> elements_;
    std::vector<Segment> segments_;                   // the pieces between star runs
    std::vector<std::array<std::uint64_t, 4>> sets_;  // one bit per byte value
    bool leadingStar_ = false;
    bool trailingStar_ = false;
};

bool WildcardMatch(std::string_view text, std::string_view pattern);

}  // namespace blenvar
