#include "platform/Thread.h"

#include <windows.h>

#include <new>

namespace platform {

namespace {

DWORD WINAPI RunBody(void* parameter) {
    auto* body = static_cast<std::function<void()>*>(parameter);
    (*body)();
    delete body;
    return 0;
}

}  // namespace

bool StartDetachedThread(std::function<void()> body) {
    auto* owned = new (std::nothrow) std::function<void()>(std::move(body));
    if (owned == nullptr) return false;
    const HANDLE thread = CreateThread(nullptr, 0, RunBody, owned, 0, nullptr);
    if (thread == nullptr) {
        delete owned;
        return false;
    }
    CloseHandle(thread);  // detached: nobody waits for it
    return true;
}

}  // namespace platform
