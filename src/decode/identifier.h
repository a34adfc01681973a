#pragma once
// Identifier texts of identifier mode, compiled once and kept between scans.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "decode/wildcard.h"

namespace blenvar {

class Identifier {
  public:
    Identifier() = default;  // the empty identifier, which never matches
    explicit Identifier(std::string_view text);

    const std::string& Text() const { return text_; }
    // The head of raw, as many characters as the identifier has (a shorter raw whole),
    // matches the identifier as a pattern. Never true for the empty identifier.
    bool MatchesHead(std::string_view raw) const;

  private:
    std::string text_;
    std::optional<WildcardPattern> pattern_;  // only when the text holds wildcards
};

// One compiled identifier per entry of the type list. An entry is compiled again only
// when the text read for it differs from the one it was compiled from.
class IdentifierCache {
  public:
    const Identifier& Get(std::size_t index, std::string_view text);

  private:
    std::vector<Identifier> entries_;
};

}  // namespace blenvar
