#pragma once
// libcurl and what it pulls in (TLS, Kerberos, LDAP, SSH) is loaded at its first use, on
// the worker that uses it: a tray program that never updates or sends never maps it.
#include <curl/curl.h>

#include <string>

namespace blenvar {

struct Curl {
    decltype(&curl_global_init) global_init;
    decltype(&curl_easy_init) easy_init;
    decltype(&curl_easy_setopt) easy_setopt;
    decltype(&curl_easy_perform) easy_perform;
    decltype(&curl_easy_getinfo) easy_getinfo;
    decltype(&curl_easy_cleanup) easy_cleanup;
    decltype(&curl_easy_strerror) easy_strerror;
    decltype(&curl_slist_append) slist_append;
    decltype(&curl_slist_free_all) slist_free_all;
};

// Null when libcurl can't be loaded; then `error` says why. Loaded once per process.
const Curl* LoadCurl(std::string& error);

}  // namespace blenvar
