#include "decode/decode_scan.h"

#include <cstdio>

#include "core/text.h"
#include "decode/readings.h"

namespace blenvar {

namespace {

constexpr const char* kSetupSection = "Setup";
constexpr const char* kCode128Section = "CODE 128";

void OpenIfWebJump(const Reading& r, DecodeContext& ctx) {
    if (r.webAddress.empty()) return;
    ctx.ini.SetSection(kCode128Section);
    if (ctx.ini.GetValue("WebJump") == "1") ctx.opener.Open(r.webAddress);  // answer ignored
}

void Store(Reading& r, ScanRecord& rec) {
    rec.Serial = std::move(r.Serial);
    rec.TypeName = std::move(r.TypeName);
    rec.Code = std::move(r.Code);
    rec.Extra = std::move(r.Extra);
}

void CueCatInto(Reading& r, std::string_view raw, DecodeContext& ctx) {
    ReadCueCat(raw, r);
    if (r.rejected) {
        ctx.sound.PlaySound(std::string(kBadScanSound), false);
        ctx.tray.SetTrayImage(1);
        return;
    }
    OpenIfWebJump(r, ctx);
}

}  // namespace

std::string FormatScanTime(const std::tm& t) {
    const int hour24 = ((t.tm_hour % 24) + 24) % 24;
    const int hour12 = hour24 % 12 == 0 ? 12 : hour24 % 12;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d%s", hour12, t.tm_min, t.tm_sec,
                  hour24 < 12 ? "am" : "pm");
    return buf;
}

std::string FormatScanDate(const std::tm& t) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", t.tm_mon + 1, t.tm_mday, t.tm_year + 1900);
    return buf;
}

void CueCat(ScanRecord& rec, DecodeContext& ctx) {
    Reading r;
    CueCatInto(r, rec.Raw, ctx);
    Store(r, rec);
}

void DecodeScan(ScanRecord& rec, DecodeContext& ctx) {
    const std::string& raw = rec.Raw;
    rec.Time = FormatScanTime(ctx.clock.LocalNow());
    rec.Date = FormatScanDate(ctx.clock.LocalNow());

    Reading r;
    ctx.ini.Refresh();
    ctx.ini.SetSection(kSetupSection);
    if (IsCueCatShape(raw)) {
        CueCatInto(r, raw, ctx);
    } else if (EqualsNoCaseAscii(
                   ctx.encodingOverride ? *ctx.encodingOverride : ctx.ini.GetValue("Encoding"),
                   "AIM")) {
        ReadAim(raw, r);  // AIM mode never opens an address
    } else {
        // Identifiers are read entry by entry, so edits in the settings file count at
        // the next scan and the walk stops at the first entry giving a value.
        for (const std::string& type : ctx.typeList) {
            if (EqualsNoCaseAscii(type, kUnknownType)) continue;
            ctx.ini.SetSection(type);
            const std::string ident = ctx.ini.GetValue("IdentText", "");
            r.webAddress.clear();
            if (TryIdentifierEntry(raw, type, Trim(ident), r) && !r.Code.empty()) {
                OpenIfWebJump(r, ctx);
                break;
            }
        }
    }
    ApplyUnknownFallback(raw, r);
    Store(r, rec);
}

}  // namespace blenvar
