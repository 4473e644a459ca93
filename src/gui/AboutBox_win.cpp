#include <windows.h>
#include <shellapi.h>

#include <new>
#include <string>

#include "gui/App_win.h"
#include "res/resource.h"

namespace {

constexpr COLORREF kIdleColour = RGB(0, 0, 255);
constexpr COLORREF kHoverColour = RGB(255, 0, 0);
constexpr wchar_t kLinkPrefix[] = L"URL : ";
// The picture's size in pixels at the resolution of 96 DPI.
constexpr int kPictureSize = 128;
constexpr int kBaseDpi = 96;

// What the box creates and borrows while it is open; kept in the box's GWLP_USERDATA.
struct AboutState {
    HWND link = nullptr;
    COLORREF linkColour = kIdleColour;
    HBRUSH background = nullptr;
    HFONT normalFont = nullptr;      // the dialog's, borrowed
    HFONT underlinedFont = nullptr;  // ours
    WNDPROC priorLinkProc = nullptr;
    HCURSOR hand = nullptr;          // shared system cursor, never destroyed
    HICON picture = nullptr;         // ours: the picture at the display's resolution
};

AboutState* StateOf(HWND dialog) {
    return reinterpret_cast<AboutState*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
}

void ShowLink(AboutState& state, COLORREF colour, HFONT font) {
    state.linkColour = colour;
    SendMessageW(state.link, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void ReturnToIdle(AboutState& state) {
    ShowLink(state, kIdleColour, state.normalFont);
    ReleaseCapture();
}

// The link sees the pointer leave because it holds the capture while hovered.
LRESULT CALLBACK LinkProc(HWND link, UINT message, WPARAM wp, LPARAM lp) {
    AboutState* found = StateOf(GetParent(link));
    if (found == nullptr) return DefWindowProcW(link, message, wp, lp);
    AboutState& state = *found;
    if (message == WM_MOUSEMOVE) {
        if (GetCapture() == nullptr) {
            ShowLink(state, kHoverColour, state.underlinedFont);
            SetCapture(link);
        }
        RECT client;
        GetClientRect(link, &client);
        const POINT pointer{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        if (!PtInRect(&client, pointer)) ReturnToIdle(state);
    } else if (message == WM_SETCURSOR) {
        // Only the link shows a hand; changing the class cursor would give every static text
        // of the process a hand for the rest of its life.
        SetCursor(state.hand);
        return TRUE;
    }
    return CallWindowProcW(state.priorLinkProc, link, message, wp, lp);
}

// The sheet sets its icon on its window, not on its class; take the small one it shows.
HICON SheetIcon() {
    const HWND sheet = MainSheetWindow.load();
    if (sheet == nullptr) return nullptr;
    auto icon = reinterpret_cast<HICON>(SendMessageW(sheet, WM_GETICON, ICON_SMALL, 0));
    if (icon == nullptr) icon = reinterpret_cast<HICON>(SendMessageW(sheet, WM_GETICON, ICON_BIG, 0));
    if (icon == nullptr) icon = reinterpret_cast<HICON>(GetClassLongPtrW(sheet, GCLP_HICON));
    return icon;
}

// The static control that shows the picture: the box's only icon control.
HWND PictureControl(HWND dialog) {
    for (HWND child = FindWindowExW(dialog, nullptr, L"Static", nullptr); child != nullptr;
         child = FindWindowExW(dialog, child, L"Static", nullptr)) {
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return child;
    }
    return nullptr;
}

// The template's control shows the icon at its own 128 pixels whatever the resolution, while
// the box around it grows with its font: at 144 DPI the picture is drawn 192 pixels wide, so
// it keeps its place in the box.
HICON ShowPictureAtDisplayResolution(HWND dialog) {
    const HWND control = PictureControl(dialog);
    if (control == nullptr) return nullptr;
    const HDC dc = GetDC(dialog);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(dialog, dc);
    const int size = MulDiv(kPictureSize, dpi, kBaseDpi);
    const auto picture = static_cast<HICON>(
        LoadImageW(InstanceHandle, MAKEINTRESOURCEW(IDI_ABOUT), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    // The template's icon was loaded shared and stays with the system.
    if (picture != nullptr) SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(picture), 0);
    return picture;
}

INT_PTR OnInitDialog(HWND hwnd) {
    auto* state = new (std::nothrow) AboutState;
    if (state == nullptr) {
        EndDialog(hwnd, 1);
        return TRUE;
    }
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(SheetIcon()));
    state->link = GetDlgItem(hwnd, IDC_LINK);
    state->background = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    state->normalFont = reinterpret_cast<HFONT>(SendMessageW(state->link, WM_GETFONT, 0, 0));
    LOGFONTW description{};
    GetObjectW(state->normalFont, sizeof description, &description);
    description.lfUnderline = TRUE;
    state->underlinedFont = CreateFontIndirectW(&description);
    state->hand = static_cast<HCURSOR>(LoadImageW(nullptr, MAKEINTRESOURCEW(32649), IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
    state->priorLinkProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(state->link, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LinkProc)));
    state->linkColour = kIdleColour;
    state->picture = ShowPictureAtDisplayResolution(hwnd);
    return TRUE;
}

INT_PTR OnCtlColorStatic(HWND hwnd, HDC dc, HWND control) {
    AboutState* state = StateOf(hwnd);
    if (state == nullptr || control != state->link) return FALSE;
    SetTextColor(dc, state->linkColour);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(state->background);
}

// The address is the link's own text after its prefix, so what is shown is what is opened.
void OpenHomePage(HWND link) {
    const int length = GetWindowTextLengthW(link);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(link, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    const std::size_t prefix = std::char_traits<wchar_t>::length(kLinkPrefix);
    const std::wstring address = text.compare(0, prefix, kLinkPrefix) == 0 ? text.substr(prefix) : text;
    ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

INT_PTR OnCommand(HWND hwnd, int id, int code) {
    AboutState* state = StateOf(hwnd);
    switch (id) {
    case IDOK:
        EndDialog(hwnd, 1);
        return TRUE;
    case IDC_LINK:
        if (code == STN_CLICKED && state != nullptr) {
            ReturnToIdle(*state);
            OpenHomePage(state->link);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

void OnDestroy(HWND hwnd) {
    AboutState* state = StateOf(hwnd);
    if (state == nullptr) return;
    SetWindowLongPtrW(state->link, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(state->priorLinkProc));
    DeleteObject(state->background);
    DeleteObject(state->underlinedFont);
    if (state->picture != nullptr) DestroyIcon(state->picture);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    delete state;
}

}  // namespace

INT_PTR CALLBACK AboutBoxProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(hwnd);
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(hwnd, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_ACTIVATE:
        if (LOWORD(wp) != WA_INACTIVE && StateOf(hwnd) != nullptr) ReturnToIdle(*StateOf(hwnd));
        return FALSE;
    case WM_COMMAND:
        return OnCommand(hwnd, LOWORD(wp), HIWORD(wp));
    case WM_CLOSE:
        EndDialog(hwnd, 1);
        return TRUE;
    case WM_DESTROY:
        OnDestroy(hwnd);
        return FALSE;
    default:
        return FALSE;
    }
}
