#include "settings/Settings.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <system_error>

#include "platform/Places.h"
#include "platform/Profile.h"
#include "platform/System.h"
#include "platform/Text.h"

SettingsRecord Settings;
std::filesystem::path ModuleFolder;
std::string UserName;
std::filesystem::path SettingsFilePath;

namespace {

// SettingsFilePath was chosen by LoadSettingsFrom, not found by LoadSettings.
bool SettingsFileChosen = false;

constexpr const char* SortSection = "SORT";
constexpr const char* JudgmentSection = "JUDGMENT";
constexpr const char* DestinationSection = "DESTINATION";

// What a field is in the file: an integer, a percentage written "%f", or a text.
enum class KeyKind { Int, Percent, Text };

struct SettingKey {
    const char* section;
    const char* name;
    KeyKind kind;
    int SettingsRecord::*intField;
    double SettingsRecord::*percentField;
    std::string SettingsRecord::*textField;
    int (*clampInt)(int);  // null: the integer is kept as read
    SettingType type;
    const char* range;     // the values it takes, in words
    const char* meaning;   // what it does
};

constexpr SettingKey IntKey(const char* section, const char* name, int SettingsRecord::*field,
                            int (*clamp)(int), const char* range, const char* meaning) {
    return {section, name, KeyKind::Int, field, nullptr, nullptr, clamp, SettingType::Integer, range, meaning};
}
constexpr SettingKey FlagKey(const char* section, const char* name, int SettingsRecord::*field, const char* meaning) {
    return {section, name, KeyKind::Int, field, nullptr, nullptr, nullptr, SettingType::Flag,
            "0 (off) or 1 (on); any other number counts as on", meaning};
}
constexpr SettingKey PercentKey(const char* name, double SettingsRecord::*field, const char* meaning) {
    return {JudgmentSection, name, KeyKind::Percent, nullptr, field, nullptr, nullptr, SettingType::Number,
            "0 to 100, a value outside is brought to the nearer end", meaning};
}
constexpr SettingKey TextKey(const char* name, std::string SettingsRecord::*field, const char* meaning) {
    return {DestinationSection, name, KeyKind::Text, nullptr, nullptr, field, nullptr, SettingType::Folder,
            "a full path of an existing folder", meaning};
}

// Every key, in the order of the file; load, save, reset and the manual page walk this table.
const SettingKey Keys[] = {
    IntKey(SortSection, "THREAD_NUM", &SettingsRecord::THREAD_NUM, ClampThreadNum,
           "1 to 65535 (the low 16 bits count; 0 there gives 1)",
           "how many files are judged and moved at once"),
    FlagKey(SortSection, "IS_SUBDIRS_TOO", &SettingsRecord::IS_SUBDIRS_TOO,
            "a folder's sub-folders are sorted too, at any depth (-r does so for one run)"),
    FlagKey(JudgmentSection, "IS_ALL_PIXEL_JUDGE", &SettingsRecord::IS_ALL_PIXEL_JUDGE,
            "every pixel is looked at; off: PIXELS_USE_IN_JUDGMENT pixels spread over the picture"),
    IntKey(JudgmentSection, "PIXELS_USE_IN_JUDGMENT", &SettingsRecord::PIXELS_USE_IN_JUDGMENT,
           ClampPixelCount, "1 or more (below 1 gives the default)",
           "how many pixels are looked at when IS_ALL_PIXEL_JUDGE is off"),
    FlagKey(JudgmentSection, "IS_ONLY_GRAYSCALE", &SettingsRecord::IS_ONLY_GRAYSCALE,
            "only gray pixels make a picture monochrome (THRESHOLD_GS, NOISE_LIMIT_GS); off: pictures "
            "tinted in one hue count as monochrome too (THRESHOLD_MONO, ERROR_LIMIT_MONO)"),
    IntKey(JudgmentSection, "THRESHOLD_GS", &SettingsRecord::THRESHOLD_GS, ClampThreshold,
           "0 to 255, a value outside is brought to the nearer end",
           "grayscale-only: how far a pixel's red, green and blue may differ and still be gray"),
    PercentKey("NOISE_LIMIT_GS", &SettingsRecord::NOISE_LIMIT_GS,
               "grayscale-only: the percentage of pixels that may be not gray in a monochrome picture"),
    PercentKey("THRESHOLD_MONO", &SettingsRecord::THRESHOLD_MONO,
               "tinted: how widely, in percent of its span, the sum of the other two channels may spread for one value of a channel"),
    PercentKey("ERROR_LIMIT_MONO", &SettingsRecord::ERROR_LIMIT_MONO,
               "tinted: the percentage of steps at which that sum may fall while the channel rises"),
    FlagKey(JudgmentSection, "IS_PERCEPTUAL_JUDGE", &SettingsRecord::IS_PERCEPTUAL_JUDGE,
            "the perceptual criterion decides instead of the two above: colour as the eye sees it "
            "(THRESHOLD_PERCEPTUAL, AREA_LIMIT_PERCEPTUAL); best on photographs and scans"),
    // Colour-difference units, 0..100: read, written and clamped as the percentages are.
    PercentKey("THRESHOLD_PERCEPTUAL", &SettingsRecord::THRESHOLD_PERCEPTUAL,
               "perceptual: how colourful (in CIELAB units) an area must be to count as coloured"),
    IntKey(JudgmentSection, "AREA_LIMIT_PERCEPTUAL", &SettingsRecord::AREA_LIMIT_PERCEPTUAL, ClampAreaLimit,
           "1 or more (below 1 gives 1)",
           "perceptual: the smallest coloured region, in pixels, that makes a picture colour"),
    FlagKey(DestinationSection, "IS_DST_SUBDIR", &SettingsRecord::IS_DST_SUBDIR,
            "files go into \"monochrome\" and \"color\" folders beside them; off: into DST_DIR_MONO "
            "and DST_DIR_COLOR"),
    TextKey("DST_DIR_MONO", &SettingsRecord::DST_DIR_MONO,
            "where monochrome pictures go when IS_DST_SUBDIR is off"),
    TextKey("DST_DIR_COLOR", &SettingsRecord::DST_DIR_COLOR,
            "where colour pictures go when IS_DST_SUBDIR is off"),
};

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

// A key's value as the file holds it.
std::string ValueText(const SettingKey& key, const SettingsRecord& s) {
    switch (key.kind) {
        case KeyKind::Int: return std::to_string(s.*key.intField);
        case KeyKind::Percent: return FormatPercent(s.*key.percentField);
        case KeyKind::Text: return s.*key.textField;
    }
    return {};
}

// A whole decimal number with an optional sign that an int holds, and nothing else.
bool ParseWholeNumber(const std::string& text, int& value) {
    const std::size_t start = !text.empty() && text[0] == '+' ? 1 : 0;  // from_chars takes '-' only
    if (start >= text.size() || !(IsDigit(text[start]) || (start == 0 && text[0] == '-'))) return false;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data() + start, end, value);
    return result.ec == std::errc() && result.ptr == end;
}

