#include "sort/SortRunDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <regex>
#include <thread>

#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "platform/Thread.h"
#include "sort/ResultLog.h"
#include "sort/SortFixtures.h"
#include "sort/SortRun.h"

using platform::FileStep;
using sorttest::Exists;
using sorttest::LogLines;
using sorttest::NativeSeparators;
using sorttest::ReadBytes;
using sorttest::RecordingHost;
using sorttest::FaultyFileSystem;
using sorttest::RunEnd;
using sorttest::TestRunContext;
using sorttest::SortedLog;
using sorttest::TempFolder;
using sorttest::TinyBmp;
using sorttest::TinyPng;
using sorttest::Tree;
using sorttest::WithoutTime;
using sorttest::WriteBytes;

namespace {

class SortRun : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(app_);
        std::filesystem::create_directory(pics_);
        context_.settings = SettingsRecord();
        context_.settings.THREAD_NUM = 4;
        context_.settings.IS_ONLY_GRAYSCALE = 1;
    }

    SortRunResult Run(const std::vector<std::filesystem::path>& dropped) {
        return SortRunDriver(context_, dropped, recorder_.host);
    }

    TempFolder temp_;
    FaultyFileSystem faults_;
    RunContext context_ = TestRunContext(temp_.Path() / "app", faults_);
    RunEnd runEnd_;
    RecordingHost recorder_;
    std::filesystem::path app_ = temp_.Path() / "app";
    std::filesystem::path pics_ = temp_.Path() / "pics";
    std::string p_ = pics_.string();
};

}  // namespace

TEST_F(SortRun, SubfolderSchemeSortsEveryFileAndLogsOneLineEach) {
    std::filesystem::create_directory(pics_ / "sub");
    WriteBytes(pics_ / "a.png", TinyPng(false, 10));
    WriteBytes(pics_ / "b.png", TinyPng(true, 20));
    WriteBytes(pics_ / "notes.txt", "text");
    WriteBytes(pics_ / "sub" / "c.BMP", TinyBmp(false, 30));

    const SortRunResult result = Run({pics_});

    EXPECT_TRUE(result.started);
    EXPECT_FALSE(result.cancelled);
    EXPECT_EQ(4, result.listed);
    EXPECT_EQ(2, result.movedMonochrome);
    EXPECT_EQ(1, result.movedColor);
    EXPECT_EQ(1, LeftInPlace(result));
    const auto files = Tree(pics_);
    EXPECT_EQ(4u, files.size());
    EXPECT_EQ(TinyPng(false, 10), files.at("monochrome/a.png"));
    EXPECT_EQ(TinyPng(true, 20), files.at("color/b.png"));
    EXPECT_EQ("text", files.at("notes.txt"));
    EXPECT_EQ(TinyBmp(false, 30), files.at("sub/monochrome/c.BMP"));
    EXPECT_EQ((std::vector<std::string>{
                  NativeSeparators("[" + p_ + "/a.png]【モノクロ】「" + p_ + "/monochrome/a.png」に移動しました。"),
                  NativeSeparators("[" + p_ + "/b.png]【カラー】「" + p_ + "/color/b.png」に移動しました。"),
                  NativeSeparators("[" + p_ + "/notes.txt]【ERROR】非対応のファイル形式です。"),
                  NativeSeparators("[" + p_ + "/sub/c.BMP]【モノクロ】「" + p_ + "/sub/monochrome/c.BMP」に移動しました。"),
              }),
              SortedLog());
    EXPECT_EQ(std::vector<std::int32_t>{4}, recorder_.ranges);
    EXPECT_EQ(4, recorder_.steps);
    EXPECT_EQ(1, recorder_.ends);
    EXPECT_TRUE(recorder_.errors.empty());
    EXPECT_EQ(0, ActiveWorkers.load());
}

