#include "components/ini/ini_collections.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace blenvar {
namespace {

void Add(Keys& c, std::string name, std::string_view key = {}) {
    c.Add(std::move(name), key);
}
void Add(INIValues& c, std::string name, std::string_view key = {}) {
    c.Add(std::move(name), "v", key);
}

// Both collections, holding "a", "b" (lookup key "KeyB") and "c".
template <class C>
class CollectionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Add(c, "a");
        Add(c, "b", "KeyB");
        Add(c, "c");
    }
    C c;
};
using CollectionTypes = ::testing::Types<Keys, INIValues>;
TYPED_TEST_SUITE(CollectionTest, CollectionTypes);

TYPED_TEST(CollectionTest, OutOfRangeThrowsAndChangesNothing) {
    auto& c = this->c;
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
    auto& c = this->c;
    EXPECT_EQ(&c.Item("keyb"), &c.Item(1));
    EXPECT_THROW(Add(c, "d", "KEYB"), std::invalid_argument);
    EXPECT_EQ(c.Count(), 3);
    c.Remove("kEYb");
    EXPECT_EQ(c.Count(), 2);
    EXPECT_THROW(c.Item("KeyB"), std::out_of_range);
}

TYPED_TEST(CollectionTest, ReferencesSurviveGrowthAndRemoval) {
    auto& c = this->c;
    auto& last = c.Item(2);
    c.Remove(0);
    c.Remove("KeyB");
    for (int i = 0; i < 100; ++i) Add(c, "x");
    EXPECT_EQ(&last, &c.Item(0));
    c.Clear();
    EXPECT_EQ(c.Count(), 0);
    EXPECT_EQ(c.begin(), c.end());
}

}  // namespace
}  // namespace blenvar
