#pragma once
// The visible text of a returned page, as a browser would show its body.
#include <string>
#include <string_view>

namespace blenvar::update {

// Tags, comments and the contents of head, title, script and style dropped; the entities
// &amp; &lt; &gt; &quot; &apos; &nbsp; (as a plain space) and numeric references (as
// UTF-8) decoded, others kept as written; blanks and line breaks around it trimmed.
// A "<" that cannot start a tag ("a < b") is text.
std::string VisibleText(std::string_view page);

// The text cut to at most `maxBytes` bytes plus the mark "…" when it is longer, at a
// UTF-8 character boundary.
std::string CutText(std::string_view text, std::size_t maxBytes);

}  // namespace blenvar::update
