#include "output/mask.h"

#include <type_traits>
#include <utility>

#include "core/text.h"

namespace blenvar {

namespace {

// Text with one mark byte per character: 1 when it came from a scan field.
struct Working {
    std::string text;
    std::string marks;
    bool track = true;  // plain FormatMask skips the marks where it can
};

bool IsMaskCodeAt(const Working& w, std::size_t i, char letter) {
    return w.text[i] == '%' && w.text[i + 1] == '%' && w.text[i + 2] == letter && w.marks[i] == 0 &&
           w.marks[i + 1] == 0 && w.marks[i + 2] == 0;
}

// Replaces every code "%%<letter>" made of mask characters, left to right without
// overlap, by `value` marked as `valueFromField`.
void ReplaceCode(Working& w, char letter, std::string_view value, bool valueFromField) {
    const char code[3] = {'%', '%', letter};
    std::size_t hit = w.text.find(std::string_view(code, 3));
    if (hit == std::string::npos) return;

    Working out;
    out.text.reserve(w.text.size() + value.size());
    out.marks.reserve(w.text.size() + value.size());
    std::size_t i = 0;
    const std::size_t n = w.text.size();
    while (i < n) {
        if (i + 2 < n && IsMaskCodeAt(w, i, letter)) {
            out.text.append(value);
            out.marks.append(value.size(), valueFromField ? 1 : 0);
            i += 3;
        } else {
            out.text.push_back(w.text[i]);
            out.marks.push_back(w.marks[i]);
            ++i;
        }
    }
    w = std::move(out);
}

struct Fields {
    std::string_view raw, serial, type, code, extra, date, time;
    explicit Fields(const ScanRecord& rec)
        : raw(Trim(rec.Raw)),
          serial(Trim(rec.Serial)),
          type(Trim(rec.TypeName)),
          code(Trim(rec.Code)),
          extra(Trim(rec.Extra)),
          date(Trim(rec.Date)),
          time(Trim(rec.Time)) {}
};

// The codes in their fixed order, each pass working on the result of the one before.
void Sequential(Working& w, const Fields& f) {
    ReplaceCode(w, 'R', f.raw, true);
    ReplaceCode(w, 'S', f.serial, true);
    ReplaceCode(w, 'T', f.type, true);
    ReplaceCode(w, 'C', f.code, true);
    ReplaceCode(w, 'X', f.extra, true);
    // The dash belongs to the mask; without extra digits the code stays as written.
    if (!f.extra.empty()) ReplaceCode(w, '-', "-", false);
    ReplaceCode(w, 'd', f.date, true);
    ReplaceCode(w, 't', f.time, true);
}

// One pass over the mask. Codes of a mask never overlap, and scan text never forms
// codes, so the passes above can only differ from this when removing a code for an
// empty field lets mask characters around it meet; that needs a "%" right before a
// code, i.e. "%%%" somewhere in the mask, which the caller excludes.
void SinglePass(std::string_view mask, const Fields& f, Working& w) {
    w.text.reserve(mask.size() + f.code.size() + 32);
    auto put = [&](std::string_view v, bool fromField) {
        w.text.append(v);
        if (w.track) w.marks.append(v.size(), fromField ? 1 : 0);
    };
    std::size_t i = 0;
    while (i < mask.size()) {
        const std::size_t hit = mask.find("%%", i);
        if (hit == std::string_view::npos || hit + 2 >= mask.size()) break;
        put(mask.substr(i, hit - i), false);
        std::string_view value;
        bool isCode = true;
        bool fromField = true;
        switch (mask[hit + 2]) {
            case 'R':
                value = f.raw;
                break;
            case 'S':
                value = f.serial;
                break;
            case 'T':
                value = f.type;
                break;
            case 'C':
                value = f.code;
                break;
            case 'X':
                value = f.extra;
                break;
            case 'd':
                value = f.date;
                break;
            case 't':
                value = f.time;
                break;
            case '-':
                isCode = !f.extra.empty();
                value = "-";
                fromField = false;
                break;
            default:
                isCode = false;
                break;
        }
        if (isCode) {
            put(value, fromField);
            i = hit + 3;
        } else {
            put(mask.substr(hit, 1), false);
            i = hit + 1;
        }
    }
    put(mask.substr(i), false);
}

template <class Result>
Result Format(std::string_view mask, const ScanRecord& rec, bool allowSinglePass = true) {
    Working w;
    w.track = !std::is_same_v<Result, std::string>;
    // A code needs two adjacent "%" of the mask, and replacing codes only ever removes
    // mask characters in whole codes, so a mask without "%%" has nothing to replace.
    if (mask.find("%%") == std::string_view::npos) {
        w.text.assign(mask);
        if (w.track) w.marks.assign(mask.size(), 0);
    } else if (allowSinglePass && mask.find("%%%") == std::string_view::npos) {
        SinglePass(mask, Fields(rec), w);
    } else {
        w.track = true;
        w.text.assign(mask);
        w.marks.assign(mask.size(), 0);
        Sequential(w, Fields(rec));
    }
    if constexpr (std::is_same_v<Result, std::string>) {
        return std::move(w.text);
    } else {
        MarkedText m;
        m.fromField.resize(w.marks.size());
        for (std::size_t i = 0; i < w.marks.size(); ++i) m.fromField[i] = w.marks[i] != 0;
        m.text = std::move(w.text);
        return m;
    }
}

}  // namespace

std::string FormatMask(std::string_view mask, const ScanRecord& rec) {
    return Format<std::string>(mask, rec);
}

MarkedText FormatMaskMarked(std::string_view mask, const ScanRecord& rec) {
    return Format<MarkedText>(mask, rec);
}

namespace mask_detail {

MarkedText FormatMaskByPasses(std::string_view mask, const ScanRecord& rec) {
    return Format<MarkedText>(mask, rec, false);
}

}  // namespace mask_detail

}  // namespace blenvar
