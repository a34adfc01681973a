// The key numbers trained scanners depend on: one row per kind of key.
#include "capture/key_table.h"

#include <gtest/gtest.h>

namespace blenvar {
namespace {

// The rows a table slip would silently break: both backends read this table, so their
// live agreement test cannot see a wrong number here.
TEST(KeyTable, KeysWhoseCodesDependOnStateOrSide) {
    struct Row {
        int scode;
        bool numLock, shift;
        int vcode;
        const char* key;
    };
    const Row rows[] = {
        {30, false, false, 65, "A"},
        {11, false, false, 48, "0"},
        {96, true, false, 13, "keypad Enter"},
        {54, false, false, 16, "right Shift"},
        {97, false, false, 17, "right Ctrl"},
        {100, false, false, 18, "AltGr"},
        {125, false, false, 91, "left Meta"},
        {71, true, false, 103, "keypad 7, Num Lock"},
        {71, false, false, 36, "keypad 7 is Home"},
        {71, true, true, 36, "keypad 7 with Shift is Home"},
        {83, true, false, 110, "keypad ."},
        {83, false, false, 46, "keypad . is Delete"},
        {76, false, false, 12, "keypad 5 is Clear"},
        {-1, false, false, 0, "negative"},
        {4000, false, false, 0, "out of range"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(VirtualKeyOf(r.scode, r.numLock, r.shift), r.vcode) << r.key;
    }
}

TEST(KeyTable, ModifiersAndState) {
    for (int scode : {54, 97, 100, 125, 58}) EXPECT_TRUE(IsModifierKey(scode)) << scode;
    for (int scode : {30, 96, 71, 300}) EXPECT_FALSE(IsModifierKey(scode)) << scode;
    EXPECT_EQ(StateOf({.shift = true}), 1);
    EXPECT_EQ(StateOf({.alt = true}), 4);
    EXPECT_EQ(StateOf({.shift = true, .ctrl = true, .alt = true, .meta = true}), 15);
}

}  // namespace
}  // namespace blenvar
