#include "output/mask.h"

#include <utility>

#include "core/text.h"

namespace blenvar {

namespace {

// The text being formatted, with one mark byte per character (1 when it came from a scan
// field) and, when asked for, the mask offset each character was made from.
struct Working {
    std::string text;
    std::string marks;
    std::vector<std::size_t> offsets;
    bool trackOffsets = false;
};

// The code found at i is made of mask characters, not of scanned text.
bool IsMaskCode(const Working& w, std::size_t i) {
    return w.marks[i] == 0 && w.marks[i + 1] == 0 && w.marks[i + 2] == 0;
}

// One pass's rewrite of `w` into the scratch `out`: pieces of the current text copied as
// they are, values put in place of codes, then swapped in when anything was replaced.
struct Rewrite {
    Working& w;
    Working& out;
    std::size_t done = 0;  // the current text up to here is written

    Rewrite(Working& current, Working& scratch) : w(current), out(scratch) {
        out.text.clear();
        out.marks.clear();
        out.offsets.clear();
    }
    // The text before `at`, then `value` in place of the code of `length` there.
    void Put(std::size_t at, std::size_t length, std::string_view value, bool valueFromField) {
        Copy(done, at);
        out.text.append(value);
        out.marks.append(value.size(), valueFromField ? 1 : 0);
        if (w.trackOffsets) out.offsets.insert(out.offsets.end(), value.size(), w.offsets[at]);
        done = at + length;
    }
    void Finish() {
        if (done == 0) return;
        Copy(done, w.text.size());
        std::swap(w, out);
    }

  private:
    void Copy(std::size_t from, std::size_t to) {
        out.text.append(w.text, from, to - from);
        out.marks.append(w.marks, from, to - from);
        if (w.trackOffsets)
            out.offsets.insert(out.offsets.end(), w.offsets.begin() + from, w.offsets.begin() + to);
    }
};

// Replaces every code "%%<letter>" made of mask characters, left to right without
// overlap, by `value` marked as `valueFromField`. `out` is scratch space, kept between
// passes so they reuse its buffers.
void ReplaceCode(Working& w, Working& out, char letter, std::string_view value,
                 bool valueFromField) {
    const char codeText[3] = {'%', '%', letter};
    const std::string_view code(codeText, 3);
    std::size_t hit = w.text.find(code);
    if (hit == std::string::npos) return;
    Rewrite r(w, out);
    for (; hit != std::string::npos; hit = w.text.find(code, hit + 1)) {
        if (hit < r.done || !IsMaskCode(w, hit)) continue;
        r.Put(hit, 3, value, valueFromField);
    }
    r.Finish();
}

// The id of a "%%(id)" code at i, made of mask characters; empty when none stands there.
std::string_view FieldCodeId(const Working& w, std::size_t i) {
    const std::size_t start = i + 3, end = w.text.find(')', start);
    if (end == std::string::npos || end == start || end - start > 4) return {};
    for (std::size_t k = start; k <= end; ++k) {
        const char c = w.text[k];
        if (w.marks[k] != 0 || (k < end && !IsDigit(c) && !(c >= 'A' && c <= 'Z'))) return {};
    }
    return std::string_view(w.text).substr(start, end - start);
}

// Replaces every "%%(id)" code made of mask characters by the element of that id (the
// first one when the scan has several), empty when the scan has none.
void ReplaceFieldCodes(Working& w, Working& out, const std::vector<ScanField>& fields) {
    std::size_t hit = w.text.find("%%(");
    if (hit == std::string::npos) return;
    Rewrite r(w, out);
    for (; hit != std::string::npos; hit = w.text.find("%%(", hit + 1)) {
        if (hit < r.done || !IsMaskCode(w, hit)) continue;
        const std::string_view id = FieldCodeId(w, hit);
        if (id.empty()) continue;
        std::string_view value;
        for (const ScanField& f : fields)
            if (f.id == id) {
                value = f.value;
                break;
            }
        r.Put(hit, 4 + id.size(), value, true);
    }
    r.Finish();
}

// The codes in their fixed order, each pass working on the result of the one before, so
// an empty field may let the mask's characters around it meet and form a code.
Working Format(std::string_view mask, const ScanRecord& rec, bool trackOffsets) {
    Working w;
    w.text.assign(mask);
    w.marks.assign(mask.size(), 0);
    w.trackOffsets = trackOffsets;
    if (trackOffsets) {
        w.offsets.resize(mask.size());
        for (std::size_t i = 0; i < mask.size(); ++i) w.offsets[i] = i;
    }
    // Replacing codes only ever removes whole codes, so without "%%" nothing can form one.
    if (mask.find("%%") == std::string_view::npos) return w;

    Working scratch;
    scratch.trackOffsets = trackOffsets;
    const std::string_view extra = Trim(rec.Extra);
    ReplaceCode(w, scratch, 'R', Trim(rec.Raw), true);
    ReplaceCode(w, scratch, 'S', Trim(rec.Serial), true);
    ReplaceCode(w, scratch, 'T', Trim(rec.TypeName), true);
    ReplaceCode(w, scratch, 'C', Trim(rec.Code), true);
    ReplaceCode(w, scratch, 'X', extra, true);
    // The dash belongs to the mask; without extra digits the code stays as written.
    if (!extra.empty()) ReplaceCode(w, scratch, '-', "-", false);
    ReplaceCode(w, scratch, 'd', Trim(rec.Date), true);
    ReplaceCode(w, scratch, 't', Trim(rec.Time), true);
    ReplaceCode(w, scratch, 'N', Trim(rec.Device), true);
    ReplaceFieldCodes(w, scratch, rec.Fields);
    if (w.text.find("%%H") != std::string::npos)
        ReplaceCode(w, scratch, 'H', HumanReadable(rec.Fields), true);
    return w;
}

}  // namespace

std::string FormatMask(std::string_view mask, const ScanRecord& rec) {
    return std::move(Format(mask, rec, false).text);
}

MarkedText FormatMaskMarked(std::string_view mask, const ScanRecord& rec) {
    Working w = Format(mask, rec, true);
    MarkedText m;
    m.fromField.resize(w.marks.size());
    for (std::size_t i = 0; i < w.marks.size(); ++i) m.fromField[i] = w.marks[i] != 0;
    m.text = std::move(w.text);
    m.maskOffset = std::move(w.offsets);
    return m;
}

}  // namespace blenvar
