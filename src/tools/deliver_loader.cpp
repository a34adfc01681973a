#include "tools/deliver_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>

#include "core/paths.h"
#include "tools/deliver_entry.h"

namespace blenvar {

int RunDeliverLibrary(const DecodeOptions& opts, const std::string& settingsFile, int argc,
                      char** argv) {
    // Beside the program, in the build tree as when installed.
    const std::string path = ExecutableFolder() + "/" + kDeliverLibrary;
    std::string reason = "it is not beside the program, in " + ExecutableFolder();
    if (access(path.c_str(), F_OK) == 0) {
        void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        auto* entry =
            library ? reinterpret_cast<DeliverEntry*>(dlsym(library, kDeliverEntry)) : nullptr;
        if (entry) return entry(&opts, settingsFile.c_str(), argc, argv);
        reason = library ? path + " has no entry point " + kDeliverEntry : dlerror();
    }
    std::fprintf(stderr, "blenvar-decode: cannot load the delivery library %s: %s\n",
                 kDeliverLibrary, reason.c_str());
    return 2;
}

}  // namespace blenvar
