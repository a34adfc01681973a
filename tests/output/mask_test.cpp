#include "output/mask.h"

#include <gtest/gtest.h>

#include <random>

namespace blenvar {
namespace {

const ScanRecord kSample{
    "]E09780306406157]E251995", "", "EAN 13", "9780306406157", "51995", "03/04/2005", "9:05:07am"};

ScanRecord With(std::string ScanRecord::*field, std::string value, ScanRecord r = kSample) {
    r.*field = std::move(value);
    return r;
}

TEST(FormatMask, Codes) {
    const ScanRecord& s = kSample;
    const ScanRecord noExtra = With(&ScanRecord::Extra, "");
    // Scanned text is delivered as scanned, whatever codes it contains.
    const ScanRecord hostile{"raw%%C", "", "%%", "A%%TB%%", "%%-", "", ""};
    const ScanRecord hostileNoType = With(&ScanRecord::TypeName, "", hostile);
    const struct {
        const char* mask;
        ScanRecord rec;
        const char* out;
    } cases[] = {
        {"%%C", s, "9780306406157"},
        {"%%C%%-%%X", s, "9780306406157-51995"},
        {"%%C%%-%%X", noExtra, "9780306406157%%-"},
        {"%%T %%t", s, "EAN 13 9:05:07am"},
        {"%%c %%x %%D", s, "%%c %%x %%D"},  // wrong case: not codes
        {"100%", s, "100%"},
        {"[%%C]", With(&ScanRecord::Code, "  0123  "), "[0123]"},
        {"  plain text  ", s, "  plain text  "},
        {"%%%%TC", noExtra, "%%EAN 13C"},
        {kDefaultFileFormat.data(), noExtra,
         R"(03/04/2005,9:05:07am,"","EAN 13","9780306406157","")"},
        {"%%R", hostile, "raw%%C"},
        {"%%C", hostile, "A%%TB%%"},
        {"%%C%%-%%X", hostile, "A%%TB%%-%%-"},
        {"%%TC", hostile, "%%C"},  // a field ending in "%%" never joins the mask's next letter
        {"%%%%TC", hostileNoType, "A%%TB%%"},  // an empty field lets the mask's characters meet
    };
    for (const auto& c : cases) EXPECT_EQ(FormatMask(c.mask, c.rec), c.out) << c.mask;
}

TEST(FormatMaskMarked, MarksFieldBytes) {
    const MarkedText m = FormatMaskMarked("{TAB}%%C%%-%%X~", With(&ScanRecord::Code, "1+2"));
    ASSERT_EQ(m.text, "{TAB}1+2-51995~");
    ASSERT_EQ(m.fromField.size(), m.text.size());
    const std::string expect = "000001110111110";
    for (std::size_t i = 0; i < expect.size(); ++i)
        EXPECT_EQ(m.fromField[i], expect[i] == '1') << "byte " << i;
}

// The one-pass shortcut must give what the code-by-code passes give, marks included,
// also for masks where an empty field lets the mask's characters meet.
TEST(FormatMask, ShortcutAgreesWithPasses) {
    std::mt19937 rng(7);
    const std::string alphabet = "%%%%RSTCX-dtx ";
    const ScanRecord full = With(&ScanRecord::Serial, " 12 "), empty{};
    for (int round = 0; round < 20000; ++round) {
        std::string mask;
        const int len = static_cast<int>(rng() % 12);
        for (int i = 0; i < len; ++i) mask.push_back(alphabet[rng() % alphabet.size()]);
        for (const ScanRecord* rec : {&full, &empty}) {
            const MarkedText fast = FormatMaskMarked(mask, *rec);
            const MarkedText slow = mask_detail::FormatMaskByPasses(mask, *rec);
            ASSERT_EQ(fast.text, slow.text) << mask;
            ASSERT_EQ(fast.fromField, slow.fromField) << mask;
            ASSERT_EQ(FormatMask(mask, *rec), slow.text) << mask;
        }
    }
}

}  // namespace
}  // namespace blenvar
