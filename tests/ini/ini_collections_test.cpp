#include "components/ini/ini_collections.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace blenvar {
namespace {

template <class C>
void FillThree(C& c);
template <>
void FillThree(Keys& c) {
    c.Add("a");
    c.Add("b", "KeyB");
    c.Add("c");
}
template <>
void FillThree(INIValues& c) {
    c.Add("a", "1");
    c.Add("b", "2", "KeyB");
    c.Add("c", "3");
}

void AddPlain(Keys& c) {
    c.Add("x");
}
void AddPlain(INIValues& c) {
    c.Add("x", "y");
}

template <class C>
class CollectionTest : public ::testing::Test {};
using CollectionTypes = ::testing::Types<Keys, INIValues>;
TYPED_TEST_SUITE(CollectionTest, CollectionTypes);

TYPED_TEST(CollectionTest, OutOfRangeThrowsAndChangesNothing) {
    TypeParam c;
    FillThree(c);
    for (int bad : {-1, 3, 1000}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(c.Item(bad), std::out_of_range);
        EXPECT_THROW(c.Remove(bad), std::out_of_range);
        EXPECT_EQ(c.Count(), 3);
    }
    EXPECT_THROW(c.Item("nokey"), std::out_of_range);
    EXPECT_THROW(c.Item(""), std::out_of_range);
}

TYPED_TEST(CollectionTest, LookupKeyReachesRecordAndMustBeUnique) {
    TypeParam c;
    FillThree(c);
    auto& byKey = c.Item("keyb");
    EXPECT_EQ(&byKey, &c.Item(1));
    EXPECT_THROW(FillThree(c), std::invalid_argument);  // "KeyB" again, after adding "a"
    EXPECT_EQ(c.Count(), 4);
    c.Remove("KEYB");
    EXPECT_EQ(c.Count(), 3);
    EXPECT_THROW(c.Item("KeyB"), std::out_of_range);
}

TYPED_TEST(CollectionTest, ReferencesSurviveGrowthAndRemoval) {
    TypeParam c;
    FillThree(c);
    auto& last = c.Item(2);
    c.Remove(0);
    c.Remove("KeyB");
    for (int i = 0; i < 100; ++i) AddPlain(c);
    EXPECT_EQ(&last, &c.Item(0));
    c.Clear();
    EXPECT_EQ(c.Count(), 0);
    EXPECT_EQ(c.begin(), c.end());
}

TEST(KeysTest, KeyReadsAsText) {
    Keys keys;
    keys.Add("CODE 39");
    keys.Add("UPC-A");
    std::vector<std::string> names;
    for (const Key& k : keys) names.push_back(k);
    EXPECT_EQ(names, (std::vector<std::string>{"CODE 39", "UPC-A"}));
    std::string_view view = keys.Item(1);
    EXPECT_EQ(view, "UPC-A");
}

}  // namespace
}  // namespace blenvar
