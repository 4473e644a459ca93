#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include "gui/App_win.h"
#include "gui/SettingsPage_win.h"
#include "gui/PageRules.h"
#include "settings/Settings.h"
#include "res/resource.h"
#include "gui/SortRun_win.h"

namespace {

HWND RememberedPage = nullptr;
// Off until the page's first fill is done, so the notifications of that fill store nothing.
bool PageReady = false;

void EnableFixedDestinations(HWND hwnd) {
    EnableItems(hwnd, {IDC_DST_DIR_MONO, IDC_BROWSE_MONO, IDC_DST_DIR_COLOR, IDC_BROWSE_COLOR},
                FixedDestinationsEnabled(Settings.IS_DST_SUBDIR));
}

void ChooseFolder(HWND hwnd, int editId, std::string& field, const char* prompt) {
    std::string chosen;
    if (!BrowseForFolder(field, chosen, prompt)) return;
    // Through the edit's buffer, so the field gets the same 1023-character cut as typed text.
    WriteItemText(hwnd, editId, chosen);
    field = ReadItemText(hwnd, editId, kPathBuffer);
}

INT_PTR OnCommand(HWND hwnd, int id, int code) {
    if (!PageReady) return FALSE;
    switch (id) {
    case IDC_DST_SUBDIR:
        Settings.IS_DST_SUBDIR = IsDlgButtonChecked(hwnd, id) == BST_CHECKED ? 1 : 0;
        EnableFixedDestinations(hwnd);
        return TRUE;
    case IDC_DST_DIR_MONO:
    case IDC_DST_DIR_COLOR:
        if (code != EN_UPDATE) return FALSE;
        (id == IDC_DST_DIR_MONO ? Settings.DST_DIR_MONO : Settings.DST_DIR_COLOR) =
            ReadItemText(hwnd, id, kPathBuffer);
        return TRUE;
    case IDC_BROWSE_MONO:
        if (!AboutBoxOpen) {
            ChooseFolder(hwnd, IDC_DST_DIR_MONO, Settings.DST_DIR_MONO,
                         "モノクロ画像の振り分け先フォルダを選択して下さい。");
        }
        return TRUE;
    case IDC_BROWSE_COLOR:
        if (!AboutBoxOpen) {
            ChooseFolder(hwnd, IDC_DST_DIR_COLOR, Settings.DST_DIR_COLOR,
                         "カラー画像の振り分け先フォルダを選択して下さい。");
        }
        return TRUE;
    default:
        return FALSE;
    }
}

int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM, LPARAM data) {
    const auto* current = reinterpret_cast<const wchar_t*>(data);
    if (message == BFFM_INITIALIZED && current[0] != L'\0') {
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, data);
    }
    return 0;
}

}  // namespace

void RefreshDestinationPage(HWND page) {
    if (page != nullptr) RememberedPage = page;
    const HWND hwnd = RememberedPage;
    CheckDlgButton(hwnd, IDC_DST_SUBDIR, CheckState(Settings.IS_DST_SUBDIR != 0));
    WriteItemText(hwnd, IDC_DST_DIR_MONO, Settings.DST_DIR_MONO);
    WriteItemText(hwnd, IDC_DST_DIR_COLOR, Settings.DST_DIR_COLOR);
    EnableFixedDestinations(hwnd);
}

INT_PTR CALLBACK DestinationPageProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_INITDIALOG:
        return StartSettingsPage(hwnd, lp, RefreshDestinationPage, PageReady);
    case WM_DROPFILES:
        return StartSortRun(reinterpret_cast<HDROP>(wp));
    case WM_COMMAND:
        return OnCommand(hwnd, LOWORD(wp), HIWORD(wp));
    default:
        return FALSE;
    }
}

bool BrowseForFolder(const std::string& current, std::string& chosen, const std::string& prompt) {
    const std::wstring currentWide = platform::Widen(current);
    const std::wstring promptWide = platform::Widen(prompt);
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW info{};
    info.hwndOwner = MainSheetWindow.load();
    info.pszDisplayName = displayName;
    info.lpszTitle = promptWide.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(currentWide.c_str());

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
    if (item == nullptr) {
        CoUninitialize();
        return false;
    }
    // The shell's own limit for a folder's path; a longer one is refused by the conversion.
    wchar_t path[MAX_PATH] = {};
    const BOOL converted = SHGetPathFromIDListW(item, path);
    CoTaskMemFree(item);
    CoUninitialize();
    if (!converted) return false;
    chosen = platform::Narrow(path);
    return true;
}
