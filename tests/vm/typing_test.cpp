// Types 500 characters through Blenvar's virtual keyboard with UinputKeySender while a reader
// of its event node pauses between reads, as a busy desktop does: no key event may be lost.
// Which keys each layout types: xkb_keymap_test.
#include <thread>

#include "keys/literal_keys.h"
#include "platform/evdev/evdev_uinput.h"
#include "platform/evdev/uinput_key_sender.h"
#include "vm_input.h"

int main() {
    try {
        std::string error;
        auto keyboard = blenvar::VirtualKeyboard::Create("/dev/uinput", error);
        vm::Expect(keyboard.has_value(), error);
        vm::Fd node = vm::OpenReader(vm::FindNode(vm::kOwnKeyboard));
        const std::vector<vm::Key> want = vm::Taps(std::vector<int>(500, KEY_A));
        std::vector<vm::Key> got;
        bool dropped = false;
        std::thread reader([&] {
            while (got.size() < want.size()) {
                pollfd p{node.get(), POLLIN, 0};
                if (poll(&p, 1, 5000) <= 0) break;
                usleep(3000);  // busy between reads
                input_event evs[64];
                const ssize_t n = read(node.get(), evs, sizeof evs);
                for (ssize_t i = 0; i < n / ssize_t(sizeof(input_event)); ++i) {
                    if (evs[i].type == EV_KEY) got.push_back({evs[i].code, evs[i].value});
                    dropped |= evs[i].type == EV_SYN && evs[i].code == SYN_DROPPED;
                }
            }
        });
        blenvar::UinputKeySenderOptions options;
        options.layoutSetting = "us";
        blenvar::UinputKeySender sender(*keyboard, options);
        const bool sent = sender.Send(blenvar::test::LiteralKeys(std::string(500, 'a')), error);
        reader.join();
        vm::Expect(sent, error);
        vm::Expect(!dropped, "the reader saw SYN_DROPPED");
        vm::Expect(got == want, "the reader got " + std::to_string(got.size()) + " of " +
                                    std::to_string(want.size()) + " key events");
        std::puts("typing_test: ok");
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "typing_test: FAIL: %s\n", e.what());
        return 1;
    }
}
