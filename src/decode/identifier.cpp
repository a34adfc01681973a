#include "decode/identifier.h"

namespace blenvar {

Identifier::Identifier(std::string_view text) : text_(text) {
    // Plain identifiers (the usual case) are compared as they stand.
    if (text.find_first_of("?*#[") != std::string_view::npos) pattern_.emplace(text);
}

bool Identifier::MatchesHead(std::string_view raw) const {
    if (text_.empty()) return false;
    const std::string_view head = raw.substr(0, text_.size());
    return pattern_ ? pattern_->Matches(head) : head == text_;
}

const Identifier& IdentifierCache::Get(std::size_t index, std::string_view text) {
    if (index >= entries_.size()) entries_.resize(index + 1);
    Identifier& entry = entries_[index];
    if (entry.Text() != text) entry = Identifier(text);
    return entry;
}

}  // namespace blenvar
