// Path texts as the worker, the mover and the log build them, with the platform's separators.
#pragma once

#include <string>

#include "settings/Settings.h"

struct SplitPath {
    std::string folder;     // drive and directory, ending in a separator; "" when there is none
    std::string name;       // base name and extension
    std::string extension;  // from the last dot of the final component; "" without a dot
};

// Splits a full path: the folder runs to the last separator (on Windows a backslash or a slash,
// after an optional drive letter and colon), the extension starts at the last dot of what follows.
SplitPath SplitSortPath(const std::string& path);

// Removes one trailing separator, except from a root ("/", "C:\"), which keeps it.
std::string RemoveTrailingSeparator(std::string folder);

// folder + one separator + name; a folder that keeps a separator (a root) gets none added,
// an empty folder none at all.
std::string JoinFolderAndName(const std::string& folder, const std::string& name);

// The folder a judged file goes into: "monochrome" or "color" in its own `folder` (IS_DST_SUBDIR
// on), or the fixed folder of the settings.
std::string DestinationFolderFor(const SettingsRecord& settings, bool monochrome, const std::string& folder);
