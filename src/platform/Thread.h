// Detached threads whose creation can fail without an exception.
#pragma once

#include <functional>

namespace platform {

// Runs `body` on a new detached thread with the default stack size. False when the thread
// could not be created; `body` is then not run.
bool StartDetachedThread(std::function<void()> body);

}  // namespace platform
