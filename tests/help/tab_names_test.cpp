// Which tab a tab:// link selects: whole captions only, as the page writes them.
#include "shell/help/tab_names.h"

#include <gtest/gtest.h>

namespace blenvar {
namespace {

TEST(TabNamesTest, TargetsSelectOnlyAWholeCaption) {
    const std::string names = MakeTabNames({"Main", "Control", "Last Scan", "Setup", "Help"});
    const struct {
        const char* target;
        int tab;
    } cases[] =
        {
            {"main", 0},          {"control", 1}, {"LAST SCAN", 2}, {"Last Scan", 2},
            {"setup", 3},         {"Setup/", 3},  {"SETUP//", 3},   {"help", 4},
            {"last%20scan", -1},  // no percent-decoding
            {"LAST", -1},         {"SCAN", -1},   {"AIN", -1},      {"mainx", -1},
            {"MAIN,CONTROL", -1}, {",MAIN", -1},  {"SETUP ", -1},   {" SETUP", -1},
            {"/SETUP", -1},       {"", -1},       {"/", -1},        {"//", -1},
        };
    for (const auto& c : cases) EXPECT_EQ(TabIndexFor(names, c.target), c.tab) << c.target;
}

}  // namespace
}  // namespace blenvar
