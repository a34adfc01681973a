#include "output/mask.h"

#include <gtest/gtest.h>

#include <vector>

#include "settings/settings_layout.h"

namespace blenvar {
namespace {

const ScanRecord kSample{
    "]E09780306406157]E251995", "", "EAN 13", "9780306406157", "51995", "03/04/2005", "9:05:07am"};

ScanRecord With(std::string ScanRecord::*field, std::string value, ScanRecord r = kSample) {
    r.*field = std::move(value);
    return r;
}

// The text, and for some masks which bytes came from the scan and where in the mask
// each byte was made (a field's bytes point at their code).
TEST(FormatMask, Codes) {
    using Offsets = std::vector<std::size_t>;
    const ScanRecord& s = kSample;
    const ScanRecord noExtra = With(&ScanRecord::Extra, "");
    const ScanRecord noType = With(&ScanRecord::TypeName, "");
    // Scanned text is delivered as scanned, whatever codes it contains.
    const ScanRecord hostile{"raw%%C", "", "%%", "A%%TB%%", "%%-", "", ""};
    const ScanRecord hostileNoType = With(&ScanRecord::TypeName, "", hostile);
    ScanRecord pack = With(&ScanRecord::Code, "%%(01)%%H");
    pack.Fields = {{"01", "09501101530003"}, {"17", "261200"}, {"10", "AB-123"}, {"1P", "X"}};
    const struct {
        const char* mask;
        ScanRecord rec;
        const char* out;
        const char* fromField = nullptr;  // not checked when null
        Offsets offsets = {};
    } cases[] = {
        {"%%C", s, "9780306406157"},
        {"%%C%%-%%X", s, "9780306406157-51995"},
        {"%%C%%-%%X", noExtra, "9780306406157%%-"},
        {"%%T %%t", s, "EAN 13 9:05:07am"},
        {"%%c %%x %%D", s, "%%c %%x %%D"},  // wrong case: not codes
        {"100%", s, "100%"},
        {"[%%C]", With(&ScanRecord::Code, "  0123  "), "[0123]"},
        {"  plain text  ", s, "  plain text  "},
        {"", s, "", "", Offsets{}},
        {kDefaultFileFormat.data(), noExtra,
         R"(03/04/2005,9:05:07am,"","EAN 13","9780306406157","")"},
        {"{TAB}%%C%%-%%X~", With(&ScanRecord::Code, "1+2"), "{TAB}1+2-51995~", "000001110111110",
         Offsets{0, 1, 2, 3, 4, 5, 5, 5, 8, 11, 11, 11, 11, 11, 14}},
        {"a%%Tb", noType, "ab", "00", Offsets{0, 4}},
        {"%%%%TC", noExtra, "%%EAN 13C", "001111110", Offsets{0, 1, 2, 2, 2, 2, 2, 2, 5}},
        {"%%R", hostile, "raw%%C"},
        {"%%C", hostile, "A%%TB%%"},
        {"%%C%%-%%X", hostile, "A%%TB%%-%%-"},
        {"%%TC", hostile, "%%C"},  // a field ending in "%%" never joins the mask's next letter
        // An empty field lets the mask's characters meet: the code starts at the first "%".
        {"%%%%TC", hostileNoType, "A%%TB%%", "1111111", Offsets(7, 0)},
        {"%%(01)|%%(17)|%%(10)|%%(21)|%%(1P)", pack, "09501101530003|261200|AB-123||X"},
        {"%%C %%H", pack, "%%(01)%%H (01)09501101530003(17)261200(10)AB-123(1P)X"},
        {"x%%(17)y", pack, "x261200y", "01111110", Offsets{0, 1, 1, 1, 1, 1, 1, 7}},
        {"%%(01 %%(ab) %%H", s, "%%(01 %%(ab) "},
        {"%%N;%%C", With(&ScanRecord::Device, " POS 0c2e:0b81 "), "POS 0c2e:0b81;9780306406157"},
        {"%%C", With(&ScanRecord::Code, "%%N", With(&ScanRecord::Device, "x")), "%%N"},
        {"[%%N]", s, "[]"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatMask(c.mask, c.rec), c.out) << c.mask;
        const MarkedText m = FormatMaskMarked(c.mask, c.rec);
        EXPECT_EQ(m.text, c.out) << c.mask;
        if (!c.fromField) continue;
        std::string marks;
        for (bool f : m.fromField) marks += f ? '1' : '0';
        EXPECT_EQ(marks, c.fromField) << c.mask;
        EXPECT_EQ(m.maskOffset, c.offsets) << c.mask;
    }
}

}  // namespace
}  // namespace blenvar
