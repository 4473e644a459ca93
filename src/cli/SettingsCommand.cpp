#include "cli/SettingsCommand.h"

#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "cli/HelpText.h"
#include "platform/Text.h"
#include "settings/Settings.h"
#include "sort/Texts.h"

namespace {

void Warn(const std::string& text) { std::fprintf(stderr, "pallidor-cli: settings: %s\n", text.c_str()); }

const SettingDescription* Describe(const std::vector<SettingDescription>& all, const std::string& key) {
    for (const SettingDescription& description : all) {
        if (key == description.name) return &description;
    }
    return nullptr;
}

std::string StoredText(const SettingsRecord& record, const std::string& key) {
    for (const auto& [name, value] : SettingsAsText(record)) {
        if (name == key) return value;
    }
    return std::string();
}

// Whether `stored` (as the file holds it) is the number `given` stands for.
bool SameValue(const SettingDescription& key, const std::string& given, const std::string& stored) {
    switch (key.type) {
        case SettingType::Integer:
        case SettingType::Flag: return std::strtoll(given.c_str(), nullptr, 10) == std::strtoll(stored.c_str(), nullptr, 10);
        case SettingType::Number: return std::strtod(given.c_str(), nullptr) == std::strtod(stored.c_str(), nullptr);
        case SettingType::Folder: return given == stored;
    }
    return true;
}

}  // namespace

int SettingsCommand(const std::filesystem::path& file, const std::vector<std::string>& assignments) {
    if (file.empty()) {
        LoadSettings();
    } else {
        LoadSettingsFrom(file);
    }
    const std::vector<SettingDescription> keys = DescribeSettings();
    // Every assignment is checked before anything is written.
    SettingsRecord changed = Settings;
    std::vector<std::string> warnings;
    std::vector<std::string> given;
    for (const std::string& assignment : assignments) {
        const std::size_t equals = assignment.find('=');
        if (equals == std::string::npos || equals == 0) {
            return UsageError("settings: '" + assignment + "' is not KEY=VALUE");
        }
        const std::string key = assignment.substr(0, equals);
        std::string value = assignment.substr(equals + 1);
        const SettingDescription* description = Describe(keys, key);
        // A folder is used wherever the run happens to start: only a full path means one place.
        if (description != nullptr && description->type == SettingType::Folder && !value.empty() &&
            !platform::PathFromUtf8(value).is_absolute()) {
            return UsageError("settings: " + FormatText(Text(TextId::RelativeFolder), key.c_str(), value.c_str()));
        }
        std::error_code missing;
        if (description != nullptr && description->type == SettingType::Folder && !value.empty() &&
            !std::filesystem::is_directory(platform::PathFromUtf8(value), missing)) {
            return UsageError("settings: " + FormatText(Text(TextId::MissingFolder), key.c_str(), value.c_str()));
        }
        switch (SetSettingFromText(changed, key, value)) {
            case SettingChange::Done: break;
            case SettingChange::UnknownKey: return UsageError("settings: unknown key '" + key + "'");
            case SettingChange::NotANumber:
                return UsageError("settings: " + key + " needs a number, not '" + value + "'");
        }
        // A flag is stored as 0 or 1, so that the file says what the program does.
        if (description->type == SettingType::Flag && value != "0" && value != "1") {
            SetSettingFromText(changed, key, std::strtoll(value.c_str(), nullptr, 10) != 0 ? "1" : "0");
        }
        const std::string stored = StoredText(changed, key);
        if (!SameValue(*description, value, stored)) {
            warnings.push_back(FormatText(Text(TextId::SettingChanged), key.c_str(), value.c_str(), stored.c_str()));
        }
        given.push_back(key);
    }
    for (const std::string& key : given) {
        const std::string why = WhyWithoutEffect(changed, key);
        if (!why.empty()) warnings.push_back(FormatText(Text(TextId::SettingNoEffect), key.c_str(), why.c_str()));
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
    for (const std::string& warning : warnings) Warn(warning);
    for (const auto& [key, value] : SettingsAsText(Settings)) std::printf("%s=%s\n", key.c_str(), value.c_str());
    std::printf("file: %s\n", platform::PathToUtf8(SettingsFilePath).c_str());
    std::fflush(stdout);
    return 0;
}
