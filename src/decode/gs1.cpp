#include "decode/gs1.h"

#include <array>
#include <cstdint>

#include "core/text.h"

namespace blenvar {

namespace {

enum Rule : std::uint8_t { kPlain, kCheckDigit, kDate };

struct AiRow {
    std::string_view ai;  // 'n' stands for any digit (a measure's decimal point position)
    std::string_view format;
    Rule rule;
};

// The application identifiers and their formats as the GS1 General Specifications list
// them (section 3.2, "GS1 Application Identifiers in numerical order"), in that order.
// Format parts: N digits, X the 82 characters of GS1 AI encodable character set 82,
// Y set 39, Z set 64; "N6" exactly six, "X..20" up to twenty, "N6..12" six to twelve.
constexpr AiRow kAiRows[] = {
    {"00", "N18", kCheckDigit},
    {"01", "N14", kCheckDigit},
    {"02", "N14", kCheckDigit},
    {"10", "X..20", kPlain},
    {"11", "N6", kDate},
    {"12", "N6", kDate},
    {"13", "N6", kDate},
    {"15", "N6", kDate},
    {"16", "N6", kDate},
    {"17", "N6", kDate},
    {"20", "N2", kPlain},
    {"21", "X..20", kPlain},
    {"22", "X..20", kPlain},
    {"235", "X..28", kPlain},
    {"240", "X..30", kPlain},
    {"241", "X..30", kPlain},
    {"242", "N..6", kPlain},
    {"243", "X..20", kPlain},
    {"250", "X..30", kPlain},
    {"251", "X..30", kPlain},
    {"253", "N13+X..17", kCheckDigit},
    {"254", "X..20", kPlain},
    {"255", "N13+N..12", kCheckDigit},
    {"30", "N..8", kPlain},
    {"31nn", "N6", kPlain},
    {"32nn", "N6", kPlain},
    {"33nn", "N6", kPlain},
    {"34nn", "N6", kPlain},
    {"35nn", "N6", kPlain},
    {"36nn", "N6", kPlain},
    {"37", "N..8", kPlain},
    {"390n", "N..15", kPlain},
    {"391n", "N3+N..15", kPlain},
    {"392n", "N..15", kPlain},
    {"393n", "N3+N..15", kPlain},
    {"394n", "N4", kPlain},
    {"395n", "N6", kPlain},
    {"400", "X..30", kPlain},
    {"401", "X..30", kPlain},
    {"402", "N17", kCheckDigit},
    {"403", "X..30", kPlain},
    {"410", "N13", kCheckDigit},
    {"411", "N13", kCheckDigit},
    {"412", "N13", kCheckDigit},
    {"413", "N13", kCheckDigit},
    {"414", "N13", kCheckDigit},
    {"415", "N13", kCheckDigit},
    {"416", "N13", kCheckDigit},
    {"417", "N13", kCheckDigit},
    {"420", "X..20", kPlain},
    {"421", "N3+X..9", kPlain},
    {"422", "N3", kPlain},
    {"423", "N3+N..12", kPlain},
    {"424", "N3", kPlain},
    {"425", "N3+N..12", kPlain},
    {"426", "N3", kPlain},
    {"427", "X..3", kPlain},
    {"4300", "X..35", kPlain},
    {"4301", "X..35", kPlain},
    {"4302", "X..70", kPlain},
    {"4303", "X..70", kPlain},
    {"4304", "X..70", kPlain},
    {"4305", "X..70", kPlain},
    {"4306", "X..70", kPlain},
    {"4307", "X2", kPlain},
    {"4308", "X..30", kPlain},
    {"4309", "N20", kPlain},
    {"4310", "X..35", kPlain},
    {"4311", "X..35", kPlain},
    {"4312", "X..70", kPlain},
    {"4313", "X..70", kPlain},
    {"4314", "X..70", kPlain},
    {"4315", "X..70", kPlain},
    {"4316", "X..70", kPlain},
    {"4317", "X2", kPlain},
    {"4318", "X..20", kPlain},
    {"4319", "X..30", kPlain},
    {"4320", "X..35", kPlain},
    {"4321", "N1", kPlain},
    {"4322", "N1", kPlain},
    {"4323", "N1", kPlain},
    {"4324", "N10", kDate},
    {"4325", "N10", kDate},
    {"4326", "N6", kDate},
    {"7001", "N13", kPlain},
    {"7002", "X..30", kPlain},
    {"7003", "N10", kDate},
    {"7004", "N..4", kPlain},
    {"7005", "X..12", kPlain},
    {"7006", "N6", kDate},
    {"7007", "N6..12", kDate},
    {"7008", "X..3", kPlain},
    {"7009", "X..10", kPlain},
    {"7010", "X..2", kPlain},
    {"7011", "N6..10", kDate},
    {"7020", "X..20", kPlain},
    {"7021", "X..20", kPlain},
    {"7022", "X..20", kPlain},
    {"7023", "X..30", kPlain},
    {"703n", "N3+X..27", kPlain},
    {"7040", "N1+X3", kPlain},
    {"710", "X..20", kPlain},
    {"711", "X..20", kPlain},
    {"712", "X..20", kPlain},
    {"713", "X..20", kPlain},
    {"714", "X..20", kPlain},
    {"715", "X..20", kPlain},
    {"716", "X..20", kPlain},
    {"723n", "X2+X..28", kPlain},
    {"7240", "X..20", kPlain},
    {"7241", "N2", kPlain},
    {"7242", "X..25", kPlain},
    {"8001", "N14", kPlain},
    {"8002", "X..20", kPlain},
    {"8003", "N14+X..16", kCheckDigit},
    {"8004", "X..30", kPlain},
    {"8005", "N6", kPlain},
    {"8006", "N14+N2+N2", kCheckDigit},
    {"8007", "X..34", kPlain},
    {"8008", "N8+N..4", kDate},
    {"8009", "X..50", kPlain},
    {"8010", "Y..30", kPlain},
    {"8011", "N..12", kPlain},
    {"8012", "X..20", kPlain},
    {"8013", "X..25", kPlain},
    {"8017", "N18", kCheckDigit},
    {"8018", "N18", kCheckDigit},
    {"8019", "N..10", kPlain},
    {"8020", "X..25", kPlain},
    {"8026", "N14+N2+N2", kCheckDigit},
    {"8030", "Z..90", kPlain},
    {"8110", "X..70", kPlain},
    {"8111", "N4", kPlain},
    {"8112", "X..70", kPlain},
    {"8200", "X..70", kPlain},
    {"90", "X..30", kPlain},
    {"91", "X..90", kPlain},
    {"92", "X..90", kPlain},
    {"93", "X..90", kPlain},
    {"94", "X..90", kPlain},
    {"95", "X..90", kPlain},
    {"96", "X..90", kPlain},
    {"97", "X..90", kPlain},
    {"98", "X..90", kPlain},
    {"99", "X..90", kPlain},
};

// Primary keys a Digital Link path starts from.
constexpr std::string_view kLinkKeys[] = {"00",   "01",   "253",  "255",  "401",
                                          "402",  "414",  "417",  "8003", "8004",
                                          "8006", "8010", "8013", "8017", "8018"};

struct Part {
    char set = 'N';
    std::uint8_t min = 0, max = 0;
};

struct AiDef {
    std::string_view ai;
    std::array<Part, 3> parts{};
    std::uint8_t partCount = 0;
    std::uint16_t minLen = 0, maxLen = 0;
    Rule rule = kPlain;
    // One length only: read by it, so a GS after it is optional (the predefined-length
    // AIs never have one).
    bool fixed = false;
};

constexpr int TwoDigits(std::string_view s) {
    return (s[0] - '0') * 10 + (s[1] - '0');
}

class AiTable {
  public:
    AiTable() {
        std::size_t i = 0;
        for (const AiRow& row : kAiRows) {
            AiDef& d = defs_[i];
            d.ai = row.ai;
            d.rule = row.rule;
            std::string_view f = row.format;
            while (!f.empty()) {
                Part& p = d.parts[d.partCount++];
                p.set = f[0];
                f.remove_prefix(1);
                const auto number = [&f] {
                    std::uint8_t n = 0;
                    while (!f.empty() && IsDigit(f[0])) {
                        n = static_cast<std::uint8_t>(n * 10 + (f[0] - '0'));
                        f.remove_prefix(1);
                    }
                    return n;
                };
                p.min = number();
                if (f.starts_with("..")) {
                    f.remove_prefix(2);
                    if (p.min == 0) p.min = 1;
                    p.max = number();
                } else {
                    p.max = p.min;
                }
                if (f.starts_with('+')) f.remove_prefix(1);
                // Every part but the last has one length.
                d.minLen = static_cast<std::uint16_t>(d.minLen + (f.empty() ? p.min : p.max));
                d.maxLen = static_cast<std::uint16_t>(d.maxLen + p.max);
            }
            d.fixed = d.minLen == d.maxLen;
            Bucket& b = buckets_[static_cast<std::size_t>(TwoDigits(row.ai))];
            if (b.count == 0) b.first = static_cast<std::uint8_t>(i);
            ++b.count;
            ++i;
        }
    }

