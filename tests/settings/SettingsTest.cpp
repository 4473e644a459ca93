#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <utility>
#include <vector>

#include "platform/Places.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace fs = std::filesystem;

namespace {

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::error_code error;
        folder = fs::temp_directory_path(error) /
                 platform::PathFromUtf8("pallidor-設定-" + std::to_string(std::random_device{}()));
        ASSERT_TRUE(fs::create_directories(folder, error)) << folder;
        file = folder / platform::PathFromUtf8("ユーザー_pallidor.ini");
        prompt.ShowError = [this](const std::string& text) { errors.push_back(text); };
        prompt.AskYesNo = [this](const std::string& text) {
            questions.push_back(text);
            return answer;
        };
        Settings = SettingsRecord{};
    }
    void TearDown() override {
        Settings = SettingsRecord{};
        std::error_code error;
        fs::remove_all(folder, error);
    }
    void Load(const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
        LoadSettingsFrom(file);
    }
    std::string Read() {
        std::ostringstream text;
        text << std::ifstream(file, std::ios::binary).rdbuf();
        return text.str();
    }
    fs::path folder;
    fs::path file;
    UserPrompt prompt;
    std::vector<std::string> errors;
    std::vector<std::string> questions;
    bool answer = false;
};

}  // namespace

TEST_F(SettingsFile, NoFileGivesEveryDefaultAndCreatesNone) {
    Settings = {3, 0, 0, 5, 0, 9, 1.0, 2.0, 3.0, 1, 4.0, 7, 0, "m", "c"};
    LoadSettingsFrom(file);
    EXPECT_EQ(16, Settings.THREAD_NUM);
    EXPECT_EQ(1, Settings.IS_SUBDIRS_TOO);
    EXPECT_EQ(1, Settings.IS_ALL_PIXEL_JUDGE);
    EXPECT_EQ(20000, Settings.PIXELS_USE_IN_JUDGMENT);
    EXPECT_EQ(1, Settings.IS_ONLY_GRAYSCALE);
    EXPECT_EQ(0, Settings.THRESHOLD_GS);
    EXPECT_EQ(0.0, Settings.NOISE_LIMIT_GS);
    EXPECT_EQ(8.0, Settings.THRESHOLD_MONO);
    EXPECT_EQ(8.0, Settings.ERROR_LIMIT_MONO);
    EXPECT_EQ(0, Settings.IS_PERCEPTUAL_JUDGE);
    EXPECT_EQ(12.0, Settings.THRESHOLD_PERCEPTUAL);
    EXPECT_EQ(20, Settings.AREA_LIMIT_PERCEPTUAL);
    EXPECT_EQ(1, Settings.IS_DST_SUBDIR);
    EXPECT_EQ("", Settings.DST_DIR_MONO);
    EXPECT_EQ("", Settings.DST_DIR_COLOR);
    EXPECT_EQ(file, SettingsFilePath);
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(SettingsFile, ThreadNumIsKeptOnlyWhenItsLow16BitsArePositive) {
    const std::pair<const char*, int> cases[] = {{"0", 1},         {"-3", 1},     {"40000", 1},
                                                 {"65536", 1},     {"-65536", 1}, {"2147483647", 1},
                                                 {"32767", 32767}, {"1", 1},      {"65537", 65537}};
    for (const auto& [text, expected] : cases) {
        Load(std::string("[SORT]\nTHREAD_NUM=") + text + "\n");
        EXPECT_EQ(expected, Settings.THREAD_NUM) << text;
    }
}

TEST_F(SettingsFile, IntegersOutOfRangeAreBroughtIn) {
    Load("[JUDGMENT]\nPIXELS_USE_IN_JUDGMENT=0\nTHRESHOLD_GS=300\n");
    EXPECT_EQ(20000, Settings.PIXELS_USE_IN_JUDGMENT);
    EXPECT_EQ(255, Settings.THRESHOLD_GS);
    Load("[JUDGMENT]\nPIXELS_USE_IN_JUDGMENT=-5\nTHRESHOLD_GS=-1\n");
    EXPECT_EQ(20000, Settings.PIXELS_USE_IN_JUDGMENT);
    EXPECT_EQ(0, Settings.THRESHOLD_GS);
    Load("[JUDGMENT]\nPIXELS_USE_IN_JUDGMENT=1\nTHRESHOLD_GS=255\n");
    EXPECT_EQ(1, Settings.PIXELS_USE_IN_JUDGMENT);
    EXPECT_EQ(255, Settings.THRESHOLD_GS);
}

TEST_F(SettingsFile, PercentagesAreClampedAndNonNumbersCountAsZero) {
    const std::pair<const char*, double> cases[] = {
        {"150.5", 100.0}, {"-0.5", 0.0},      {"abc", 0.0}, {"12.3456789", 12.3456789},
        {"100", 100.0},   {" +2.5e1x", 25.0}, {"-.5", 0.0}, {"1e999", 100.0},
        {"inf", 100.0},   {"-Infinity", 0.0}, {"nan", 0.0}, {"0x10", 0.0},
        {"1,5", 1.0},     {"7.", 7.0},        {"3e", 3.0},  {"4e-1000", 0.0}};
    for (const auto& [text, expected] : cases) {
        Load(std::string("[JUDGMENT]\nNOISE_LIMIT_GS=") + text + "\n");
        EXPECT_EQ(expected, Settings.NOISE_LIMIT_GS) << text;
        EXPECT_EQ(8.0, Settings.THRESHOLD_MONO) << text;  // missing key: its default
    }
}

TEST_F(SettingsFile, ValuesAsReadAreSavedBack) {
    Load("[SORT]\nIS_SUBDIRS_TOO=7\nTHREAD_NUM=-7\n[JUDGMENT]\nNOISE_LIMIT_GS=12.3456789\n");
    EXPECT_EQ(7, Settings.IS_SUBDIRS_TOO);
    EXPECT_EQ(12.3456789, Settings.NOISE_LIMIT_GS);
    EXPECT_TRUE(SaveSettings(prompt));
    EXPECT_EQ("7", platform::ProfileReadText("SORT", "IS_SUBDIRS_TOO", "", file));
    EXPECT_EQ("1", platform::ProfileReadText("SORT", "THREAD_NUM", "", file));
    EXPECT_EQ("12.345679", platform::ProfileReadText("JUDGMENT", "NOISE_LIMIT_GS", "", file));
}

TEST_F(SettingsFile, ThePerceptualSwitchRoundTripsAndReachesTheJudgment) {
    Load("[JUDGMENT]\nIS_ONLY_GRAYSCALE=0\n");
    EXPECT_EQ(0, Settings.IS_PERCEPTUAL_JUDGE);  // a file without the key: off
    Load("[JUDGMENT]\nIS_PERCEPTUAL_JUDGE=1\n");
    EXPECT_EQ(1, Settings.IS_PERCEPTUAL_JUDGE);
    EXPECT_EQ(1, MakeJudgeParams(Settings).IS_PERCEPTUAL_JUDGE);
    EXPECT_TRUE(SaveSettings(prompt));
    EXPECT_EQ("1", platform::ProfileReadText("JUDGMENT", "IS_PERCEPTUAL_JUDGE", "", file));
    Settings = SettingsRecord{};
    LoadSettingsFrom(file);
    EXPECT_EQ(1, Settings.IS_PERCEPTUAL_JUDGE);
}

TEST_F(SettingsFile, ThePerceptualKeysAreReadClampedSavedAndPassedToTheJudgment) {
    Load("[JUDGMENT]\nIS_PERCEPTUAL_JUDGE=1\nTHRESHOLD_PERCEPTUAL=12.5\nAREA_LIMIT_PERCEPTUAL=40\n");
    EXPECT_EQ(1, Settings.IS_PERCEPTUAL_JUDGE);
    EXPECT_EQ(12.5, Settings.THRESHOLD_PERCEPTUAL);
    EXPECT_EQ(40, Settings.AREA_LIMIT_PERCEPTUAL);
    const JudgeParams params = MakeJudgeParams(Settings);
    EXPECT_EQ(1, params.IS_PERCEPTUAL_JUDGE);
    EXPECT_EQ(12.5, params.THRESHOLD_PERCEPTUAL);
    EXPECT_EQ(40, params.AREA_LIMIT_PERCEPTUAL);
    EXPECT_TRUE(SaveSettings(prompt));
    EXPECT_EQ("1", platform::ProfileReadText("JUDGMENT", "IS_PERCEPTUAL_JUDGE", "", file));
    EXPECT_EQ("12.500000", platform::ProfileReadText("JUDGMENT", "THRESHOLD_PERCEPTUAL", "", file));
    EXPECT_EQ("40", platform::ProfileReadText("JUDGMENT", "AREA_LIMIT_PERCEPTUAL", "", file));

    Load("[JUDGMENT]\nTHRESHOLD_PERCEPTUAL=250\nAREA_LIMIT_PERCEPTUAL=0\n");
    EXPECT_EQ(0, Settings.IS_PERCEPTUAL_JUDGE);  // missing: off
    EXPECT_EQ(100.0, Settings.THRESHOLD_PERCEPTUAL);
    EXPECT_EQ(1, Settings.AREA_LIMIT_PERCEPTUAL);
    Load("[JUDGMENT]\nTHRESHOLD_PERCEPTUAL=nan\nAREA_LIMIT_PERCEPTUAL=-9\n");
    EXPECT_EQ(0.0, Settings.THRESHOLD_PERCEPTUAL);
    EXPECT_EQ(1, Settings.AREA_LIMIT_PERCEPTUAL);
}

TEST_F(SettingsFile, OneKeyIsWrittenAloneKeepingTheRestOfTheFile) {
    Load("; mine\n[JUDGMENT]\nTHRESHOLD_GS=3\nOWN_KEY=x\n");
    SettingsRecord record;
    record.THRESHOLD_GS = 40;
    record.AREA_LIMIT_PERCEPTUAL = 9;
    EXPECT_TRUE(SaveSettingKey(record, "AREA_LIMIT_PERCEPTUAL", file));
    EXPECT_FALSE(SaveSettingKey(record, "NO_SUCH_KEY", file));
    EXPECT_EQ("9", platform::ProfileReadText("JUDGMENT", "AREA_LIMIT_PERCEPTUAL", "", file));
    EXPECT_EQ("3", platform::ProfileReadText("JUDGMENT", "THRESHOLD_GS", "", file));
    EXPECT_EQ("x", platform::ProfileReadText("JUDGMENT", "OWN_KEY", "", file));
    EXPECT_EQ("", platform::ProfileReadText("JUDGMENT", "NO_SUCH_KEY", "", file));
    // A missing file is created with the one key.
    const fs::path fresh = folder / "fresh.ini";
    EXPECT_TRUE(SaveSettingKey(record, "THRESHOLD_GS", fresh));
    EXPECT_EQ("40", platform::ProfileReadText("JUDGMENT", "THRESHOLD_GS", "", fresh));
}

TEST_F(SettingsFile, DestinationsInAnyScriptSurviveSaveAndLoad) {
    SettingsFilePath = file;
    Settings.DST_DIR_MONO = "/写真/モノクロ ";
    Settings.DST_DIR_COLOR = " /사진/색상 🎨";
    EXPECT_TRUE(SaveSettings(prompt));
    Settings = SettingsRecord{};
    LoadSettingsFrom(file);
    EXPECT_EQ("/写真/モノクロ ", Settings.DST_DIR_MONO);
    EXPECT_EQ(" /사진/색상 🎨", Settings.DST_DIR_COLOR);
}

TEST_F(SettingsFile, AFailedSaveShowsOneMessageAndWritesNothing) {
    Load("[SORT]\nTHREAD_NUM=3\n");
    std::error_code error;
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                    error);
    ASSERT_FALSE(error);
    Settings.THREAD_NUM = 5;
    EXPECT_FALSE(SaveSettings(prompt));
    EXPECT_EQ("[SORT]\nTHREAD_NUM=3\n", Read());
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ("設定ファイルへの書き込みに失敗しました。\n\n" + platform::PathToUtf8(file),
              errors[0]);
    EXPECT_EQ(5, Settings.THREAD_NUM);

    errors.clear();
    SettingsFilePath = folder / "missing" / "u_pallidor.ini";
    EXPECT_FALSE(SaveSettings(prompt));
    EXPECT_EQ(1u, errors.size());
    EXPECT_FALSE(fs::exists(folder / "missing"));
}

