#include "sort/SortRun.h"

std::atomic<bool> RunBusy{false};
std::atomic<bool> CancelRequested{false};
std::atomic<std::int32_t> ActiveWorkers{0};
std::mutex WorkerCountLock;
std::condition_variable& WorkerCountChanged = *new std::condition_variable;
std::mutex LogLock;

namespace {

// Never destroyed: workers may still wait at the gate while the process ends.
std::mutex& GateLock = *new std::mutex;
std::condition_variable& GateChanged = *new std::condition_variable;
int MovesUnderWay = 0;
bool Abandoned = false;

}  // namespace

void EnterMoveGate() {
    std::unique_lock<std::mutex> hold(GateLock);
    GateChanged.wait(hold, [] { return !Abandoned; });
    ++MovesUnderWay;
}

void LeaveMoveGate() {
    {
        std::lock_guard<std::mutex> hold(GateLock);
        --MovesUnderWay;
    }
    GateChanged.notify_all();
}

void AbandonAtSafePoint() {
    std::unique_lock<std::mutex> hold(GateLock);
    Abandoned = true;
    GateChanged.wait(hold, [] { return MovesUnderWay == 0; });
}