    // The AI at the start of s, matched digit by digit; null when none is known.
    const AiDef* Find(std::string_view s) const {
        if (s.size() < 2 || !IsDigit(s[0]) || !IsDigit(s[1])) return nullptr;
        const Bucket& b = buckets_[static_cast<std::size_t>(TwoDigits(s))];
        for (std::size_t i = b.first; i < std::size_t{b.first} + b.count; ++i) {
            const AiDef& d = defs_[i];
            if (s.size() < d.ai.size()) continue;
            bool match = true;
            for (std::size_t k = 2; k < d.ai.size() && match; ++k)
                match = d.ai[k] == 'n' ? IsDigit(s[k]) : d.ai[k] == s[k];
            if (match) return &d;
        }
        return nullptr;
    }

  private:
    struct Bucket {
        std::uint8_t first = 0, count = 0;
    };
    std::array<AiDef, std::size(kAiRows)> defs_{};
    std::array<Bucket, 100> buckets_{};
};

const AiTable& Table() {
    static const AiTable table;
    return table;
}

bool InSet(char set, char c) {
    const bool alnum = IsDigit(c) || (c >= 'A' && c <= 'Z');
    switch (set) {
        case 'N':
            return IsDigit(c);
        case 'Y':  // set 39
            return alnum || c == '#' || c == '-' || c == '/';
        case 'Z':  // set 64
            return alnum || (c >= 'a' && c <= 'z') || c == '-' || c == '_' || c == '=';
        default:  // set 82
            return alnum || (c >= 'a' && c <= 'z') ||
                   std::string_view("!\"%&'()*+,-./:;<=>?_").find(c) != std::string_view::npos;
    }
}

int Number2(std::string_view s, std::size_t at) {
    return (s[at] - '0') * 10 + (s[at + 1] - '0');
}

// YYMMDD; a day of 00 means the end of the month.
bool IsDate(std::string_view s) {
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int yy = Number2(s, 0), mm = Number2(s, 2), dd = Number2(s, 4);
    if (mm < 1 || mm > 12) return false;
    // Two-digit years of the GS1 century window fall between 1950 and 2099: every fourth
    // is a leap year.
    const int days = mm == 2 && yy % 4 != 0 ? 28 : kDays[mm - 1];
    return dd <= days;
}

// Dates and times after the first date: a second date of six digits (7007), or hours,
// minutes and seconds two digits each.
bool IsDateTime(std::string_view s) {
    if (!IsDate(s)) return false;
    if (s.size() == 12) return IsDate(s.substr(6));
    for (std::size_t at = 6, i = 0; at + 2 <= s.size(); at += 2, ++i)
        if (Number2(s, at) > (i == 0 ? 23 : 59)) return false;
    return s.size() % 2 == 0;
}

char CheckDigit(std::string_view digits) {
    int sum = 0, weight = 3;
    for (std::size_t i = digits.size(); i-- > 0;) {
        sum += (digits[i] - '0') * weight;
        weight = 4 - weight;
    }
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

bool Fail(ElementData& out, std::string_view ai, std::string_view problem) {
    out.fields.clear();
    out.error.assign("AI ");
    out.error.append(ai);
    out.error.append(": ");
    out.error.append(problem);
    return false;
}

// Checks one element's data against its AI's format and rule, then adds it.
bool AddElement(const AiDef& d, std::string_view ai, std::string_view value, ElementData& out) {
    if (value.size() < d.minLen || value.size() > d.maxLen) {
        std::string problem;
        if (d.fixed)
            problem = "should be " + std::to_string(d.maxLen) + " characters long";
        else if (value.empty())
            problem = "has no data";
        else if (value.size() > d.maxLen)
            problem = "longer than " + std::to_string(d.maxLen) + " characters";
        else
            problem = "shorter than " + std::to_string(d.minLen) + " characters";
        return Fail(out, ai, problem);
    }
    std::size_t at = 0;
    for (std::uint8_t p = 0; p < d.partCount; ++p) {
        const Part& part = d.parts[p];
        const std::size_t end = p + 1 == d.partCount ? value.size() : at + part.max;
        for (; at < end; ++at) {
            if (InSet(part.set, value[at])) continue;
            if (part.set == 'N') return Fail(out, ai, "digits only");
            return Fail(out, ai, std::string("character '") + value[at] + "' is not allowed");
        }
    }
    const std::string_view head = value.substr(0, d.parts[0].max);
    if (d.rule == kCheckDigit) {
        const char digit = CheckDigit(head.substr(0, head.size() - 1));
        if (head.back() != digit)
            return Fail(out, ai, std::string("check digit should be ") + digit);
    } else if (d.rule == kDate) {
        const std::string_view stamp = d.partCount > 1 ? value : head;
        if (!IsDateTime(stamp)) return Fail(out, ai, std::string(stamp) + " is not a valid date");
    }
    out.fields.push_back(ScanField{std::string(ai), std::string(value)});
    return true;
}

// Element strings with GS between them, from the start of data to its end.
bool ReadElementStrings(std::string_view data, ElementData& out) {
    const AiTable& table = Table();
    std::size_t pos = 0;
    while (pos < data.size()) {
        if (data[pos] == kGroupSeparator) {
            ++pos;
            continue;
        }
        const std::string_view rest = data.substr(pos);
        const AiDef* d = table.Find(rest);
        if (d == nullptr) {
            out.fields.clear();
            out.error = "unknown AI at \"" + std::string(rest.substr(0, 4)) + "\"";
            return false;
        }
        const std::string_view ai = rest.substr(0, d->ai.size());
        std::size_t end = data.find(kGroupSeparator, pos + ai.size());
        if (end == std::string_view::npos) end = data.size();
        if (d->fixed && end > pos + ai.size() + d->maxLen) end = pos + ai.size() + d->maxLen;
        if (!AddElement(*d, ai, data.substr(pos + ai.size(), end - pos - ai.size()), out))
            return false;
        pos = end;
    }
    if (out.fields.empty()) out.error = "no GS1 data";
    return !out.fields.empty();
}

// "(ai)" at the start of s whose digits are a known AI: the AI's length, else 0.
std::size_t BracketedAi(std::string_view s, const AiDef*& def) {
    const std::size_t close = s.find(')');
    if (s.empty() || s[0] != '(' || close == std::string_view::npos || close > 5) return 0;
    def = Table().Find(s.substr(1, close - 1));
    return def != nullptr && def->ai.size() == close - 1 ? close - 1 : 0;
}

bool ReadBracketed(std::string_view data, ElementData& out) {
    std::size_t pos = 0;
    while (pos < data.size()) {
        const AiDef* d = nullptr;
        const std::size_t aiLen = BracketedAi(data.substr(pos), d);
        if (aiLen == 0) {
            out.fields.clear();
            out.error = "unknown AI at \"" + std::string(data.substr(pos, 6)) + "\"";
            return false;
        }
        const std::size_t start = pos + aiLen + 2;
        std::size_t end = data.find('(', start);
        const AiDef* next = nullptr;
        while (end != std::string_view::npos && BracketedAi(data.substr(end), next) == 0)
            end = data.find('(', end + 1);
        if (end == std::string_view::npos) end = data.size();
        if (!AddElement(*d, data.substr(pos + 1, aiLen), data.substr(start, end - start), out))
            return false;
        pos = end;
    }
    return !out.fields.empty();
}

int HexValue(char c) {
    if (IsDigit(c)) return c - '0';
    c = LowerAscii(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::string PercentDecoded(std::string_view s) {
    std::string text;
    text.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
            text.push_back(static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2])));
            i += 2;
        } else {
            text.push_back(s[i]);
        }
    }
    return text;
}