TEST_F(SortRun, FixedDestinationsTakeFilesFromEveryFolderAndKeepTheFirstOfAName) {
    context_.settings.THREAD_NUM = 1;  // list order decides which "a.png" arrives first
    context_.settings.IS_DST_SUBDIR = 0;
    std::filesystem::create_directories(temp_.Path() / "out" / "mono");
    std::filesystem::create_directories(temp_.Path() / "out" / "colour");
    std::filesystem::create_directories(pics_ / "other");
    context_.settings.DST_DIR_MONO = NativeSeparators((temp_.Path() / "out" / "mono").string() + "/");
    context_.settings.DST_DIR_COLOR = (temp_.Path() / "out" / "colour").string();
    WriteBytes(pics_ / "a.png", TinyPng(false, 1));
    WriteBytes(pics_ / "other" / "a.png", TinyPng(false, 2));
    WriteBytes(pics_ / "b.png", TinyPng(true, 3));

    const SortRunResult result = Run({pics_ / "a.png", pics_ / "other" / "a.png", pics_ / "b.png"});

    const std::string out = (temp_.Path() / "out").string();
    EXPECT_EQ(TinyPng(false, 1), ReadBytes(out + "/mono/a.png"));
    EXPECT_EQ(TinyPng(true, 3), ReadBytes(out + "/colour/b.png"));
    EXPECT_EQ(TinyPng(false, 2), ReadBytes(pics_ / "other" / "a.png"));
    const auto lines = LogLines(LogFilePath);
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(NativeSeparators("[" + p_ + "/a.png]【モノクロ】「" + out + "/mono/a.png」に移動しました。"),
              WithoutTime(lines[0]));
    EXPECT_EQ(NativeSeparators("[" + p_ + "/other/a.png]【ERROR】モノクロ画像と判定しましたが、「" + out +
                               "/mono/a.png」への移動に失敗しました。"),
              WithoutTime(lines[1]));
    EXPECT_EQ(NativeSeparators("[" + p_ + "/b.png]【カラー】「" + out + "/colour/b.png」に移動しました。"),
              WithoutTime(lines[2]));
    EXPECT_EQ(1, LeftInPlace(result));
}

TEST_F(SortRun, MissingFixedFolderStopsTheRunBeforeTheLog) {
    context_.settings.IS_DST_SUBDIR = 0;
    context_.settings.DST_DIR_MONO = (temp_.Path() / "nope").string();
    context_.settings.DST_DIR_COLOR = "";
    WriteBytes(pics_ / "a.png", TinyPng(false, 1));

    EXPECT_FALSE(Run({pics_}).started);
    std::filesystem::create_directory(temp_.Path() / "nope");
    EXPECT_FALSE(Run({pics_}).started);

    EXPECT_EQ((std::vector<std::string>{
                  "モノクローム画像ファイルの振り分け先フォルダが存在しません。\nフォルダを作成してから実行して下さい。\n\n    【フォルダのパス】" +
                      (temp_.Path() / "nope").string(),
                  "カラー画像ファイルの振り分け先フォルダが存在しません。\nフォルダを作成してから実行して下さい。\n\n    【フォルダのパス】",
              }),
              recorder_.errors);
    EXPECT_FALSE(Exists(context_.logsFolder));
    EXPECT_EQ(TinyPng(false, 1), ReadBytes(pics_ / "a.png"));
    EXPECT_TRUE(recorder_.ranges.empty());
}

TEST_F(SortRun, DeclinedLogEndsTheRunAndAcceptedOneSortsWithoutLog) {
    std::filesystem::create_directories(context_.logsFolder.parent_path());
    WriteBytes(context_.logsFolder, "in the way");
    WriteBytes(pics_ / "a.png", TinyPng(false, 1));

    recorder_.answer = false;
    EXPECT_FALSE(Run({pics_}).started);
    EXPECT_TRUE(Exists(pics_ / "a.png"));

    recorder_.answer = true;
    const SortRunResult result = Run({pics_});
    EXPECT_TRUE(result.started);
    EXPECT_EQ(1, result.movedMonochrome);
    EXPECT_TRUE(LogFilePath.empty());
    EXPECT_EQ(2u, recorder_.questions.size());
}

TEST_F(SortRun, EmptyFolderLeavesAnEmptyLogAndLaunchesNothing) {
    const SortRunResult result = Run({pics_});

    EXPECT_TRUE(result.started);
    EXPECT_EQ(0, result.listed);
    ASSERT_FALSE(LogFilePath.empty());
    EXPECT_TRUE(Exists(LogFilePath));
    EXPECT_EQ("", ReadBytes(LogFilePath));
    EXPECT_TRUE(recorder_.progress.empty());
    EXPECT_EQ(0, recorder_.steps);
    EXPECT_EQ(std::vector<std::int32_t>{0}, recorder_.ranges);
}