TEST_F(SettingsFile, APathThatCannotBeStoredStopsTheSaveWithTheMessage) {
    SettingsFilePath = file;
    Settings.DST_DIR_MONO = "/a\n[SORT]\nTHREAD_NUM=0";
    EXPECT_FALSE(SaveSettings(prompt));
    EXPECT_EQ(1u, errors.size());
    EXPECT_EQ(std::string::npos, Read().find("DST_DIR"));
}

TEST_F(SettingsFile, TheFileIsNamedAfterTheUserInThePerUserFolder) {
    LoadSettings();
    EXPECT_TRUE(fs::is_regular_file(ModuleFolder / "pallidor_tests") ||
                fs::is_regular_file(ModuleFolder / "pallidor_tests.exe"))
        << ModuleFolder;
    EXPECT_EQ(platform::PathSeparator(), platform::PathToUtf8(ModuleFolder).back());
    EXPECT_FALSE(UserName.empty());
    // Where that folder is on each platform, the seam's own tests tell.
    EXPECT_EQ(platform::SettingsFolder(ModuleFolder) / (UserName + "_pallidor.ini"), SettingsFilePath);
}

TEST(SettingFromText, FollowsTheLoadsRulesAndRefusesWhatIsNoNumberOfTheKeysKind) {
    struct Case {
        const char* key;
        const char* text;
        SettingChange result;
        const char* stored;  // the key's value as saved afterwards
    } const cases[] = {
        {"THREAD_NUM", "+5", SettingChange::Done, "5"},
        {"THREAD_NUM", "-3", SettingChange::Done, "1"},
        {"THREAD_NUM", "40000", SettingChange::Done, "1"},
        {"THREAD_NUM", "65537", SettingChange::Done, "65537"},
        {"THREAD_NUM", "2147483647", SettingChange::Done, "1"},  // low half 0xFFFF
        {"THREAD_NUM", "2147483648", SettingChange::NotANumber, "16"},
        {"THREAD_NUM", "+-5", SettingChange::NotANumber, "16"},
        {"THREAD_NUM", " 5", SettingChange::NotANumber, "16"},
        {"THREAD_NUM", "0x10", SettingChange::NotANumber, "16"},
        {"PIXELS_USE_IN_JUDGMENT", "0", SettingChange::Done, "20000"},
        {"THRESHOLD_GS", "-1", SettingChange::Done, "0"},
        {"IS_ONLY_GRAYSCALE", "-7", SettingChange::Done, "-7"},
        {"NOISE_LIMIT_GS", ".5", SettingChange::Done, "0.500000"},
        {"NOISE_LIMIT_GS", "5.", SettingChange::Done, "5.000000"},
        {"NOISE_LIMIT_GS", "1e1", SettingChange::Done, "10.000000"},
        {"NOISE_LIMIT_GS", "1e999", SettingChange::Done, "100.000000"},
        {"NOISE_LIMIT_GS", "-0", SettingChange::Done, "0.000000"},
        {"NOISE_LIMIT_GS", "nan", SettingChange::NotANumber, "0.000000"},
        {"NOISE_LIMIT_GS", "inf", SettingChange::NotANumber, "0.000000"},
        {"NOISE_LIMIT_GS", "1,5", SettingChange::NotANumber, "0.000000"},
        {"NOISE_LIMIT_GS", ".", SettingChange::NotANumber, "0.000000"},
        {"DST_DIR_COLOR", " /写真/カラー ", SettingChange::Done, " /写真/カラー "},
        {"Threshold_GS", "1", SettingChange::UnknownKey, nullptr},
    };
    for (const Case& c : cases) {
        SettingsRecord settings;
        EXPECT_EQ(c.result, SetSettingFromText(settings, c.key, c.text)) << c.key << "=" << c.text;
        if (c.stored == nullptr) continue;
        for (const auto& [key, value] : SettingsAsText(settings)) {
            if (key == c.key) {
                EXPECT_EQ(c.stored, value) << c.key << "=" << c.text;
            }
        }
    }
}

