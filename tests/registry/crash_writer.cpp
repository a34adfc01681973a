// Writes values through cRegistry in a loop, reporting every finished write on stdout as
// "round slot", until its timer kills it argv[2] ms after the first report (SIGALRM ends
// it as abruptly as SIGKILL). Rounds start at argv[1].
#include <sys/prctl.h>
#include <sys/time.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include "components/registry/c_registry.h"
#include "registry/crash_payload.h"

int main(int argc, char** argv) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive the test
    long round = argc > 1 ? std::atol(argv[1]) : 1;
    const long delayMs = argc > 2 ? std::atol(argv[2]) : 0;
    bool timed = false;
    blenvar::cRegistry reg(blenvar::OpenDefaultRegistryStore());
    reg.SetClassKey(blenvar::HKEY_CURRENT_USER_);
    for (;; ++round) {
        for (int slot = 0; slot < blenvar::test::kCrashSlots; ++slot) {
            // Keys come and go too, so kills also land inside key creation and deletion.
            reg.SetSectionKey("Crash\\Tree" + std::to_string(slot) + "\\Leaf");
            reg.SetValueType(blenvar::REG_DWORD_);
            reg.SetValueKey("n");
            reg.SetValue(static_cast<std::int32_t>(round));
            if (round % 3 == 0) {
                reg.SetSectionKey("Crash\\Tree" + std::to_string(slot));
                reg.DeleteKey(true);
            }
            reg.SetSectionKey("Crash\\Values");
            reg.SetValueKey("v" + std::to_string(slot));
            reg.SetValueType(blenvar::REG_SZ_);
            reg.SetValue(blenvar::test::CrashPayload(round, slot));
            const std::string ack = std::to_string(round) + " " + std::to_string(slot) + "\n";
            if (write(1, ack.data(), ack.size()) < 0) return 1;
            if (!timed) {
                // At least 1 us: a zero timer would never fire.
                const itimerval t{{0, 0}, {delayMs / 1000, delayMs % 1000 * 1000 + 1}};
                timed = setitimer(ITIMER_REAL, &t, nullptr) == 0;
            }
        }
    }
}