// The path of an http(s) address after its host, up to the query; npos when it is none.
std::size_t PathStart(std::string_view data) {
    std::size_t skip = 0;
    if (data.size() > 8 && EqualsNoCaseAscii(data.substr(0, 8), "https://"))
        skip = 8;
    else if (data.size() > 7 && EqualsNoCaseAscii(data.substr(0, 7), "http://"))
        skip = 7;
    else
        return std::string_view::npos;
    return data.find('/', skip);
}

// Position of the primary key's segment ("/01/...") in the path, or npos.
std::size_t LinkKey(std::string_view path) {
    for (std::size_t at = path.find('/'); at != std::string_view::npos;
         at = path.find('/', at + 1)) {
        const std::size_t next = path.find('/', at + 1);
        if (next == std::string_view::npos) return next;
        const std::string_view segment = path.substr(at + 1, next - at - 1);
        for (std::string_view key : kLinkKeys)
            if (segment == key) return at;
    }
    return std::string_view::npos;
}

std::string_view LinkPath(std::string_view data) {
    const std::size_t start = PathStart(data);
    if (start == std::string_view::npos) return {};
    const std::size_t end = data.find_first_of("?#", start);
    return data.substr(start, end == std::string_view::npos ? end : end - start);
}

bool AddLinkElement(std::string_view key, std::string_view encoded, ElementData& out) {
    const AiDef* d = Table().Find(key);
    if (d == nullptr || d->ai.size() != key.size()) {
        out.fields.clear();
        out.error = "unknown AI at \"" + std::string(key.substr(0, 4)) + "\"";
        return false;
    }
    std::string value = PercentDecoded(encoded);
    // GTIN-8, -12 and -13 stand in a link without their leading zeros.
    if (key == "01" && (value.size() == 8 || value.size() == 12 || value.size() == 13))
        value.insert(0, 14 - value.size(), '0');
    return AddElement(*d, key, value, out);
}

