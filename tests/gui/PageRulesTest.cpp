#include "gui/PageRules.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/Text.h"
#include "settings/Settings.h"
#include "sort/SortRun.h"
#include "support/ImageFiles.h"

namespace fs = std::filesystem;

namespace {

// The reset button over a settings file of a temporary folder, with a prompt that records.
class SheetReset : public ::testing::Test {
protected:
    void SetUp() override {
        file = folder.File("ユーザー_pallidor.ini");
        prompt.ShowError = [this](const std::string& text) { errors.push_back(text); };
        prompt.AskYesNo = [this](const std::string& text) {
            questions.push_back(text);
            return answer;
        };
        Settings = SettingsRecord{};
    }
    void TearDown() override {
        PageRefreshTable = {};
        RunBusy = false;
        Settings = SettingsRecord{};
    }
    void Load(const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
        LoadSettingsFrom(file);
    }
    testimages::TempFolder folder;
    fs::path file;
    UserPrompt prompt;
    std::vector<std::string> errors;
    std::vector<std::string> questions;
    bool answer = false;
};

}  // namespace

TEST_F(SheetReset, ResetAnsweredNoOrDuringARunChangesNothing) {
    Load("[SORT]\nTHREAD_NUM=3\n");
    int refreshes = 0;
    PageRefreshTable[1] = [&] { ++refreshes; };
    RunBusy = true;
    answer = true;
    ResetFromSheet(prompt);
    EXPECT_TRUE(questions.empty());
    RunBusy = false;
    answer = false;
    ResetFromSheet(prompt);
    EXPECT_EQ(std::vector<std::string>{"設定をデフォルトの状態に戻しますがいいですか？"},
              questions);
    EXPECT_EQ(3, Settings.THREAD_NUM);
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(0, refreshes);
    EXPECT_TRUE(errors.empty());
}

TEST_F(SheetReset, ResetWithoutAFileShowsTheDeletionFailure) {
    LoadSettingsFrom(file);
    Settings.THREAD_NUM = 5;
    int refreshes = 0;
    PageRefreshTable[1] = [&] { ++refreshes; };
    answer = true;
    ResetFromSheet(prompt);
    EXPECT_EQ(std::vector<std::string>{"設定ファイルの削除に失敗しました。\n\n" +
                                       platform::PathToUtf8(file)},
              errors);
    EXPECT_EQ(5, Settings.THREAD_NUM);
    EXPECT_EQ(0, refreshes);
}

TEST_F(SheetReset, ResetAnsweredYesRestoresDefaultsAndRefreshesThePages) {
    Load("[SORT]\nTHREAD_NUM=3\n[DESTINATION]\nDST_DIR_MONO=/m\n");
    std::vector<int> calls;
    for (int slot : {1, 2, 3}) PageRefreshTable[slot] = [&calls, slot] { calls.push_back(slot); };
    answer = true;
    ResetFromSheet(prompt);
    EXPECT_EQ((std::vector<int>{1, 2, 3}), calls);
    EXPECT_EQ(16, Settings.THREAD_NUM);
    EXPECT_EQ("", Settings.DST_DIR_MONO);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(errors.empty());
}


TEST(PageRules, LeadingIntegerTakesBlanksSignAndDigitsOnly) {
    EXPECT_EQ(300, ParseLeadingInt("300"));
    EXPECT_EQ(-12, ParseLeadingInt("  -12abc"));
    EXPECT_EQ(7, ParseLeadingInt("+7.9"));
    EXPECT_EQ(0, ParseLeadingInt("abc"));
    EXPECT_EQ(0, ParseLeadingInt(""));
    EXPECT_EQ(0, ParseLeadingInt("-"));
    EXPECT_EQ(2147483647, ParseLeadingInt("99999999999999999999"));
    EXPECT_EQ(-2147483647 - 1, ParseLeadingInt("-99999999999999999999"));
}

TEST(PageRules, ThreadCountFollowsTheSixteenBitRule) {
    EXPECT_EQ(1, ThreadNumFromText("0"));
    EXPECT_EQ(1, ThreadNumFromText("40000"));
    EXPECT_EQ(1, ThreadNumFromText("65536"));
    EXPECT_EQ(1, ThreadNumFromText("-3"));
    EXPECT_EQ(1, ThreadNumFromText("x"));
    EXPECT_EQ(32767, ThreadNumFromText("32767"));
    EXPECT_EQ(65537, ThreadNumFromText("65537"));
    EXPECT_EQ(8, ThreadNumFromText("8 threads"));
}

