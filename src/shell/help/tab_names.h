#pragma once
// Which tab a "tab://name" link in a help page selects.
#include <string>
#include <string_view>
#include <vector>

namespace blenvar {

// ",CAP1,CAP2,...,": every caption upper-cased and closed by a comma.
std::string MakeTabNames(const std::vector<std::string>& captions);

// Index of the tab whose caption equals target (the link text after "tab://", taken as
// written: no percent-decoding), ignoring ASCII case and trailing slashes; -1 when none.
int TabIndexFor(std::string_view tabNames, std::string_view target);

}  // namespace blenvar
