#include "sort/ResultLog.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <regex>
#include <thread>

#include "platform/FileSystem.h"
#include "sort/SortFixtures.h"

using sorttest::LogLines;
using sorttest::ReadBytes;
using sorttest::RecordingHost;
using sorttest::FaultyFileSystem;
using sorttest::RunEnd;
using sorttest::TestRunContext;
using sorttest::TempFolder;
using sorttest::WriteBytes;

namespace {

const char kFolderQuestion[] =
    "「logs」フォルダの作成に失敗しました。\n処理結果ログを出力できませんが、振り分け処理を実行しますか？";
const char kFileQuestion[] =
    "処理結果ログファイルの作成に失敗しました。\n処理結果ログを出力できませんが、振り分け処理を実行しますか？";

class ResultLog : public ::testing::Test {
protected:
    TempFolder temp_;
    FaultyFileSystem faults_;
    RunContext context_ = TestRunContext(temp_.Path(), faults_);
    RunEnd runEnd_;
    RecordingHost recorder_;
};

}  // namespace

TEST_F(ResultLog, OpensAnEmptyFileNamedFromTheTimeInTheLogsFolder) {
    ASSERT_TRUE(OpenResultLog(context_, recorder_.host));

    EXPECT_EQ(context_.logsFolder, LogFilePath.parent_path());
    EXPECT_TRUE(std::regex_match(LogFilePath.filename().string(),
                                 std::regex(R"(20\d\d_[01]\d_[0-3]\d_[0-2]\d_[0-5]\d_[0-6]\d_\d\d\d\.txt)")))
        << LogFilePath;
    EXPECT_EQ("", ReadBytes(LogFilePath));
    EXPECT_TRUE(recorder_.questions.empty());
}

TEST_F(ResultLog, ExistingLogOfTheSameMillisecondIsNeitherSharedNorTruncated) {
    // Another run's logs for each of the next 300 ms: whichever millisecond we open in, its
    // name is taken.
    std::filesystem::create_directories(context_.logsFolder);
    const auto now = std::chrono::system_clock::now();
    std::vector<std::filesystem::path> others;
    for (int ms = 0; ms < 300; ++ms) {
        const auto at = now + std::chrono::milliseconds(ms);
        const std::time_t seconds = std::chrono::system_clock::to_time_t(at);
        const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count() % 1000;
        std::tm t{};
        localtime_r(&seconds, &t);
        char name[64];
        std::snprintf(name, sizeof name, "%04d_%02d_%02d_%02d_%02d_%02d_%03d.txt", t.tm_year + 1900, t.tm_mon + 1,
                      t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, static_cast<int>(millis));
        others.push_back(context_.logsFolder / name);
        WriteBytes(others.back(), "another run");
    }

    ASSERT_TRUE(OpenResultLog(context_, recorder_.host));
    WriteResultLog(context_, "/p/a.png", "ours");

    for (const auto& other : others) EXPECT_EQ("another run", ReadBytes(other)) << other;
    EXPECT_EQ(1u, LogLines(LogFilePath).size());
}

TEST_F(ResultLog, LineIsUtf8WithoutMarkInTheExactLayoutEndingInCrLf) {
    const platform::LocalTime time{2026, 1, 5, 9, 3, 7, 45};
    EXPECT_EQ("2026年01月05日09時03分07秒045ミリ秒[/写真/a.png]【モノクロ】「/写真/monochrome/a.png」に移動しました。\r\n",
              FormatResultLogLine(time, "/写真/a.png", "【モノクロ】「/写真/monochrome/a.png」に移動しました。"));

    ASSERT_TRUE(OpenResultLog(context_, recorder_.host));
    WriteResultLog(context_, "/写真/ü.png", "【ERROR】非対応のファイル形式です。");
    const std::string bytes = ReadBytes(LogFilePath);
    // The first bytes are the year's digits, not EF BB BF.
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ("20", bytes.substr(0, 2));
    EXPECT_TRUE(std::regex_match(bytes, std::regex("20\\d\\d年\\d\\d月\\d\\d日\\d\\d時\\d\\d分\\d\\d秒\\d\\d\\dミリ秒"
                                                   "\\[/写真/\xC3\xBC\\.png\\]【ERROR】非対応のファイル形式です。\r\n")))
        << bytes;
}

TEST_F(ResultLog, LogsFolderThatCannotBeMadeAsksAndTheAnswerDecides) {
    std::filesystem::create_directories(context_.logsFolder.parent_path());
    WriteBytes(context_.logsFolder, "a file in the way");

    recorder_.answer = false;
    EXPECT_FALSE(OpenResultLog(context_, recorder_.host));
    recorder_.answer = true;
    EXPECT_TRUE(OpenResultLog(context_, recorder_.host));

    EXPECT_EQ((std::vector<std::string>{kFolderQuestion, kFolderQuestion}), recorder_.questions);
    EXPECT_TRUE(LogFilePath.empty());
    WriteResultLog(context_, "/p/a.png", "nothing is written");
    EXPECT_EQ("a file in the way", ReadBytes(context_.logsFolder));
}

TEST_F(ResultLog, LogFileThatCannotBeMadeAsksTheSecondQuestion) {
    // The "logs" folder can be made but no file in it, as on a full disk.
    int attempts = 0;
    faults_.files = [&attempts](platform::FileStep step, const std::filesystem::path&) {
        if (step != platform::FileStep::CreateNew) return 0;
        ++attempts;
        return ENOSPC;
    };

    recorder_.answer = false;
    EXPECT_FALSE(OpenResultLog(context_, recorder_.host));
    recorder_.answer = true;
    EXPECT_TRUE(OpenResultLog(context_, recorder_.host));

    EXPECT_EQ((std::vector<std::string>{kFileQuestion, kFileQuestion}), recorder_.questions);
    // One attempt each: a name that is free but cannot be made is not retried.
    EXPECT_EQ(2, attempts);
    EXPECT_TRUE(LogFilePath.empty());
    std::error_code error;
    EXPECT_TRUE(std::filesystem::is_directory(context_.logsFolder, error));
    EXPECT_TRUE(std::filesystem::is_empty(context_.logsFolder, error));
}
