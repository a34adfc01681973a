// The key numbers trained scanners depend on: one row per kind of key.
#include "capture/key_table.h"

#include <gtest/gtest.h>

namespace blenvar {
namespace {

TEST(KeyTable, VirtualKeysOfAUsKeyboard) {
    struct Row {
        int scode;
        bool numLock, shift;
        int vcode;
        const char* key;
    };
    const Row rows[] = {
        {30, false, false, 65, "A"},
        {44, false, true, 90, "Z, shifted"},
        {2, false, false, 49, "1"},
        {11, false, false, 48, "0"},
        {57, false, false, 32, "space"},
        {28, false, false, 13, "Enter"},
        {96, true, false, 13, "keypad Enter"},
        {15, false, false, 9, "Tab"},
        {14, false, false, 8, "Backspace"},
        {1, false, false, 27, "Escape"},
        {39, false, false, 186, ";"},
        {12, false, false, 189, "-"},
        {41, false, false, 192, "`"},
        {26, false, false, 219, "["},
        {43, false, false, 220, "backslash"},
        {40, false, false, 222, "'"},
        {86, false, false, 226, "ISO key"},
        {59, false, false, 112, "F1"},
        {88, false, false, 123, "F12"},
        {194, false, false, 135, "F24"},
        {42, false, false, 16, "left Shift"},
        {54, false, false, 16, "right Shift"},
        {97, false, false, 17, "right Ctrl"},
        {100, false, false, 18, "AltGr"},
        {125, false, false, 91, "left Meta"},
        {71, true, false, 103, "keypad 7, Num Lock"},
        {71, false, false, 36, "keypad 7 is Home"},
        {71, true, true, 36, "keypad 7 with Shift is Home"},
        {82, true, false, 96, "keypad 0"},
        {83, true, false, 110, "keypad ."},
        {83, false, false, 46, "keypad . is Delete"},
        {76, false, false, 12, "keypad 5 is Clear"},
        {55, false, false, 106, "keypad *"},
        {98, true, false, 111, "keypad /"},
        {102, false, false, 36, "Home"},
        {111, false, false, 46, "Delete"},
        {0, false, false, 0, "no key"},
        {-1, false, false, 0, "negative"},
        {4000, false, false, 0, "out of range"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(VirtualKeyOf(r.scode, r.numLock, r.shift), r.vcode) << r.key;
    }
}

TEST(KeyTable, ModifiersAndState) {
    for (int scode : {42, 54, 29, 97, 56, 100, 125, 126, 58, 69}) {
        EXPECT_TRUE(IsModifierKey(scode)) << scode;
    }
    for (int scode : {30, 28, 57, 96, 71, 59, 0, 300}) EXPECT_FALSE(IsModifierKey(scode)) << scode;
    EXPECT_EQ(StateOf({}), 0);
    EXPECT_EQ(StateOf({.shift = true}), 1);
    EXPECT_EQ(StateOf({.shift = true, .ctrl = true, .alt = true, .meta = true}), 15);
    EXPECT_EQ(StateOf({.alt = true}), 4);
}

}  // namespace
}  // namespace blenvar
