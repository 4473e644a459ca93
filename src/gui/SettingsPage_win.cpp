#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shellapi.h>

#include "gui/SettingsPage_win.h"
#include "gui/PageRules.h"
#include "settings/Settings.h"

void ShowSpinValue(HWND dialog, int spinId, int editId, int value) {
    SendDlgItemMessageW(dialog, spinId, UDM_SETPOS32, 0, value);
    const std::string shown = IntText(value);
    if (ReadItemText(dialog, editId, kNumberBuffer) != shown) WriteItemText(dialog, editId, shown);
}

INT_PTR StartSettingsPage(HWND page, LPARAM initParam, void (*refresh)(HWND), bool& ready) {
    const auto slot = static_cast<std::size_t>(reinterpret_cast<PROPSHEETPAGEW*>(initParam)->lParam);
    PageRefreshTable[slot] = [refresh] { refresh(nullptr); };
    refresh(page);
    DragAcceptFiles(page, TRUE);
    ready = true;
    return TRUE;
}
