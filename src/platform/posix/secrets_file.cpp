#include "platform/posix/secrets_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "components/ini/ini_file.h"

namespace blenvar {

std::optional<ServerLogin> SecretsFile::Login(const std::string& server, std::string& problem) {
    struct stat st {};
    if (path_.empty() || ::stat(path_.c_str(), &st) != 0) return std::nullopt;
    const char* wrong = !S_ISREG(st.st_mode)       ? "is no regular file"
                        : st.st_uid != ::geteuid() ? "is not yours"
                        : (st.st_mode & 077) != 0  ? "may be read by others"
                                                   : nullptr;
    if (wrong) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        problem = "The logins in " + path_ + " (mode " + mode + ") were not used: it " + wrong +
                  ". Make it yours alone: chmod 600 " + path_;
        return std::nullopt;
    }
    INIFile ini;
    ini.SetFileName(path_);
    ini.SetSection(server);
    ServerLogin login{ini.GetValue("Authorization"), ini.GetValue("User"),
                      ini.GetValue("Password")};
    if (login.authorization.empty() && login.user.empty() && login.password.empty())
        return std::nullopt;
    return login;
}

}  // namespace blenvar
