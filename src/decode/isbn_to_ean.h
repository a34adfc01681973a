#pragma once
#include <string>
#include <string_view>

namespace blenvar {

// Bookland EAN-13 ("978" + nine ISBN digits + EAN check) to the ten-character ISBN
// with a fresh ISBN-10 check character ("X" for a remainder of 10), or "INVALID"
// when the text does not begin with "978".
std::string EANtoISBN(std::string_view ean);

}  // namespace blenvar
