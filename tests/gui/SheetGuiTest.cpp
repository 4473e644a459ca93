#include <gtest/gtest.h>

#include <vector>

#include "settings/Settings.h"
#include "gui/GuiDriver.h"
#include "gui/GuiTest.h"
#include "platform/Profile.h"
#include "platform/WideText_win.h"
#include "res/resource.h"

using namespace gui;

namespace {

std::vector<std::string> TabTitles() {
    const auto tabs = reinterpret_cast<HWND>(SendMessageW(Sheet(), PSM_GETTABCONTROL, 0, 0));
    std::vector<std::string> titles;
    const auto count = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t title[128] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = title;
        item.cchTextMax = 128;
        SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        titles.push_back(platform::Narrow(title));
    }
    return titles;
}

bool ButtonShows(int id) {
    const HWND button = GetDlgItem(Sheet(), id);
    return button != nullptr && IsWindowVisible(button);
}

}  // namespace

TEST(MainSheet, ShowsFiveTitledTabsStartingOnTheDescription) {
    EXPECT_EQ((std::vector<std::string>{"説明", "振り分け", "判定", "振分先フォルダ", "その他"}), TabTitles());
    EXPECT_EQ(0, StartPageIndex);
    EXPECT_EQ("Pallidor", Text(Sheet()));
    const HWND description = ShowPage(kDescription);
    EXPECT_EQ("ここへ、モノクロとカラーに振り分けたい\nファイルやフォルダをドラッグアンドドロップして下さい。",
              Text(FindWindowExW(description, nullptr, L"Static", nullptr)));
}

TEST(MainSheet, HasNoButtonsAndNoContextHelp) {
    EXPECT_FALSE(ButtonShows(IDOK));
    EXPECT_FALSE(ButtonShows(IDCANCEL));
    EXPECT_FALSE(ButtonShows(IDHELP));
    EXPECT_FALSE(ButtonShows(0x3021));  // the sheet's Apply button
    EXPECT_EQ(0, GetWindowLongW(Sheet(), GWL_EXSTYLE) & WS_EX_CONTEXTHELP);
}

TEST(MainSheet, EveryPageIsShownAndPhotographed) {
    const char* names[] = {"page-0-description", "page-1-sort", "page-2-judgment", "page-3-destination",
                           "page-4-other"};
    for (int index = 0; index < 5; ++index) {
        const HWND page = ShowPage(index);
        ASSERT_NE(nullptr, page) << index;
        EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(page) != FALSE; })) << index;
        Screenshot(Sheet(), names[index]);
    }
    ShowPage(kDescription);
}

void PrepareForClose() {
    const HWND sort = ShowPage(kSort);
    Type(sort, IDC_THREAD_NUM, "7");
    const HWND destination = ShowPage(kDestination);
    Type(destination, IDC_DST_DIR_COLOR, "C:\\カラー");
}

TEST(AfterClose, ClosingTheSheetSavedTheEditsSinceTheLastRun) {
    EXPECT_EQ(nullptr, Sheet());
    EXPECT_EQ(7, platform::ProfileReadInt("SORT", "THREAD_NUM", 0, SettingsFilePath));
    EXPECT_EQ("C:\\カラー", platform::ProfileReadText("DESTINATION", "DST_DIR_COLOR", "", SettingsFilePath));
}
