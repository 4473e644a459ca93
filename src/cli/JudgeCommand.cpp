#include "cli/JudgeCommand.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "app/Settings.h"
#include "platform/Text.h"
#include "sort/ImageKind.h"
#include "sort/SortRunDriver.h"

int JudgeCommand(const std::vector<std::filesystem::path>& items) {
    const PathList list = BuildPathList(items);
    const std::size_t count = list.paths.size();
    std::atomic<std::size_t> next{0};
    std::atomic<bool> anyError{false};
    std::mutex outputLock;

    auto work = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            const auto& path = list.paths[i];
            std::string errorText;
            const int verdict = JudgeFileByExtension(path, errorText);
            std::string line = errorText.empty()
                                   ? FormatText("%s\t%s\n", verdict != 0 ? "monochrome" : "color",
                                                platform::PathToUtf8(path).c_str())
                                   : FormatText("error\t%s\t%s\n", platform::PathToUtf8(path).c_str(),
                                                errorText.c_str());
            if (!errorText.empty()) anyError = true;
            std::lock_guard<std::mutex> hold(outputLock);
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fflush(stdout);
        }
    };

    const std::size_t threadCount =
        std::min<std::size_t>(count, static_cast<std::size_t>(std::max(1, Settings.THREAD_NUM)));
    std::vector<std::thread> threads;
    threads.reserve(threadCount);
    for (std::size_t t = 1; t < threadCount; ++t) threads.emplace_back(work);
    work();
    for (auto& thread : threads) thread.join();
    return anyError ? 1 : 0;
}
