// Thousands of tiny files through a whole run: nothing lost, nothing doubled, one log line and
// one progress step each.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "sort/ResultLog.h"
#include "sort/SortFixtures.h"
#include "sort/SortRunDriver.h"

using sorttest::LogLines;
using sorttest::RecordingHost;
using sorttest::FaultyFileSystem;
using sorttest::RunEnd;
using sorttest::TestRunContext;
using sorttest::TempFolder;
using sorttest::TinyBmp;
using sorttest::TinyPng;
using sorttest::Tree;
using sorttest::WithoutTime;
using sorttest::WriteBytes;

namespace {

constexpr int kFolders = 40;
constexpr int kFilesPerFolder = 50;

std::multiset<std::string> Contents(const std::filesystem::path& root) {
    std::multiset<std::string> contents;
    for (const auto& entry : Tree(root)) contents.insert(entry.second);
    return contents;
}

// The source path of a log line.
std::string LoggedPath(const std::string& line) {
    const std::string rest = WithoutTime(line);
    return rest.substr(1, rest.find(']') - 1);
}

void SortManyFiles(int threadNum) {
    TempFolder temp;
    FaultyFileSystem faults;
    RunContext context = TestRunContext(temp.Path() / "app", faults);
    RunEnd runEnd;
    std::filesystem::create_directory(temp.Path() / "app");
    const auto pics = temp.Path() / "pics";
    for (int f = 0; f < kFolders; ++f) {
        const auto folder = pics / ("folder" + std::to_string(f));
        std::filesystem::create_directories(folder);
        for (int i = 0; i < kFilesPerFolder; ++i) {
            const bool color = (f + i) % 3 == 0;
            const auto level = static_cast<std::uint8_t>(f * kFilesPerFolder + i);
            const char* extension = i % 10 == 9 ? ".txt" : i % 2 == 0 ? ".bmp" : ".png";
            WriteBytes(folder / (std::to_string(i) + extension), i % 2 == 0 ? TinyBmp(color, level) : TinyPng(color, level));
        }
    }
    context.settings.THREAD_NUM = threadNum;
    context.settings.IS_ONLY_GRAYSCALE = 1;
    const auto before = Contents(pics);
    PathList expectedOrder = BuildPathList({pics}, CollectionRuleOf(context.settings));
    RecordingHost recorder;

    const SortRunResult result = SortRunDriver(context, {pics}, recorder.host);

    ASSERT_EQ(2000, result.listed);
    EXPECT_EQ(2000u, Contents(pics).size());
    EXPECT_TRUE(before == Contents(pics)) << "file contents before and after differ";
    EXPECT_EQ(1800, result.movedMonochrome + result.movedColor);
    EXPECT_EQ(200, LeftInPlace(result));
    EXPECT_EQ(2000, recorder.steps);

    std::vector<std::string> logged;
    for (const auto& line : LogLines(LogFilePath)) logged.push_back(LoggedPath(line));
    std::vector<std::string> listed;
    for (const auto& path : expectedOrder.paths) listed.push_back(path.string());
    if (threadNum == 1) {
        EXPECT_TRUE(listed == logged) << "with one worker the log follows the list";
    }
    std::sort(logged.begin(), logged.end());
    std::sort(listed.begin(), listed.end());
    EXPECT_TRUE(listed == logged) << "every path exactly one log line";
}

}  // namespace

TEST(SortStress, TwoThousandFilesWithSixtyFourWorkers) { SortManyFiles(64); }

TEST(SortStress, TwoThousandFilesOneAfterAnother) { SortManyFiles(1); }
