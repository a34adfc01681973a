#include "components/ini/ini_collections.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace blenvar {
namespace {

// Keys and INIValues share one collection template and differ only in Add; the
// behaviour is checked on Keys, holding "a", "b" (lookup key "KeyB") and "c".
class CollectionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        c.Add("a");
        c.Add("b", "KeyB");
        c.Add("c");
    }
    Keys c;
};

TEST_F(CollectionTest, OutOfRangeThrowsAndChangesNothing) {
    for (int bad : {-1, 3, 1000}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(c.Item(bad), std::out_of_range);
        EXPECT_THROW(c.Remove(bad), std::out_of_range);
        EXPECT_EQ(c.Count(), 3);
    }
    EXPECT_THROW(c.Item("nokey"), std::out_of_range);
    EXPECT_THROW(c.Item(""), std::out_of_range);
}

TEST_F(CollectionTest, LookupKeyReachesRecordAndMustBeUnique) {
    EXPECT_EQ(&c.Item("keyb"), &c.Item(1));
    EXPECT_THROW(c.Add("d", "KEYB"), std::invalid_argument);
    EXPECT_EQ(c.Count(), 3);
    c.Remove("kEYb");
    EXPECT_EQ(c.Count(), 2);
    EXPECT_THROW(c.Item("KeyB"), std::out_of_range);

    INIValues values;
    values.Add("name", "data", "Key");
    EXPECT_EQ(values.Item("KEY").ValName + "=" + values.Item(0).ValData, "name=data");
}

TEST_F(CollectionTest, ReferencesSurviveGrowthAndRemoval) {
    auto& last = c.Item(2);
    c.Remove(0);
    c.Remove("KeyB");
    for (int i = 0; i < 100; ++i) c.Add("x");
    EXPECT_EQ(&last, &c.Item(0));
    c.Clear();
    EXPECT_EQ(c.Count(), 0);
    EXPECT_EQ(c.begin(), c.end());
}

}  // namespace
}  // namespace blenvar
