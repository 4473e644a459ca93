#include "image/MemoryBudget.h"

#include <condition_variable>
#include <mutex>

namespace {

std::mutex BudgetLock;
std::condition_variable BudgetFreed;
std::uint64_t BudgetBytes = kDefaultImageMemoryBudget;
std::uint64_t BytesInUse = 0;

}  // namespace

bool ReserveImageMemory(std::uint64_t bytes) {
    std::unique_lock<std::mutex> hold(BudgetLock);
    if (bytes > BudgetBytes) return false;
    // Every holder is a worker that is decoding or judging and will destroy its image, so
    // the wait ends; a worker never holds two images, so no two workers wait on each other.
    BudgetFreed.wait(hold, [bytes] { return BytesInUse + bytes <= BudgetBytes; });
    BytesInUse += bytes;
    return true;
}

bool TryReserveImageMemory(std::uint64_t bytes) {
    std::lock_guard<std::mutex> hold(BudgetLock);
    if (BytesInUse + bytes > BudgetBytes || bytes > BudgetBytes) return false;
    BytesInUse += bytes;
    return true;
}

void ReleaseImageMemory(std::uint64_t bytes) {
    if (bytes == 0) return;
    {
        std::lock_guard<std::mutex> hold(BudgetLock);
        BytesInUse -= bytes;
    }
    // All of them: a large release may let several smaller waiters through at once.
    BudgetFreed.notify_all();
}

void SetImageMemoryBudget(std::uint64_t bytes) {
    {
        std::lock_guard<std::mutex> hold(BudgetLock);
        BudgetBytes = bytes;
    }
    BudgetFreed.notify_all();
}

std::uint64_t ImageMemoryInUse() {
    std::lock_guard<std::mutex> hold(BudgetLock);
    return BytesInUse;
}
