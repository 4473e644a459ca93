#include "cli/SortCommand.h"

#include <gtest/gtest.h>

#include <csignal>

#include "platform/Console.h"
#include "platform/Thread.h"
#include "sort/ResultLog.h"
#include "sort/SortFixtures.h"
#include "sort/SortRunDriver.h"

using sorttest::Exists;
using sorttest::RunStateGuard;
using sorttest::TempFolder;
using sorttest::TinyPng;
using sorttest::WriteBytes;

namespace {

const char kFolderQuestion[] =
    "「logs」フォルダの作成に失敗しました。\n処理結果ログを出力できませんが、振り分け処理を実行しますか？\n";

class SortCommandRun : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(temp_.Path() / "app");
        std::filesystem::create_directory(pics_);
        Settings = SettingsRecord();
        Settings.THREAD_NUM = 2;
        Settings.IS_ONLY_GRAYSCALE = 1;
    }

    int Sort(const std::vector<std::filesystem::path>& paths, QuestionAnswer answer) {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int status = SortCommand(paths, answer);
        out_ = ::testing::internal::GetCapturedStdout();
        err_ = ::testing::internal::GetCapturedStderr();
        return status;
    }

    TempFolder temp_;
    RunStateGuard guard_{temp_.Path() / "app"};
    std::filesystem::path pics_ = temp_.Path() / "pics";
    std::string out_, err_;
};

}  // namespace

TEST_F(SortCommandRun, EveryFileMovedExitsZeroWithSummaryAndLogPlace) {
    WriteBytes(pics_ / "a.png", TinyPng(false, 1));
    WriteBytes(pics_ / "b.png", TinyPng(false, 2));
    WriteBytes(pics_ / "c.png", TinyPng(true, 3));

    EXPECT_EQ(0, Sort({pics_}, QuestionAnswer::No));

    ASSERT_FALSE(LogFilePath.empty());
    EXPECT_EQ("moved to monochrome: 2\nmoved to color: 1\nleft in place: 0\nlog: " + LogFilePath.string() + "\n", out_);
    EXPECT_EQ(temp_.Path() / "app" / "logs", LogFilePath.parent_path());
    EXPECT_EQ("", err_);
}

TEST_F(SortCommandRun, RelativePathIsSortedBesideItsFile) {
    // Below the working folder: the temporary folder may be on another drive, where no
    // relative path leads.
    const TempFolder here(std::filesystem::current_path());
    WriteBytes(here.Path() / "a.png", TinyPng(false, 1));
    const auto relative = std::filesystem::relative(here.Path() / "a.png");
    ASSERT_TRUE(relative.is_relative());
    ASSERT_FALSE(relative.empty());

    EXPECT_EQ(0, Sort({relative}, QuestionAnswer::No));
    EXPECT_TRUE(Exists(here.Path() / "monochrome" / "a.png"));
}

TEST_F(SortCommandRun, AnyFileLeftInPlaceExitsOne) {
    WriteBytes(pics_ / "a.png", TinyPng(false, 1));
    WriteBytes(pics_ / "notes.txt", "x");

    EXPECT_EQ(1, Sort({pics_}, QuestionAnswer::No));
    EXPECT_EQ("moved to monochrome: 1\nmoved to color: 0\nleft in place: 1\n", out_.substr(0, out_.find("log:")));
}

TEST_F(SortCommandRun, RunThatDoesNotStartExitsTwoWithTheMessageOnStandardError) {
    Settings.IS_DST_SUBDIR = 0;
    Settings.DST_DIR_MONO = (temp_.Path() / "nope").string();
    WriteBytes(pics_ / "a.png", TinyPng(false, 1));

    EXPECT_EQ(2, Sort({pics_}, QuestionAnswer::Yes));
    EXPECT_EQ("", out_);
    EXPECT_EQ("モノクローム画像ファイルの振り分け先フォルダが存在しません。\nフォルダを作成してから実行して下さい。\n\n    【フォルダのパス】" +
                  (temp_.Path() / "nope").string() + "\n",
              err_);
    EXPECT_TRUE(Exists(pics_ / "a.png"));
}

TEST_F(SortCommandRun, LogQuestionIsAnsweredByTheOptionOrNoWithoutATerminal) {
    WriteBytes(temp_.Path() / "app" / "logs", "in the way");
    WriteBytes(pics_ / "a.png", TinyPng(false, 1));

    EXPECT_EQ(2, Sort({pics_}, QuestionAnswer::No));
    EXPECT_EQ(kFolderQuestion, err_);
    EXPECT_TRUE(Exists(pics_ / "a.png"));

    if (!platform::StandardInputIsTerminal()) {
        EXPECT_EQ(2, Sort({pics_}, QuestionAnswer::AskOnTerminal));
        EXPECT_EQ(kFolderQuestion, err_);
    }

    EXPECT_EQ(0, Sort({pics_}, QuestionAnswer::Yes));
    EXPECT_EQ("moved to monochrome: 1\nmoved to color: 0\nleft in place: 0\nlog: none\n", out_);
    EXPECT_TRUE(Exists(pics_ / "monochrome" / "a.png"));
}

TEST_F(SortCommandRun, InterruptStopsLaunchingWhileStartedFilesFinish) {
    Settings.THREAD_NUM = 1;
    for (int i = 0; i < 5; ++i) WriteBytes(pics_ / (std::to_string(i) + ".png"), TinyPng(false, 1));
    StartWorkerThread = [](std::function<void()> body) {
        return platform::StartDetachedThread([body] {
            std::raise(SIGINT);
            body();
        });
    };

    EXPECT_EQ(1, Sort({pics_}, QuestionAnswer::No));

    EXPECT_EQ("moved to monochrome: 1\nmoved to color: 0\nleft in place: 4\n", out_.substr(0, out_.find("log:")));
    EXPECT_EQ("cancelled: 4 of 5 files were not started\n", err_);
    // Ctrl+C belongs to the default handler again once the run is over.
    EXPECT_EQ(SIG_DFL, std::signal(SIGINT, SIG_DFL));
}
