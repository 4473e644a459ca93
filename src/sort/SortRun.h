// The process-wide state of a sorting run.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

// A run is being prepared, runs or is being finished.
extern std::atomic<bool> RunBusy;
// The user asked the run to stop launching workers. Lock-free, so a signal handler may set it.
extern std::atomic<bool> CancelRequested;
// Workers launched and not yet finished.
extern std::atomic<std::int32_t> ActiveWorkers;
// Guards every change of ActiveWorkers together with its progress step.
extern std::mutex WorkerCountLock;
// Notified whenever a worker has given back its slot, so the driver need not wait out a whole
// poll interval to launch the next file or to end the run. Never destroyed: a finished worker
// notifies after its decrement, when the driver may have returned and the process be ending.
extern std::condition_variable& WorkerCountChanged;
// Makes each log line's open, write and close one unit.
extern std::mutex LogLock;

// The part of a file's handling that must not be cut short: its move, its log line and its
// journal's end. A worker enters before it and leaves after; once the run is abandoned, entering
// waits for good (the process is about to end).
void EnterMoveGate();
void LeaveMoveGate();
// Lets no worker start its move any more and waits until every move under way has finished:
// after it the process may end without a half-made move. For a process that ends right after.
void AbandonAtSafePoint();