TEST_F(SettingsFile, AResetFindsThePerUserFileAfreshAndKeepsAFileChosenByName) {
    LoadSettings();
    const fs::path moduleFolder = ModuleFolder;
    const std::string userName = UserName;
    const fs::path perUserFile = SettingsFilePath;
    // Stale places, as if the program had been started from elsewhere by someone else.
    ModuleFolder = folder;
    UserName = "someone else";
    SettingsFilePath = file;
    std::ofstream(file, std::ios::binary) << "[SORT]\nTHREAD_NUM=3\n";
    Settings.THREAD_NUM = 3;
    answer = true;
    ASSERT_TRUE(ResetSettings(prompt));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(moduleFolder, ModuleFolder);
    EXPECT_EQ(userName, UserName);
    EXPECT_EQ(perUserFile, SettingsFilePath);

    Load("[SORT]\nTHREAD_NUM=3\n");
    ASSERT_TRUE(ResetSettings(prompt));
    EXPECT_EQ(file, SettingsFilePath);
    EXPECT_EQ(16, Settings.THREAD_NUM);
    EXPECT_TRUE(errors.empty());
}

TEST(SettingDescriptions, EveryKeyIsDescribedInTheFilesOrderWithItsDefault) {
    const std::vector<SettingDescription> described = DescribeSettings();
    const auto keys = SettingsAsText(SettingsRecord());
    ASSERT_EQ(keys.size(), described.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(keys[i].first, described[i].name);
        EXPECT_EQ(keys[i].second, described[i].defaultValue) << described[i].name;
        EXPECT_NE(std::string(), described[i].range) << described[i].name;
        EXPECT_NE(std::string(), described[i].meaning) << described[i].name;
    }
}

