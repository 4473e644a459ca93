// Undoing a sorting run from its log: the tree comes back exactly, nothing is ever replaced,
// and what cannot go back stays and is reported.
#include "sort/UndoRun.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

#include "platform/Files.h"
#include "sort/ResultLog.h"
#include "sort/ResultLogReader.h"
#include "sort/SortFixtures.h"
#include "sort/SortRunDriver.h"

using sorttest::Exists;
using sorttest::LogLines;
using sorttest::ReadBytes;
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

// Every file with its bytes and every folder below `root`: what "the same tree" means.
struct Snapshot {
    std::map<std::string, std::string> files;
    std::set<std::string> folders;
    bool operator==(const Snapshot& other) const { return files == other.files && folders == other.folders; }
};

Snapshot Take(const std::filesystem::path& root) {
    Snapshot snapshot{Tree(root), {}};
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_directory(error)) snapshot.folders.insert(std::filesystem::relative(it->path(), root, error).string());
    }
    return snapshot;
}

std::string Text(const std::filesystem::path& path) { return path.string(); }

class UndoRun : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(temp_.Path() / "app");
        std::filesystem::create_directory(pics_);
        context_.settings = SettingsRecord();
        context_.settings.THREAD_NUM = 2;
    }

    // A sorting run over `pics_`; returns its log's bytes.
    std::string Sort() {
        const SortRunResult result = SortRunDriver(context_, {pics_}, recorder_.host);
        EXPECT_TRUE(result.started);
        runLog_ = LogFilePath;
        return ReadBytes(runLog_);
    }

    // An undo with a log of its own, as the console tool runs it; the clocks are this
    // machine's own, so no slack is needed.
    UndoReport Undo(const std::string& logBytes, bool dryRun = false) {
        UndoOptions options;
        options.dryRun = dryRun;
        options.clockSlackMilliseconds = 0;
        options.hasRunStart = RunStartFromLogName(runLog_.filename().string(), options.runStart);
        EXPECT_TRUE(LoadPlacedIdentities(runLog_, options));
        LogFilePath.clear();
        if (!dryRun) {
            EXPECT_TRUE(OpenResultLog(context_, recorder_.host));
        }
        const UndoReport report = UndoSortRun(context_, logBytes, options);
        CloseResultLog();
        return report;
    }

    TempFolder temp_;
    FaultyFileSystem faults_;
    RunContext context_ = TestRunContext(temp_.Path() / "app", faults_);
    RunEnd runEnd_;
    RecordingHost recorder_;
    std::filesystem::path pics_ = temp_.Path() / "pics";
    std::filesystem::path runLog_;
};

}  // namespace

TEST_F(UndoRun, UndoRestoresTheTreeExactlyAfterCollisionsAndFailuresAndOnlyOnce) {
    WriteBytes(pics_ / "a.png", TinyPng(false, 1));
    WriteBytes(pics_ / "b.png", TinyPng(true, 2));
    WriteBytes(pics_ / "notes.txt", "not a picture");
    WriteBytes(pics_ / "broken.png", "\x89PNG broken");
    std::filesystem::create_directories(pics_ / "sub" / "empty");
    WriteBytes(pics_ / "sub" / "c.bmp", TinyBmp(false, 3));
    // An earlier run's colour folder: e.png collides with what it holds (which fails to decode
    // and so stays), and d.png, listed from inside it, is sorted into a "color" of its own.
    std::filesystem::create_directory(pics_ / "color");
    WriteBytes(pics_ / "color" / "e.png", "a file in the way");
    WriteBytes(pics_ / "color" / "d.png", TinyPng(true, 4));
    WriteBytes(pics_ / "e.png", TinyPng(true, 5));
    const Snapshot before = Take(pics_);

    const std::string log = Sort();
    ASSERT_TRUE(Exists(pics_ / "color" / "color" / "d.png"));
    ASSERT_TRUE(Exists(pics_ / "sub" / "monochrome" / "c.bmp"));
    ASSERT_TRUE(Exists(pics_ / "e.png"));  // the collision stayed
    const Snapshot sorted = Take(pics_);

    // A dry run changes nothing, writes no log, and foretells the real undo.
    const UndoReport dry = Undo(log, true);
    EXPECT_EQ(sorted, Take(pics_));
    EXPECT_TRUE(LogFilePath.empty());

    const UndoReport report = Undo(log);
    EXPECT_EQ(4, report.movedBack);
    EXPECT_EQ(0, report.left);
    EXPECT_EQ(before, Take(pics_));
    // The run's own folders went, the earlier run's "color" stayed (it still holds e.png).
    EXPECT_EQ((std::vector<std::string>{Text(pics_ / "sub" / "monochrome"), Text(pics_ / "color" / "color"),
                                        Text(pics_ / "monochrome")}),
              report.removedFolders);
    EXPECT_EQ(report.removedFolders, dry.removedFolders);
    ASSERT_EQ(report.files.size(), dry.files.size());
    for (std::size_t i = 0; i < report.files.size(); ++i) EXPECT_EQ(report.files[i].message, dry.files[i].message);

    // A second undo finds every file gone from its destination and changes nothing.
    const UndoReport again = Undo(log);
    EXPECT_EQ(0, again.movedBack);
    EXPECT_EQ(4, again.left);
    EXPECT_TRUE(again.removedFolders.empty());
    EXPECT_EQ(before, Take(pics_));
}