// A decimal number as ParseLeadingDouble reads one (sign, digits with an optional point, an
// optional exponent), with nothing before or after it.
bool IsDecimalNumber(const std::string& text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        std::size_t exponentDigits = 0;
        for (; i < text.size() && IsDigit(text[i]); ++i) ++exponentDigits;
        if (exponentDigits == 0) return false;
    }
    return i == text.size();
}

}  // namespace

bool GetModuleFolder() {
    std::filesystem::path executable;
    if (!platform::ModuleFilePath(executable)) return false;
    ModuleFolder = executable.remove_filename();
    return true;
}

SettingsRecord ReadSettingsFile(const std::filesystem::path& file) {
    // A missing key, or a missing file, gives the field its default.
    const SettingsRecord defaults;
    SettingsRecord record;
    for (const SettingKey& key : Keys) {
        switch (key.kind) {
            case KeyKind::Int: {
                const int value =
                    platform::ProfileReadInt(key.section, key.name, defaults.*key.intField, file);
                record.*key.intField = key.clampInt != nullptr ? key.clampInt(value) : value;
                break;
            }
            case KeyKind::Percent:
                record.*key.percentField = ClampPercent(ParseLeadingDouble(platform::ProfileReadText(
                    key.section, key.name, FormatPercent(defaults.*key.percentField), file)));
                break;
            case KeyKind::Text:
                record.*key.textField =
                    platform::ProfileReadText(key.section, key.name, defaults.*key.textField, file);
                break;
        }
    }
    return record;
}

