#include "platform/desktop/keyring_secrets.h"

#include <libsecret/secret.h>

#include <cstdlib>
#include <filesystem>

namespace blenvar {
namespace {

const SecretSchema* Schema() {
    static const SecretSchema schema = {"org.blenvar.Server",
                                        SECRET_SCHEMA_NONE,
                                        {{"server", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"kind", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    return &schema;
}

// GLib would otherwise start a bus of its own (dbus-launch) where the session has none.
bool SessionBusKnown() {
    if (const char* a = std::getenv("DBUS_SESSION_BUS_ADDRESS"); a && *a) return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::error_code ec;
    return runtime && *runtime && std::filesystem::exists(std::string(runtime) + "/bus", ec);
}

}  // namespace

std::optional<ServerLogin> KeyringSecrets::Login(const std::string& server, std::string&) {
    if (!SessionBusKnown()) return std::nullopt;
    GError* error = nullptr;
    GList* items = secret_password_search_sync(
        Schema(), static_cast<SecretSearchFlags>(SECRET_SEARCH_ALL | SECRET_SEARCH_LOAD_SECRETS),
        nullptr, &error, "server", server.c_str(), nullptr);
    if (error) g_error_free(error);
    std::optional<ServerLogin> login;
    for (GList* i = items; i; i = i->next) {
        auto* item = static_cast<SecretRetrievable*>(i->data);
        SecretValue* value = secret_retrievable_retrieve_secret_sync(item, nullptr, nullptr);
        if (!value) continue;
        const char* text = secret_value_get_text(value);
        GHashTable* found = secret_retrievable_get_attributes(item);
        const auto* kind = static_cast<const char*>(g_hash_table_lookup(found, "kind"));
        const auto* user = static_cast<const char*>(g_hash_table_lookup(found, "user"));
        const std::string_view k = kind ? kind : "";
        if (text && k == "authorization") {
            if (!login) login.emplace();
            login->authorization = text;
        } else if (text && k == "password" && user) {
            if (!login) login.emplace();
            login->user = user;
            login->password = text;
        }
        g_hash_table_unref(found);
        secret_value_unref(value);
    }
    g_list_free_full(items, g_object_unref);
    return login;
}

}  // namespace blenvar
