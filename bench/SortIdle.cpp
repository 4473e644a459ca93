// How long a sorting run of many small files leaves a worker slot unused because its driver
// has not acted yet, measured from outside the run: through the host's progress callbacks and
// the driver's thread-start hook, never inside the product. A slot comes free when a worker
// takes its progress step, the last thing it does; the driver acts when it starts the next
// worker thread or, once every file is launched, when it ends the run's progress. idle_ms is
// the time from the first slot coming free after the driver's last act (with files left to
// launch; at the end, the last worker ending) until its next act, waking and waiting for a
// processor included. longest_idle_ms is the longest such gap: a wake the driver missed shows
// as one near its poll interval (100 ms while launching, 250 ms at the end). For comparison,
// how long the driver's thread waited for a processor in the whole run (Linux scheduler
// statistics; -1 where unavailable).
//
//   pallidor-sort-idle [FILES [THREADS [ROUNDS]]]     (defaults 10000, 16, 3)
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Thread.h"
#include "settings/Settings.h"
#include "sort/SortHost.h"
#include "sort/RunContext.h"
#include "sort/SortRunDriver.h"
#include "support/ImageFiles.h"

namespace fs = std::filesystem;

namespace {

// A 16x16 24-bit bitmap, gray or with one coloured pixel.
testimages::Bytes SmallBmp(bool gray) {
    const int side = 16;
    const std::uint32_t stride = side * 3;
    testimages::Bytes file(54 + stride * side, 0x80);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    std::fill(file.begin(), file.begin() + 54, std::uint8_t{0});
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, side);
    put32(22, side);
    file[26] = 1;
    file[28] = 24;
    if (!gray) file[54 + 100] = 0x10;
    return file;
}

// Nanoseconds the calling thread has spent runnable but waiting for a processor.
double RunQueueWaitMs() {
    std::FILE* file = std::fopen("/proc/thread-self/schedstat", "r");
    if (file == nullptr) return -1;
    unsigned long long running = 0, waiting = 0;
    const int got = std::fscanf(file, "%llu %llu", &running, &waiting);
    std::fclose(file);
    return got == 2 ? waiting / 1e6 : -1;
}

using Clock = std::chrono::steady_clock;

// The gaps between a worker slot coming free and the driver's next act, from the callbacks.
// Steps and launches both come with the run's WorkerCountLock held; the lock here also covers
// the start and the end, which come without it.
class IdleClock {
public:
    void Begin(std::int32_t total, std::int32_t limit) {
        std::lock_guard<std::mutex> hold(lock_);
        total_ = total;
        limit_ = limit;
    }

    // A worker thread is about to be started (or tried: a failed start takes a step too).
    void Launch() {
        std::lock_guard<std::mutex> hold(lock_);
        CloseGap();
        ++launched_;
        ++active_;
    }

    // A worker has finished, or a thread could not be started.
    void Step() {
        std::lock_guard<std::mutex> hold(lock_);
        --active_;
        const bool filesLeft = launched_ < total_;
        if (!gapOpen_ && ((filesLeft && active_ < limit_) || (!filesLeft && active_ == 0))) {
            gapOpen_ = true;
            freedAt_ = Clock::now();
        }
    }

    void End() {
        std::lock_guard<std::mutex> hold(lock_);
        CloseGap();
    }

    Clock::duration Idle() const { return idle_; }
    Clock::duration Longest() const { return longest_; }

private:
    void CloseGap() {
        if (!gapOpen_) return;
        const Clock::duration gap = Clock::now() - freedAt_;
        idle_ += gap;
        longest_ = std::max(longest_, gap);
        gapOpen_ = false;
    }

    std::mutex lock_;
    std::int32_t total_ = 0;
    std::int32_t limit_ = 1;
    std::int32_t launched_ = 0;
    std::int32_t active_ = 0;
    bool gapOpen_ = false;
    Clock::time_point freedAt_;
    Clock::duration idle_{0};
    Clock::duration longest_{0};
};

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int threads = argc > 2 ? std::atoi(argv[2]) : 16;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;

    testimages::TempFolder folder;
    SettingsRecord settings;
    settings.THREAD_NUM = threads;
    settings.IS_DST_SUBDIR = 1;
    RunContext context = MakeRunContext(settings, folder.Path() / "");
    context.logsFolder = folder.Path() / "logs";
    context.journalFolder = context.logsFolder / "journal";
    const testimages::Bytes gray = SmallBmp(true);
    const testimages::Bytes colour = SmallBmp(false);

    std::printf("files  threads  wall_ms  idle_ms  idle_share  longest_idle_ms  driver_cpu_wait_ms\n");
    for (int round = 0; round < rounds; ++round) {
        const fs::path input = folder.Path() / ("round" + std::to_string(round));
        fs::create_directories(input);
        for (int i = 0; i < files; ++i) {
            testimages::WriteFileBytes(input / ("f" + std::to_string(i) + ".bmp"), i % 3 == 0 ? colour : gray);
        }
        IdleClock idle;
        SortHost host;
        host.ShowError = [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); };
        host.BeginProgress = [&idle, threads](std::int32_t total) { idle.Begin(total, std::max(1, threads)); };
        host.StepProgress = [&idle] { idle.Step(); };
        host.EndProgress = [&idle](std::int32_t, std::int32_t) { idle.End(); };
        context.seams.startThread = [&idle](std::function<void()> body) {
            idle.Launch();
            return platform::StartDetachedThread(std::move(body));
        };
        const double queuedBefore = RunQueueWaitMs();
        const auto start = Clock::now();
        const SortRunResult result = SortRunDriver(context, {input}, host);
        const auto wall = Clock::now() - start;
        const double queued = queuedBefore < 0 ? -1 : RunQueueWaitMs() - queuedBefore;
        const double wallMs = Milliseconds(wall);
        const double idleMs = Milliseconds(idle.Idle());
        const double longestMs = Milliseconds(idle.Longest());
        if (result.movedMonochrome + result.movedColor != files) {
            std::fprintf(stderr, "only %d of %d files were moved\n", result.movedMonochrome + result.movedColor, files);
            return 1;
        }
        std::printf("%5d  %7d  %7.0f  %7.1f  %9.2f%%  %15.1f  %18.1f\n", files, threads, wallMs, idleMs,
                    100.0 * idleMs / wallMs, longestMs, queued);
    }
    return 0;
}
