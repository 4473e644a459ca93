#include "sort/SortFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "support/BmpFiles.h"
#include "support/ImageFiles.h"
#include "sort/MoveJournal.h"
#include "sort/ResultLog.h"
#include "sort/SortRun.h"
#include "sort/SortRunDriver.h"
#include "platform/Places.h"
#include "platform/Text.h"
#include "platform/Thread.h"

namespace sorttest {

std::string TinyPng(bool color, std::uint8_t level) {
    testimages::PngPicture picture;
    picture.width = 2;
    picture.height = 2;
    picture.colourType = 2;
    for (int pixel = 0; pixel < 4; ++pixel) {
        // A coloured pixel keeps green at the level and puts red and blue far from it.
        picture.samples.push_back(color ? (level < 128 ? 255u : 0u) : level);
        picture.samples.push_back(level);
        picture.samples.push_back(color ? 255u - level : level);
    }
    const testimages::Bytes bytes = testimages::EncodePng(picture);
    return std::string(bytes.begin(), bytes.end());
}

std::string TinyBmp(bool color, std::uint8_t level) {
    BmpFields bmp;
    bmp.width = 2;
    bmp.height = 2;
    const auto red = static_cast<std::uint8_t>(color ? (level < 128 ? 255 : 0) : level);
    const auto blue = static_cast<std::uint8_t>(color ? 255 - level : level);
    for (int row = 0; row < 2; ++row) bmp.rows.push_back({blue, level, red, blue, level, red});
    const Bytes bytes = BuildBmp(bmp);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> LogLines(const std::filesystem::path& file) {
    const std::string bytes = ReadBytes(file);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "log does not end in CR LF: " << bytes.substr(start);
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string WithoutTime(const std::string& line) {
    const std::size_t bracket = line.find('[');
    return bracket == std::string::npos ? line : line.substr(bracket);
}

std::filesystem::path OnlyFileIn(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::path found;
    int count = 0;
    for (auto it = std::filesystem::directory_iterator(folder, error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        found = it->path();
        ++count;
    }
    return count == 1 ? found : std::filesystem::path();
}

RunContext TestRunContext(const std::filesystem::path& folder, const platform::FileSystem& files) {
    RunContext context = MakeRunContext(SettingsRecord{}, folder / "");
    context.seams.files = &files;
    context.logsFolder = folder / "logs";
    context.journalFolder = context.logsFolder / "journal";
    if (!context.fallbackJournalFolder.empty()) context.fallbackJournalFolder = folder / "local" / "journal";
    return context;
}

std::vector<std::string> SortedLog() {
    std::vector<std::string> lines;
    for (const auto& line : LogLines(LogFilePath)) lines.push_back(WithoutTime(line));
    std::sort(lines.begin(), lines.end());
    return lines;
}

RunEnd::~RunEnd() {
    CloseResultLog();
    LogFilePath.clear();
    CancelRequested = false;
    RunBusy = false;
}

RecordingHost::RecordingHost() {
    host.ShowError = [this](const std::string& text) {
        std::lock_guard<std::mutex> hold(lock);
        errors.push_back(text);
    };
    host.AskYesNo = [this](const std::string& text) {
        std::lock_guard<std::mutex> hold(lock);
        questions.push_back(text);
        return answer;
    };
    host.BeginProgress = [this](std::int32_t total) {
        std::lock_guard<std::mutex> hold(lock);
        ranges.push_back(total);
    };
    host.ShowProgress = [this](const ProgressDisplay& shown) {
        std::lock_guard<std::mutex> hold(lock);
        progress.push_back(shown);
    };
    host.StepProgress = [this] {
        std::lock_guard<std::mutex> hold(lock);
        ++steps;
    };
    host.EndProgress = [this](std::int32_t, std::int32_t) {
        std::lock_guard<std::mutex> hold(lock);
        ++ends;
    };
}

}  // namespace sorttest
