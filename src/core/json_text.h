#pragma once
#include <string>
#include <string_view>

#include "core/scan_record.h"

namespace blenvar {

// A JSON string literal for bytes of unknown encoding: valid UTF-8 passes through, every
// byte that is not part of a valid UTF-8 sequence becomes the Latin-1 character of that
// byte, so the result is always valid JSON.
std::string JsonString(std::string_view bytes);
// The same literal added to the end of out.
void AppendJsonString(std::string& out, std::string_view bytes);
// The literal's contents without its quotes, for text placed inside a string of a JSON
// template.
void AppendJsonEscaped(std::string& out, std::string_view bytes);

// The scan as one JSON object: its fields, the GS1 or data-identifier elements or their
// problem where there are any, then "open" and "id" when not empty.
void AppendScanJson(std::string& out, const ScanRecord& rec, std::string_view opened = {},
                    std::string_view id = {});

}  // namespace blenvar
