#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "output/key_sequence.h"

// First byte seeds the field flags; the rest is the sequence.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::vector<bool> literal(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) literal[i] = ((data[0] >> (i % 8)) & 1) != 0;
    const blenvar::KeyParseResult r = blenvar::ParseKeySequence(text, literal);
    // A failure types nothing and points inside the text.
    if (!r.ok() && (!r.actions.empty() || r.errorOffset >= text.size())) __builtin_trap();
    // Literal text never yields more strokes than bytes.
    if (blenvar::LiteralKeyActions(text).size() > text.size()) __builtin_trap();
    return 0;
}
