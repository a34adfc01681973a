#include "core/json_text.h"

#include <cstdint>
#include <cstdio>

namespace blenvar {

// Length of the valid UTF-8 sequence at s[i], or 0 when the byte there starts none.
static size_t Utf8Length(std::string_view s, size_t i) {
    auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = b(i);
    auto cont = [&](size_t k) { return k < s.size() && (b(k) & 0xC0) == 0x80; };
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return cont(i + 1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (!cont(i + 1) || !cont(i + 2)) return 0;
        unsigned char c1 = b(i + 1);
        if (c == 0xE0 && c1 < 0xA0) return 0;   // overlong
        if (c == 0xED && c1 >= 0xA0) return 0;  // surrogate
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (!cont(i + 1) || !cont(i + 2) || !cont(i + 3)) return 0;
        unsigned char c1 = b(i + 1);
        if (c == 0xF0 && c1 < 0x90) return 0;   // overlong
        if (c == 0xF4 && c1 >= 0x90) return 0;  // above U+10FFFF
        return 4;
    }
    return 0;
}

std::string JsonString(std::string_view s) {
    std::string out;
    AppendJsonString(out, s);
    return out;
}

void AppendJsonString(std::string& out, std::string_view s) {
    out.push_back('"');
    AppendJsonEscaped(out, s);
    out.push_back('"');
}

void AppendJsonEscaped(std::string& out, std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        // Plain printable ASCII goes over in one piece.
        size_t plain = i;
        while (plain < s.size() && s[plain] >= 0x20 && s[plain] < 0x7F && s[plain] != '"' &&
               s[plain] != '\\')
            ++plain;
        if (plain > i) {
            out.append(s.substr(i, plain - i));
            i = plain;
            continue;
        }
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = Utf8Length(s, i);
        if (n == 0) {
            // Latin-1 character of the byte, written as UTF-8.
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(s.substr(i, n));
            i += n;
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out.push_back(static_cast<char>(c));
                }
        }
        ++i;
    }
}

void AppendScanJson(std::string& out, const ScanRecord& rec, std::string_view opened,
                    std::string_view id) {
    const auto field = [&out](std::string_view name, std::string_view value) {
        out += name;
        AppendJsonString(out, value);
    };
    field("{\"raw\":", rec.Raw);
    field(",\"serial\":", rec.Serial);
    field(",\"type\":", rec.TypeName);
    field(",\"code\":", rec.Code);
    field(",\"extra\":", rec.Extra);
    field(",\"date\":", rec.Date);
    field(",\"time\":", rec.Time);
    field(",\"symbology\":", rec.Symbology);
    field(",\"device\":", rec.Device);
    if (!rec.Fields.empty()) {
        out += ",\"fields\":{";
        for (const ScanField& f : rec.Fields) {
            if (&f != &rec.Fields.front()) out += ',';
            AppendJsonString(out, f.id);
            out += ':';
            AppendJsonString(out, f.value);
        }
        out += '}';
    }
    if (!rec.FieldsError.empty()) field(",\"fields_error\":", rec.FieldsError);
    if (!opened.empty()) field(",\"open\":", opened);
    if (!id.empty()) field(",\"id\":", id);
    out += '}';
}

}  // namespace blenvar
