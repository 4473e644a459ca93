#include "sort/FileMover.h"

#include <gtest/gtest.h>

#include <thread>

#include "sort/SortFixtures.h"

using sorttest::Exists;
using sorttest::NativeSeparators;
using sorttest::ReadBytes;
using sorttest::FaultyFileSystem;
using sorttest::RunEnd;
using sorttest::TestRunContext;
using sorttest::TempFolder;
using sorttest::WriteBytes;

namespace {

class FileMover : public ::testing::Test {
protected:
    bool Move(int verdict, const std::string& folder, const std::string& name, std::string& message) {
        return MoveToDestination(context_, verdict, folder + name, folder, name, message);
    }
    TempFolder temp_;
    FaultyFileSystem faults_;
    RunContext context_ = TestRunContext(temp_.Path(), faults_);
    RunEnd runEnd_;
    // Paths in the platform's spelling, as the worker hands them over.
    std::string root_ = NativeSeparators(temp_.Path().string() + "/");
};

}  // namespace

TEST_F(FileMover, SubfolderSchemeMovesBesideTheFileAndCreatesTheFolder) {
    context_.settings.IS_DST_SUBDIR = 1;
    WriteBytes(root_ + "a.png", "mono");
    WriteBytes(root_ + "b.png", "colour");
    std::string message;

    EXPECT_TRUE(Move(1, root_, "a.png", message));
    EXPECT_EQ(NativeSeparators("【モノクロ】「" + root_ + "monochrome/a.png」に移動しました。"), message);
    EXPECT_TRUE(Move(0, root_, "b.png", message));
    EXPECT_EQ(NativeSeparators("【カラー】「" + root_ + "color/b.png」に移動しました。"), message);

    EXPECT_EQ("mono", ReadBytes(root_ + "monochrome/a.png"));
    EXPECT_EQ("colour", ReadBytes(root_ + "color/b.png"));
    EXPECT_FALSE(Exists(root_ + "a.png"));
}

TEST_F(FileMover, FileAlreadyInAMonochromeFolderGoesOneLevelFurther) {
    context_.settings.IS_DST_SUBDIR = 1;
    const std::string folder = NativeSeparators(root_ + "monochrome/");
    std::filesystem::create_directory(folder);
    WriteBytes(folder + "a.png", "x");
    std::string message;

    EXPECT_TRUE(Move(1, folder, "a.png", message));
    EXPECT_EQ("x", ReadBytes(root_ + "monochrome/monochrome/a.png"));
}

TEST_F(FileMover, SubfolderThatCannotBeCreatedLeavesTheFile) {
    context_.settings.IS_DST_SUBDIR = 1;
    WriteBytes(root_ + "color", "a file where the folder would go");
    WriteBytes(root_ + "a.png", "x");
    std::string message;

    EXPECT_FALSE(Move(0, root_, "a.png", message));
    EXPECT_EQ("【ERROR】カラー画像と判定しましたが、振り分け先フォルダ（" + root_ + "color）の作成に失敗しました。", message);
    EXPECT_EQ("x", ReadBytes(root_ + "a.png"));
}

TEST_F(FileMover, FixedFolderWithFinalSeparatorGetsExactlyOneBeforeTheName) {
    context_.settings.IS_DST_SUBDIR = 0;
    std::filesystem::create_directory(root_ + "mono");
    std::filesystem::create_directory(root_ + "colour");
    context_.settings.DST_DIR_MONO = NativeSeparators(root_ + "mono/");
    context_.settings.DST_DIR_COLOR = root_ + "colour";
    WriteBytes(root_ + "a.png", "a");
    WriteBytes(root_ + "b.png", "b");
    std::string message;

    EXPECT_TRUE(Move(1, root_, "a.png", message));
    EXPECT_EQ(NativeSeparators("【モノクロ】「" + root_ + "mono/a.png」に移動しました。"), message);
    EXPECT_TRUE(Move(0, root_, "b.png", message));
    EXPECT_EQ(NativeSeparators("【カラー】「" + root_ + "colour/b.png」に移動しました。"), message);
    EXPECT_FALSE(Exists(root_ + "monochrome"));
}

TEST_F(FileMover, SecondFileOfTheSameNameStaysWithTheMoveFailedText) {
    context_.settings.IS_DST_SUBDIR = 0;
    std::filesystem::create_directories(root_ + "one");
    std::filesystem::create_directories(root_ + "two");
    std::filesystem::create_directories(root_ + "mono");
    context_.settings.DST_DIR_MONO = root_ + "mono";
    WriteBytes(root_ + "one/a.png", "first");
    WriteBytes(root_ + "two/a.png", "second");
    std::string message;

    EXPECT_TRUE(Move(1, NativeSeparators(root_ + "one/"), "a.png", message));
    EXPECT_FALSE(Move(1, NativeSeparators(root_ + "two/"), "a.png", message));
    EXPECT_EQ(NativeSeparators("【ERROR】モノクロ画像と判定しましたが、「" + root_ + "mono/a.png」への移動に失敗しました。"),
              message);
    EXPECT_EQ("first", ReadBytes(root_ + "mono/a.png"));
    EXPECT_EQ("second", ReadBytes(root_ + "two/a.png"));
}

TEST_F(FileMover, WorkersMeetingTheMissingSubfolderAllMoveTheirFiles) {
    context_.settings.IS_DST_SUBDIR = 1;
    constexpr int kFiles = 32;
    for (int i = 0; i < kFiles; ++i) WriteBytes(root_ + std::to_string(i) + ".png", std::to_string(i));
    std::vector<std::string> messages(kFiles);
    std::vector<std::thread> threads;
    for (int i = 0; i < kFiles; ++i) {
        threads.emplace_back([&, i] { Move(1, root_, std::to_string(i) + ".png", messages[i]); });
    }
    for (auto& thread : threads) thread.join();

    for (int i = 0; i < kFiles; ++i) {
        EXPECT_EQ(NativeSeparators("【モノクロ】「" + root_ + "monochrome/" + std::to_string(i) + ".png」に移動しました。"),
                  messages[i]);
        EXPECT_EQ(std::to_string(i), ReadBytes(root_ + "monochrome/" + std::to_string(i) + ".png"));
    }
}