bool IsJudgmentKey(const std::string& name) {
    for (const SettingKey& key : Keys) {
        if (name == key.name) return key.section == JudgmentSection;
    }
    return false;
}

namespace {

void LoadKeys(const std::filesystem::path& file) {
    SettingsFilePath = file;
    Settings = ReadSettingsFile(file);
}

}  // namespace

void LoadSettings() {
    GetModuleFolder();
    std::string name;
    if (platform::LogonUserName(name)) UserName = name;
    // No per-user folder (no home on POSIX) leaves no file: the defaults, and a save that fails.
    const std::filesystem::path folder = platform::SettingsFolder(ModuleFolder);
    SettingsFileChosen = false;
    LoadKeys(folder.empty() ? folder : folder / platform::PathFromUtf8(UserName + "_pallidor.ini"));
}

void LoadSettingsFrom(const std::filesystem::path& file) {
    SettingsFileChosen = true;
    LoadKeys(file);
}

bool SaveSettingKey(const SettingsRecord& record, const std::string& name, const std::filesystem::path& file) {
    for (const SettingKey& key : Keys) {
        if (name == key.name) return platform::ProfileWriteText(key.section, key.name, ValueText(key, record), file);
    }
    return false;
}

bool SaveSettings(const UserPrompt& prompt) {
    const SettingsRecord& s = Settings;
    const std::filesystem::path& file = SettingsFilePath;
    // The per-user folder may not exist yet; a folder named on the command line must. When it
    // cannot be made, the first write fails and says so.
    const std::filesystem::path perUser = platform::SettingsFolder(ModuleFolder);
    if (!perUser.empty() && file.parent_path() == perUser) platform::CreatePlace(perUser);
    // Any failed write stops the save and is shown, not only the first: a key lost silently
    // would come back as its default at the next start.
    for (const SettingKey& key : Keys) {
        if (!platform::ProfileWriteText(key.section, key.name, ValueText(key, s), file)) {
            if (prompt.ShowError) {
                prompt.ShowError(FormatText("設定ファイルへの書き込みに失敗しました。\n\n%s",
                                            platform::PathToUtf8(file).c_str()));
            }
            return false;
        }
    }
    return true;
}

bool ResetSettings(const UserPrompt& prompt) {
    if (!prompt.AskYesNo || !prompt.AskYesNo("設定をデフォルトの状態に戻しますがいいですか？")) {
        return false;
    }
    std::error_code error;
    const bool isFolder = std::filesystem::is_directory(SettingsFilePath, error);
    if (isFolder || !std::filesystem::remove(SettingsFilePath, error) || error) {
        if (prompt.ShowError) {
            prompt.ShowError(FormatText("設定ファイルの削除に失敗しました。\n\n%s",
                                        platform::PathToUtf8(SettingsFilePath).c_str()));
        }
        return false;
    }
    // A file chosen on the console tool's command line stays chosen; the per-user file is
    // found again, as at start-up.
    if (SettingsFileChosen) {
        LoadSettingsFrom(SettingsFilePath);
    } else {
        LoadSettings();
    }
    return true;
}

JudgeParams MakeJudgeParams(const SettingsRecord& s) {
    JudgeParams params;
    params.IS_ALL_PIXEL_JUDGE = s.IS_ALL_PIXEL_JUDGE;
    params.PIXELS_USE_IN_JUDGMENT = s.PIXELS_USE_IN_JUDGMENT;
    params.IS_ONLY_GRAYSCALE = s.IS_ONLY_GRAYSCALE;
    params.THRESHOLD_GS = s.THRESHOLD_GS;
    params.NOISE_LIMIT_GS = s.NOISE_LIMIT_GS;
    params.THRESHOLD_MONO = s.THRESHOLD_MONO;
    params.ERROR_LIMIT_MONO = s.ERROR_LIMIT_MONO;
    params.IS_PERCEPTUAL_JUDGE = s.IS_PERCEPTUAL_JUDGE;
    params.THRESHOLD_PERCEPTUAL = s.THRESHOLD_PERCEPTUAL;
    params.AREA_LIMIT_PERCEPTUAL = s.AREA_LIMIT_PERCEPTUAL;
    return params;
}

