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
           {"ABC", "", "", ""}},
          ReadAim);
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
