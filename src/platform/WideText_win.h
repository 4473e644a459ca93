// UTF-8 <-> UTF-16 for Win32 calls, which take wchar_t (16 bits on Windows).
#pragma once

#include <string>

#include "platform/Text.h"

namespace platform {

inline std::wstring Widen(const std::string& text) {
    const std::u16string wide = Utf8ToUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}

inline std::string Narrow(const std::wstring& text) {
    return Utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

}  // namespace platform
