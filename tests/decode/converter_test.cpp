#include "decode/converter.h"

#include <gtest/gtest.h>

#include "decode/isbn_to_ean.h"

namespace blenvar {
namespace {

struct Row {
    const char* in;
    std::string out;
};

TEST(DecodeCueCatField, Table) {
    const Row rows[] = {{"aaaa", "CCC"}, {"aaa", "CC"}, {"aa", "C"},
                        {"a", ""},       {"", ""},      {"----", std::string(3, char(188))},
                        {"aa*a", "CCC"}};  // outside the alphabet counts as index 0
    for (const Row& r : rows) EXPECT_EQ(DecodeCueCatField(r.in), r.out) << r.in;
}

TEST(UPCEtoUPCA, Table) {
    const Row rows[] = {{"01234505", "012000003455"},
                        {"01234515", "012100003455"},
                        {"01234525", "012200003455"},
                        {"01234535", "012300000455"},
                        {"01234545", "012340000055"},
                        {"01234565", "012345000065"},
                        {"1A23456X", "1A234500006X"},
                        {"21234565", "INVALID"},
                        {"0123456", "INVALID"},
                        {"012345651", "INVALID"},
                        {"", "INVALID"}};
    for (const Row& r : rows) EXPECT_EQ(UPCEtoUPCA(r.in), r.out) << r.in;
}

TEST(UPCCheckDigit, Table) {
    const Row rows[] = {
        {"03600029145", "2"}, {"036000291452", "2"}, {"036000291459", "2"}, {"01234565", "5"},
        {"01234560", "5"},    {"0123456", "5"},      {"21234565", "0"},     {"", "0"},
        {"0360002914", "7"},  {"04210000526", "4"},  {"0A6000291", "4"}};
    for (const Row& r : rows) EXPECT_EQ(UPCCheckDigit(r.in), r.out) << r.in;
}

// Random codes made once with python3-stdnum: a 978/977 body completed by
// ean.calc_check_digit; ISBN from isbn.to_isbn10(code), ISSN code[3:10] followed by
// issn.calc_check_digit(code[3:10]). The rows below those are our own edge cases.
TEST(EANtoISBNandISSN, AgreeWithStdnum) {
    const struct {
        const char *ean, *isbn, *issn;
    } rows[] = {
        // clang-format off
        {"9789145856307", "9145856303", "INVALID"}, {"9787407752688", "7407752680", "INVALID"},
        {"9784633214263", "4633214268", "INVALID"}, {"9780431757155", "0431757151", "INVALID"},
        {"9781020192074", "1020192070", "INVALID"}, {"9787326369578", "7326369577", "INVALID"},
        {"9787261675130", "726167513X", "INVALID"}, {"9783377617408", "337761740X", "INVALID"},
        {"9771273583033", "INVALID", "12735833"},   {"9777696863981", "INVALID", "76968634"},
        {"9778926088877", "INVALID", "89260880"},   {"9776319115193", "INVALID", "63191156"},
        {"9771432242993", "INVALID", "14322420"},   {"9773502195734", "INVALID", "35021950"},
        {"9777127684260", "INVALID", "7127684X"},   {"9776661760317", "INVALID", "6661760X"},
        // Without the EAN check digit, and short texts whose missing digits count as 0.
        {"978020163361", "0201633612", "INVALID"},  {"97812", "125", "INVALID"},
        {"977123", "INVALID", "1234"},              {"9790000000000", "INVALID", "INVALID"},
        {"", "INVALID", "INVALID"},
        // clang-format on
    };
    for (const auto& r : rows) {
        EXPECT_EQ(EANtoISBN(r.ean), r.isbn) << r.ean;
        EXPECT_EQ(EANtoISSN(r.ean), r.issn) << r.ean;
    }
}

}  // namespace
}  // namespace blenvar
