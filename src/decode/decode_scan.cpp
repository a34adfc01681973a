#include "decode/decode_scan.h"

#include <cstdio>

#include "components/sound/scan_sounds.h"
#include "core/text.h"
#include "decode/readings.h"
#include "settings/settings_layout.h"

namespace blenvar {

namespace {

// The reading's settings as stored, read when the reading first asks for them after the
// settings' content changed, so edits in the settings file count at the next scan.
class StoredSettings final : public ReadingSettings {
  public:
    StoredSettings(DecodeContext& ctx, bool identified)
        : ctx_(ctx), read_(ctx.settingsRead), identified_(identified) {
        if (read_.generation != ctx.settingsGeneration)
            read_ = SettingsRead{ctx.settingsGeneration, {}, {}};
    }

    bool AimMode() override {
        if (identified_) return true;
        if (ctx_.encodingOverride) return IsAimEncoding(*ctx_.encodingOverride);
        if (!read_.aim) read_.aim = IsAimEncoding(LoadEncoding(ctx_.ini));
        return *read_.aim;
    }
    std::span<const std::string> Types() override { return ctx_.typeList; }
    const Identifier& IdentifierOf(std::size_t index) override {
        if (read_.identTexts.size() <= index) read_.identTexts.resize(ctx_.typeList.size());
        auto& text = read_.identTexts[index];
        if (!text) text = LoadIdentText(ctx_.ini, ctx_.typeList[index]);
        return ctx_.identifiers.Get(index, *text);
    }
    Gs1Choice Gs1ChoiceOf(std::string_view type) override { return LoadGs1Choice(ctx_.ini, type); }

  private:
    DecodeContext& ctx_;
    SettingsRead& read_;
    bool identified_;
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

void ScanStamp::Stamp(const std::tm& now, ScanRecord& rec) {
    if (!made_ || now.tm_sec != last_.tm_sec || now.tm_min != last_.tm_min ||
        now.tm_hour != last_.tm_hour || now.tm_mday != last_.tm_mday ||
        now.tm_mon != last_.tm_mon || now.tm_year != last_.tm_year) {
        time_ = FormatScanTime(now);
        date_ = FormatScanDate(now);
        last_ = now;
        made_ = true;
    }
    rec.Time = time_;
    rec.Date = date_;
}

std::string FormatScanDate(const std::tm& t) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", t.tm_mon + 1, t.tm_mday, t.tm_year + 1900);
    return buf;
}

void DecodeScan(ScanRecord& rec, DecodeContext& ctx, bool identified) {
    // One reading of the clock, so a scan at midnight gets a matching date and time.
    ctx.stamp.Stamp(ctx.clock.LocalNow(), rec);

    Reading r;
    if (ctx.refreshPerScan) ctx.settingsGeneration = ctx.ini.Refresh();
    StoredSettings settings(ctx, identified);
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
    rec.Symbology = std::move(r.Symbology);
    rec.Fields = std::move(r.elements.fields);
    rec.FieldsError = std::move(r.elements.error);
}

}  // namespace blenvar
