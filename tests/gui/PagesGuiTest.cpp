#include <gtest/gtest.h>

#include <filesystem>

#include "gui/App_win.h"
#include "settings/Settings.h"
#include "gui/GuiDriver.h"
#include "gui/GuiTest.h"
#include "platform/Text.h"
#include "platform/WideText_win.h"
#include "res/resource.h"
#include "sort/SortRun.h"

using namespace gui;

namespace {

// Sets a check box to `on` through clicks, as a user would.
void SetCheck(HWND page, int id, bool on) {
    if (IsChecked(page, id) != on) ClickCheckBox(page, id);
}

void ExpectEnabled(HWND page, std::initializer_list<int> ids, bool enabled) {
    for (const int id : ids) EXPECT_EQ(enabled, IsEnabled(page, id)) << id;
}

// The settings the pages open with when no file exists.
void ExpectDefaultsShown(HWND judgment) {
    EXPECT_TRUE(IsChecked(judgment, IDC_ALL_PIXEL));
    EXPECT_FALSE(IsChecked(judgment, IDC_PERCEPTUAL));
    EXPECT_TRUE(IsChecked(judgment, IDC_ONLY_GRAYSCALE));
    EXPECT_TRUE(IsEnabled(judgment, IDC_ONLY_GRAYSCALE));
    EXPECT_EQ("20000", ItemText(judgment, IDC_PIXEL_COUNT));
    ExpectEnabled(judgment, {IDC_PIXEL_COUNT, IDC_PIXEL_COUNT_SPIN}, false);
    EXPECT_EQ("0", ItemText(judgment, IDC_THRESHOLD_GS));
    EXPECT_EQ("0.000000", ItemText(judgment, IDC_NOISE_LIMIT_GS));
    ExpectEnabled(judgment, {IDC_THRESHOLD_GS, IDC_THRESHOLD_GS_SPIN, IDC_NOISE_LIMIT_GS, IDC_NOISE_LIMIT_GS_SPIN}, true);
    EXPECT_EQ("8.000000", ItemText(judgment, IDC_THRESHOLD_MONO));
    EXPECT_EQ("8.000000", ItemText(judgment, IDC_ERROR_LIMIT_MONO));
    ExpectEnabled(judgment,
                  {IDC_THRESHOLD_MONO, IDC_THRESHOLD_MONO_SPIN, IDC_ERROR_LIMIT_MONO, IDC_ERROR_LIMIT_MONO_SPIN}, false);
}

std::string SelectedTreeItem(HWND tree) {
    wchar_t text[260] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    item.pszText = text;
    item.cchTextMax = 260;
    if (item.hItem == nullptr || !SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return "";
    return platform::Narrow(text);
}

}  // namespace

TEST(JudgmentPage, OpensWithTheDefaults) {
    ExpectDefaultsShown(ShowPage(kJudgment));
}

TEST(JudgmentPage, CheckBoxesEnableTheirControlsAtOnce) {
    const HWND page = ShowPage(kJudgment);
    ClickCheckBox(page, IDC_ALL_PIXEL);
    EXPECT_EQ(0, Settings.IS_ALL_PIXEL_JUDGE);
    ExpectEnabled(page, {IDC_PIXEL_COUNT, IDC_PIXEL_COUNT_SPIN}, true);
    ClickCheckBox(page, IDC_ONLY_GRAYSCALE);
    EXPECT_EQ(0, Settings.IS_ONLY_GRAYSCALE);
    ExpectEnabled(page, {IDC_THRESHOLD_GS, IDC_THRESHOLD_GS_SPIN, IDC_NOISE_LIMIT_GS, IDC_NOISE_LIMIT_GS_SPIN}, false);
    ExpectEnabled(page, {IDC_THRESHOLD_MONO, IDC_THRESHOLD_MONO_SPIN, IDC_ERROR_LIMIT_MONO, IDC_ERROR_LIMIT_MONO_SPIN}, true);
    Screenshot(Sheet(), "page-2-judgment-cleared");
    ClickCheckBox(page, IDC_ALL_PIXEL);
    ClickCheckBox(page, IDC_ONLY_GRAYSCALE);
    EXPECT_EQ(1, Settings.IS_ALL_PIXEL_JUDGE);
    EXPECT_EQ(1, Settings.IS_ONLY_GRAYSCALE);
    ExpectEnabled(page, {IDC_PIXEL_COUNT, IDC_PIXEL_COUNT_SPIN}, false);
    ExpectEnabled(page, {IDC_THRESHOLD_GS, IDC_NOISE_LIMIT_GS_SPIN}, true);
    ExpectEnabled(page, {IDC_THRESHOLD_MONO, IDC_ERROR_LIMIT_MONO_SPIN}, false);
}

TEST(JudgmentPage, ThePerceptualSwitchIsStoredAtOnceAndTurnsTheOtherCriteriaOff) {
    const HWND page = ShowPage(kJudgment);
    const std::initializer_list<int> grayscale = {IDC_THRESHOLD_GS, IDC_THRESHOLD_GS_SPIN, IDC_NOISE_LIMIT_GS,
                                                  IDC_NOISE_LIMIT_GS_SPIN};
    const std::initializer_list<int> tinted = {IDC_THRESHOLD_MONO, IDC_THRESHOLD_MONO_SPIN, IDC_ERROR_LIMIT_MONO,
                                               IDC_ERROR_LIMIT_MONO_SPIN};
    EXPECT_EQ("写真やスキャン画像を見た目で判定する。", ItemText(page, IDC_PERCEPTUAL));
    SetCheck(page, IDC_ALL_PIXEL, false);
    for (const bool onlyGrayscale : {true, false}) {
        SetCheck(page, IDC_ONLY_GRAYSCALE, onlyGrayscale);
        ClickCheckBox(page, IDC_PERCEPTUAL);
        EXPECT_EQ(1, Settings.IS_PERCEPTUAL_JUDGE) << onlyGrayscale;
        ExpectEnabled(page, {IDC_ONLY_GRAYSCALE}, false);
        ExpectEnabled(page, grayscale, false);
        ExpectEnabled(page, tinted, false);
        // The pixel count is no criterion's: every criterion samples the same pixels.
        ExpectEnabled(page, {IDC_PIXEL_COUNT, IDC_PIXEL_COUNT_SPIN}, true);
        EXPECT_EQ(onlyGrayscale ? 1 : 0, Settings.IS_ONLY_GRAYSCALE);
        if (onlyGrayscale) Screenshot(Sheet(), "page-2-judgment-perceptual");
        ClickCheckBox(page, IDC_PERCEPTUAL);
        EXPECT_EQ(0, Settings.IS_PERCEPTUAL_JUDGE) << onlyGrayscale;
        ExpectEnabled(page, {IDC_ONLY_GRAYSCALE}, true);
        ExpectEnabled(page, grayscale, onlyGrayscale);
        ExpectEnabled(page, tinted, !onlyGrayscale);
    }
    SetCheck(page, IDC_ONLY_GRAYSCALE, true);
    SetCheck(page, IDC_ALL_PIXEL, true);
}

TEST(JudgmentPage, TypedTextsAreStoredByTheRulesWhileTheEditKeepsThem) {
    const HWND page = ShowPage(kJudgment);
    SetCheck(page, IDC_ALL_PIXEL, false);
    Type(page, IDC_THRESHOLD_GS, "300");
    EXPECT_EQ(255, Settings.THRESHOLD_GS);
    EXPECT_EQ("300", ItemText(page, IDC_THRESHOLD_GS));
    Type(page, IDC_THRESHOLD_GS, "-4");
    EXPECT_EQ(0, Settings.THRESHOLD_GS);
    Type(page, IDC_PIXEL_COUNT, "abc");
    EXPECT_EQ(20000, Settings.PIXELS_USE_IN_JUDGMENT);
    EXPECT_EQ("abc", ItemText(page, IDC_PIXEL_COUNT));
    Type(page, IDC_PIXEL_COUNT, "1234");
    EXPECT_EQ(1234, Settings.PIXELS_USE_IN_JUDGMENT);
    Type(page, IDC_NOISE_LIMIT_GS, "150.5");
    EXPECT_EQ(100.0, Settings.NOISE_LIMIT_GS);
    Type(page, IDC_NOISE_LIMIT_GS, "12.5");
    EXPECT_EQ(12.5, Settings.NOISE_LIMIT_GS);
}

TEST(JudgmentPage, ArrowsStepTheEditsAndTheRulesStoreThem) {
    const HWND page = ShowPage(kJudgment);
    SetCheck(page, IDC_ALL_PIXEL, false);
    SetCheck(page, IDC_ONLY_GRAYSCALE, true);
    Type(page, IDC_PIXEL_COUNT, "20000");
    ClickSpin(page, IDC_PIXEL_COUNT_SPIN, true);
    EXPECT_EQ("21000", ItemText(page, IDC_PIXEL_COUNT));
    EXPECT_EQ(21000, Settings.PIXELS_USE_IN_JUDGMENT);
    Type(page, IDC_PIXEL_COUNT, "500");
    ClickSpin(page, IDC_PIXEL_COUNT_SPIN, false);
    EXPECT_EQ("1", ItemText(page, IDC_PIXEL_COUNT));
    EXPECT_EQ(1, Settings.PIXELS_USE_IN_JUDGMENT);

    Type(page, IDC_NOISE_LIMIT_GS, "99.5");
    ClickSpin(page, IDC_NOISE_LIMIT_GS_SPIN, true);
    EXPECT_EQ("100.000000", ItemText(page, IDC_NOISE_LIMIT_GS));
    EXPECT_EQ(100.0, Settings.NOISE_LIMIT_GS);
    Type(page, IDC_NOISE_LIMIT_GS, "0.3");
    ClickSpin(page, IDC_NOISE_LIMIT_GS_SPIN, false);
    EXPECT_EQ("0.000000", ItemText(page, IDC_NOISE_LIMIT_GS));
    EXPECT_EQ(0.0, Settings.NOISE_LIMIT_GS);

    // The threshold's own up-down holds 0 to 255 and writes the edit itself.
    Type(page, IDC_THRESHOLD_GS, "254");
    SendDlgItemMessageW(page, IDC_THRESHOLD_GS_SPIN, UDM_SETPOS32, 0, 254);
    ClickSpin(page, IDC_THRESHOLD_GS_SPIN, true);
    ClickSpin(page, IDC_THRESHOLD_GS_SPIN, true);
    EXPECT_EQ("255", ItemText(page, IDC_THRESHOLD_GS));
    EXPECT_EQ(255, Settings.THRESHOLD_GS);
    SendDlgItemMessageW(page, IDC_THRESHOLD_GS_SPIN, UDM_SETPOS32, 0, 0);
    ClickSpin(page, IDC_THRESHOLD_GS_SPIN, false);
    EXPECT_EQ("0", ItemText(page, IDC_THRESHOLD_GS));
    EXPECT_EQ(0, Settings.THRESHOLD_GS);
}

TEST(SortPage, ThreadCountFollowsTheSixteenBitRuleAndItsUpDownStopsAtTheBounds) {
    const HWND page = ShowPage(kSort);
    EXPECT_EQ("16", ItemText(page, IDC_THREAD_NUM));
    Type(page, IDC_THREAD_NUM, "0");
    EXPECT_EQ(1, Settings.THREAD_NUM);
    EXPECT_EQ("0", ItemText(page, IDC_THREAD_NUM));
    Type(page, IDC_THREAD_NUM, "40000");
    EXPECT_EQ(1, Settings.THREAD_NUM);
    Type(page, IDC_THREAD_NUM, "12");
    EXPECT_EQ(12, Settings.THREAD_NUM);
    SendDlgItemMessageW(page, IDC_THREAD_NUM_SPIN, UDM_SETPOS32, 0, 32767);
    ClickSpin(page, IDC_THREAD_NUM_SPIN, true);
    EXPECT_EQ("32767", ItemText(page, IDC_THREAD_NUM));
    EXPECT_EQ(32767, Settings.THREAD_NUM);
    SendDlgItemMessageW(page, IDC_THREAD_NUM_SPIN, UDM_SETPOS32, 0, 1);
    ClickSpin(page, IDC_THREAD_NUM_SPIN, false);
    EXPECT_EQ("1", ItemText(page, IDC_THREAD_NUM));
    EXPECT_EQ(1, Settings.THREAD_NUM);
    ClickCheckBox(page, IDC_SUBDIRS_TOO);
    EXPECT_EQ(0, Settings.IS_SUBDIRS_TOO);
    ClickCheckBox(page, IDC_SUBDIRS_TOO);
    EXPECT_EQ(1, Settings.IS_SUBDIRS_TOO);
}

TEST(DestinationPage, FixedFoldersAreEnabledOnlyWithoutSubfoldersAndTypedPathsStoredAtOnce) {
    const HWND page = ShowPage(kDestination);
    EXPECT_TRUE(IsChecked(page, IDC_DST_SUBDIR));
    ExpectEnabled(page, {IDC_DST_DIR_MONO, IDC_BROWSE_MONO, IDC_DST_DIR_COLOR, IDC_BROWSE_COLOR}, false);
    ClickCheckBox(page, IDC_DST_SUBDIR);
    EXPECT_EQ(0, Settings.IS_DST_SUBDIR);
    ExpectEnabled(page, {IDC_DST_DIR_MONO, IDC_BROWSE_MONO, IDC_DST_DIR_COLOR, IDC_BROWSE_COLOR}, true);
    Type(page, IDC_DST_DIR_MONO, "C:\\白");
    EXPECT_EQ("C:\\白", Settings.DST_DIR_MONO);
    Type(page, IDC_DST_DIR_MONO, "C:\\白黒");
    EXPECT_EQ("C:\\白黒", Settings.DST_DIR_MONO);
    Screenshot(Sheet(), "page-3-destination-fixed");
    ClickCheckBox(page, IDC_DST_SUBDIR);
    EXPECT_EQ(1, Settings.IS_DST_SUBDIR);
    ExpectEnabled(page, {IDC_DST_DIR_MONO, IDC_BROWSE_MONO, IDC_DST_DIR_COLOR, IDC_BROWSE_COLOR}, false);
}

TEST(DestinationPage, FolderBrowserShowsThePromptAndACancelChangesNothing) {
    const HWND page = ShowPage(kDestination);
    SetCheck(page, IDC_DST_SUBDIR, false);
    // A folder of its own on C:, the prefix's drive: the tree of Z: (the whole file system)
    // would depend on where the build happens to live.
    const std::filesystem::path chosen = platform::PathFromUtf8("C:\\振り分け先");
    std::error_code ignored;
    std::filesystem::create_directory(chosen, ignored);
    const std::string folder = platform::PathToUtf8(chosen);
    Type(page, IDC_DST_DIR_MONO, folder);
    PressButton(page, IDC_BROWSE_MONO);
    HWND browser = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        for (const HWND dialog : DialogsCaptioned(Text(GetForegroundWindow()))) {
            if (dialog != Sheet() && FindWindowExW(dialog, nullptr, L"SysTreeView32", nullptr) != nullptr) browser = dialog;
        }
        return browser != nullptr;
    }));
    bool promptShown = false;
    for (HWND child = FindWindowExW(browser, nullptr, L"Static", nullptr); child != nullptr;
         child = FindWindowExW(browser, child, L"Static", nullptr)) {
        promptShown |= Text(child) == "モノクロ画像の振り分け先フォルダを選択して下さい。";
    }
    EXPECT_TRUE(promptShown);
    // It opens on the folder already in the field.
    const HWND tree = FindWindowExW(browser, nullptr, L"SysTreeView32", nullptr);
    EXPECT_TRUE(WaitFor([&] { return SelectedTreeItem(tree) == "振り分け先"; }))
        << SelectedTreeItem(tree);
    Screenshot(browser, "folder-browser");
    PostMessageW(browser, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(browser); }));
    EXPECT_EQ(folder, Settings.DST_DIR_MONO);
    EXPECT_EQ(folder, ItemText(page, IDC_DST_DIR_MONO));
    SetCheck(page, IDC_DST_SUBDIR, true);
}

