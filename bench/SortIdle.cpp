// How much of a sorting run of many small files the driver spends asleep while it could have
// launched a worker or ended the run: the run's idleWait against its wall time, the part of it
// that polling caused (idleInPollSleeps), and for comparison how long the driver's thread
// waited for a processor in the whole run (Linux scheduler statistics; -1 where unavailable).
//
//   pallidor-sort-idle [FILES [THREADS [ROUNDS]]]     (defaults 10000, 16, 3)
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "settings/Settings.h"
#include "sort/SortHost.h"
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

}  // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int threads = argc > 2 ? std::atoi(argv[2]) : 16;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;

    testimages::TempFolder folder;
    Settings = SettingsRecord{};
    Settings.THREAD_NUM = threads;
    Settings.IS_DST_SUBDIR = 1;
    ModuleFolder = folder.Path() / "";
    const testimages::Bytes gray = SmallBmp(true);
    const testimages::Bytes colour = SmallBmp(false);

    SortHost host;
    host.ShowError = [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); };
    std::printf("files  threads  wall_ms  idle_ms  idle_share  polling_idle_ms  driver_cpu_wait_ms\n");
    for (int round = 0; round < rounds; ++round) {
        const fs::path input = folder.Path() / ("round" + std::to_string(round));
        fs::create_directories(input);
        for (int i = 0; i < files; ++i) {
            testimages::WriteFileBytes(input / ("f" + std::to_string(i) + ".bmp"), i % 3 == 0 ? colour : gray);
        }
        const double queuedBefore = RunQueueWaitMs();
        const auto start = std::chrono::steady_clock::now();
        const SortRunResult result = SortRunDriver({input}, host);
        const auto wall = std::chrono::steady_clock::now() - start;
        const double queued = queuedBefore < 0 ? -1 : RunQueueWaitMs() - queuedBefore;
        const double pollingMs = std::chrono::duration<double, std::milli>(result.idleInPollSleeps).count();
        const double wallMs = std::chrono::duration<double, std::milli>(wall).count();
        const double idleMs = std::chrono::duration<double, std::milli>(result.idleWait).count();
        if (result.movedMonochrome + result.movedColor != files) {
            std::fprintf(stderr, "only %d of %d files were moved\n", result.movedMonochrome + result.movedColor, files);
            return 1;
        }
        std::printf("%5d  %7d  %7.0f  %7.1f  %9.2f%%  %15.1f  %18.1f\n", files, threads, wallMs, idleMs,
                    100.0 * idleMs / wallMs, pollingMs, queued);
    }
    return 0;
}