TEST_F(SortRun, SubfoldersAreSortedOnlyWhenSubfoldersAreOn) {
    std::filesystem::create_directory(pics_ / "sub");
    WriteBytes(pics_ / "top.png", TinyPng(false, 1));
    WriteBytes(pics_ / "sub" / "inner.png", TinyPng(false, 2));

    context_.settings.IS_SUBDIRS_TOO = 0;
    EXPECT_EQ(1, Run({pics_}).listed);
    EXPECT_TRUE(Exists(pics_ / "monochrome" / "top.png"));
    EXPECT_TRUE(Exists(pics_ / "sub" / "inner.png"));

    // The second run also enters the "monochrome" folder the first one made.
    context_.settings.IS_SUBDIRS_TOO = 1;
    EXPECT_EQ(2, Run({pics_}).listed);
    EXPECT_TRUE(Exists(pics_ / "sub" / "monochrome" / "inner.png"));
    EXPECT_TRUE(Exists(pics_ / "monochrome" / "monochrome" / "top.png"));
}

TEST_F(SortRun, NonAsciiNamesReachTheLogAsUtf8) {
    // Narrow literals in paths would pass through the Windows code page.
    const auto folder = pics_ / platform::PathFromUtf8("写真 2026");
    const auto name = platform::PathFromUtf8("猫ü.png");
    std::filesystem::create_directory(folder);
    WriteBytes(folder / name, TinyPng(false, 5));

    Run({folder});

    const std::string bytes = ReadBytes(LogFilePath);
    EXPECT_TRUE(std::regex_match(bytes, std::regex("20\\d\\d年[01]\\d月[0-3]\\d日[0-2]\\d時[0-5]\\d分[0-6]\\d秒\\d\\d\\dミリ秒"
                                                   "\\[.*\\]【モノクロ】「.*」に移動しました。\r\n")))
        << bytes;
    // The literals are UTF-8, so are the names in the file: "写真" is E5 86 99 E7 9C 9F.
    const std::string f = NativeSeparators(p_ + "/写真 2026");
    EXPECT_EQ(NativeSeparators("[" + f + "/猫ü.png]【モノクロ】「" + f + "/monochrome/猫ü.png」に移動しました。"),
              WithoutTime(LogLines(LogFilePath).at(0)));
    EXPECT_TRUE(Exists(folder / "monochrome" / name));
}

// A name that is no well-formed text of the platform: on Windows an unpaired surrogate, which
// NTFS allows; on POSIX a byte that is no UTF-8. The run carries it as the bytes it has in
// the core's text (WTF-8 on Windows), so the file is found, moved and logged like any other.
class IllFormedNames : public SortRun {
protected:
#ifdef _WIN32
    const std::filesystem::path listed{std::wstring{L'x', wchar_t(0xD800), L'.', L'p', L'n', L'g'}};
    const std::filesystem::path dropped{std::wstring{wchar_t(0xDC01), L'y', L'.', L'b', L'm', L'p'}};
    const std::string listedText = "x\xED\xA0\x80.png", droppedText = "\xED\xB0\x81y.bmp";
#else
    const std::string listedText = "x\xFF.png", droppedText = "\xC0y.bmp";
    const std::filesystem::path listed{listedText}, dropped{droppedText};
#endif
};

// Even where the file is not there, the name reaches the file system and the log whole.
TEST_F(IllFormedNames, ReachTheFileSystemAndTheLogWhole) {
    std::mutex lock;
    std::vector<std::filesystem::path> opened;
    faults_.files = [&](FileStep step, const std::filesystem::path& path) {
        std::lock_guard<std::mutex> hold(lock);
        if (step == FileStep::OpenForRead) opened.push_back(path);
        return 0;
    };
    Run({pics_ / listed});
    faults_.files = nullptr;
    EXPECT_EQ(std::vector<std::filesystem::path>{pics_ / listed}, opened);
    EXPECT_EQ(std::vector<std::string>{NativeSeparators("[" + p_ + "/" + listedText +
                                                        "]【ERROR】PNGファイルの読み込みに失敗しました。（ファイルの読み込みオープンに失敗しました。）")},
              SortedLog());
}

TEST_F(IllFormedNames, AreSortedAndLoggedLikeAnyOther) {
    const auto folder = pics_ / "listed";
    std::filesystem::create_directory(folder);
    // Wine keeps names on the Linux side as UTF-8, which holds no unpaired surrogate.
    std::ofstream(folder / listed, std::ios::binary) << TinyPng(true, 5);
    if (!Exists(folder / listed)) GTEST_SKIP() << "this file system cannot hold such a name";
    WriteBytes(pics_ / dropped, TinyBmp(false, 9));

    const SortRunResult result = Run({folder, pics_ / dropped});

    EXPECT_EQ(1, result.movedColor);
    EXPECT_EQ(1, result.movedMonochrome);
    EXPECT_EQ(TinyPng(true, 5), ReadBytes(folder / "color" / listed));
    EXPECT_EQ(TinyBmp(false, 9), ReadBytes(pics_ / "monochrome" / dropped));
    const std::string f = p_ + "/listed";
    EXPECT_EQ((std::vector<std::string>{
                  NativeSeparators("[" + f + "/" + listedText + "]【カラー】「" + f + "/color/" + listedText + "」に移動しました。"),
                  NativeSeparators("[" + p_ + "/" + droppedText + "]【モノクロ】「" + p_ + "/monochrome/" + droppedText +
                                   "」に移動しました。"),
              }),
              SortedLog());
}

