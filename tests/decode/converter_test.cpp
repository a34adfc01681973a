#include "decode/converter.h"

#include <gtest/gtest.h>

#include "decode/isbn_to_ean.h"

namespace blenvar {
namespace {

struct Row {
    const char* in;
    std::string out;
};

TEST(BitStrings, PaddingAndNonBinaryCharacters) {
    EXPECT_EQ(DecToBin(255, 4), "11111111");  // width is a minimum
    EXPECT_EQ(DecToBin(-7, 2), "00");
    EXPECT_EQ(BinToDec("1x1"), 5u);  // anything but "1" is 0
    for (long long v : {1LL, 1000LL, 123456789LL}) EXPECT_EQ(BinToDec(DecToBin(v, 6)), v);
}

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

TEST(EANtoISBN, Table) {
    const Row rows[] = {{"9780201633610", "0201633612"},
                        {"9780306406157", "0306406152"},
                        {"978020163361", "0201633612"},
                        {"9781000000000", "1000000001"},
                        {"9780000000000", "0000000000"},
                        {"9780804429573", "080442957X"},
                        {"97812", "125"},
                        {"9790000000000", "INVALID"},
                        {"", "INVALID"}};
    for (const Row& r : rows) EXPECT_EQ(EANtoISBN(r.in), r.out) << r.in;
}

}  // namespace
}  // namespace blenvar
