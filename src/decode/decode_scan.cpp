#include "decode/decode_scan.h"

#include <cstdio>

#include "components/sound/scan_sounds.h"
#include "core/text.h"
#include "decode/readings.h"
#include "settings/settings_layout.h"

namespace blenvar {

namespace {

// The reading's settings as stored, read when the reading asks for them, so edits in
// the settings file count at the next scan.
class StoredSettings final : public ReadingSettings {
  public:
    explicit StoredSettings(DecodeContext& ctx) : ctx_(ctx) {}

    bool AimMode() override {
        return IsAimEncoding(ctx_.encodingOverride ? *ctx_.encodingOverride
                                                   : LoadEncoding(ctx_.ini));
    }
    std::span<const std::string> Types() override { return ctx_.typeList; }
    const Identifier& IdentifierOf(std::size_t index) override {
        return ctx_.identifiers.Get(index, LoadIdentText(ctx_.ini, ctx_.typeList[index]));
    }

  private:
    DecodeContext& ctx_;
};

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

void DecodeScan(ScanRecord& rec, DecodeContext& ctx) {
    // One reading of the clock, so a scan at midnight gets a matching date and time.
    const std::tm now = ctx.clock.LocalNow();
    rec.Time = FormatScanTime(now);
    rec.Date = FormatScanDate(now);

    Reading r;
    if (ctx.refreshPerScan) ctx.ini.Refresh();
    StoredSettings settings(ctx);
    ReadScan(rec.Raw, settings, r);
    if (r.rejected) {
        ctx.sound.PlaySound(std::string(kBadScanSound), false);
        ctx.tray.SetTrayImage(kTrayIdle);
    }
    // AIM mode never gives an address; the answer of the opener is ignored.
    if (!r.webAddress.empty() && LoadWebJump(ctx.ini)) ctx.opener.Open(r.webAddress);

    rec.Serial = std::move(r.Serial);
    rec.TypeName = std::move(r.TypeName);
    rec.Code = std::move(r.Code);
    rec.Extra = std::move(r.Extra);
}

}  // namespace blenvar
