#include "output/mask.h"

#include <gtest/gtest.h>

#include <random>

namespace blenvar {
namespace {

ScanRecord Sample() {
    ScanRecord r;
    r.Raw = "]E09780306406157]E251995";
    r.Serial = "";
    r.TypeName = "EAN 13";
    r.Code = "9780306406157";
    r.Extra = "51995";
    r.Date = "03/04/2005";
    r.Time = "9:05:07am";
    return r;
}

static_assert(kDefaultFileFormat.size() == 31);

TEST(FormatMask, Codes) {
    const ScanRecord s = Sample();
    ScanRecord noExtra = Sample();
    noExtra.Extra = "";
    ScanRecord padded = Sample();
    padded.Code = "  0123  ";
    const struct {
        const char* mask;
        const ScanRecord& rec;
        const char* out;
    } cases[] = {
        {"%%C", s, "9780306406157"},
        {"%%C%%-%%X", s, "9780306406157-51995"},
        {"%%C%%-%%X", noExtra, "9780306406157%%-"},
        {"%%T %%t", s, "EAN 13 9:05:07am"},
        {"%%c %%x %%D", s, "%%c %%x %%D"},  // wrong case: not codes
        {"100%", s, "100%"},
        {"[%%C]", padded, "[0123]"},
        {"  plain text  ", s, "  plain text  "},
        {"%%%%TC", noExtra, "%%EAN 13C"},
        {kDefaultFileFormat.data(), noExtra,
         R"(03/04/2005,9:05:07am,"","EAN 13","9780306406157","")"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatMask(c.mask, c.rec), c.out) << c.mask;
}

// Scanned text is delivered as scanned, whatever codes it contains.
TEST(FormatMask, FieldContentIsNeverExpanded) {
    ScanRecord r = Sample();
    r.Raw = "raw%%C";
    r.Code = "A%%TB%%";
    r.Extra = "%%-";
    r.TypeName = "%%";
    EXPECT_EQ(FormatMask("%%R", r), "raw%%C");
    EXPECT_EQ(FormatMask("%%C", r), "A%%TB%%");
    EXPECT_EQ(FormatMask("%%C%%-%%X", r), "A%%TB%%-%%-");
    // A field ending in "%%" does not join the mask's next letter into a code.
    EXPECT_EQ(FormatMask("%%TC", r), "%%C");
    // An empty field still lets the mask's own characters meet, as the mask says.
    r.TypeName = "";
    EXPECT_EQ(FormatMask("%%%%TC", r), "A%%TB%%");
}

TEST(FormatMaskMarked, MarksFieldBytes) {
    ScanRecord r = Sample();
    r.Code = "1+2";
    const MarkedText m = FormatMaskMarked("{TAB}%%C%%-%%X~", r);
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
    ScanRecord full = Sample();
    full.Serial = " 12 ";
    ScanRecord empty{};
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
