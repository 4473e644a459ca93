// The per-user places: where the settings file and the logs live.
#pragma once

#include <filesystem>

#include "platform/FileSystem.h"

namespace platform {

// Folder of the per-user settings file, without a final separator. Windows: `moduleFolder`, the
// program's own folder, as a portable program keeps its files beside it. POSIX:
// $XDG_CONFIG_HOME/pallidor, by default ~/.config/pallidor; never the program's folder, which
// may be /usr/bin. Empty when there is no such place (no home folder).
std::filesystem::path SettingsFolder(const std::filesystem::path& moduleFolder);

// Folder of the result logs and the move journal, without a final separator. Windows: "logs"
// in `moduleFolder`. POSIX: $XDG_STATE_HOME/pallidor/logs, by default
// ~/.local/state/pallidor/logs. Empty when there is no such place.
std::filesystem::path LogsFolder(const std::filesystem::path& moduleFolder);

// Where the move journal goes when the logs folder cannot hold it. Windows: Pallidor\journal
// in the user's local application data (%LOCALAPPDATA%), since a program folder may be one
// the user cannot write. POSIX: empty, the logs folder being the user's own already.
std::filesystem::path FallbackJournalFolder();

// Makes `folder` and each missing folder above it, those made readable by the user alone (the
// per-user places hold the paths of the user's files). True when `folder` is a folder now.
bool CreatePlace(const std::filesystem::path& folder, const FileSystem& files = RealFileSystem());

// The two places in words, for --help and the manual page.
const char* PlacesInWords();

}  // namespace platform