bool ReadDigitalLink(std::string_view data, ElementData& out) {
    const std::string_view path = LinkPath(data);
    const std::size_t key = LinkKey(path);
    if (key == std::string_view::npos) {
        out.error = "no GS1 primary key in the address";
        return false;
    }
    std::string_view rest = path.substr(key + 1);
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        if (slash == std::string_view::npos) return Fail(out, rest, "has no data");
        const std::string_view ai = rest.substr(0, slash);
        std::size_t end = rest.find('/', slash + 1);
        if (end == std::string_view::npos) end = rest.size();
        if (!AddLinkElement(ai, rest.substr(slash + 1, end - slash - 1), out)) return false;
        rest = end < rest.size() ? rest.substr(end + 1) : std::string_view{};
    }
    const std::size_t q = data.find('?');
    if (q == std::string_view::npos) return true;
    std::string_view query = data.substr(q + 1);
    query = query.substr(0, query.find('#'));
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view{} : query.substr(amp + 1);
        const std::size_t eq = pair.find('=');
        const std::string_view name = pair.substr(0, eq);
        // Other query members (linkType, ...) are no AIs.
        if (eq == std::string_view::npos || name.empty() ||
            name.find_first_not_of("0123456789") != std::string_view::npos)
            continue;
        if (!AddLinkElement(name, pair.substr(eq + 1), out)) return false;
    }
    return true;
}

