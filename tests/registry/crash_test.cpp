// A writer process killed at random points must leave every value whole: old or new
// content, never a mix, and nothing it reported as written may be lost.
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <random>
#include <sstream>

#include "registry/crash_payload.h"
#include "registry/registry_fixture.h"

namespace blenvar::test {
namespace {

// Runs the writer from `firstRound` until its timer kills it `delayMs` after its first
// report; returns everything it reported.
std::string RunUntilKilled(long firstRound, int delayMs) {
    const std::string run = std::string("exec " BLENVAR_CRASH_WRITER " ") +
                            std::to_string(firstRound) + " " + std::to_string(delayMs);
    FILE* p = popen(run.c_str(), "r");
    std::string reported;
    char buf[4096];
    for (std::size_t n; p && (n = fread(buf, 1, sizeof buf, p)) > 0;) reported.append(buf, n);
    const int status = p ? pclose(p) : -1;
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM)
        << "writer ended by itself: " << status;
    return reported;
}
using CrashTest = RegistryFixture;

TEST_F(CrashTest, KilledWriterNeverLeavesTornOrLostValues) {
    std::mt19937 rng(std::random_device{}());
    std::uniform_int_distribution<int> delayMs(0, 150);
    std::array<long, kCrashSlots> acked{};  // last round each slot reported; 0: none yet
    long nextRound = 1;
    for (int kill = 0; kill < 20; ++kill) {
        std::istringstream reported(RunUntilKilled(nextRound, delayMs(rng)));
        long round = 0;
        int slot = 0;
        while (reported >> round >> slot) acked[static_cast<std::size_t>(slot)] = round;

        // The file itself is sound...
        sqlite3* db = nullptr;
        std::string integrity;
        ASSERT_EQ(sqlite3_open(UserDb().c_str(), &db), SQLITE_OK);
        sqlite3_exec(
            db, "PRAGMA integrity_check",
            [](void* r, int, char** v, char**) { return *static_cast<std::string*>(r) += v[0], 0; },
            &integrity, nullptr);
        sqlite3_close(db);
        EXPECT_EQ(integrity, "ok");

        // ...and each value is a whole payload, no older than the last reported write.
        cRegistry reg(Store());
        reg.SetClassKey(HKEY_CURRENT_USER_);
        reg.SetSectionKey("Crash\\Values");
        long newest = nextRound;
        for (int s = 0; s < kCrashSlots; ++s) {
            reg.SetValueKey("v" + std::to_string(s));
            const RegVariant v = reg.Value();
            const auto a = acked[static_cast<std::size_t>(s)];
            if (std::holds_alternative<std::monostate>(v)) {
                EXPECT_EQ(a, 0) << "reported value lost, slot " << s;
                continue;
            }
            ASSERT_TRUE(std::holds_alternative<std::string>(v));
            const auto got = CrashRound(std::get<std::string>(v), s);
            ASSERT_TRUE(got) << "torn value in slot " << s << " after kill " << kill;
            EXPECT_GE(*got, a) << "slot " << s;
            EXPECT_LE(*got, std::max(a, nextRound - 1) + 1) << "slot " << s;
            newest = std::max(newest, *got);
        }
        nextRound = newest + 1;
    }
}

}  // namespace
}  // namespace blenvar::test
