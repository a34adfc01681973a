#include "output/conversions.h"

#include <gtest/gtest.h>

namespace blenvar {
namespace {

TEST(DefaultFileName, BlanksAndSeparatorsDropped) {
    EXPECT_EQ(DefaultFileName("/opt/app", "EAN 13"), "/opt/app/EAN13.txt");
    EXPECT_EQ(DefaultFileName("/opt/app/", "UCC/EAN 128"), "/opt/app/UCCEAN128.txt");
    EXPECT_EQ(DefaultFileName("/opt/app", "..\\x/y"), "/opt/app/..xy.txt");
}

}  // namespace
}  // namespace blenvar
