#include "app/Settings.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <system_error>

#include "platform/Profile.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "sort/SortRun.h"

SettingsRecord Settings;
std::filesystem::path ModuleFolder;
std::string UserName;
std::filesystem::path SettingsFilePath;
std::array<PageRefresh, 5> PageRefreshTable;

UserPrompt SettingsPrompt{
    [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); },
    [](const std::string&) { return false; },
};

namespace {

const char* const SortSection = "SORT";
const char* const JudgmentSection = "JUDGMENT";
const char* const DestinationSection = "DESTINATION";

int ClampPixelCount(int value) {
    return value < 1 ? 20000 : value;
}

int ClampThreshold(int value) {
    return value < 0 ? 0 : value > 255 ? 255 : value;
}

// NaN compares false both ways, so it would slip past the range rule and reach the
// judgment; it counts as 0, as a text that is no number does.
double ClampPercent(double value) {
    if (std::isnan(value) || value <= 0.0) return 0.0;  // also turns -0 into 0
    return value > 100.0 ? 100.0 : value;
}

double ReadPercent(const char* key, const char* defaultText, const std::filesystem::path& file) {
    return ClampPercent(
        ParseLeadingDouble(platform::ProfileReadText(JudgmentSection, key, defaultText, file)));
}

bool StartsWithWord(const std::string& text, std::size_t at, const char* word) {
    std::size_t k = 0;
    for (; word[k] != '\0'; ++k) {
        if (at + k >= text.size()) return false;
        char c = text[at + k];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != word[k]) return false;
    }
    return true;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// For a number too large or too small for a double: the power of ten of its first significant
// digit, plus the exponent, tells an overflow (above 0) from an underflow.
bool OverflowsUpward(const std::string& text, std::size_t begin, std::size_t end) {
    long long power = 0;
    bool significant = false;
    std::size_t i = begin;
    for (; i < end && IsDigit(text[i]); ++i) {
        if (significant || text[i] != '0') {
            significant = true;
            ++power;
        }
    }
    if (i < end && text[i] == '.') {
        for (++i; i < end && IsDigit(text[i]); ++i) {
            if (significant) continue;
            if (text[i] != '0')
                significant = true;
            else
                --power;
        }
    }
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        const bool negative = i < end && text[i] == '-';
        if (i < end && (text[i] == '+' || text[i] == '-')) ++i;
        long long exponent = 0;
        for (; i < end && IsDigit(text[i]); ++i) {
            if (exponent < 1000000) exponent = exponent * 10 + (text[i] - '0');
        }
        power += negative ? -exponent : exponent;
    }
    return power > 0;
}

}  // namespace

bool GetModuleFolder() {
    std::filesystem::path executable;
    if (!platform::ModuleFilePath(executable)) return false;
    ModuleFolder = executable.remove_filename();
    return true;
}

void LoadSettings() {
    GetModuleFolder();
    std::string name;
    if (platform::LogonUserName(name)) UserName = name;
    std::filesystem::path file = ModuleFolder;
    file += platform::PathFromUtf8(UserName + "_pallidor.ini");
    LoadSettingsFrom(file);
}

void LoadSettingsFrom(const std::filesystem::path& file) {
    SettingsFilePath = file;
    Settings.THREAD_NUM =
        ClampThreadNum(platform::ProfileReadInt(SortSection, "THREAD_NUM", 16, file));
    Settings.IS_SUBDIRS_TOO = platform::ProfileReadInt(SortSection, "IS_SUBDIRS_TOO", 1, file);
    Settings.IS_ALL_PIXEL_JUDGE =
        platform::ProfileReadInt(JudgmentSection, "IS_ALL_PIXEL_JUDGE", 1, file);
    Settings.PIXELS_USE_IN_JUDGMENT = ClampPixelCount(
        platform::ProfileReadInt(JudgmentSection, "PIXELS_USE_IN_JUDGMENT", 20000, file));
    Settings.IS_ONLY_GRAYSCALE =
        platform::ProfileReadInt(JudgmentSection, "IS_ONLY_GRAYSCALE", 1, file);
    Settings.THRESHOLD_GS =
        ClampThreshold(platform::ProfileReadInt(JudgmentSection, "THRESHOLD_GS", 0, file));
    Settings.NOISE_LIMIT_GS = ReadPercent("NOISE_LIMIT_GS", "0", file);
    Settings.THRESHOLD_MONO = ReadPercent("THRESHOLD_MONO", "8", file);
    Settings.ERROR_LIMIT_MONO = ReadPercent("ERROR_LIMIT_MONO", "8", file);
    Settings.IS_DST_SUBDIR = platform::ProfileReadInt(DestinationSection, "IS_DST_SUBDIR", 1, file);
    Settings.DST_DIR_MONO = platform::ProfileReadText(DestinationSection, "DST_DIR_MONO", "", file);
    Settings.DST_DIR_COLOR =
        platform::ProfileReadText(DestinationSection, "DST_DIR_COLOR", "", file);
}

