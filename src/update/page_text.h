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

}  // namespace blenvar::update
