#include "cli/LogsCommand.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <system_error>

#include "platform/Files.h"
#include "platform/Places.h"
#include "platform/Text.h"
#include "settings/Settings.h"
#include "sort/ResultLogReader.h"
#include "sort/Texts.h"

namespace {

bool IsErrorMessage(const std::string& message) {
    return message.rfind("【ERROR】", 0) == 0 || message.rfind("[ERROR]", 0) == 0;
}

}  // namespace

std::vector<std::filesystem::path> LogFilesNewestFirst() {
    if (ModuleFolder.empty()) GetModuleFolder();
    const std::filesystem::path folder = platform::LogsFolder(ModuleFolder);
    std::vector<std::filesystem::path> logs;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        platform::LocalTime start{};
        std::error_code typeError;
        if (it->is_regular_file(typeError) && RunStartFromLogName(platform::PathToUtf8(it->path().filename()), start)) {
            logs.push_back(it->path());
        }
    }
    // The names are zero-padded times: their order is the runs' order.
    std::sort(logs.begin(), logs.end(), [](const auto& a, const auto& b) { return a.filename() > b.filename(); });
    return logs;
}

int LogsCommand() {
    const std::vector<std::filesystem::path> logs = LogFilesNewestFirst();
    if (logs.empty()) std::fprintf(stderr, "pallidor-cli: %s\n", Text(TextId::NoLogs));
    for (const auto& log : logs) {
        platform::LocalTime t{};
        RunStartFromLogName(platform::PathToUtf8(log.filename()), t);
        std::string bytes;
        platform::ReadWholeFile(log, bytes);
        int monochrome = 0;
        int color = 0;
        for (const LoggedMove& move : FindLoggedMoves(bytes)) {
            if (move.moved) ++(move.monochrome ? monochrome : color);
        }
        int left = 0;
        for (const LogRecord& record : ParseResultLog(bytes)) left += IsErrorMessage(record.message) ? 1 : 0;
        std::printf("%04d-%02d-%02d %02d:%02d:%02d\tmonochrome %d\tcolor %d\tleft %d\t%s\n", t.year, t.month, t.day,
                    t.hour, t.minute, t.second, monochrome, color, left, platform::PathToUtf8(log).c_str());
    }
    std::fflush(stdout);
    return 0;
}
