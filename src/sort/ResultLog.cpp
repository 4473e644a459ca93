#include "sort/ResultLog.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "settings/Settings.h"
#include "platform/Files.h"
#include "platform/Places.h"
#include "platform/Text.h"
#include "sort/SortHost.h"
#include "sort/SortPath.h"
#include "sort/SortRun.h"
#include "sort/Texts.h"

std::filesystem::path LogFilePath;

namespace {

std::string FormatLogFileName(const platform::LocalTime& t) {
    return FormatText("%04d_%02d_%02d_%02d_%02d_%02d_%03d.txt", t.year, t.month, t.day, t.hour,
                      t.minute, t.second, t.milliseconds);
}

bool Ask(const SortHost& host, const char* question) {
    return host.AskYesNo && host.AskYesNo(question);
}

}  // namespace

std::string FormatResultLogLine(const platform::LocalTime& t, const std::string& path,
                                const std::string& message) {
    return FormatText(Text(TextId::LogLine), t.year, t.month, t.day, t.hour, t.minute, t.second, t.milliseconds,
                      path.c_str(), message.c_str());
}

bool OpenResultLog(const SortHost& host) {
    const std::filesystem::path folder = platform::LogsFolder(ModuleFolder);
    const std::string folderText = platform::PathToUtf8(folder);
    if (!platform::CreatePlace(folder)) {
        LogFilePath.clear();
        return Ask(host, Text(TextId::LogsFolderNotMade));
    }
    // A name that exists already belongs to another run of the same millisecond (another
    // process, or a clock set back): its log is kept, and ours waits for the next millisecond.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string name = FormatLogFileName(platform::CurrentLocalTime());
        LogFilePath = platform::PathFromUtf8(JoinFolderAndName(folderText, name));
        if (platform::CreateNewFile(LogFilePath)) return true;
        std::error_code error;
        if (!std::filesystem::exists(LogFilePath, error)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    LogFilePath.clear();
    return Ask(host, Text(TextId::LogFileNotMade));
}

void WriteResultLog(const std::string& path, const std::string& message) {
    if (LogFilePath.empty()) return;
    // The time is read inside the lock so that the lines' times never run backwards.
    std::lock_guard<std::mutex> hold(LogLock);
    platform::AppendToFile(LogFilePath, FormatResultLogLine(platform::CurrentLocalTime(), path, message));
}
