#include "cli/JudgeCommand.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "settings/Settings.h"
#include "cli/Explanation.h"
#include "cli/JsonText.h"
#include "cli/MissingPaths.h"
#include "platform/Text.h"
#include "platform/Thread.h"
#include "image/ImageKind.h"
#include "sort/FileCollection.h"

namespace {

std::string TextLine(const std::string& path, int verdict, const std::string& errorText,
                     const JudgeEvidence* evidence, const JudgeParams& params) {
    if (!errorText.empty()) return FormatText("error\t%s\t%s\n", path.c_str(), errorText.c_str());
    std::string line = FormatText("%s\t%s", verdict != 0 ? "monochrome" : "color", path.c_str());
    if (evidence != nullptr) line += "\t" + ExplainInWords(*evidence, params);
    return line + "\n";
}

std::string JsonLine(const std::string& path, int verdict, const std::string& errorText,
                     const JudgeEvidence* evidence, const JudgeParams& params) {
    JsonObject json;
    json.AddPath("path", path);
    if (!errorText.empty()) {
        json.Add("error", errorText);
    } else {
        json.Add("verdict", verdict != 0 ? "monochrome" : "color");
        if (evidence != nullptr) json.AddObject("evidence", ExplainAsJson(*evidence, params));
    }
    return json.Text() + "\n";
}

// The helper threads still at work; the last one to finish wakes the caller. Shared with the
// threads, so that it outlives a caller that returns as soon as the count reaches zero.
struct HelperCount {
    std::mutex lock;
    std::condition_variable finished;
    std::size_t running = 0;
};

// Runs `work` on the calling thread and on up to `helpers` more, and returns when every one
// of them has returned. A thread that cannot be started leaves its share to the others: the
// calling thread alone still does all of it.
void RunOnThreads(std::size_t helpers, const std::function<void()>& work) {
    const auto count = std::make_shared<HelperCount>();
    for (std::size_t t = 0; t < helpers; ++t) {
        {
            std::lock_guard<std::mutex> hold(count->lock);
            ++count->running;
        }
        const bool started = platform::StartDetachedThread([count, &work] {
            work();
            std::lock_guard<std::mutex> hold(count->lock);
            if (--count->running == 0) count->finished.notify_all();
        });
        if (!started) {
            std::lock_guard<std::mutex> hold(count->lock);
            --count->running;
            break;
        }
    }
    work();
    std::unique_lock<std::mutex> hold(count->lock);
    count->finished.wait(hold, [&count] { return count->running == 0; });
}

}  // namespace

int JudgeCommand(const std::vector<std::filesystem::path>& items, const OutputOptions& output) {
    const std::vector<std::filesystem::path> existing = DropMissingPaths(items, {output.json, false});
    const PathList list = BuildPathList(existing);
    const std::size_t count = list.paths.size();
    std::atomic<std::size_t> next{0};
    std::atomic<bool> anyError{false};
    std::mutex outputLock;

    const JudgeParams params = MakeJudgeParams(Settings);
    auto work = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            const auto& path = list.paths[i];
            std::string errorText;
            // Only asked for with --explain: the ordinary judgment gathers nothing.
            JudgeEvidence evidence;
            JudgeEvidence* wanted = output.explain ? &evidence : nullptr;
            const int verdict = JudgeFileByExtension(path, params, errorText, wanted);
            const std::string text = platform::PathToUtf8(path);
            const std::string line = output.json ? JsonLine(text, verdict, errorText, wanted, params)
                                                 : TextLine(text, verdict, errorText, wanted, params);
            if (!errorText.empty()) anyError = true;
            std::lock_guard<std::mutex> hold(outputLock);
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fflush(stdout);
        }
    };

    const std::size_t threadCount =
        std::min<std::size_t>(count, static_cast<std::size_t>(std::max(1, Settings.THREAD_NUM)));
    RunOnThreads(threadCount > 1 ? threadCount - 1 : 0, work);
    return anyError || existing.size() != items.size() ? 1 : 0;
}
