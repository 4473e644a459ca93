// Control texts in UTF-8, read through fixed buffers where the cut is part of the behaviour.
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
