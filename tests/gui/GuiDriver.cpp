#include "gui/GuiDriver.h"

#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <fstream>
#include <thread>

#include "gui/App_win.h"
#include "gui/PageRules.h"
#include "platform/WideText_win.h"

namespace gui {

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

HWND Sheet() { return MainSheetWindow.load(); }

HWND ShowPage(int index) {
    SendMessageW(Sheet(), PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    return reinterpret_cast<HWND>(SendMessageW(Sheet(), PSM_INDEXTOHWND, static_cast<WPARAM>(index), 0));
}

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }

std::string Text(HWND window) {
    wchar_t buffer[2048] = {};
    GetWindowTextW(window, buffer, 2048);
    return platform::Narrow(buffer);
}

std::string ItemText(HWND dialog, int id) { return Text(Item(dialog, id)); }

bool IsEnabled(HWND dialog, int id) { return IsWindowEnabled(Item(dialog, id)) != FALSE; }

bool IsChecked(HWND dialog, int id) {
    return SendMessageW(Item(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Type(HWND dialog, int id, const std::string& text) {
    const HWND edit = Item(dialog, id);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_CLEAR, 0, 0);
    for (const wchar_t c : platform::Widen(text)) SendMessageW(edit, WM_CHAR, c, 1);
}

void ClickCheckBox(HWND dialog, int id) { SendMessageW(Item(dialog, id), BM_CLICK, 0, 0); }

void PressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(dialog, id)));
}

void ClickSpin(HWND dialog, int id, bool up) {
    const HWND spin = Item(dialog, id);
    RECT rect;
    GetClientRect(spin, &rect);
    const LPARAM at = MAKELPARAM((rect.right - rect.left) / 2, up ? rect.bottom / 4 : rect.bottom * 3 / 4);
    SendMessageW(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(spin, WM_LBUTTONUP, 0, at);
}

namespace {

std::string ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return platform::Narrow(name);
}

bool OursAndVisible(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId() && IsWindowVisible(window);
}

// Enumeration callbacks are named functions: on i686 they must be stdcall, which a lambda is not.
BOOL CALLBACK CollectDialog(HWND window, LPARAM list) {
    if (OursAndVisible(window) && ClassOf(window) == "#32770") {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    }
    return TRUE;
}

std::vector<HWND> TopLevelDialogs() {
    std::vector<HWND> found;
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string IconName(HICON icon) {
    if (icon == nullptr) return "none";
    if (icon == LoadIconW(nullptr, IDI_ERROR)) return "error";
    if (icon == LoadIconW(nullptr, IDI_QUESTION)) return "question";
    if (icon == LoadIconW(nullptr, IDI_WARNING)) return "warning";
    if (icon == LoadIconW(nullptr, IDI_INFORMATION)) return "information";
    return "other";
}

// A message box is a dialog whose children are static texts, an icon and buttons only; the
// program's own dialogs all hold some other control.
struct BoxScan {
    bool onlyBoxControls = true;
    HICON icon = nullptr;
    std::string text;
};

BOOL CALLBACK ScanBoxControl(HWND child, LPARAM data) {
    auto& scan = *reinterpret_cast<BoxScan*>(data);
    const std::string kind = ClassOf(child);
    if (kind == "Static") {
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if ((style & SS_TYPEMASK) == SS_ICON) {
            scan.icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        } else if (IsWindowVisible(child)) {
            scan.text += Text(child);
        }
    } else if (kind != "Button") {
        scan.onlyBoxControls = false;
    }
    return TRUE;
}

bool ReadMessageBox(HWND window, MessageBoxSeen& seen) {
    BoxScan scan;
    EnumChildWindows(window, ScanBoxControl, reinterpret_cast<LPARAM>(&scan));
    // The About box is made of the same kinds of control.
    if (!scan.onlyBoxControls || scan.text.empty() || Text(window) == "バージョン情報") return false;
    seen.window = window;
    seen.caption = Text(window);
    seen.text = scan.text;
    seen.icon = IconName(scan.icon);
    return true;
}

}  // namespace

MessageBoxSeen WaitForMessageBox(std::chrono::milliseconds timeout) {
    MessageBoxSeen seen;
    WaitFor(
        [&] {
            for (const HWND dialog : TopLevelDialogs()) {
                if (ReadMessageBox(dialog, seen)) return true;
            }
            return false;
        },
        timeout);
    return seen;
}

void Answer(const MessageBoxSeen& box, int button) {
    PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    WaitFor([&] { return !IsWindow(box.window); });
}

bool NoMessageBox() {
    MessageBoxSeen seen;
    for (const HWND dialog : TopLevelDialogs()) {
        if (ReadMessageBox(dialog, seen)) return false;
    }
    return true;
}

std::vector<HWND> DialogsCaptioned(const std::string& caption) {
    std::vector<HWND> found;
    for (const HWND dialog : TopLevelDialogs()) {
        if (Text(dialog) == caption) found.push_back(dialog);
    }
    return found;
}

HGLOBAL Drop(HWND target, const std::vector<std::filesystem::path>& paths) {
    std::wstring names;
    for (const auto& path : paths) {
        names += path.wstring();
        names += L'\0';
    }
    names += L'\0';
    const std::size_t bytes = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    auto* header = static_cast<DROPFILES*>(GlobalLock(block));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
    GlobalUnlock(block);
    PostMessageW(target, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
    return block;
}

void Screenshot(HWND window, const std::string& name) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    RECT rect;
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    const int stride = (width * 3 + 3) / 4 * 4;
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    void* bits = nullptr;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * height);
    const std::filesystem::path folder = ExecutableFolder() / "screenshots";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const std::string suffix = ScreenDpi() == 96 ? "" : "-" + std::to_string(ScreenDpi()) + "dpi";
    std::ofstream out(folder / (name + suffix + ".bmp"), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(stride) * height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

int ScreenDpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

int Scaled(int pixelsAt96) { return MulDiv(pixelsAt96, ScreenDpi(), 96); }

void RestoreSettings(const SettingsRecord& settings) {
    Settings = settings;
    for (const PageRefresh& refresh : PageRefreshTable) {
        if (refresh) refresh();
    }
}

std::filesystem::path ExecutableFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path();
}

}  // namespace gui