TEST(SettingDescriptions, AKeyWithoutEffectNamesTheSettingThatOverridesIt) {
    SettingsRecord fixed;
    fixed.IS_DST_SUBDIR = 0;
    SettingsRecord perceptual;
    perceptual.IS_PERCEPTUAL_JUDGE = 1;
    SettingsRecord tinted;
    tinted.IS_ONLY_GRAYSCALE = 0;
    SettingsRecord sampled;
    sampled.IS_ALL_PIXEL_JUDGE = 0;
    const SettingsRecord defaults;
    const struct {
        const SettingsRecord* settings;
        const char* key;
        const char* why;
    } rows[] = {
        {&defaults, "DST_DIR_MONO", "IS_DST_SUBDIR=1"},
        {&fixed, "DST_DIR_COLOR", ""},
        {&perceptual, "THRESHOLD_GS", "IS_PERCEPTUAL_JUDGE=1"},
        {&perceptual, "IS_ONLY_GRAYSCALE", "IS_PERCEPTUAL_JUDGE=1"},
        {&perceptual, "THRESHOLD_PERCEPTUAL", ""},
        {&tinted, "NOISE_LIMIT_GS", "IS_ONLY_GRAYSCALE=0"},
        {&tinted, "ERROR_LIMIT_MONO", ""},
        {&tinted, "AREA_LIMIT_PERCEPTUAL", "IS_PERCEPTUAL_JUDGE=0"},
        {&sampled, "PIXELS_USE_IN_JUDGMENT", ""},
        {&fixed, "PIXELS_USE_IN_JUDGMENT", "IS_ALL_PIXEL_JUDGE=1"},
        {&fixed, "THREAD_NUM", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(row.why, WhyWithoutEffect(*row.settings, row.key)) << row.key;
}
