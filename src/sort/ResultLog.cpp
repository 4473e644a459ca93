#include "sort/ResultLog.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "platform/Files.h"
#include "platform/MoveSteps.h"
#include "platform/Places.h"
#include "platform/Text.h"
#include "sort/MoveLedger.h"
#include "sort/RunContext.h"
#include "sort/SortHost.h"
#include "sort/SortPath.h"
#include "sort/SortRun.h"
#include "sort/Texts.h"

std::filesystem::path LogFilePath;
std::atomic<bool> LogWriteFailed{false};

namespace {

std::string FormatLogFileName(const platform::LocalTime& t) {
    return FormatText("%04d_%02d_%02d_%02d_%02d_%02d_%03d.txt", t.year, t.month, t.day, t.hour,
                      t.minute, t.second, t.milliseconds);
}

bool Ask(const SortHost& host, const char* question) {
    return host.AskYesNo && host.AskYesNo(question);
}

// The value of an escape "%HH" at `at`, or -1 where the text holds none there.
int EscapeAt(const std::string& text, std::size_t at) {
    if (at + 2 >= text.size() || text[at] != '%') return -1;
    auto digit = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1; };
    const int high = digit(text[at + 1]);
    const int low = digit(text[at + 2]);
    if (high < 0 || low < 0) return -1;
    const int value = high * 16 + low;
    return value < 0x20 || value == 0x7F || value == '%' ? value : -1;
}

}  // namespace

std::string EscapeLogText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F || (c == '%' && EscapeAt(text, i) >= 0)) {
            out += FormatText("%%%02X", c);
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string UnescapeLogText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int value = EscapeAt(text, i);
        if (value >= 0) {
            out += static_cast<char>(value);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string FormatResultLogLine(const platform::LocalTime& t, const std::string& path,
                                const std::string& message) {
    return FormatText(Text(TextId::LogLine), t.year, t.month, t.day, t.hour, t.minute, t.second, t.milliseconds,
                      EscapeLogText(path).c_str(), EscapeLogText(message).c_str());
}

bool OpenResultLog(const RunContext& context, const SortHost& host) {
    LogWriteFailed = false;
    const std::filesystem::path& folder = context.logsFolder;
    const std::string folderText = platform::PathToUtf8(folder);
    CloseMoveLedger();
    if (!platform::CreatePlace(folder, *context.seams.files)) {
        LogFilePath.clear();
        return Ask(host, Text(TextId::LogsFolderNotMade));
    }
    // A name that exists already belongs to another run of the same millisecond (another
    // process, or a clock set back): its log is kept, and ours waits for the next millisecond.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string name = FormatLogFileName(context.seams.clock());
        LogFilePath = platform::PathFromUtf8(JoinFolderAndName(folderText, name));
        if (platform::CreateNewFile(LogFilePath, *context.seams.files)) {
            // The moves of the run are recorded beside its log; a log without that record could
            // not be undone safely, so the two stand or fall together.
            if (OpenMoveLedger(LogFilePath, *context.seams.files)) return true;
            platform::RemoveFile(LogFilePath);
            break;
        }
        std::error_code error;
        if (!std::filesystem::exists(LogFilePath, error)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    LogFilePath.clear();
    return Ask(host, Text(TextId::LogFileNotMade));
}

void CloseResultLog() { CloseMoveLedger(); }

bool WriteResultLog(const RunContext& context, const std::string& path, const std::string& message) {
    if (LogFilePath.empty()) return true;
    // The time is read inside the lock so that the lines' times never run backwards.
    std::lock_guard<std::mutex> hold(LogLock);
    if (platform::AppendToFile(LogFilePath, FormatResultLogLine(context.seams.clock(), path, message),
                              *context.seams.files)) {
        return true;
    }
    LogWriteFailed = true;
    return false;
}
