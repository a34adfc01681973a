#pragma once
#include <string>
#include <string_view>

namespace blenvar {

// A JSON string literal for bytes of unknown encoding: valid UTF-8 passes through, every
// byte that is not part of a valid UTF-8 sequence becomes the Latin-1 character of that
// byte, so the result is always valid JSON.
std::string JsonString(std::string_view bytes);
// The same literal added to the end of out.
void AppendJsonString(std::string& out, std::string_view bytes);

}  // namespace blenvar
