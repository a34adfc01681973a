// Preloaded into tests/support/with-desktop by a test: creating a file named
// "display" takes 300 ms, as under a busy machine, so a reader that does not
// wait for the file's writer shows up every time instead of once in a while.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstring>

extern "C" int open(const char* path, int flags, ...) {
    using Open = int (*)(const char*, int, ...);
    static const Open real = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "open"));
    mode_t mode = 0;
    if (flags & O_CREAT) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
        const char* name = std::strrchr(path, '/');
        if (name != nullptr && std::strcmp(name, "/display") == 0) usleep(300000);
    }
    return real(path, flags, mode);
}
