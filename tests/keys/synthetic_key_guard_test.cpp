#include "output/synthetic_key_guard.h"

#include <gtest/gtest.h>

namespace blenvar {
namespace {

TEST(SyntheticKeyGuard, MarksEventsInsideRecentTypingSpansOnly) {
    SyntheticKeyGuard guard;
    EXPECT_FALSE(guard.Typing());
    EXPECT_FALSE(guard.IsSynthetic(0));
    guard.BeginTyping();
    EXPECT_TRUE(guard.Typing());
    guard.EndTyping(1000, 1050);
    EXPECT_FALSE(guard.Typing());
    // Span across the 32-bit wrap of the server clock.
    guard.BeginTyping();
    guard.EndTyping(0xFFFFFFF0u, 0x10u);

    const struct {
        std::uint32_t time;
        bool synthetic;
    } cases[] = {{999, false},         {1000, true},        {1050, true},        {1051, false},
                 {0xFFFFFFEFu, false}, {0xFFFFFFF0u, true}, {0xFFFFFFFFu, true}, {0, true},
                 {0x10u, true},        {0x11u, false}};
    for (const auto& c : cases) EXPECT_EQ(guard.IsSynthetic(c.time), c.synthetic) << c.time;

    // The oldest spans are forgotten.
    for (std::uint32_t i = 0; i < 20; ++i) {
        guard.BeginTyping();
        guard.EndTyping(i * 100, i * 100 + 10);
    }
    EXPECT_FALSE(guard.IsSynthetic(5));
    EXPECT_TRUE(guard.IsSynthetic(1905));
}

}  // namespace
}  // namespace blenvar