// "1P", "Q", "30P": up to three digits and a capital letter.
std::size_t DataIdentifierLength(std::string_view s) {
    std::size_t n = 0;
    while (n < s.size() && n < 3 && IsDigit(s[n])) ++n;
    return n < s.size() && s[n] >= 'A' && s[n] <= 'Z' ? n + 1 : 0;
}

bool ReadDataIdentifiers(std::string_view data, ElementData& out) {
    while (!data.empty()) {
        const std::size_t gs = data.find(kGroupSeparator);
        const std::string_view element = data.substr(0, gs);
        data = gs == std::string_view::npos ? std::string_view{} : data.substr(gs + 1);
        if (element.empty()) continue;
        const std::size_t n = DataIdentifierLength(element);
        if (n == 0) {
            out.fields.clear();
            out.error = "no data identifier at \"" + std::string(element.substr(0, 4)) + "\"";
            return false;
        }
        out.fields.push_back(
            ScanField{std::string(element.substr(0, n)), std::string(element.substr(n))});
    }
    return true;
}

constexpr std::string_view kEnvelopeHeader = "[)>\x1e";

}  // namespace

bool ReadGs1(std::string_view data, ElementData& out) {
    out.fields.clear();
    out.error.clear();
    if (data.starts_with(kGroupSeparator))
        data.remove_prefix(1);
    else if (data.starts_with("]C1"))
        data.remove_prefix(3);
    if (data.starts_with('(')) return ReadBracketed(data, out);
    if (PathStart(data) != std::string_view::npos) return ReadDigitalLink(data, out);
    return ReadElementStrings(data, out);
}

