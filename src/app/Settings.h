// The process-wide settings record and its per-user INI file.
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <string>

// Every option of the program. Fields bear the names of their keys in the file.
struct SettingsRecord {
    // [SORT]
    int THREAD_NUM = 16;             // most worker threads alive at once
    int IS_SUBDIRS_TOO = 1;          // flag: descend into sub-folders of a dropped folder
    // [JUDGMENT]
    int IS_ALL_PIXEL_JUDGE = 1;      // flag: sample every pixel
    int PIXELS_USE_IN_JUDGMENT = 20000;
    int IS_ONLY_GRAYSCALE = 1;       // flag: grayscale-only criterion; 0: tinted-monochrome
    int THRESHOLD_GS = 0;            // 0..255
    double NOISE_LIMIT_GS = 0.0;     // percent, 0..100
    double THRESHOLD_MONO = 8.0;     // percent, 0..100
    double ERROR_LIMIT_MONO = 8.0;   // percent, 0..100
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
// ModuleFolder + UserName + "_pallidor.ini".
extern std::filesystem::path SettingsFilePath;

// A page's refresh operation; called with no window after a reset (the GUI fills it in).
using PageRefresh = std::function<void()>;
// Slots 0..4 for pages 400..404; an empty function is an empty slot.
extern std::array<PageRefresh, 5> PageRefreshTable;

// The user-facing side of the settings operations: an error with an OK button and a
// Yes/No question. The console tool prints; the GUI shows message boxes.
struct UserPrompt {
    std::function<void(const std::string& text)> ShowError;
    std::function<bool(const std::string& text)> AskYesNo;  // true only for Yes
};
// Defaults to printing the error on standard error and answering No.
extern UserPrompt SettingsPrompt;

// True when the executable's path was found and ModuleFolder set; false leaves it unchanged.
bool GetModuleFolder();
// Fills Settings from SettingsFilePath (recomputed first); a missing file gives every default.
// Never writes.
void LoadSettings();
// Fills Settings from `file` alone, leaving ModuleFolder and UserName as they are, and makes
// it SettingsFilePath, so the saves that follow go to the same file. Never writes.
void LoadSettingsFrom(const std::filesystem::path& file);
// Writes the twelve keys; a failed write is shown and stops the save.
// Returns false when a write failed.
bool SaveSettings();
// Asks, deletes the file, reloads and refreshes the pages. Does nothing while a run is busy.
void ResetSettings();

// Brings a value read from the file into range, as LoadSettings does.
int ClampThreadNum(int value);
// Leading decimal floating-point number of a text, 0 when it does not begin with one.
double ParseLeadingDouble(const std::string& text);
// "%f" of a percentage, as written by SaveSettings (8 -> "8.000000").
std::string FormatPercent(double value);
