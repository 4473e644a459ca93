#include "platform/ScratchFile.h"

#include <windows.h>

#include <string>

namespace platform {

bool MakeScratchFile(const void* data, std::size_t size, ScratchFile& file) {
    file = ScratchFile{};
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) return false;
    wchar_t name[MAX_PATH + 1];
    // Makes the file with a unique name, so no other caller can take it.
    if (GetTempFileNameW(folder, L"pal", 0, name) == 0) return false;
    HANDLE handle = CreateFileW(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                FILE_ATTRIBUTE_TEMPORARY, nullptr);
    bool written = handle != INVALID_HANDLE_VALUE;
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (written && size > 0) {
        const DWORD chunk = size > 0x10000000u ? 0x10000000u : static_cast<DWORD>(size);
        DWORD done = 0;
        written = WriteFile(handle, bytes, chunk, &done, nullptr) && done == chunk;
        bytes += chunk;
        size -= chunk;
    }
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    if (!written) {
        DeleteFileW(name);
        return false;
    }
    file.path = std::filesystem::path(std::wstring(name));
    file.onDisk = true;
    return true;
}

void CloseScratchFile(ScratchFile& file) {
    if (file.onDisk) DeleteFileW(file.path.c_str());
    file = ScratchFile{};
}

}  // namespace platform
