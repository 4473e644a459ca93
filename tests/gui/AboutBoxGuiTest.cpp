#include <gtest/gtest.h>

#include "gui/App_win.h"
#include "gui/GuiDriver.h"
#include "gui/GuiTest.h"
#include "res/resource.h"

using namespace gui;

namespace {

HWND OpenAboutBox() {
    PressButton(ShowPage(kOther), IDC_ABOUT);
    HWND box = nullptr;
    WaitFor([&] {
        const auto found = DialogsCaptioned("バージョン情報");
        if (!found.empty()) box = found.front();
        return box != nullptr;
    });
    // Its activation returns the link to idle; let that pass before the pointer moves.
    WaitFor([&] { return GetForegroundWindow() == box; });
    Sleep(100);
    return box;
}

void CloseAboutBox(HWND box) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    WaitFor([&] { return !IsWindow(box) && !AboutBoxOpen; });
}

// What the box gives the link to draw with: its text colour and its brush.
struct LinkLook {
    COLORREF colour;
    HBRUSH brush;
    bool underlined;
};

LinkLook LookOf(HWND box) {
    const HWND link = Item(box, IDC_LINK);
    const HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(box, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                             reinterpret_cast<LPARAM>(link)));
    const COLORREF colour = GetTextColor(dc);
    DeleteDC(dc);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(link, WM_GETFONT, 0, 0)), sizeof font, &font);
    return {colour, brush, font.lfUnderline != 0};
}

void MovePointer(HWND link, int x, int y) { SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }

int FontHeight(HWND window) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfHeight;
}

// Width and height of the icon an icon control shows, in pixels.
SIZE IconSize(HWND control) {
    const auto icon = reinterpret_cast<HICON>(SendMessageW(control, STM_GETICON, 0, 0));
    ICONINFO info{};
    SIZE size{0, 0};
    if (icon == nullptr || !GetIconInfo(icon, &info)) return size;
    BITMAP bitmap{};
    GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    size = {bitmap.bmWidth, info.hbmColor != nullptr ? bitmap.bmHeight : bitmap.bmHeight / 2};
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return size;
}

HWND PictureOf(HWND box) {
    for (HWND child = FindWindowExW(box, nullptr, L"Static", nullptr); child != nullptr;
         child = FindWindowExW(box, child, L"Static", nullptr)) {
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return child;
    }
    return nullptr;
}

}  // namespace

TEST(AboutBox, ShowsNameVersionAndAddress) {
    const HWND box = OpenAboutBox();
    ASSERT_NE(nullptr, box);
    EXPECT_TRUE(AboutBoxOpen);
    EXPECT_FALSE(IsWindowEnabled(Sheet()));
    EXPECT_EQ("URL : https://pallidor.example/", ItemText(box, IDC_LINK));
    EXPECT_NE(nullptr, FindWindowExW(box, nullptr, L"Static", L"Pallidor\nVersion 1.00"));
    Screenshot(box, "about-box");
    CloseAboutBox(box);
    EXPECT_TRUE(IsWindowEnabled(Sheet()));
}

// The picture is 128 pixels at 96 DPI and grows with the resolution, as the box around it
// does; the link's two fonts are the box's 10 points at the display's resolution.
TEST(AboutBox, PictureAndLinkFollowTheResolution) {
    const HWND box = OpenAboutBox();
    ASSERT_NE(nullptr, box);
    const HWND picture = PictureOf(box);
    ASSERT_NE(nullptr, picture);
    const SIZE size = IconSize(picture);
    EXPECT_EQ(Scaled(128), size.cx);
    EXPECT_EQ(Scaled(128), size.cy);
    RECT shown;
    GetClientRect(picture, &shown);
    EXPECT_GE(shown.right, size.cx);
    const HWND link = Item(box, IDC_LINK);
    const int tenPoints = -MulDiv(10, ScreenDpi(), 72);
    EXPECT_EQ(tenPoints, FontHeight(link));
    MovePointer(link, 3, 3);
    EXPECT_TRUE(LookOf(box).underlined);
    EXPECT_EQ(tenPoints, FontHeight(link));
    MovePointer(link, -5, 3);
    CloseAboutBox(box);
    EXPECT_TRUE(IsWindowEnabled(Sheet()));
}

TEST(AboutBox, LinkTurnsRedAndUnderlinedUnderThePointerAndBackWhenItLeaves) {
    const HWND box = OpenAboutBox();
    ASSERT_NE(nullptr, box);
    const HWND link = Item(box, IDC_LINK);
    LinkLook look = LookOf(box);
    EXPECT_EQ(RGB(0, 0, 255), look.colour);
    EXPECT_FALSE(look.underlined);
    EXPECT_NE(nullptr, look.brush);

    MovePointer(link, 3, 3);
    look = LookOf(box);
    EXPECT_EQ(RGB(255, 0, 0), look.colour);
    EXPECT_TRUE(look.underlined);
    Screenshot(box, "about-box-hovered");

    MovePointer(link, -5, 3);
    look = LookOf(box);
    EXPECT_EQ(RGB(0, 0, 255), look.colour);
    EXPECT_FALSE(look.underlined);

    // Other statics keep the default colours.
    const HWND title = FindWindowExW(box, nullptr, L"Static", L"Pallidor\nVersion 1.00");
    const HDC dc = CreateCompatibleDC(nullptr);
    SendMessageW(box, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(title));
    EXPECT_NE(RGB(0, 0, 255), GetTextColor(dc));
    EXPECT_NE(RGB(255, 0, 0), GetTextColor(dc));
    DeleteDC(dc);
    CloseAboutBox(box);
}

TEST(AboutBox, EscapeDoesNotCloseItAndTheCloseBoxDoes) {
    const HWND box = OpenAboutBox();
    ASSERT_NE(nullptr, box);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    Sleep(300);
    EXPECT_TRUE(IsWindow(box));
    PostMessageW(box, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box) && !AboutBoxOpen; }));
}

TEST(AboutBox, ASecondClickOpensNothingMore) {
    const HWND box = OpenAboutBox();
    ASSERT_NE(nullptr, box);
    PressButton(ShowPage(kOther), IDC_ABOUT);
    Sleep(500);
    EXPECT_EQ(1u, DialogsCaptioned("バージョン情報").size());
    CloseAboutBox(box);
}

TEST(AboutBox, BrushAndUnderlinedFontAreDeletedOnEveryClose) {
    for (int opening = 0; opening < 20; ++opening) {
        const HWND box = OpenAboutBox();
        ASSERT_NE(nullptr, box);
        MovePointer(Item(box, IDC_LINK), 3, 3);
        const LinkLook look = LookOf(box);
        const auto underlined = reinterpret_cast<HGDIOBJ>(SendMessageW(Item(box, IDC_LINK), WM_GETFONT, 0, 0));
        MovePointer(Item(box, IDC_LINK), -5, 3);
        const auto normal = reinterpret_cast<HGDIOBJ>(SendMessageW(Item(box, IDC_LINK), WM_GETFONT, 0, 0));
        CloseAboutBox(box);
        EXPECT_EQ(0u, GetObjectType(look.brush)) << opening;
        EXPECT_EQ(0u, GetObjectType(underlined)) << opening;
        // The dialog's own font is borrowed, not ours to delete.
        EXPECT_NE(underlined, normal);
    }
}