bool SaveSettings() {
    const SettingsRecord& s = Settings;
    const std::filesystem::path& file = SettingsFilePath;
    const struct {
        const char* section;
        const char* key;
        std::string value;
    } entries[] = {
        {SortSection, "THREAD_NUM", std::to_string(s.THREAD_NUM)},
        {SortSection, "IS_SUBDIRS_TOO", std::to_string(s.IS_SUBDIRS_TOO)},
        {JudgmentSection, "IS_ALL_PIXEL_JUDGE", std::to_string(s.IS_ALL_PIXEL_JUDGE)},
        {JudgmentSection, "PIXELS_USE_IN_JUDGMENT", std::to_string(s.PIXELS_USE_IN_JUDGMENT)},
        {JudgmentSection, "IS_ONLY_GRAYSCALE", std::to_string(s.IS_ONLY_GRAYSCALE)},
        {JudgmentSection, "THRESHOLD_GS", std::to_string(s.THRESHOLD_GS)},
        {JudgmentSection, "NOISE_LIMIT_GS", FormatPercent(s.NOISE_LIMIT_GS)},
        {JudgmentSection, "THRESHOLD_MONO", FormatPercent(s.THRESHOLD_MONO)},
        {JudgmentSection, "ERROR_LIMIT_MONO", FormatPercent(s.ERROR_LIMIT_MONO)},
        {DestinationSection, "IS_DST_SUBDIR", std::to_string(s.IS_DST_SUBDIR)},
        {DestinationSection, "DST_DIR_MONO", s.DST_DIR_MONO},
        {DestinationSection, "DST_DIR_COLOR", s.DST_DIR_COLOR},
    };
    // Any failed write stops the save and is shown, not only the first: a key lost silently
    // would come back as its default at the next start.
    for (const auto& entry : entries) {
        if (!platform::ProfileWriteText(entry.section, entry.key, entry.value, file)) {
            SettingsPrompt.ShowError(FormatText("設定ファイルへの書き込みに失敗しました。\n\n%s",
                                                platform::PathToUtf8(file).c_str()));
            return false;
        }
    }
    return true;
}

void ResetSettings() {
    if (RunBusy) return;
    if (!SettingsPrompt.AskYesNo("設定をデフォルトの状態に戻しますがいいですか？")) return;
    std::error_code error;
    const bool isFolder = std::filesystem::is_directory(SettingsFilePath, error);
    if (isFolder || !std::filesystem::remove(SettingsFilePath, error) || error) {
        SettingsPrompt.ShowError(FormatText("設定ファイルの削除に失敗しました。\n\n%s",
                                            platform::PathToUtf8(SettingsFilePath).c_str()));
        return;
    }
    // Reload the very file just deleted: in the program it is the per-user file anyway, and
    // a file chosen on the console tool's command line stays chosen.
    LoadSettingsFrom(SettingsFilePath);
    for (const PageRefresh& refresh : PageRefreshTable) {
        if (refresh) refresh();
    }
}

int ClampThreadNum(int value) {
    const std::uint32_t low = static_cast<std::uint32_t>(value) & 0xFFFFu;
    const int signedLow = low >= 0x8000u ? static_cast<int>(low) - 0x10000 : static_cast<int>(low);
    return signedLow < 1 ? 1 : value;
}

double ParseLeadingDouble(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const double sign = negative ? -1.0 : 1.0;
    if (StartsWithWord(text, i, "inf")) return sign * std::numeric_limits<double>::infinity();
    if (StartsWithWord(text, i, "nan")) return std::numeric_limits<double>::quiet_NaN();

    // The number is delimited here so that its form does not depend on the C library: '.'
    // is the decimal point whatever the locale, and hexadecimal forms are not numbers.
    const std::size_t begin = i;
    std::size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    }
    if (digits == 0) return 0.0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t k = i + 1;
        if (k < text.size() && (text[k] == '+' || text[k] == '-')) ++k;
        // An 'e' without digits after it is not part of the number.
        if (k < text.size() && IsDigit(text[k])) {
            i = k;
            while (i < text.size() && IsDigit(text[i])) ++i;
        }
    }
    double value = 0.0;
    const auto result =
        std::from_chars(text.data() + begin, text.data() + i, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        value = OverflowsUpward(text, begin, i) ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    return sign * value;
}

std::string FormatPercent(double value) {
    // Like "%f", but with '.' whatever the locale.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    if (result.ec != std::errc()) return "0.000000";
    return std::string(buffer, result.ptr);
}
