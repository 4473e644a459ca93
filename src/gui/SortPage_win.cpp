#include <windows.h>
#include <commctrl.h>

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

INT_PTR OnCommand(HWND hwnd, int id, int code) {
    if (!PageReady) return FALSE;
    switch (id) {
    case IDC_THREAD_NUM:
        if (code != EN_UPDATE) return FALSE;
        Settings.THREAD_NUM = ThreadNumFromText(ReadItemText(hwnd, id, kNumberBuffer));
        return TRUE;
    case IDC_SUBDIRS_TOO:
        Settings.IS_SUBDIRS_TOO = IsDlgButtonChecked(hwnd, id) == BST_CHECKED ? 1 : 0;
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

void RefreshSortPage(HWND page) {
    if (page != nullptr) RememberedPage = page;
    const HWND hwnd = RememberedPage;
    SendDlgItemMessageW(hwnd, IDC_THREAD_NUM_SPIN, UDM_SETRANGE32, 1, 32767);
    ShowSpinValue(hwnd, IDC_THREAD_NUM_SPIN, IDC_THREAD_NUM, Settings.THREAD_NUM);
    CheckDlgButton(hwnd, IDC_SUBDIRS_TOO, CheckState(Settings.IS_SUBDIRS_TOO != 0));
}

INT_PTR CALLBACK SortPageProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_INITDIALOG:
        return StartSettingsPage(hwnd, lp, RefreshSortPage, PageReady);
    case WM_DROPFILES:
        return StartSortRun(reinterpret_cast<HDROP>(wp));
    case WM_COMMAND:
        return OnCommand(hwnd, LOWORD(wp), HIWORD(wp));
    default:
        return FALSE;
    }
}
