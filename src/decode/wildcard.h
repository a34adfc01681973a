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
// takes exactly one character, so star-separated segments are matched leftmost-first.
// Each segment between stars is found by one bit-parallel scan (Shift-And, 64 elements
// per machine word), so a match reads every text character once per word of the
// longest segment: linear in the text.
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
        std::uint32_t masks = 0;  // start of this segment's Shift-And table in masks_
    };

    bool MatchAt(const Segment& seg, std::string_view text, std::size_t pos) const;
    // Start of the leftmost occurrence of seg inside text[pos, end), or npos.
    std::size_t Find(const Segment& seg, std::string_view text, std::size_t pos,
                     std::size_t end) const;
    void BuildMasks(Segment& seg);

    std::vector<Element> elements_;
    std::vector<Segment> segments_;                   // the pieces between star runs
    std::vector<std::array<std::uint64_t, 4>> sets_;  // one bit per byte value
    // Per searched segment: for each byte value, the words whose bit j says that
    // element j accepts the byte.
    std::vector<std::uint64_t> masks_;
    bool leadingStar_ = false;
    bool trailingStar_ = false;
};

}  // namespace blenvar
