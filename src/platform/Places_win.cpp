#include "platform/Places.h"

#include <cstdlib>

namespace platform {

// A portable program on Windows keeps its files beside itself, so that a copied folder takes
// its settings and logs along.
std::filesystem::path SettingsFolder(const std::filesystem::path& moduleFolder) {
    if (moduleFolder.empty()) return {};
    return moduleFolder.parent_path();
}

std::filesystem::path LogsFolder(const std::filesystem::path& moduleFolder) {
    if (moduleFolder.empty()) return {};
    return moduleFolder / "logs";
}

std::filesystem::path FallbackJournalFolder() {
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    if (local == nullptr || *local == L'\0') return {};
    return std::filesystem::path(local) / L"Pallidor" / L"journal";
}

const char* PlacesInWords() {
    return "  settings   USER_pallidor.ini beside the program (USER: the login name);\n"
           "             see the settings command\n"
           "  logs       one log per sorting run and per undo in the \"logs\" folder\n"
           "             beside the program\n";
}

}  // namespace platform