TEST_F(SortRun, UnsupportedVanishedAndUnreadableFilesStayWithTheirReason) {
    WriteBytes(pics_ / "scan.tga", "II*");
    WriteBytes(pics_ / "broken.bmp", "BM not really a bitmap");
    // Cannot be opened, as when another program holds it without sharing.
    const auto locked = pics_ / "locked.bmp";
    WriteBytes(locked, TinyBmp(false, 1));
    faults_.files = [locked](FileStep step, const std::filesystem::path& path) {
        return step == FileStep::OpenForRead && path == locked ? EACCES : 0;
    };
    // A link to nowhere is listed as a file that cannot be opened. MinGW's library makes no
    // links, so the Windows build goes without it.
    std::error_code error;
    std::filesystem::create_symlink(pics_ / "nowhere.bmp", pics_ / "dangling.bmp", error);
    const bool linked = !error;

    const SortRunResult result = Run({pics_, pics_ / "vanished.bmp"});

    EXPECT_EQ(linked ? 5 : 4, LeftInPlace(result));
    std::vector<std::string> expected = {
        NativeSeparators("[" + p_ + "/broken.bmp]【ERROR】BMPファイルの読み込みに失敗しました。"),
        NativeSeparators("[" + p_ + "/locked.bmp]【ERROR】BMPファイルの読み込みに失敗しました。"),
        NativeSeparators("[" + p_ + "/scan.tga]【ERROR】非対応のファイル形式です。"),
        NativeSeparators("[" + p_ + "/vanished.bmp]【ERROR】BMPファイルの読み込みに失敗しました。"),
    };
    if (linked) {
        expected.insert(expected.begin() + 1,
                        NativeSeparators("[" + p_ + "/dangling.bmp]【ERROR】BMPファイルの読み込みに失敗しました。"));
    }
    EXPECT_EQ(expected, SortedLog());
    EXPECT_EQ(TinyBmp(false, 1), ReadBytes(locked));
    EXPECT_FALSE(Exists(pics_ / "monochrome"));
    EXPECT_FALSE(Exists(pics_ / "color"));
    EXPECT_EQ("II*", ReadBytes(pics_ / "scan.tga"));
}

TEST_F(SortRun, ProgressShowsDoneOfTotalAndTheBarStepsOncePerPath) {
    context_.settings.THREAD_NUM = 1;
    for (int i = 0; i < 3; ++i) WriteBytes(pics_ / (std::to_string(i) + ".png"), TinyPng(false, 1));

    Run({pics_});

    ASSERT_FALSE(recorder_.progress.empty());
    EXPECT_EQ("00%(0/3) - Pallidor", recorder_.progress.front().caption);
    EXPECT_EQ("00% ( 0 / 3 )", recorder_.progress.front().text);
    for (const auto& shown : recorder_.progress) {
        // Shown before a launch or while a worker is active: never all three done.
        EXPECT_LE(shown.done, 2);
        EXPECT_EQ(3, shown.total);
    }
    EXPECT_EQ(3, recorder_.steps);

    const ProgressDisplay partial = MakeProgressDisplay(3, 60);
    EXPECT_EQ("05%(3/60) - Pallidor", partial.caption);
    EXPECT_EQ("05% ( 3 / 60 )", partial.text);
    EXPECT_EQ("100% ( 60 / 60 )", MakeProgressDisplay(60, 60).text);
    EXPECT_EQ("99% ( 2147483646 / 2147483647 )", MakeProgressDisplay(2147483646, 2147483647).text);
}

