#include <gtest/gtest.h>

#include "decode/cuecat_encoder.h"
#include "decode/decode_scan.h"
#include "decode/fakes.h"
#include "decode/temp_ini.h"
#include "settings/code_types.h"

namespace blenvar {
namespace {

using namespace blenvar::testing;

const char* const kSettings =
    "[Setup]\nEncoding=Other\n"
    "[EAN 13]\nIdentText=  9  \n"
    "[CODE 39]\nIdentText=#\n"
    "[CODE 128]\nIdentText=]C\nWebJump=1\n"
    "[Shelf Labels]\nIdentText=S\n";

struct Driver {
    explicit Driver(const std::string& content) : file(content) {
        ini.SetFileName(file.path());
        types = LoadCodeTypes(ini);
        clock.readings = {MakeTime(2005, 3, 4, 23, 59, 59), MakeTime(2005, 3, 5, 0, 0, 6)};
    }
    ScanRecord Decode(const std::string& raw) {
        ScanRecord rec;
        rec.Raw = raw;
        rec.Serial = rec.TypeName = rec.Code = rec.Extra = "stale";
        clock.next = 0;
        DecodeScan(rec, ctx);
        return rec;
    }
    TempIni file;
    INIFile ini;
    std::vector<std::string> types;
    FakeOpener opener;
    FakeSound sound;
    FakeTray tray;
    FakeClock clock;
    DecodeContext ctx{ini, types, opener, sound, tray, clock};  // kept, as the program does
};

// Identifiers and the encoding are kept between scans; an edit in the file, ours or another
// program's, must still count at the next one.
TEST(DecodeScan, IdentifierModeThroughSettings) {
    Driver d(kSettings);
    INIFile editor;  // another program's edits
    editor.SetFileName(d.file.path());
    const struct {
        const char* section;  // when set, its IdentText (Setup: Encoding) is stored before the scan
        const char* ident;
        const char* raw;
        const char* type;
        const char* code;
    } steps[] = {
        {nullptr, "", "9780201", "EAN 13", "780201"},  // trimmed; EAN 13 above CODE 39
        {nullptr, "", "5123", "CODE 39", "123"},
        {nullptr, "", "SHELF1", "UNKNOWN", "SHELF1"},  // added section matches, no value
        {nullptr, "", "", "UNKNOWN", ""},
        {"CODE 39", "X#", "5123", "UNKNOWN", "5123"},
        {nullptr, "", "X5123", "CODE 39", "123"},
        {"EAN 13", "X", "X5123", "EAN 13", "5123"},  // plain, above CODE 39
        {"EAN 13", "", "X5123", "CODE 39", "123"},
        {"Setup", "AIM", "]A0X5123", "CODE 39", "X5123"},
        {"Setup", "Other", "X5123", "CODE 39", "123"},
    };
    for (const auto& s : steps) {
        if (s.section && std::string_view(s.section) == "Setup") {
            editor.SetSection(s.section);
            ASSERT_TRUE(editor.SaveValue("Encoding", s.ident));
        } else if (s.section) {
            d.ini.SetSection(s.section);
            ASSERT_TRUE(d.ini.SaveValue("IdentText", s.ident));
        }
        const ScanRecord r = d.Decode(s.raw);
        EXPECT_EQ(r.TypeName + "|" + r.Code + "|" + r.Serial + r.Extra,
                  std::string(s.type) + "|" + s.code + "|")
            << s.raw;
    }
    EXPECT_TRUE(d.opener.opened.empty());
    const ScanRecord r = d.Decode("]Cwww.example.com");
    // One clock reading per scan: a scan just before midnight is not dated the next day.
    EXPECT_EQ(r.Time + " " + r.Date, "11:59:59pm 03/04/2005");
    EXPECT_EQ(d.opener.opened, std::vector<std::string>{"http://www.example.com"});
}

TEST(DecodeScan, AimModeIgnoresCaseAndNeverJumps) {
    Driver d("[Setup]\nEncoding=aim\n[CODE 128]\nWebJump=1\n");
    const ScanRecord r = d.Decode("]C0www.example.com");
    EXPECT_EQ(r.TypeName, "CODE 128");
    EXPECT_EQ(r.Code, "www.example.com");
    EXPECT_TRUE(d.opener.opened.empty());
    EXPECT_EQ(FormatScanTime(MakeTime(2005, 1, 1, 12, 30, 0)), "12:30:00pm");
}

TEST(DecodeScan, CueCatWithBadScanAndWebJump) {
    Driver d("[CODE 128]\nWebJump=1\n");
    const ScanRecord good = d.Decode(CueCatText("0001", "128", "www.example.com"));
    EXPECT_EQ(good.TypeName, "CODE 128");
    EXPECT_EQ(good.Serial, "0001");
    EXPECT_EQ(d.opener.opened, std::vector<std::string>{"www.example.com"});
    EXPECT_TRUE(d.sound.played.empty());

    const ScanRecord bad = d.Decode("..abcd..");
    EXPECT_EQ(bad.Serial, "BAD SCAN");
    EXPECT_EQ(bad.TypeName, "UNKNOWN");
    EXPECT_EQ(bad.Code, "..abcd..");
    ASSERT_EQ(d.sound.played.size(), 1u);
    EXPECT_EQ(d.sound.played[0], std::make_pair(std::string("Bad Scan"), false));
    EXPECT_EQ(d.tray.images, std::vector<int>{1});

    Driver off("[CODE 128]\nWebJump=0\n");
    off.Decode(CueCatText("1", "128", "www.example.com"));
    EXPECT_TRUE(off.opener.opened.empty());
}

// Built-ins, UNKNOWN first; an added section once more in capitals unless it spells a
// built-in exactly.
TEST(LoadCodeTypes, BuiltInsThenAddedSections) {
    TempIni f("[SETUP]\n[EAN 13]\n[ean 8]\n[Shelf Labels]\n[Unknown]\n");
    INIFile ini, missing;
    ini.SetFileName(f.path());
    missing.SetFileName(f.folder() + "/none.ini");
    std::vector<std::string> expect = LoadCodeTypes(missing);
    ASSERT_EQ(expect.size(), 33u);
    EXPECT_EQ(expect[0], "UNKNOWN");
    expect.insert(expect.end(), {"EAN 8", "SHELF LABELS"});
    EXPECT_EQ(LoadCodeTypes(ini), expect);
}

}  // namespace
}  // namespace blenvar
