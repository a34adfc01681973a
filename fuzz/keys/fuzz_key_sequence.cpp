#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "output/key_sequence.h"
#include "output/mask.h"

// First byte seeds the field flags; the rest is the sequence. The rest is also read as a
// keyboard mask and a scanned value (split at the first NUL) and typed the way delivery
// types it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::vector<bool> literal(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) literal[i] = ((data[0] >> (i % 8)) & 1) != 0;
    const blenvar::KeyParseResult r = blenvar::ParseKeySequence(text, literal);
    // A failure types nothing and points inside the text.
    if (!r.ok() && (!r.actions.empty() || r.errorOffset >= text.size())) __builtin_trap();

    const std::size_t nul = text.find('\0');
    const std::string_view mask = text.substr(0, nul);
    blenvar::ScanRecord rec;
    rec.Code = nul == std::string_view::npos ? "" : std::string(text.substr(nul + 1));
    rec.Extra = data[0] & 1 ? "12" : "";
    const blenvar::MarkedText m = blenvar::FormatMaskMarked(mask, rec);
    const blenvar::KeyParseResult plain = blenvar::ParseKeySequence(m.text, m.fromField);
    const blenvar::KeyParseResult placed =
        blenvar::ParseKeySequence(m.text, m.fromField, {mask, &m.maskOffset});
    // Knowing the mask changes where an error is said to be, nothing else.
    if (plain.ok() != placed.ok() || plain.actions != placed.actions ||
        plain.errorOffset != placed.errorOffset)
        __builtin_trap();
    return 0;
}