TEST_F(SortRun, WorkerThreadThatCannotBeMadeIsSkippedCountedAndReported) {
    context_.settings.THREAD_NUM = 1;
    WriteBytes(pics_ / "a.png", TinyPng(false, 1));
    WriteBytes(pics_ / "b.png", TinyPng(false, 2));
    WriteBytes(pics_ / "c.png", TinyPng(false, 3));
    int starts = 0;
    context_.seams.startThread = [&starts](std::function<void()> body) {
        return ++starts != 2 && platform::StartDetachedThread(std::move(body));
    };

    const SortRunResult result = Run({pics_ / "a.png", pics_ / "b.png", pics_ / "c.png"});

    EXPECT_EQ(std::vector<std::string>{"スレッドの作成に失敗しました。"}, recorder_.errors);
    EXPECT_EQ(3, result.handedOut);
    EXPECT_EQ(3, recorder_.steps);
    EXPECT_EQ(1, LeftInPlace(result));
    EXPECT_TRUE(Exists(pics_ / "b.png"));
    const auto lines = LogLines(LogFilePath);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(NativeSeparators("[" + p_ + "/a.png]"), WithoutTime(lines[0]).substr(0, p_.size() + 8));
    EXPECT_EQ(NativeSeparators("[" + p_ + "/c.png]"), WithoutTime(lines[1]).substr(0, p_.size() + 8));
}

TEST_F(SortRun, CancelLetsStartedFilesFinishAndLeavesTheRestUntouchedAndUnlogged) {
    context_.settings.THREAD_NUM = 2;
    for (int i = 0; i < 10; ++i) WriteBytes(pics_ / (std::to_string(i) + ".png"), TinyPng(false, static_cast<std::uint8_t>(i)));
    // The first two workers wait for each other, then the user cancels while both are busy.
    std::mutex gateLock;
    std::condition_variable gate;
    int arrived = 0;
    context_.seams.startThread = [&](std::function<void()> body) {
        return platform::StartDetachedThread([&, body] {
            {
                std::unique_lock<std::mutex> hold(gateLock);
                if (++arrived == 2) {
                    CancelRequested = true;
                    gate.notify_all();
                }
                gate.wait(hold, [&] { return arrived >= 2; });
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            body();
        });
    };

    const SortRunResult result = Run({pics_});

    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(2, result.handedOut);
    EXPECT_EQ(2, result.movedMonochrome);
    EXPECT_EQ(8, LeftInPlace(result));
    EXPECT_EQ(2u, Tree(pics_ / "monochrome").size());
    EXPECT_EQ(10u, Tree(pics_).size());
    EXPECT_EQ(2u, LogLines(LogFilePath).size());
    EXPECT_EQ(2, recorder_.steps);
}

// A run works from its context alone: the process's settings record and the system's clock
// may say anything.
TEST_F(SortRun, TakesItsSettingsPlacesAndClockFromItsContextAlone) {
    const SettingsRecord saved = Settings;
    Settings.IS_DST_SUBDIR = 0;
    Settings.DST_DIR_MONO = Settings.DST_DIR_COLOR = (temp_.Path() / "nowhere").string();
    Settings.IS_SUBDIRS_TOO = 0;
    context_.logsFolder = temp_.Path() / "elsewhere" / "logs";
    context_.seams.clock = [] { return platform::LocalTime{2031, 2, 3, 4, 5, 6, 7}; };
    std::filesystem::create_directory(pics_ / "sub");
    WriteBytes(pics_ / "sub" / "a.png", TinyPng(false, 1));

    const SortRunResult result = Run({pics_});
    Settings = saved;

    EXPECT_EQ(1, result.movedMonochrome);
    EXPECT_TRUE(Exists(pics_ / "sub" / "monochrome" / "a.png"));
    EXPECT_EQ(context_.logsFolder / "2031_02_03_04_05_06_007.txt", LogFilePath);
    const std::vector<std::string> lines = LogLines(LogFilePath);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(0u, lines[0].find("2031年02月03日04時05分06秒007ミリ秒[")) << lines[0];
}

TEST(SortRunState, OnlyOneRunAtATime) {
    TempFolder temp;
    RunEnd runEnd;
    // The start of a run saves the process's settings record: into this test's folder.
    const std::filesystem::path settingsFile = SettingsFilePath;
    SettingsFilePath = temp.Path() / "test_pallidor.ini";
    EXPECT_TRUE(BeginSortRun(UserPrompt{}));
    EXPECT_TRUE(RunBusy.load());
    EXPECT_FALSE(BeginSortRun(UserPrompt{}));
    EndSortRun();
    EXPECT_FALSE(RunBusy.load());
    EXPECT_TRUE(BeginSortRun(UserPrompt{}));
    EndSortRun();
    SettingsFilePath = settingsFile;
}
