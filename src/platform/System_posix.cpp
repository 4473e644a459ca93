#include "platform/System.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

#include <pwd.h>
#include <sys/types.h>
#include <unistd.h>

namespace platform {

bool ModuleFilePath(std::filesystem::path& path) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return false;
        // readlink does not say whether it cut the name, so a full buffer means try again.
        if (static_cast<std::size_t>(length) < buffer.size()) {
            path =
                std::filesystem::path(std::string(buffer.data(), static_cast<std::size_t>(length)));
            return true;
        }
        if (buffer.size() >= 65536) return false;
        buffer.resize(buffer.size() * 2);
    }
}

namespace {

// The name ends up inside a file name, so a name that could lead into another folder is no
// name at all.
bool UsableName(const char* name) {
    if (name == nullptr || *name == '\0') return false;
    return std::string(name).find('/') == std::string::npos;
}

}  // namespace

bool LogonUserName(std::string& name) {
    long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 1024);
    struct passwd entry {};
    struct passwd* result = nullptr;
    int error = 0;
    while ((error = ::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &result)) ==
               ERANGE &&
           buffer.size() < (1u << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    if (error == 0 && result != nullptr && UsableName(entry.pw_name)) {
        name = entry.pw_name;
        return true;
    }
    // Containers often run under a uid without a password entry.
    for (const char* variable : {"LOGNAME", "USER"}) {
        const char* value = std::getenv(variable);
        if (UsableName(value)) {
            name = value;
            return true;
        }
    }
    return false;
}

}  // namespace platform
