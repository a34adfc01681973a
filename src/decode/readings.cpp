#include "decode/readings.h"

#include <algorithm>
#include <array>

#include "core/text.h"
#include "decode/converter.h"
#include "decode/eci.h"
#include "decode/isbn_to_ean.h"
#include "decode/wildcard.h"
#include "settings/settings_layout.h"

namespace blenvar {

namespace {

enum class Treatment { kNone, kUpcE, kIsbn, kCode128 };

struct CueCatType {
    std::string_view code;
    std::string_view typeName;
    std::size_t addOn;
    Treatment treatment;
};

constexpr std::array<CueCatType, 18> kCueCatTypes{{
    {"CBR", kTypeCodabar, 0, Treatment::kNone},
    {"E08", kTypeEan8, 0, Treatment::kNone},
    {"E82", kTypeEan8, 2, Treatment::kNone},
    {"E85", kTypeEan8, 5, Treatment::kNone},
    {"E13", kTypeEan13, 0, Treatment::kNone},
    {"E32", kTypeEan13, 2, Treatment::kNone},
    {"E35", kTypeEan13, 5, Treatment::kNone},
    {"UPE", kTypeUpcE, 0, Treatment::kUpcE},
    {"UE2", kTypeUpcE, 2, Treatment::kUpcE},
    {"UE5", kTypeUpcE, 5, Treatment::kUpcE},
    {"UPA", kTypeUpcA, 0, Treatment::kNone},
    {"UA2", kTypeUpcA, 2, Treatment::kNone},
    {"UA5", kTypeUpcA, 5, Treatment::kNone},
    {"IBN", kTypeIsbn, 0, Treatment::kIsbn},
    {"IB5", kTypeIsbn, 5, Treatment::kIsbn},
    {"ITF", kTypeInterleaved2Of5, 0, Treatment::kNone},
    {"128", kTypeCode128, 0, Treatment::kCode128},
    {"C39", kTypeCode39, 0, Treatment::kNone},
}};

constexpr std::string_view kWww = "www.";

// Next field up to (not including) the next dot; the dot is consumed too.
std::string_view TakeField(std::string_view& s) {
    const std::size_t dot = s.find('.');
    std::string_view field = s.substr(0, dot);
    s = dot == std::string_view::npos ? std::string_view{} : s.substr(dot + 1);
    return field;
}

// "]E" modifiers (ISO/IEC 15424): 0 thirteen digits, 1 and 2 a two- or five-digit
// add-on alone, 3 thirteen digits with the add-on in the same packet, 4 EAN-8.
void ReadAimEan(std::string_view raw, Reading& out) {
    const char modifier = raw.size() > 2 ? raw[2] : '\0';
    std::size_t symbolLength = 16;  // "]E", modifier, 13 digits
    if (modifier == '4') {
        out.TypeName = kTypeEan8;
        out.Code = Mid(raw, 3, 8);
        symbolLength = 11;
    } else if (raw.size() > 3 && raw[3] == '0') {
        out.TypeName = kTypeUpcA;
        out.Code = Mid(raw, 4, 12);
    } else {
        out.TypeName = kTypeEan13;
        out.Code = Mid(raw, 3, 13);
    }
    if (modifier == '3') {
        out.Extra = Mid(raw, 16);
        return;
    }
    // An add-on sent as a symbol of its own follows the first one; without it the first
    // symbol's own modifier is read.
    std::string_view work = raw;
    const std::size_t second =
        raw.size() > symbolLength ? raw.find(']', symbolLength) : std::string_view::npos;
    if (second != std::string_view::npos) work = raw.substr(second);
    const char addOn = work.size() > 2 ? work[2] : '\0';
    if (addOn == '1')
        out.Extra = Mid(work, 3, 2);
    else if (addOn == '2')
        out.Extra = Mid(work, 3, 5);
}

// The other symbology identifiers of ISO/IEC 15424: the type, the modifiers that mark
// GS1 data (and the type they give, when it is another), and those that mark ECI escapes.
struct AimSymbology {
    char letter;
    std::string_view type;
    std::string_view gs1Modifiers;
    std::string_view gs1Type;
    std::string_view eciModifiers;
};

constexpr AimSymbology kAimSymbologies[] = {
    {'B', kTypeTelepen, "", "", ""},
    {'D', kTypeCodeOne, "", "", ""},
    {'G', kTypeCode93, "", "", ""},
    {'H', kTypeCode11, "", "", ""},
    {'L', kTypePdf417, "", "", "1"},
    {'M', kTypeMsi, "", "", ""},
    {'N', kTypeAnker, "", "", ""},
    {'O', kTypeCodablock, "", "", ""},
    {'P', kTypePlessey, "", "", ""},
    {'Q', kTypeQrCode, "34", kTypeGs1QrCode, "246"},
    {'R', kTypeIata2Of5, "", "", ""},
    {'S', kTypeIndustrial2Of5, "", "", ""},
    {'T', kTypeCode49, "", "", ""},
    {'U', kTypeMaxiCode, "", "", "23"},
    {'d', kTypeDataMatrix, "25", kTypeGs1DataMatrix, "456"},
    {'e', kTypeGs1DataBar, "0", "", ""},
    {'h', kTypeHanXin, "", "", "1"},
    {'J', kTypeDotCode, "14", "", "345"},
    {'z', kTypeAztec, "14", "", "345"},
};

void ReadAimSymbology(const AimSymbology& s, char modifier, std::string_view data, Reading& out) {
    const auto has = [modifier](std::string_view modifiers) {
        return modifier != '\0' && modifiers.find(modifier) != std::string_view::npos;
    };
    out.gs1 = has(s.gs1Modifiers);
    out.TypeName = out.gs1 && !s.gs1Type.empty() ? s.gs1Type : s.type;
    if (has(s.eciModifiers))
        out.Code = DecodeEci(data);
    else
        out.Code = data;
}

bool IsCueCatShape(std::string_view raw) {
    static const WildcardPattern shape(kCueCatShape);
    return shape.Matches(raw);
}

}  // namespace

void ReadCueCat(std::string_view raw, Reading& out) {
    if (raw.size() < 10 || !IsCueCatShape(raw)) {
        out.Serial = kBadScan;
        out.rejected = true;
        return;
    }
    std::string_view s = raw.substr(1);
    const std::string_view serialField = TakeField(s);
    const std::string_view typeField = TakeField(s);
    const std::string_view valueField = TakeField(s);

    std::string serial = DecodeCueCatField(serialField);
    std::size_t firstDigit = 0;
    while (firstDigit < serial.size() && !IsDigit(serial[firstDigit])) ++firstDigit;
    serial.erase(0, firstDigit);

    const std::string type = DecodeCueCatField(typeField);
    std::string value = DecodeCueCatField(valueField);

    const std::string upper = ToUpperAscii(type);
    const CueCatType* row = nullptr;
    for (const auto& t : kCueCatTypes)
        if (t.code == upper) {
            row = &t;
            break;
        }

    if (row == nullptr) {
        out.TypeName = type;
        out.TypeName += kUnknownSettingsSuffix;
    } else {
        out.TypeName = row->typeName;
        if (row->addOn > 0) {
            const std::size_t n = row->addOn < value.size() ? row->addOn : value.size();
            out.Extra = value.substr(value.size() - n);
            value.resize(value.size() - n);
        }
        switch (row->treatment) {
            case Treatment::kUpcE:
                value = std::string(Mid(value, 0, 7)) + UPCCheckDigit(value);
                break;
            case Treatment::kIsbn:
                if (value.starts_with("978")) value = EANtoISBN(Mid(value, 0, 13));
                break;
            case Treatment::kCode128:
                // The CueCat value is opened as it stands, without "http://".
                if (value.starts_with(kWww)) out.webAddress = value;
                break;
            case Treatment::kNone:
                break;
        }
    }
    out.Serial = std::move(serial);
    out.Code = std::move(value);
}

void ReadAim(std::string_view raw, Reading& out) {
    if (raw.size() < 2 || raw[0] != ']') return;
    const std::string_view data = Mid(raw, 3);
    const char modifier = raw.size() > 2 ? raw[2] : '\0';
    out.Symbology = Mid(raw, 0, 3);
    switch (raw[1]) {
        case 'A':
            out.TypeName = kTypeCode39;
            out.Code = data;
            break;
        case 'C':
            out.TypeName = modifier == '0' ? kTypeCode128 : kTypeUccEan128;
            out.Code = data;
            out.gs1 = modifier == '1';
            break;
        case 'K':
            out.TypeName = kTypeUccEan128;
            out.Code = data;
            break;
        case 'E':
            ReadAimEan(raw, out);
            break;
        case 'F':
            out.TypeName = kTypeCodabar;
            out.Code = data;
            break;
        case 'I':
            out.TypeName = kTypeInterleaved2Of5;
            out.Code = data;
            break;
        case 'X':
            out.TypeName = kTypeIsbn;
            out.Code = Mid(data, 0, 10);
            out.Extra = Mid(data, 10);
            break;
        default:
            for (const AimSymbology& s : kAimSymbologies)
                if (s.letter == raw[1]) ReadAimSymbology(s, modifier, data, out);
            break;
    }
}

namespace {

// One matching entry of identifier mode: TypeName, then Code and Extra by the type's row.
void ReadIdentifierRest(std::string_view rest, std::string_view type, Reading& out) {
    out.TypeName = type;
    auto fixed = [&](std::size_t n) {
        out.Code = Mid(rest, 0, n);
        out.Extra = Mid(rest, n);
    };
    auto is = [&](std::string_view name) { return EqualsNoCaseAscii(type, name); };
    if (is(kTypeEan8) || is(kTypeUpcE)) {
        fixed(8);
    } else if (is(kTypeEan13)) {
        fixed(13);
    } else if (is(kTypeUpcA)) {
        fixed(12);
    } else if (is(kTypeIsbn)) {
        fixed(10);
    } else if (is(kTypeInterleaved2Of5) || is(kTypeCode39)) {
        out.Code = rest;
    } else if (is(kTypeCode128)) {
        out.Code = rest;
        if (rest.starts_with(kWww)) {
            out.webAddress = "http://";
            out.webAddress += rest;
        }
    }
}

void ReadIdentifier(std::string_view raw, ReadingSettings& settings, Reading& out) {
    const std::span<const std::string> types = settings.Types();
    for (std::size_t i = 0; i < types.size(); ++i) {
        if (EqualsNoCaseAscii(types[i], kTypeUnknown)) continue;
        const Identifier& ident = settings.IdentifierOf(i);
        if (!ident.MatchesHead(raw)) continue;
        ReadIdentifierRest(raw.substr(std::min(ident.Text().size(), raw.size())), types[i], out);
        if (!out.Code.empty()) return;
    }
}

// An envelope is recognised by its header; other data is read as GS1 when the setting or
// the modifier says so, and a QR code's Digital Link address by its form.
void ReadElements(Gs1Choice choice, Reading& out) {
    if (choice == Gs1Choice::NeverGs1) return;
    const std::string_view code = out.Code;
    if (IsEnvelope(code))
        ReadEnvelope(code, out.elements);
    else if (choice == Gs1Choice::AlwaysGs1 || out.gs1 ||
             (out.TypeName == kTypeQrCode && IsDigitalLink(code)))
        ReadGs1(code, out.elements);
}

}  // namespace

void ReadScan(std::string_view raw, ReadingSettings& settings, Reading& out) {
    if (IsCueCatShape(raw))
        ReadCueCat(raw, out);
    else if (settings.AimMode())
        ReadAim(raw, out);
    else
        ReadIdentifier(raw, settings, out);
    if (out.Code.empty()) {
        out.TypeName = kTypeUnknown;
        out.Code = raw;
        out.gs1 = false;
    }
    ReadElements(settings.Gs1ChoiceOf(out.TypeName), out);
}

}  // namespace blenvar
