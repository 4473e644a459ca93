#include "cli/SettingsCommand.h"

#include <cstdio>
#include <system_error>

#include "cli/HelpText.h"
#include "platform/Text.h"
#include "settings/Settings.h"

int SettingsCommand(const std::filesystem::path& file, const std::vector<std::string>& assignments) {
    if (file.empty()) {
        LoadSettings();
    } else {
        LoadSettingsFrom(file);
    }
    // Every assignment is checked before anything is written.
    SettingsRecord changed = Settings;
    for (const std::string& assignment : assignments) {
        const std::size_t equals = assignment.find('=');
        if (equals == std::string::npos || equals == 0) {
            return UsageError("settings: '" + assignment + "' is not KEY=VALUE");
        }
        const std::string key = assignment.substr(0, equals);
        const std::string value = assignment.substr(equals + 1);
        switch (SetSettingFromText(changed, key, value)) {
            case SettingChange::Done: break;
            case SettingChange::UnknownKey: return UsageError("settings: unknown key '" + key + "'");
            case SettingChange::NotANumber:
                return UsageError("settings: " + key + " needs a number, not '" + value + "'");
        }
    }

    std::error_code error;
    const bool exists = std::filesystem::is_regular_file(SettingsFilePath, error);
    if (!assignments.empty() || !exists) {
        Settings = changed;
        const UserPrompt prompt{[](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }, {}};
        if (!SaveSettings(prompt)) return 2;
        // What a load now gives is what the file holds.
        LoadSettingsFrom(SettingsFilePath);
    }
    for (const auto& [key, value] : SettingsAsText(Settings)) std::printf("%s=%s\n", key.c_str(), value.c_str());
    std::printf("file: %s\n", platform::PathToUtf8(SettingsFilePath).c_str());
    std::fflush(stdout);
    return 0;
}
