#include "cli/JudgeCommand.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "settings/Settings.h"
#include "cli/Explanation.h"
#include "cli/JsonText.h"
#include "cli/MissingPaths.h"
#include "platform/Text.h"
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
    std::vector<std::thread> threads;
    threads.reserve(threadCount);
    for (std::size_t t = 1; t < threadCount; ++t) threads.emplace_back(work);
    work();
    for (auto& thread : threads) thread.join();
    return anyError || existing.size() != items.size() ? 1 : 0;
}
