// What the three settings pages share: control texts in UTF-8 read through fixed buffers where
// the cut is part of the behaviour, enabling, and the start of a page.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/WideText_win.h"

// The control's text cut to `cchBuffer` - 1 characters, as a read into a buffer of that size.
inline std::string ReadItemText(HWND dialog, int id, int cchBuffer) {
    std::vector<wchar_t> buffer(static_cast<std::size_t>(cchBuffer), L'\0');
    GetDlgItemTextW(dialog, id, buffer.data(), cchBuffer);
    return platform::Narrow(buffer.data());
}

inline void WriteItemText(HWND dialog, int id, const std::string& text) {
    SetDlgItemTextW(dialog, id, platform::Widen(text).c_str());
}

inline void EnableItems(HWND dialog, std::initializer_list<int> ids, bool enable) {
    for (const int id : ids) EnableWindow(GetDlgItem(dialog, id), enable ? TRUE : FALSE);
}

inline int CheckState(bool on) { return on ? BST_CHECKED : BST_UNCHECKED; }

// Numeric edits are read from at most 31 characters.
constexpr int kNumberBuffer = 32;
// Paths from at most 1023.
constexpr int kPathBuffer = 1024;

// Sets an up-down that writes its edit, and makes the edit show `value` itself: the up-down
// does not rewrite an unchanged position (the edit may hold a typed text by then) and cannot
// hold a value beyond its range.
void ShowSpinValue(HWND dialog, int spinId, int editId, int value);

// The start of a settings page, in this order: its refresh operation into its slot of
// PageRefreshTable (the page's index), its first fill, drops, and then `ready`, so the
// notifications of the first fill store nothing.
INT_PTR StartSettingsPage(HWND page, LPARAM initParam, void (*refresh)(HWND), bool& ready);
