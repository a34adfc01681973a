#include "decode/readings.h"

#include <gtest/gtest.h>

#include <vector>

#include "decode/cuecat_encoder.h"
#include "decode/memory_settings.h"

namespace blenvar {
namespace {

struct Case {
    std::string raw, type, code, extra, web = "";
};

template <class Read>
void Check(const std::vector<Case>& cases, Read read) {
    for (const Case& c : cases) {
        Reading r;
        read(c.raw, r);
        EXPECT_EQ(r.TypeName + "|" + r.Code + "|" + r.Extra + "|" + r.webAddress,
                  c.type + "|" + c.code + "|" + c.extra + "|" + c.web)
            << c.raw;
    }
}

TEST(ReadCueCat, TypeTableAddOnsAndTreatments) {
    const auto cat = [](const char* type, const char* value) {
        return testing::CueCatText("0001234", type, value);
    };
    Check({{cat("E82", "400638133393112"), "EAN 8", "4006381333931", "12"},
           {cat("e13", "4006381333931"), "EAN 13", "4006381333931", ""},
           {cat("UA5", "123"), "UPC-A", "", "123"},  // all into Extra
           {cat("UPE", "01234560"), "UPC-E", "01234565", ""},
           {cat("UE2", "0123456012"), "UPC-E", "01234565", "12"},
           {cat("IBN", "9780201633610"), "ISBN", "0201633612", ""},
           {cat("IB5", "978020163361051995"), "ISBN", "0201633612", "51995"},
           {cat("IBN", "9790000000000"), "ISBN", "9790000000000", ""},
           {cat("xyz", "1234"), "xyz (unknown settings)", "1234", ""}},
          ReadCueCat);
}

// The serial's leading non-digits go; a text too short or not shaped like a CueCat
// scan is rejected.
TEST(ReadCueCat, SerialAndRejection) {
    const std::pair<std::string, std::string> cases[] = {
        {testing::CueCatText("  001234", "C39", "AB"), "001234"},
        {testing::CueCatText("ABCDEF", "C39", "AB"), ""},
        {"..abcd..", "BAD SCAN rejected"},
        {"no dots at all", "BAD SCAN rejected"}};
    for (const auto& [raw, serial] : cases) {
        Reading r;
        ReadCueCat(raw, r);
        EXPECT_EQ(r.Serial + (r.rejected ? " rejected" : ""), serial) << raw;
    }
}

TEST(ReadAim, Table) {
    Check({{"]C0ABC", "CODE 128", "ABC", ""},
           {"]C", "UCC/EAN 128", "", ""},
           {"]C1ABC", "UCC/EAN 128", "ABC", ""},
           {"]E00123456789012", "UPC-A", "123456789012", ""},
           {"]E04012345678901]E212345", "EAN 13", "4012345678901", "12345"},
           {"]E04012345678901]E112", "EAN 13", "4012345678901", "12"},
           {"]E14012345678901", "EAN 13", "4012345678901", "40"},  // own modifier
           {"]E400210126", "EAN 8", "00210126", ""},
           {"]E412345670]E112", "EAN 8", "12345670", "12"},
           {"]E3978030640615751995", "EAN 13", "9780306406157", "51995"},
           {"]E3001234567890512", "UPC-A", "012345678905", "12"},
           {"]E0", "EAN 13", "", ""},
           {"]X0012345678912345", "ISBN", "0123456789", "12345"},
           {"]Z0ABC", "", "", ""},
           {"ABC", "", "", ""},
           // The other identifiers of ISO/IEC 15424; GS1 and ECI modifiers.
           {"]B01", "TELEPEN", "1", ""},
           {"]D01", "CODE ONE", "1", ""},
           {"]G01", "CODE 93", "1", ""},
           {"]H01", "CODE 11", "1", ""},
           {"]L21", "PDF417", "1", ""},
           {"]M01", "MSI", "1", ""},
           {"]N01", "ANKER", "1", ""},
           {"]O01", "CODABLOCK", "1", ""},
           {"]P01", "PLESSEY", "1", ""},
           {"]Q11", "QR CODE", "1", ""},
           {"]Q31", "GS1 QR CODE", "1", ""},
           {"]Q4\\000026\xe2\x82\xac", "GS1 QR CODE", "\xe2\x82\xac", ""},
           {"]R01", "IATA 2 OF 5", "1", ""},
           {"]S01", "INDUSTRIAL 2 OF 5", "1", ""},
           {"]T01", "CODE 49", "1", ""},
           {"]U01", "MAXICODE", "1", ""},
           {"]d1a\\\\b", "DATA MATRIX", "a\\\\b", ""},
           {"]d4a\\\\b\\000003caf\xe9", "DATA MATRIX", "a\\bcaf\xc3\xa9", ""},
           {"]d21", "GS1 DATA MATRIX", "1", ""},
           {"]d51", "GS1 DATA MATRIX", "1", ""},
           {"]e01", "GS1 DATABAR", "1", ""},
           {"]h01", "HAN XIN", "1", ""},
           {"]J01", "DOTCODE", "1", ""},
           {"]z01", "AZTEC", "1", ""},
           {"]a01", "", "", ""}},
          ReadAim);
}

// Expected splits made with python3-stdnum (stdnum.gs1_128.info, separator GS); the
// rows it does not check (SSCC and GLN check digits, dates, exact lengths) follow the GS1
// General Specifications.
TEST(ReadGs1, SplitsAndChecks) {
    const std::pair<std::string, std::string> cases[] = {
        {"01095011015300031726123110AB-123\x1d"
         "21SER1",
         "01=09501101530003|17=261231|10=AB-123|21=SER1"},
        {"10AB-123\x1d"
         "17261231\x1d"
         "0109501101530003",
         "10=AB-123|17=261231|01=09501101530003"},
        {"\x1d"
         "10ABC\x1d",
         "10=ABC"},
        {"]C1310300050015261200", "3103=000500|15=261200"},
        {"42252801095011015300037007260101261231", "422=528|01=09501101530003|7007=260101261231"},
        {"3920129\x1d"
         "10X",
         "3920=129|10=X"},
        {"(01)09501101530003(17)261231(10)AB(1)", "01=09501101530003|17=261231|10=AB(1)"},
        {"https://id.gs1.org/01/09501101530003/10/AB-123?17=261231&linkType=all",
         "01=09501101530003|10=AB-123|17=261231"},
        {"HTTP://shop.example/p/01/9501101530003/21/A%2FB", "01=09501101530003|21=A/B"},
        {"00095011015300000010414950110153000317240229",
         "00=095011015300000010|414=9501101530003|17=240229"},
        {"0109501101530004", "AI 01: check digit should be 3"},
        {"00095011015300000011", "AI 00: check digit should be 0"},
        {"4149501101530004", "AI 414: check digit should be 3"},
        {"414950110153000", "AI 414: should be 13 characters long"},
        {"4229", "AI 422: should be 3 characters long"},
        {"17261332", "AI 17: 261332 is not a valid date"},
        {"17250229", "AI 17: 250229 is not a valid date"},
        {"8008261231245959", "AI 8008: 261231245959 is not a valid date"},
        {"0109501101530A03", "AI 01: digits only"},
        {"10ABCDEFGHIJKLMNOPQRSTU", "AI 10: longer than 20 characters"},
        {"21AB~", "AI 21: character '~' is not allowed"},
        {"10\x1d"
         "17261231",
         "AI 10: has no data"},
        {"2312", "unknown AI at \"2312\""},
        {"(23)12", "unknown AI at \"(23)12\""},
        {"https://example.com/01/", "AI 01: should be 14 characters long"},
    };
    for (const auto& [data, expected] : cases) {
        ElementData out;
        std::string fields;
        const bool ok = ReadGs1(data, out);
        for (const ScanField& f : out.fields)
            fields += (fields.empty() ? "" : "|") + f.id + "=" + f.value;
        EXPECT_EQ(ok ? fields : out.error, expected) << data;
        EXPECT_EQ(ok, out.error.empty()) << data;
    }
}

// Which scans are read for elements: the modifier, the type's GS1 setting, envelopes.
TEST(ReadScan, ElementsFollowModifierSettingAndEnvelope) {
    const std::string pack =
        "0109501101530003\x1d"
        "10A";
    const std::string envelope =
        "[)>\x1e"
        "06\x1d"
        "1PAB12\x1dQ5\x1e"
        "05\x1d"
        "0109501101530003\x1e\x04";
    const struct {
        bool aim;
        Gs1Choice choice;
        std::string raw, expected;
    } cases[] = {
        {true, Gs1Choice::Automatic, "]d2" + pack, "(01)09501101530003(10)A"},
        {true, Gs1Choice::Automatic, "]d1" + pack, ""},
        {true, Gs1Choice::Automatic, "]C2" + pack, ""},
        {true, Gs1Choice::Automatic, "]K0" + pack, ""},
        {true, Gs1Choice::NeverGs1, "]d2" + pack, ""},
        {true, Gs1Choice::Automatic, "]Q1https://x.org/01/09501101530003", "(01)09501101530003"},
        {true, Gs1Choice::Automatic, "]Q1https://x.org/about", ""},
        {false, Gs1Choice::AlwaysGs1, "C" + pack, "(01)09501101530003(10)A"},
        {false, Gs1Choice::AlwaysGs1, "Cxyz", "!unknown AI at \"xyz\""},
        {false, Gs1Choice::Automatic, envelope, "(1P)AB12(Q)5(01)09501101530003"},
        {false, Gs1Choice::NeverGs1, envelope, ""},
    };
    for (const auto& c : cases) {
        testing::MemorySettings settings(c.aim, {{"CODE 128", "C"}});
        settings.gs1 = c.choice;
        Reading r;
        ReadScan(c.raw, settings, r);
        EXPECT_EQ(
            r.elements.error.empty() ? HumanReadable(r.elements.fields) : "!" + r.elements.error,
            c.expected)
            << c.raw;
    }
}

// Identifier mode with the UNKNOWN fallback.
TEST(ReadScan, IdentifierListOrderDecides) {
    testing::MemorySettings settings(false, {{"UNKNOWN", "9"},  // never tried
                                             {"EAN 8", ""},     // empty: never matches
                                             {"EAN 13", "9"},
                                             {"CODABAR", "5"},  // matches, gives no value
                                             {"CODE 39", "#"},
                                             {"CODE 128", "]C"},
                                             {"UPC-A", "A"},
                                             {"ean 8", "Y?"}});
    Check({{"9780201", "EAN 13", "780201", ""},
           {"97802016336105", "EAN 13", "7802016336105", ""},  // no length check
           {"5123", "CODE 39", "123", ""},
           {"]Cwww.x.org", "CODE 128", "www.x.org", "", "http://www.x.org"},
           {"]CWWW.x.org", "CODE 128", "WWW.x.org", ""},
           {"5", "UNKNOWN", "5", ""},  // matches without a value fall back
           {"A01234567890512345", "UPC-A", "012345678905", "12345"},
           {"Y!1234567890", "ean 8", "12345678", "90"},  // type as listed, row by upper case
           {"xyz", "UNKNOWN", "xyz", ""}},
          [&](std::string_view raw, Reading& r) { ReadScan(raw, settings, r); });
}

}  // namespace
}  // namespace blenvar