TEST(PageRules, PixelCountBelowOneMeansTheDefault) {
    EXPECT_EQ(20000, PixelCountFromText("abc"));
    EXPECT_EQ(20000, PixelCountFromText("0"));
    EXPECT_EQ(20000, PixelCountFromText("-5"));
    EXPECT_EQ(1, PixelCountFromText("1"));
    EXPECT_EQ(123456, PixelCountFromText("123456"));
}

TEST(PageRules, ThresholdAndPercentagesStopAtTheirBounds) {
    EXPECT_EQ(255, ThresholdGsFromText("300"));
    EXPECT_EQ(0, ThresholdGsFromText("-1"));
    EXPECT_EQ(17, ThresholdGsFromText("17"));
    EXPECT_DOUBLE_EQ(100.0, PercentFromText("150.5"));
    EXPECT_DOUBLE_EQ(0.0, PercentFromText("-0.5"));
    EXPECT_DOUBLE_EQ(0.0, PercentFromText("abc"));
    EXPECT_DOUBLE_EQ(12.5, PercentFromText("12.5%"));
    EXPECT_DOUBLE_EQ(100.0, PercentFromText("1e999"));
    EXPECT_DOUBLE_EQ(0.0, PercentFromText("nan"));
}

TEST(PageRules, FieldsShowAsIntegersAndSixDecimals) {
    EXPECT_EQ("20000", IntText(20000));
    EXPECT_EQ("8.000000", PercentText(8));
    EXPECT_EQ("12.345679", PercentText(12.3456789));
}

TEST(PageRules, UpArrowProposesANegativeChange) {
    EXPECT_TRUE(SpinStepsUp(-1));
    EXPECT_FALSE(SpinStepsUp(1));
    EXPECT_FALSE(SpinStepsUp(0));
}

TEST(PageRules, PixelCountStepsByAThousandNeverBelowOne) {
    EXPECT_EQ("21000", StepPixelCountText("20000", true));
    EXPECT_EQ("19000", StepPixelCountText("20000", false));
    EXPECT_EQ("1", StepPixelCountText("500", false));
    EXPECT_EQ("1001", StepPixelCountText("1", true));
    EXPECT_EQ("1500", StepPixelCountText("500.7", true));
    EXPECT_EQ("1000", StepPixelCountText("abc", true));
    EXPECT_EQ("2147483647", StepPixelCountText("2147483000", true));
}

TEST(PageRules, PercentageStepsByOneWithinZeroToHundred) {
    EXPECT_EQ("100.000000", StepPercentText("99.5", true));
    EXPECT_EQ("0.000000", StepPercentText("0.3", false));
    EXPECT_EQ("9.000000", StepPercentText("8.000000", true));
    EXPECT_EQ("100.000000", StepPercentText("100", true));
    EXPECT_EQ("1.000000", StepPercentText("", true));
}

TEST(PageRules, DependentControlsFollowTheirSetting) {
    EXPECT_TRUE(PixelCountEnabled(0));
    EXPECT_FALSE(PixelCountEnabled(1));
    EXPECT_FALSE(PixelCountEnabled(7));
    EXPECT_TRUE(GrayscaleLimitsEnabled(7, 0));
    EXPECT_FALSE(MonoLimitsEnabled(7, 0));
    EXPECT_TRUE(MonoLimitsEnabled(0, 0));
    EXPECT_TRUE(CriterionChoiceEnabled(0));
    // A perceptual flag of any non-zero value turns the other criteria's controls off.
    for (const int perceptual : {1, 7, -1}) {
        EXPECT_FALSE(CriterionChoiceEnabled(perceptual)) << perceptual;
        EXPECT_FALSE(GrayscaleLimitsEnabled(1, perceptual)) << perceptual;
        EXPECT_FALSE(MonoLimitsEnabled(0, perceptual)) << perceptual;
    }
    EXPECT_TRUE(FixedDestinationsEnabled(0));
    EXPECT_FALSE(FixedDestinationsEnabled(1));
}
