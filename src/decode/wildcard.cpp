#include "decode/wildcard.h"

#include <utility>

namespace blenvar {

namespace {

using ByteSet = std::array<std::uint64_t, 4>;

void AddByte(ByteSet& set, unsigned char c) {
    set[c >> 6] |= std::uint64_t{1} << (c & 63);
}

bool HasByte(const ByteSet& set, unsigned char c) {
    return (set[c >> 6] >> (c & 63)) & 1u;
}

}  // namespace

WildcardPattern::WildcardPattern(std::string_view pattern) {
    std::size_t i = 0;
    bool inSegment = false;
    auto push = [&](Element e) {
        if (!inSegment) {
            segments_.push_back({static_cast<std::uint32_t>(elements_.size()), 0});
            inSegment = true;
        }
        elements_.push_back(e);
        ++segments_.back().count;
    };
    while (i < pattern.size()) {
        const auto c = static_cast<unsigned char>(pattern[i]);
        if (c == '*') {
            if (elements_.empty()) leadingStar_ = true;
            inSegment = false;
            ++i;
            continue;
        }
        if (c == '?') {
            push({Element::kAny, 0, 0});
            ++i;
            continue;
        }
        if (c == '#') {
            push({Element::kDigit, 0, 0});
            ++i;
            continue;
        }
        if (c == '[') {
            const std::size_t close = pattern.find(']', i + 1);
            if (close != std::string_view::npos) {
                std::string_view body = pattern.substr(i + 1, close - i - 1);
                bool negate = false;
                if (!body.empty() && body.front() == '!') {
                    negate = true;
                    body.remove_prefix(1);
                }
                ByteSet set{};
                for (std::size_t k = 0; k < body.size(); ++k) {
                    auto lo = static_cast<unsigned char>(body[k]);
                    if (k + 2 < body.size() && body[k + 1] == '-') {
                        auto hi = static_cast<unsigned char>(body[k + 2]);
                        if (hi < lo) std::swap(lo, hi);
                        for (unsigned v = lo; v <= hi; ++v)
                            AddByte(set, static_cast<unsigned char>(v));
                        k += 2;
                    } else {
                        AddByte(set, lo);
                    }
                }
                if (negate)
                    for (auto& word : set) word = ~word;
                sets_.push_back(set);
                push({Element::kSet, 0, static_cast<std::uint32_t>(sets_.size() - 1)});
                i = close + 1;
                continue;
            }
            // No closing bracket: the "[" stands for itself.
        }
        push({Element::kLiteral, c, 0});
        ++i;
    }
    trailingStar_ = !pattern.empty() && pattern.back() == '*';
    // Only the segments between the anchored ends are searched for.
    if (segments_.empty()) return;
    const std::size_t first = leadingStar_ ? 0 : 1;
    const std::size_t last = trailingStar_ ? segments_.size() : segments_.size() - 1;
    for (std::size_t k = first; k < last; ++k) BuildMasks(segments_[k]);
}

void WildcardPattern::BuildMasks(Segment& seg) {
    const std::size_t words = (seg.count + 63) / 64;
    seg.masks = static_cast<std::uint32_t>(masks_.size());
    masks_.resize(masks_.size() + 256 * words, 0);
    std::uint64_t* table = masks_.data() + seg.masks;
    for (std::uint32_t j = 0; j < seg.count; ++j) {
        const Element& e = elements_[seg.first + j];
        const std::uint64_t bit = std::uint64_t{1} << (j % 64);
        auto accept = [&](unsigned c) { table[c * words + j / 64] |= bit; };
        switch (e.kind) {
            case Element::kLiteral:
                accept(e.literal);
                break;
            case Element::kAny:
                for (unsigned c = 0; c < 256; ++c) accept(c);
                break;
            case Element::kDigit:
                for (unsigned c = '0'; c <= '9'; ++c) accept(c);
                break;
            case Element::kSet:
                for (unsigned c = 0; c < 256; ++c)
                    if (HasByte(sets_[e.set], static_cast<unsigned char>(c))) accept(c);
                break;
        }
    }
}

std::size_t WildcardPattern::Find(const Segment& seg, std::string_view text, std::size_t pos,
                                  std::size_t end) const {
    const std::size_t words = (seg.count + 63) / 64;
    const std::uint64_t* table = masks_.data() + seg.masks;
    const std::uint64_t done = std::uint64_t{1} << ((seg.count - 1) % 64);
    if (words == 1) {
        std::uint64_t state = 0;
        for (std::size_t i = pos; i < end; ++i) {
            state = ((state << 1) | 1u) & table[static_cast<unsigned char>(text[i])];
            if (state & done) return i + 1 - seg.count;
        }
        return std::string_view::npos;
    }
    std::vector<std::uint64_t> state(words, 0);
    for (std::size_t i = pos; i < end; ++i) {
        const std::uint64_t* row = table + static_cast<unsigned char>(text[i]) * words;
        std::uint64_t carry = 1;
        for (std::size_t w = 0; w < words; ++w) {
            const std::uint64_t next = state[w] >> 63;
            state[w] = ((state[w] << 1) | carry) & row[w];
            carry = next;
        }
        if (state[words - 1] & done) return i + 1 - seg.count;
    }
    return std::string_view::npos;
}

bool WildcardPattern::MatchAt(const Segment& seg, std::string_view text, std::size_t pos) const {
    for (std::uint32_t k = 0; k < seg.count; ++k) {
        const Element& e = elements_[seg.first + k];
        const auto c = static_cast<unsigned char>(text[pos + k]);
        switch (e.kind) {
            case Element::kLiteral:
                if (c != e.literal) return false;
                break;
            case Element::kAny:
                break;
            case Element::kDigit:
                if (c < '0' || c > '9') return false;
                break;
            case Element::kSet:
                if (!HasByte(sets_[e.set], c)) return false;
                break;
        }
    }
    return true;
}

bool WildcardPattern::Matches(std::string_view text) const {
    if (segments_.empty()) return leadingStar_ || text.empty();
    if (!leadingStar_ && !trailingStar_ && segments_.size() == 1) {
        return text.size() == segments_[0].count && MatchAt(segments_[0], text, 0);
    }
    std::size_t pos = 0;
    std::size_t end = text.size();
    std::size_t first = 0;
    std::size_t last = segments_.size();
    if (!leadingStar_) {
        const Segment& s = segments_.front();
        if (s.count > end || !MatchAt(s, text, 0)) return false;
        pos = s.count;
        ++first;
    }
    if (!trailingStar_) {
        const Segment& s = segments_.back();
        if (end - pos < s.count || !MatchAt(s, text, end - s.count)) return false;
        end -= s.count;
        --last;
    }
    // Each middle segment has a fixed length, so its leftmost occurrence leaves the
    // most room for the rest: no backtracking needed.
    for (std::size_t k = first; k < last; ++k) {
        const Segment& s = segments_[k];
        const std::size_t at = Find(s, text, pos, end);
        if (at == std::string_view::npos) return false;
        pos = at + s.count;
    }
    return true;
}

}  // namespace blenvar
