#include "sort/SortRun.h"

std::atomic<bool> RunBusy{false};
std::atomic<bool> CancelRequested{false};
std::atomic<std::int32_t> ActiveWorkers{0};
std::mutex WorkerCountLock;
std::condition_variable& WorkerCountChanged = *new std::condition_variable;
std::mutex LogLock;