TEST_F(UndoRun, TheUndosLogIsARunLogThatSortsTheFilesAgain) {
    WriteBytes(pics_ / "a.png", TinyPng(false, 1));
    WriteBytes(pics_ / "b.png", TinyPng(true, 2));
    const std::string log = Sort();
    const Snapshot sorted = Take(pics_);
    Undo(log);

    const std::vector<std::string> lines = LogLines(LogFilePath);
    ASSERT_EQ(4u, lines.size());
    const std::set<std::string> bodies{WithoutTime(lines[0]), WithoutTime(lines[1]), WithoutTime(lines[2]),
                                       WithoutTime(lines[3])};
    EXPECT_EQ((std::set<std::string>{
                  "[" + Text(pics_ / "monochrome" / "a.png") + "]【モノクロ】「" + Text(pics_ / "a.png") + "」に移動しました。",
                  "[" + Text(pics_ / "color" / "b.png") + "]【カラー】「" + Text(pics_ / "b.png") + "」に移動しました。",
                  "[" + Text(pics_ / "monochrome") + "]【フォルダ】空になった振り分け先フォルダを削除しました。",
                  "[" + Text(pics_ / "color") + "]【フォルダ】空になった振り分け先フォルダを削除しました。"}),
              bodies);

    // Undoing the undo puts every file where the run had put it, folders made again.
    runLog_ = LogFilePath;
    const UndoReport redo = Undo(ReadBytes(runLog_));
    EXPECT_EQ(2, redo.movedBack);
    EXPECT_EQ(sorted, Take(pics_));
}

TEST_F(UndoRun, RenamedReplacedOrRetakenFilesStayAndAreReported) {
    for (const char* name : {"a.png", "b.png", "c.png", "d.png"}) WriteBytes(pics_ / name, TinyPng(false, name[0]));
    const std::string log = Sort();
    std::filesystem::rename(pics_ / "monochrome" / "a.png", pics_ / "monochrome" / "a2.png");
    // Later than the run's log line by more than the file system's clock step.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    WriteBytes(pics_ / "monochrome" / "b.png", "replaced");
    WriteBytes(pics_ / "c.png", "a new c");

    const UndoReport report = Undo(log);
    EXPECT_EQ(1, report.movedBack);
    EXPECT_EQ(3, report.left);
    std::map<std::string, std::string> messages;
    for (const UndoneFile& file : report.files) messages[file.origin] = file.message;
    EXPECT_EQ("【ERROR】移動先にファイルがないため、「" + Text(pics_ / "a.png") + "」に戻せませんでした。",
              messages[Text(pics_ / "a.png")]);
    EXPECT_EQ("【ERROR】移動先のファイルが振り分けの後に変更されているため、「" + Text(pics_ / "b.png") + "」に戻しませんでした。",
              messages[Text(pics_ / "b.png")]);
    EXPECT_EQ("【ERROR】「" + Text(pics_ / "c.png") + "」に別のファイルがあるため、戻しませんでした。",
              messages[Text(pics_ / "c.png")]);
    EXPECT_EQ("【モノクロ】「" + Text(pics_ / "d.png") + "」に移動しました。", messages[Text(pics_ / "d.png")]);

    // Nothing was replaced or lost, and the folder that still holds files stays.
    EXPECT_EQ(TinyPng(false, 'a'), ReadBytes(pics_ / "monochrome" / "a2.png"));
    EXPECT_EQ("replaced", ReadBytes(pics_ / "monochrome" / "b.png"));
    EXPECT_EQ(TinyPng(false, 'c'), ReadBytes(pics_ / "monochrome" / "c.png"));
    EXPECT_EQ("a new c", ReadBytes(pics_ / "c.png"));
    EXPECT_EQ(TinyPng(false, 'd'), ReadBytes(pics_ / "d.png"));
    EXPECT_TRUE(report.removedFolders.empty());
    EXPECT_EQ(4u, LogLines(LogFilePath).size());
}

