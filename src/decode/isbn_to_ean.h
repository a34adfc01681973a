#pragma once
#include <string>
#include <string_view>

namespace blenvar {

// Bookland EAN-13 ("978" + nine ISBN digits + EAN check) to the ten-character ISBN
// with a fresh ISBN-10 check character ("X" for a remainder of 10), or "INVALID"
// when the text does not begin with "978".
std::string EANtoISBN(std::string_view ean);

// Periodical EAN-13 ("977" + seven ISSN digits + two variant digits + EAN check) to
// the eight-character ISSN with a fresh check character (weights 8 to 2, modulo 11,
// "X" for 10), or "INVALID" when the text does not begin with "977". Missing digits
// and other characters count as 0, as in EANtoISBN.
std::string EANtoISSN(std::string_view ean);

}  // namespace blenvar
