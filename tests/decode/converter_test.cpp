#include "decode/converter.h"

#include <gtest/gtest.h>

#include "decode/isbn_to_ean.h"

namespace blenvar {
namespace {

TEST(Converters, FieldUnscramblingUpcEExpansionAndCheckDigit) {
    const struct {
        std::string (*convert)(std::string_view);
        const char* in;
        std::string out;
    } rows[] = {
        // clang-format off
        {DecodeCueCatField, "aaaa", "CCC"}, {DecodeCueCatField, "aaa", "CC"},
        {DecodeCueCatField, "aa", "C"},     {DecodeCueCatField, "a", ""},
        {DecodeCueCatField, "----", std::string(3, char(188))},
        {DecodeCueCatField, "aa*a", "CCC"},  // outside the alphabet counts as index 0
        {UPCEtoUPCA, "01234505", "012000003455"}, {UPCEtoUPCA, "01234525", "012200003455"},
        {UPCEtoUPCA, "01234535", "012300000455"}, {UPCEtoUPCA, "01234545", "012340000055"},
        {UPCEtoUPCA, "01234565", "012345000065"}, {UPCEtoUPCA, "1A23456X", "1A234500006X"},
        {UPCEtoUPCA, "21234565", "INVALID"},      {UPCEtoUPCA, "0123456", "INVALID"},
        {UPCEtoUPCA, "012345651", "INVALID"},     {UPCEtoUPCA, "01234515", "012100003455"},
        // A UPC-A's own check digit is ignored; a UPC-E is expanded, with or without its own.
        {UPCCheckDigit, "03600029145", "2"}, {UPCCheckDigit, "036000291459", "2"},
        {UPCCheckDigit, "01234565", "5"},    {UPCCheckDigit, "01234560", "5"},
        {UPCCheckDigit, "0123456", "5"},     {UPCCheckDigit, "21234565", "0"},
        {UPCCheckDigit, "0360002914", "7"},  {UPCCheckDigit, "0A6000291", "4"},
        // clang-format on
    };
    for (const auto& r : rows) EXPECT_EQ(r.convert(r.in), r.out) << r.in;
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
        {"9787261675130", "726167513X", "INVALID"}, {"9771273583033", "INVALID", "12735833"},
        {"9777696863981", "INVALID", "76968634"},   {"9777127684260", "INVALID", "7127684X"},
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
