#include <windows.h>
#include <commctrl.h>

#include "app/App_win.h"
#include "app/DialogText_win.h"
#include "app/PageRules.h"
#include "app/Settings.h"
#include "res/resource.h"
#include "sort/SortRun_win.h"

namespace {

HWND RememberedPage = nullptr;
// Off until the page's first fill is done, so the notifications of that fill store nothing.
bool PageReady = false;

INT_PTR OnInitDialog(HWND hwnd, LPARAM lp) {
    const auto slot = static_cast<std::size_t>(reinterpret_cast<PROPSHEETPAGEW*>(lp)->lParam);
    PageRefreshTable[slot] = [] { RefreshSortPage(nullptr); };
    RefreshSortPage(hwnd);
    DragAcceptFiles(hwnd, TRUE);
    PageReady = true;
    return TRUE;
}

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
    SendDlgItemMessageW(hwnd, IDC_THREAD_NUM_SPIN, UDM_SETPOS32, 0, Settings.THREAD_NUM);
    // The up-down holds 1 to 32767 only and does not rewrite an unchanged position; the edit
    // shows the field itself, so what it shows is what a text update stores back.
    const std::string shown = IntText(Settings.THREAD_NUM);
    if (ReadItemText(hwnd, IDC_THREAD_NUM, kNumberBuffer) != shown) WriteItemText(hwnd, IDC_THREAD_NUM, shown);
    CheckDlgButton(hwnd, IDC_SUBDIRS_TOO, CheckState(Settings.IS_SUBDIRS_TOO != 0));
}

INT_PTR CALLBACK SortPageProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(hwnd, lp);
    case WM_DROPFILES:
        return StartSortRun(reinterpret_cast<HDROP>(wp));
    case WM_COMMAND:
        return OnCommand(hwnd, LOWORD(wp), HIWORD(wp));
    default:
        return FALSE;
    }
}