TEST(ResetToDefaults, AnsweredNoChangesNothing) {
    const HWND judgment = ShowPage(kJudgment);
    Type(judgment, IDC_THRESHOLD_GS, "42");
    const HWND other = ShowPage(kOther);
    PressButton(other, IDC_RESET);
    const MessageBoxSeen box = WaitForMessageBox();
    ASSERT_NE(nullptr, box.window);
    EXPECT_EQ("設定をデフォルトの状態に戻しますがいいですか？", box.text);
    EXPECT_EQ("Pallidor", box.caption);
    EXPECT_EQ("question", box.icon);
    Answer(box, IDNO);
    EXPECT_EQ(42, Settings.THRESHOLD_GS);
}

TEST(ResetToDefaults, WithoutASettingsFileShowsTheDeletionFailure) {
    std::error_code ignored;
    std::filesystem::remove(SettingsFilePath, ignored);
    const HWND other = ShowPage(kOther);
    PressButton(other, IDC_RESET);
    MessageBoxSeen box = WaitForMessageBox();
    ASSERT_NE(nullptr, box.window);
    Answer(box, IDYES);
    box = WaitForMessageBox();
    ASSERT_NE(nullptr, box.window);
    EXPECT_EQ("設定ファイルの削除に失敗しました。\n\n" + platform::PathToUtf8(SettingsFilePath), box.text);
    EXPECT_EQ("Pallidor", box.caption);
    EXPECT_EQ("error", box.icon);
    Answer(box, IDOK);
    EXPECT_EQ(42, Settings.THRESHOLD_GS);
}

