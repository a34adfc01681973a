#include "capture/hook_library.h"

namespace blenvar {

void ConfigureHook(HookLibrary& hook) {
    hook.UseSendMessage(1);
    hook.SetGlobalParams(1, 0);
    hook.NoLLHook(1);
    hook.NoTL(1);
}

void InstallHook(HookLibrary& hook, KeyCallback callback) {
    hook.SetKeyboardHook(-1, 1, std::move(callback));
}

void RemoveHook(HookLibrary& hook) {
    hook.SetKeyboardHook(0, 0, {});
}

}  // namespace blenvar
