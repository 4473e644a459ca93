#include "platform/Thread.h"

#include <pthread.h>

#include <new>

namespace platform {

namespace {

void* RunBody(void* parameter) {
    auto* body = static_cast<std::function<void()>*>(parameter);
    (*body)();
    delete body;
    return nullptr;
}

}  // namespace

bool StartDetachedThread(std::function<void()> body) {
    auto* owned = new (std::nothrow) std::function<void()>(std::move(body));
    if (owned == nullptr) return false;
    pthread_attr_t attributes;
    if (::pthread_attr_init(&attributes) != 0) {
        delete owned;
        return false;
    }
    ::pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    const bool started = ::pthread_create(&thread, &attributes, RunBody, owned) == 0;
    ::pthread_attr_destroy(&attributes);
    if (!started) delete owned;
    return started;
}

}  // namespace platform
