#include "tools/deliver_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>

#include "core/paths.h"
#include "tools/deliver_entry.h"

namespace blenvar {

int RunDeliverLibrary(const DecodeOptions& opts, const std::string& settingsFile, int argc,
                      char** argv) {
    // The build tree keeps it beside the program; an install in the library folder.
    const std::string folder = ExecutableFolder();
    const std::string candidates[] = {folder + "/" + kDeliverLibrary,
                                      folder + "/" BLENVAR_DELIVER_RELDIR "/" + kDeliverLibrary};
    std::string reason = "it is neither beside the program nor in " + candidates[1];
    for (const auto& path : candidates) {
        if (access(path.c_str(), F_OK) != 0) continue;
        void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            reason = dlerror();
            break;
        }
        auto* entry = reinterpret_cast<DeliverEntry*>(dlsym(library, kDeliverEntry));
        if (!entry) {
            reason = path + " has no entry point " + kDeliverEntry;
            break;
        }
        return entry(&opts, settingsFile.c_str(), argc, argv);
    }
    std::fprintf(stderr, "blenvar-decode: cannot load the delivery library %s: %s\n",
                 kDeliverLibrary, reason.c_str());
    return 2;
}

}  // namespace blenvar
