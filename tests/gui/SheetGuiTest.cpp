#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
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

RECT ScreenRect(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

RECT ClientOnScreen(HWND window) {
    RECT rect;
    GetClientRect(window, &rect);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool Contains(const RECT& outer, const RECT& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
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
    const HWND formats = FindWindowExW(description, FindWindowExW(description, nullptr, L"Static", nullptr), L"Static", nullptr);
    EXPECT_EQ("対応している形式: PNG、GIF、BMP、JPEG、TIFF、WebP", Text(formats));
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

// The resolution the runner asked Wine for (96 unless told otherwise) is the one the program
// sees: it declares itself DPI-aware, so the system neither lies to it nor stretches it.
TEST(Display, TheProgramSeesTheResolutionTheDisplayHas) {
    const char* asked = std::getenv("PALLIDOR_GUI_DPI");
    EXPECT_EQ(asked != nullptr ? std::atoi(asked) : 96, ScreenDpi());
    EXPECT_TRUE(IsProcessDPIAware());
}

// Every page lies inside the tab control's page area and the sheet's client area, and every
// control inside its page: nothing is cut off at the right or the bottom.
TEST(MainSheet, EveryControlOfEveryPageIsWhole) {
    const auto tabs = reinterpret_cast<HWND>(SendMessageW(Sheet(), PSM_GETTABCONTROL, 0, 0));
    for (int index = 0; index < 5; ++index) {
        const HWND page = ShowPage(index);
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(page) != FALSE; })) << index;
        RECT area = ClientOnScreen(tabs);
        SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
        const RECT pageRect = ScreenRect(page);
        EXPECT_TRUE(Contains(area, pageRect)) << index << ": page " << Describe(pageRect) << " area " << Describe(area);
        EXPECT_TRUE(Contains(ClientOnScreen(Sheet()), pageRect)) << index;
        const RECT client = ClientOnScreen(page);
        std::vector<HWND> controls;
        EnumChildWindows(page, CollectChild, reinterpret_cast<LPARAM>(&controls));
        EXPECT_FALSE(controls.empty()) << index;
        for (const HWND control : controls) {
            const RECT rect = ScreenRect(control);
            EXPECT_TRUE(Contains(client, rect)) << index << ": control " << GetDlgCtrlID(control) << " \"" << Text(control)
                                                << "\" " << Describe(rect) << " page " << Describe(client);
        }
    }
    // Still on a screen of 1024 by 768 at 96 DPI, and of as much more as the resolution is.
    const RECT sheet = ScreenRect(Sheet());
    EXPECT_LE(sheet.right - sheet.left, Scaled(1024));
    EXPECT_LE(sheet.bottom - sheet.top, Scaled(768));
    ShowPage(kDescription);
}

void PrepareForClose() {
    const HWND sort = ShowPage(kSort);
    Type(sort, IDC_THREAD_NUM, "7");
    const HWND destination = ShowPage(kDestination);
    Type(destination, IDC_DST_DIR_COLOR, "C:\\カラー");
    const HWND judgment = ShowPage(kJudgment);
    if (!IsChecked(judgment, IDC_PERCEPTUAL)) ClickCheckBox(judgment, IDC_PERCEPTUAL);
}

TEST(AfterClose, ClosingTheSheetSavedTheEditsSinceTheLastRun) {
    EXPECT_EQ(nullptr, Sheet());
    EXPECT_EQ(7, platform::ProfileReadInt("SORT", "THREAD_NUM", 0, SettingsFilePath));
    EXPECT_EQ("C:\\カラー", platform::ProfileReadText("DESTINATION", "DST_DIR_COLOR", "", SettingsFilePath));
    EXPECT_EQ(1, platform::ProfileReadInt("JUDGMENT", "IS_PERCEPTUAL_JUDGE", 0, SettingsFilePath));
}
