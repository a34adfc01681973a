#include "platform/net/curl_library.h"

#include <dlfcn.h>

#include <mutex>
#include <type_traits>

namespace blenvar {

const Curl* LoadCurl(std::string& error) {
    static std::once_flag once;
    static Curl curl{};
    static bool loaded = false;
    static std::string loadError;
    std::call_once(once, [] {
        void* lib = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (!lib) {
            loadError = dlerror();
            return;
        }
        auto get = [lib](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
            return fn != nullptr;
        };
        loaded = get(curl.global_init, "curl_global_init") &&
                 get(curl.easy_init, "curl_easy_init") &&
                 get(curl.easy_setopt, "curl_easy_setopt") &&
                 get(curl.easy_perform, "curl_easy_perform") &&
                 get(curl.easy_getinfo, "curl_easy_getinfo") &&
                 get(curl.easy_cleanup, "curl_easy_cleanup") &&
                 get(curl.easy_strerror, "curl_easy_strerror") &&
                 get(curl.slist_append, "curl_slist_append") &&
                 get(curl.slist_free_all, "curl_slist_free_all");
        if (!loaded)
            loadError = "libcurl lacks a function it should have";
        else
            curl.global_init(CURL_GLOBAL_DEFAULT);
    });
    if (!loaded) error = "cannot load libcurl: " + loadError;
    return loaded ? &curl : nullptr;
}

}  // namespace blenvar
