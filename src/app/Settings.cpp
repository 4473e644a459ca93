#include "app/Settings.h"

SettingsRecord Settings;
std::filesystem::path ModuleFolder;
std::string UserName;
std::filesystem::path SettingsFilePath;
std::array<PageRefresh, 5> PageRefreshTable;