bool IsDigitalLink(std::string_view data) {
    return LinkKey(LinkPath(data)) != std::string_view::npos;
}

bool IsEnvelope(std::string_view data) {
    return data.starts_with(kEnvelopeHeader);
}

bool ReadEnvelope(std::string_view data, ElementData& out) {
    out.fields.clear();
    out.error.clear();
    std::string_view rest = data.substr(kEnvelopeHeader.size());
    if (const std::size_t eot = rest.find('\x04'); eot != std::string_view::npos)
        rest = rest.substr(0, eot);
    bool read = false;
    while (!rest.empty()) {
        const std::size_t rs = rest.find('\x1e');
        const std::string_view format = rest.substr(0, rs);
        rest = rs == std::string_view::npos ? std::string_view{} : rest.substr(rs + 1);
        const bool gs1 = format.starts_with("05\x1d");
        if (!gs1 && !format.starts_with("06\x1d")) continue;
        ElementData part;
        const std::string_view body = format.substr(3);
        if (!(gs1 ? ReadElementStrings(body, part) : ReadDataIdentifiers(body, part))) {
            out.fields.clear();
            out.error = std::move(part.error);
            return false;
        }
        for (ScanField& f : part.fields) out.fields.push_back(std::move(f));
        read = true;
    }
    if (!read) out.error = "the envelope holds no format 05 or 06";
    return read;
}

}  // namespace blenvar