TEST(ResetToDefaults, AnsweredYesRefreshesEveryPageShown) {
    const HWND judgment = ShowPage(kJudgment);
    ClickCheckBox(judgment, IDC_ONLY_GRAYSCALE);
    ClickCheckBox(judgment, IDC_PERCEPTUAL);
    ASSERT_EQ(1, Settings.IS_PERCEPTUAL_JUDGE);
    const HWND sort = ShowPage(kSort);
    Type(sort, IDC_THREAD_NUM, "3");
    const HWND destination = ShowPage(kDestination);
    ClickCheckBox(destination, IDC_DST_SUBDIR);
    Type(destination, IDC_DST_DIR_MONO, "C:\\mono");
    ASSERT_TRUE(SaveSettings(SheetPrompt));

    const HWND other = ShowPage(kOther);
    PressButton(other, IDC_RESET);
    const MessageBoxSeen box = WaitForMessageBox();
    ASSERT_NE(nullptr, box.window);
    Answer(box, IDYES);
    ASSERT_TRUE(WaitFor([] { return Settings.THREAD_NUM == 16; }));
    EXPECT_TRUE(NoMessageBox());
    EXPECT_FALSE(std::filesystem::exists(SettingsFilePath));

    ExpectDefaultsShown(judgment);
    EXPECT_EQ("16", ItemText(sort, IDC_THREAD_NUM));
    EXPECT_TRUE(IsChecked(sort, IDC_SUBDIRS_TOO));
    EXPECT_TRUE(IsChecked(destination, IDC_DST_SUBDIR));
    EXPECT_EQ("", ItemText(destination, IDC_DST_DIR_MONO));
    ExpectEnabled(destination, {IDC_DST_DIR_MONO, IDC_BROWSE_MONO, IDC_DST_DIR_COLOR, IDC_BROWSE_COLOR}, false);
    EXPECT_EQ(0, Settings.THRESHOLD_GS);
    EXPECT_EQ("", Settings.DST_DIR_MONO);
    EXPECT_EQ(1, Settings.IS_ONLY_GRAYSCALE);
    EXPECT_EQ(0, Settings.IS_PERCEPTUAL_JUDGE);
}

TEST(ResetToDefaults, DuringARunDoesNothing) {
    RunBusy = true;
    PressButton(ShowPage(kOther), IDC_RESET);
    Sleep(300);
    EXPECT_TRUE(NoMessageBox());
    RunBusy = false;
}
