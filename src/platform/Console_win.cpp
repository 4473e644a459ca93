#include "platform/Console.h"

#include <windows.h>
// after windows.h, whose types it uses
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>

#include "platform/WideText_win.h"

namespace platform {

namespace {

UINT SavedOutputCodePage = 0;

void RestoreOutputCodePage() { SetConsoleOutputCP(SavedOutputCodePage); }

}  // namespace

std::vector<std::string> CommandLineArguments(int, char**) {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(Narrow(wide[i]));
    LocalFree(wide);
    return arguments;
}

void PrepareConsoleOutput() {
    // Binary mode: lines end in a line feed as on POSIX, and the bytes of UTF-8 text go out as
    // they are instead of being taken for the code page's characters.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // A console shows those bytes as UTF-8 only under that code page. It belongs to the console,
    // not to us, so the user's own is put back when the program ends.
    DWORD mode = 0;
    if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) ||
        GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode)) {
        SavedOutputCodePage = GetConsoleOutputCP();
        if (SavedOutputCodePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
            std::atexit(RestoreOutputCodePage);
        }
    }
}

std::string ReadStandardInput() {
    // Binary mode: a NUL-separated list keeps its bytes, and CR LF its CR for the caller to drop.
    _setmode(_fileno(stdin), _O_BINARY);
    std::string bytes;
    char buffer[1 << 16];
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, stdin);
        if (got == 0) return bytes;
        bytes.append(buffer, got);
    }
}

// A console, not merely a character device: the NUL device is one too, but nobody answers there.
bool StandardInputIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != FALSE;
}

bool StandardErrorIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != FALSE;
}

}  // namespace platform
