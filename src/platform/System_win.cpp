#include "platform/System.h"

#include <windows.h>

#include <vector>

#include "platform/WideText_win.h"

namespace platform {

bool ModuleFilePath(std::filesystem::path& path) {
    // MAX_PATH is no limit for long-path-aware processes; grow until the name fits.
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
        if (length == 0) return false;
        if (length < size) {
            path = std::filesystem::path(std::wstring(buffer.data(), length));
            return true;
        }
        if (buffer.size() >= 32768) return false;  // the longest path Windows has
        buffer.resize(buffer.size() * 2);
    }
}

bool LogonUserName(std::string& name) {
    std::vector<wchar_t> buffer(128);
    DWORD size = static_cast<DWORD>(buffer.size());
    if (!GetUserNameW(buffer.data(), &size)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
        buffer.resize(size);  // size now counts the terminator too
        if (!GetUserNameW(buffer.data(), &size)) return false;
    }
    name = Narrow(std::wstring(buffer.data()));
    return true;
}

}  // namespace platform