TEST_F(UndoRun, FixedDestinationsTakeTheFilesBackAndStay) {
    const std::filesystem::path mono = temp_.Path() / "out" / "monochrome";
    const std::filesystem::path colour = temp_.Path() / "out" / "color";
    std::filesystem::create_directories(mono);
    std::filesystem::create_directories(colour);
    context_.settings.IS_DST_SUBDIR = 0;
    context_.settings.DST_DIR_MONO = Text(mono);
    context_.settings.DST_DIR_COLOR = Text(colour);
    std::filesystem::create_directory(pics_ / "sub");
    WriteBytes(pics_ / "sub" / "a.png", TinyPng(false, 1));
    WriteBytes(pics_ / "b.png", TinyPng(true, 2));
    const Snapshot before = Take(pics_);
    const std::string log = Sort();
    // The source folder went after the sort: it is made again for the file.
    std::filesystem::remove(pics_ / "sub");

    const UndoReport report = Undo(log);
    EXPECT_EQ(2, report.movedBack);
    EXPECT_EQ(before, Take(pics_));
    EXPECT_TRUE(platform::IsDirectory(mono));
    EXPECT_TRUE(platform::IsDirectory(colour));
    EXPECT_TRUE(report.removedFolders.empty());
}

namespace {

// Whether the file system keeps a folder's creation time apart from later changes of the
// folder: Wine on Linux, for one, reports the last status change as the creation.
bool KeepsCreationTimes(const std::filesystem::path& folder) {
    platform::EntryTimes made;
    if (!platform::ReadEntryTimes(folder, made) || !made.hasCreated) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    WriteBytes(folder / "probe", "");
    std::filesystem::remove(folder / "probe");
    platform::EntryTimes later;
    return platform::ReadEntryTimes(folder, later) && later.hasCreated &&
           MillisecondsOf(later.created) == MillisecondsOf(made.created);
}

}  // namespace

TEST_F(UndoRun, AFolderOlderThanTheRunIsNotTheRunsToRemove) {
    // A fixed destination that happens to sit where a sub-folder destination would.
    std::filesystem::create_directory(pics_ / "monochrome");
    if (!KeepsCreationTimes(pics_ / "monochrome")) GTEST_SKIP() << "this file system keeps no creation times";
    context_.settings.IS_DST_SUBDIR = 0;
    context_.settings.DST_DIR_MONO = Text(pics_ / "monochrome");
    context_.settings.DST_DIR_COLOR = Text(pics_ / "monochrome");
    WriteBytes(pics_ / "a.png", TinyPng(false, 1));
    const std::string log = Sort();

    const UndoReport report = Undo(log);
    EXPECT_EQ(1, report.movedBack);
    EXPECT_TRUE(report.removedFolders.empty());
    EXPECT_TRUE(platform::IsDirectory(pics_ / "monochrome"));
}

TEST_F(UndoRun, RunsUndoneNewestFirstRestoreTheTreeAndAForgedLineMovesNothing) {
    for (const char* name : {"a.png", "b.png"}) WriteBytes(pics_ / name, TinyPng(false, name[0]));
    const Snapshot before = Take(temp_.Path() / "pics");
    const std::string first = Sort();
    const std::filesystem::path firstLog = runLog_;
    // A second run over the destination moves the files one level further down.
    const std::filesystem::path saved = pics_;
    pics_ = pics_ / "monochrome";
    const std::string second = Sort();
    const std::filesystem::path secondLog = runLog_;
    pics_ = saved;

    // A line no run wrote, naming a file the user keeps elsewhere, with a time in the future.
    std::filesystem::create_directories(temp_.Path() / "victim");
    WriteBytes(temp_.Path() / "victim" / "notes.txt", "mine");
    const std::string forged = FormatResultLogLine(platform::LocalTime{2999, 1, 1, 0, 0, 0, 0},
                                                   Text(temp_.Path() / "elsewhere" / "notes.txt"),
                                                   "【モノクロ】「" + Text(temp_.Path() / "victim" / "notes.txt") +
                                                       "」に移動しました。");

    runLog_ = secondLog;
    EXPECT_EQ(2, Undo(second + forged).movedBack);
    EXPECT_EQ("mine", ReadBytes(temp_.Path() / "victim" / "notes.txt"));
    // The first undo's renames changed the files' change times, not their identities.
    runLog_ = firstLog;
    const UndoReport report = Undo(first);
    EXPECT_EQ(2, report.movedBack);
    EXPECT_EQ(0, report.left);
    EXPECT_EQ(before, Take(temp_.Path() / "pics"));
}
