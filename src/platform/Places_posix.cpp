#include "platform/Places.h"

#include <cstdlib>
#include <string>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace platform {

namespace {

// Only an absolute path counts: a relative one in a base-folder variable is invalid and
// ignored, so the files never depend on the working folder.
bool UsableBase(const char* value) {
    return value != nullptr && value[0] == '/';
}

std::filesystem::path HomeFolder() {
    const char* home = std::getenv("HOME");
    if (UsableBase(home)) return home;
    // Services and some containers run without HOME; the password entry still knows it.
    long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 4096);
    struct passwd entry {};
    struct passwd* result = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result != nullptr &&
        UsableBase(entry.pw_dir)) {
        return entry.pw_dir;
    }
    return {};
}

// $variable, or the home folder followed by `fallback`; empty when neither is known.
std::filesystem::path BaseFolder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (UsableBase(value)) return value;
    const std::filesystem::path home = HomeFolder();
    if (home.empty()) return {};
    return home / fallback;
}

}  // namespace

std::filesystem::path SettingsFolder(const std::filesystem::path&) {
    const std::filesystem::path base = BaseFolder("XDG_CONFIG_HOME", ".config");
    if (base.empty()) return {};
    return (base / "pallidor").lexically_normal();
}

std::filesystem::path FallbackJournalFolder() { return {}; }

std::filesystem::path LogsFolder(const std::filesystem::path&) {
    const std::filesystem::path base = BaseFolder("XDG_STATE_HOME", ".local/state");
    if (base.empty()) return {};
    return (base / "pallidor" / "logs").lexically_normal();
}

const char* PlacesInWords() {
    return "  settings   $XDG_CONFIG_HOME/pallidor/USER_pallidor.ini, by default\n"
           "             ~/.config/pallidor/USER_pallidor.ini (USER: the login name);\n"
           "             see the settings command\n"
           "  logs       one log per sorting run and per undo in\n"
           "             $XDG_STATE_HOME/pallidor/logs/, by default\n"
           "             ~/.local/state/pallidor/logs/; the program's own folder\n"
           "             is never written to\n";
}

}  // namespace platform
