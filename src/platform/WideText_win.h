// UTF-8 <-> UTF-16 for Win32 calls, which take wchar_t (16 bits on Windows).
#pragma once

#include <string>

#include "platform/Text.h"

namespace platform {

// Both ways lossless: whatever Windows gives, an unpaired surrogate in a file name included,
// comes back the same (see Utf16ToWtf8).
inline std::wstring Widen(const std::string& text) {
    const std::u16string wide = Wtf8ToUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}

inline std::string Narrow(const std::wstring& text) {
    return Utf16ToWtf8(std::u16string(text.begin(), text.end()));
}

}  // namespace platform