int ClampPixelCount(int value) {
    return value < 1 ? JudgeParams{}.PIXELS_USE_IN_JUDGMENT : value;
}

int ClampAreaLimit(int value) {
    return value < 1 ? 1 : value;
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
    if (platform::StartsWithIgnoringAsciiCase(text, i, "inf")) return sign * std::numeric_limits<double>::infinity();
    if (platform::StartsWithIgnoringAsciiCase(text, i, "nan")) return std::numeric_limits<double>::quiet_NaN();

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

std::vector<std::pair<std::string, std::string>> SettingsAsText(const SettingsRecord& settings) {
    std::vector<std::pair<std::string, std::string>> keys;
    for (const SettingKey& key : Keys) keys.emplace_back(key.name, ValueText(key, settings));
    return keys;
}

SettingChange SetSettingFromText(SettingsRecord& settings, const std::string& name, const std::string& text) {
    for (const SettingKey& key : Keys) {
        if (name != key.name) continue;
        switch (key.kind) {
            case KeyKind::Int: {
                int value = 0;
                if (!ParseWholeNumber(text, value)) return SettingChange::NotANumber;
                settings.*key.intField = key.clampInt != nullptr ? key.clampInt(value) : value;
                return SettingChange::Done;
            }
            case KeyKind::Percent:
                if (!IsDecimalNumber(text)) return SettingChange::NotANumber;
                settings.*key.percentField = ClampPercent(ParseLeadingDouble(text));
                return SettingChange::Done;
            case KeyKind::Text:
                settings.*key.textField = text;
                return SettingChange::Done;
        }
    }
    return SettingChange::UnknownKey;
}

std::vector<SettingDescription> DescribeSettings() {
    const SettingsRecord defaults;
    std::vector<SettingDescription> all;
    for (const SettingKey& key : Keys) {
        all.push_back(SettingDescription{key.section, key.name, key.type, key.range, ValueText(key, defaults),
                                         key.meaning});
    }
    return all;
}

std::string WhyWithoutEffect(const SettingsRecord& s, const std::string& name) {
    const bool perceptual = s.IS_PERCEPTUAL_JUDGE != 0;
    const std::string perceptualOn = "IS_PERCEPTUAL_JUDGE=" + std::to_string(s.IS_PERCEPTUAL_JUDGE);
    if (name == "DST_DIR_MONO" || name == "DST_DIR_COLOR") {
        return s.IS_DST_SUBDIR != 0 ? "IS_DST_SUBDIR=" + std::to_string(s.IS_DST_SUBDIR) : std::string();
    }
    if (name == "PIXELS_USE_IN_JUDGMENT") {
        if (perceptual) return perceptualOn;
        return s.IS_ALL_PIXEL_JUDGE != 0 ? "IS_ALL_PIXEL_JUDGE=" + std::to_string(s.IS_ALL_PIXEL_JUDGE) : std::string();
    }
    if (name == "IS_ONLY_GRAYSCALE" || name == "IS_ALL_PIXEL_JUDGE") return perceptual ? perceptualOn : std::string();
    if (name == "THRESHOLD_GS" || name == "NOISE_LIMIT_GS") {
        if (perceptual) return perceptualOn;
        return s.IS_ONLY_GRAYSCALE == 0 ? "IS_ONLY_GRAYSCALE=0" : std::string();
    }
    if (name == "THRESHOLD_MONO" || name == "ERROR_LIMIT_MONO") {
        if (perceptual) return perceptualOn;
        return s.IS_ONLY_GRAYSCALE != 0 ? "IS_ONLY_GRAYSCALE=" + std::to_string(s.IS_ONLY_GRAYSCALE) : std::string();
    }
    if (name == "THRESHOLD_PERCEPTUAL" || name == "AREA_LIMIT_PERCEPTUAL") {
        return perceptual ? std::string() : "IS_PERCEPTUAL_JUDGE=0";
    }
    return std::string();
}
