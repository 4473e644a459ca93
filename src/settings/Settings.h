// The process-wide settings record and its per-user INI file.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "judge/JudgeParams.h"

// Every option of the program. Fields bear the names of their keys in the file.
struct SettingsRecord {
    // [SORT]
    int THREAD_NUM = 16;             // most worker threads alive at once
    int IS_SUBDIRS_TOO = 1;          // flag: descend into sub-folders of a dropped folder
    // [JUDGMENT]
    // The judgment's defaults are its own.
    int IS_ALL_PIXEL_JUDGE = JudgeParams{}.IS_ALL_PIXEL_JUDGE;
    int PIXELS_USE_IN_JUDGMENT = JudgeParams{}.PIXELS_USE_IN_JUDGMENT;
    int IS_ONLY_GRAYSCALE = JudgeParams{}.IS_ONLY_GRAYSCALE;
    int THRESHOLD_GS = JudgeParams{}.THRESHOLD_GS;
    double NOISE_LIMIT_GS = JudgeParams{}.NOISE_LIMIT_GS;
    double THRESHOLD_MONO = JudgeParams{}.THRESHOLD_MONO;
    double ERROR_LIMIT_MONO = JudgeParams{}.ERROR_LIMIT_MONO;
    int IS_PERCEPTUAL_JUDGE = JudgeParams{}.IS_PERCEPTUAL_JUDGE;
    double THRESHOLD_PERCEPTUAL = JudgeParams{}.THRESHOLD_PERCEPTUAL;
    int AREA_LIMIT_PERCEPTUAL = JudgeParams{}.AREA_LIMIT_PERCEPTUAL;
    // [DESTINATION]
    int IS_DST_SUBDIR = 1;           // flag: "monochrome"/"color" beside each file
    std::string DST_DIR_MONO;        // UTF-8
    std::string DST_DIR_COLOR;       // UTF-8
};

extern SettingsRecord Settings;

// Folder of the running executable, ending with the platform separator.
extern std::filesystem::path ModuleFolder;
// The logged-on user's name (UTF-8); keeps its previous value when it cannot be read.
extern std::string UserName;
// UserName + "_pallidor.ini" in the per-user settings folder (platform::SettingsFolder: beside
// the executable on Windows, $XDG_CONFIG_HOME/pallidor on POSIX), or the file named by the
// console tool's --settings.
extern std::filesystem::path SettingsFilePath;

// The user-facing side of the settings operations: an error with an OK button and a
// Yes/No question. The console tool prints; the GUI shows message boxes. An empty member
// shows nothing, and an empty question is answered No.
struct UserPrompt {
    std::function<void(const std::string& text)> ShowError;
    std::function<bool(const std::string& text)> AskYesNo;  // true only for Yes
};

// True when the executable's path was found and ModuleFolder set; false leaves it unchanged.
bool GetModuleFolder();
// Fills Settings from SettingsFilePath (recomputed first); a missing file gives every default.
// Never writes.
void LoadSettings();
// Fills Settings from `file` alone, leaving ModuleFolder and UserName as they are, and makes
// it SettingsFilePath, so the saves that follow go to the same file. Never writes.
void LoadSettingsFrom(const std::filesystem::path& file);
// The record a load fills from `file`, without touching Settings or SettingsFilePath: what
// a caller that keeps its own settings (the library, a thread) reads. A missing file or key
// gives the default.
SettingsRecord ReadSettingsFile(const std::filesystem::path& file);
// True for the keys of the [JUDGMENT] section, those MakeJudgeParams reads.
bool IsJudgmentKey(const std::string& name);
// Writes every key, making the per-user settings folder first when it is missing; a failed
// write is shown and stops the save.
// Returns false when a write failed.
bool SaveSettings(const UserPrompt& prompt);
// Asks, deletes the file and reloads it: a file chosen by LoadSettingsFrom again, the per-user
// file of LoadSettings with ModuleFolder, UserName and SettingsFilePath found afresh. True when
// the settings were reset; the caller refreshes what shows them (and does not call this while
// a run is busy).
bool ResetSettings(const UserPrompt& prompt);

// Writes the one key `name` of `record` into `file` as SaveSettings writes it, keeping every
// other key; creates the file when it is missing. False for an unknown key or a failed write.
bool SaveSettingKey(const SettingsRecord& record, const std::string& name, const std::filesystem::path& file);

// The judgment's parameters from a settings record.
JudgeParams MakeJudgeParams(const SettingsRecord& settings);

// Bring a value read from the file or typed on a page into range, as LoadSettings does.
int ClampThreadNum(int value);     // the 16-bit rule: a low half below 1 gives 1
int ClampPixelCount(int value);    // below 1: the default
int ClampThreshold(int value);     // 0..255
double ClampPercent(double value); // 0..100; NaN and -0 give 0
int ClampAreaLimit(int value);     // below 1: 1
// Leading decimal floating-point number of a text, 0 when it does not begin with one.
double ParseLeadingDouble(const std::string& text);
// "%f" of a percentage, as written by SaveSettings (8 -> "8.000000").
std::string FormatPercent(double value);

// Each key with its value as SaveSettings writes it, in the order of the file.
std::vector<std::pair<std::string, std::string>> SettingsAsText(const SettingsRecord& settings);

// What a key holds: a whole number, a flag (0 off, else on), a decimal number, a folder.
enum class SettingType { Integer, Flag, Number, Folder };

// A key as the manual page documents it; every key has one, in the order of the file.
struct SettingDescription {
    const char* section;
    const char* name;
    SettingType type;
    const char* range;
    std::string defaultValue;  // as the file holds it ("" for an empty text)
    const char* meaning;
};
std::vector<SettingDescription> DescribeSettings();

// The setting under which the key `name` has no effect in `settings` ("IS_DST_SUBDIR=1" for
// DST_DIR_MONO while the sub-folders are used); "" when it has one.
std::string WhyWithoutEffect(const SettingsRecord& settings, const std::string& name);

enum class SettingChange { Done, UnknownKey, NotANumber };
// Sets the key `name` of `settings` from `text` by the rule a load applies to a value read
// from the file (the 16-bit rule, the clamps, the range of a percentage). An integer key takes
// a whole decimal number in the range of int, a percentage a decimal number, a text anything;
// NotANumber and UnknownKey leave `settings` as it was.
SettingChange SetSettingFromText(SettingsRecord& settings, const std::string& name, const std::string& text);
