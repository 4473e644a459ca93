// Moves between file systems through the move journal: stopped at each step as a kill would
// stop them, or failing there, and then recovered, every file exists exactly once with its
// own bytes, and nothing temporary stays. Another file system is played by the fault seam,
// which makes the first rename report one.
#include "sort/MoveJournal.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>

#include "cli/RecoverCommand.h"
#include "platform/FileSystem.h"
#include "platform/MoveSteps.h"
#include "platform/Places.h"
#include "platform/Text.h"
#include "sort/FileMover.h"
#include "sort/ResultLog.h"
#include "sort/SortFixtures.h"
#include "sort/SortPath.h"
#include "sort/SortRunDriver.h"
#include "support/Variables.h"

using platform::FileStep;
using platform::MoveStep;
using sorttest::Exists;
using sorttest::LogLines;
using sorttest::NativeSeparators;
using sorttest::ReadBytes;
using sorttest::FaultyFileSystem;
using sorttest::RunEnd;
using sorttest::TestRunContext;
using sorttest::TempFolder;
using sorttest::Tree;
using sorttest::WithoutTime;
using sorttest::WriteBytes;

namespace {

class MoveJournal : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(temp_.Path() / "from");
        std::filesystem::create_directory(temp_.Path() / "to");
        // Larger than one copy block, so the copy loop turns more than once.
        for (int i = 0; i < 150000; ++i) contents_.push_back(static_cast<char>('a' + i % 26));
        WriteBytes(source_, contents_);
    }

    // Makes the first rename report another file system and fails `failing` with EIO (the
    // copy on its second block, half the file written).
    void OtherFileSystem(MoveStep failing = MoveStep::Rename) {
        auto copyBlocks = std::make_shared<int>(0);
        faults_.moves = [failing, copyBlocks](MoveStep step) {
            if (step == MoveStep::Rename) return EXDEV;
            if (step != failing) return 0;
            return step != MoveStep::Copy || ++*copyBlocks == 2 ? EIO : 0;
        };
    }

    MoveOutcome Move() {
        PendingMove pending;
        const MoveOutcome outcome = MoveFileJournaled(context_, sourceText_, targetText_, false, pending);
        FinishMove(context_, pending);
        return outcome;
    }

    // Every file outside the logs folder but a copy's temporary second name, and the journal's
    // entries.
    std::map<std::string, std::string> Files() const {
        auto files = Tree(temp_.Path() / "from");
        for (const auto& [name, bytes] : Tree(temp_.Path() / "to")) {
            if (name.rfind(".pallidor-move-", 0) != 0) files["to/" + name] = bytes;
        }
        return files;
    }
    // The temporary names of copies in the target folder.
    std::vector<std::string> Temporaries() const {
        std::vector<std::string> names;
        for (const auto& [name, bytes] : Tree(temp_.Path() / "to")) {
            if (name.rfind(".pallidor-move-", 0) == 0) names.push_back(platform::PathToUtf8(temp_.Path() / "to" / name));
        }
        return names;
    }
    std::size_t JournalEntries() const { return Tree(context_.journalFolder).size(); }
    // The current log's lines without their time stamps.
    static std::vector<std::string> Logged() {
        std::vector<std::string> lines;
        for (const std::string& line : LogLines(LogFilePath)) lines.push_back(WithoutTime(line));
        return lines;
    }

    // Exactly one file, with the source's bytes, at `where` (the source or the target).
    void ExpectOnlyFileAt(const std::filesystem::path& where, const std::string& context) const {
        EXPECT_EQ(1u, Files().size()) << context;
        EXPECT_TRUE(ReadBytes(where) == contents_) << context;
    }

    TempFolder temp_;
    FaultyFileSystem faults_;
    RunContext context_ = TestRunContext(temp_.Path(), faults_);
    RunEnd runEnd_;
    std::string contents_;
    std::filesystem::path source_ = temp_.Path() / "from" / platform::PathFromUtf8("写真.png");
    std::filesystem::path target_ = temp_.Path() / "to" / platform::PathFromUtf8("写真.png");
    std::string sourceText_ = platform::PathToUtf8(source_);
    std::string targetText_ = platform::PathToUtf8(target_);
};

}  // namespace

TEST_F(MoveJournal, OneRenameWhereItCanBeOneAndNoJournal) {
    EXPECT_EQ(MoveOutcome::Moved, Move());
    ExpectOnlyFileAt(target_, "rename");
    EXPECT_FALSE(Exists(context_.journalFolder));
}

TEST_F(MoveJournal, ACopyIsJournaledUntilItsLogLineIsWrittenThenCleared) {
    OtherFileSystem();
    PendingMove pending;
    EXPECT_EQ(MoveOutcome::Moved, MoveFileJournaled(context_, sourceText_, targetText_, true, pending));
    ExpectOnlyFileAt(target_, "moved");
    EXPECT_EQ(1u, JournalEntries());
    // Until then the copy keeps its temporary name too: the proof that the target is the copy.
    ASSERT_EQ(1u, Temporaries().size());
    EXPECT_TRUE(std::filesystem::equivalent(Temporaries()[0], target_));
    // Held: a recovery meanwhile, as by another process, leaves it alone.
    EXPECT_TRUE(RecoverInterruptedMoves(context_, false).empty());
    FinishMove(context_, pending);
    EXPECT_EQ(0u, JournalEntries());
    EXPECT_TRUE(Temporaries().empty());
    ExpectOnlyFileAt(target_, "finished");
}

TEST_F(MoveJournal, FailureAtEachStepLeavesTheSourceWholeAndNoCopyNoEntry) {
    for (const MoveStep step : {MoveStep::OpenSource, MoveStep::CreateTemporary, MoveStep::Copy, MoveStep::Flush,
                                MoveStep::Place, MoveStep::RemoveSource}) {
        OtherFileSystem(step);
        EXPECT_EQ(MoveOutcome::Failed, Move()) << static_cast<int>(step);
        ExpectOnlyFileAt(source_, std::to_string(static_cast<int>(step)));
        EXPECT_EQ(0u, JournalEntries()) << static_cast<int>(step);
    }
}

TEST_F(MoveJournal, ATakenTargetIsRefusedBeforeAnythingIsCopied) {
    WriteBytes(target_, "older");
    OtherFileSystem();
    EXPECT_EQ(MoveOutcome::Failed, Move());
    EXPECT_EQ("older", ReadBytes(target_));
    EXPECT_TRUE(contents_ == ReadBytes(source_));
    EXPECT_EQ(2u, Files().size());
}

TEST_F(MoveJournal, AJournalThatCannotBeWrittenMeansNoCopyAndTheLineSaysWhy) {
    // The folder first: once made, it is not made again.
    for (const FileStep failing : {FileStep::CreateFolder, FileStep::CreateNew}) {
        OtherFileSystem();
        faults_.files = [failing](FileStep step, const std::filesystem::path&) {
            return step == failing ? EROFS : 0;
        };
        EXPECT_EQ(MoveOutcome::NotJournaled, Move());
        ExpectOnlyFileAt(source_, "journal");

        context_.settings.IS_DST_SUBDIR = 0;
        context_.settings.DST_DIR_COLOR = platform::PathToUtf8(temp_.Path() / "to");
        std::string message;
        const SplitPath split = SplitSortPath(sourceText_);
        EXPECT_FALSE(MoveToDestination(context_, 0, sourceText_, split.folder, split.name, message));
        EXPECT_EQ("【ERROR】カラー画像と判定しましたが、移動の記録を書き込めないため、「" + targetText_ +
                      "」への移動を中止しました。",
                  message);
        ExpectOnlyFileAt(source_, "mover");
        faults_.files = nullptr;
    }
}

TEST_F(MoveJournal, WhereTheLogsFolderCannotHoldTheJournalThePerUserPlaceDoes) {
    const std::filesystem::path local = temp_.Path() / "local";
    testsupport::ScopedVariable localAppData("LOCALAPPDATA", platform::PathToUtf8(local).c_str());
    const std::filesystem::path fallback = context_.fallbackJournalFolder;
    // The program's own folder cannot be written (Program Files, say).
    const std::filesystem::path logs = context_.logsFolder;
    faults_.files = [logs](FileStep step, const std::filesystem::path& path) {
        const bool inLogs = platform::PathToUtf8(path).rfind(platform::PathToUtf8(logs), 0) == 0;
        return (step == FileStep::CreateFolder || step == FileStep::CreateNew) && inLogs ? EACCES : 0;
    };
    OtherFileSystem();
    context_.seams.stopsBefore = [](JournaledStep step) { return step == JournaledStep::RemoveSource; };
    const MoveOutcome outcome = Move();
    context_.seams.stopsBefore = nullptr;
    faults_.moves = nullptr;
    faults_.files = nullptr;
    if (fallback.empty()) {
        // POSIX: the logs folder is the user's own; there is no other place to go.
        EXPECT_EQ(MoveOutcome::NotJournaled, outcome);
        ExpectOnlyFileAt(source_, "not journaled");
        return;
    }
    EXPECT_EQ(1u, Tree(fallback).size());
    LogFilePath = temp_.Path() / "log.txt";
    const std::vector<RecoveredMove> moves = RecoverInterruptedMoves(context_, false);
    ASSERT_EQ(1u, moves.size());
    EXPECT_EQ(RecoveredAs::Finished, moves[0].outcome);
    ExpectOnlyFileAt(target_, "finished from the per-user journal");
    EXPECT_TRUE(Tree(fallback).empty());
}

// A kill before a step, and a failed step whose clean-up is killed: what each leaves behind
// is settled by the recovery, which finishes the move once the whole copy is in place.
TEST_F(MoveJournal, KilledAtAnyStepTheRecoveryLeavesOneWholeFile) {
    struct Row {
        JournaledStep stop;
        MoveStep failing;  // Rename: nothing fails
        RecoveredAs expected;
        bool recovered;  // false: nothing was journaled to recover
    };
    const Row rows[] = {
        {JournaledStep::WriteJournal, MoveStep::Rename, RecoveredAs::RolledBack, false},
        {JournaledStep::Copy, MoveStep::Rename, RecoveredAs::RolledBack, true},
        {JournaledStep::CleanUp, MoveStep::Copy, RecoveredAs::RolledBack, true},  // half a copy
        {JournaledStep::CleanUp, MoveStep::Flush, RecoveredAs::RolledBack, true},
        {JournaledStep::Place, MoveStep::Rename, RecoveredAs::RolledBack, true},   // a whole copy
        {JournaledStep::CleanUp, MoveStep::Place, RecoveredAs::RolledBack, true},
        {JournaledStep::RemoveSource, MoveStep::Rename, RecoveredAs::Finished, true},  // two files
        {JournaledStep::CleanUp, MoveStep::RemoveSource, RecoveredAs::Finished, true},
        {JournaledStep::ClearJournal, MoveStep::Rename, RecoveredAs::Finished, true},  // line not written
    };
    int logs = 0;
    for (const Row& row : rows) {
        const std::string context = std::to_string(static_cast<int>(row.stop)) + "/" +
                                    std::to_string(static_cast<int>(row.failing));
        OtherFileSystem(row.failing);
        context_.seams.stopsBefore = [&row](JournaledStep step) { return step == row.stop; };
        Move();
        context_.seams.stopsBefore = nullptr;
        faults_.moves = nullptr;

        // The dry run tells and changes nothing.
        const auto before = Files();
        const std::vector<RecoveredMove> preview = RecoverInterruptedMoves(context_, true);
        EXPECT_EQ(before, Files()) << context;

        LogFilePath = temp_.Path() / (std::to_string(++logs) + ".txt");
        const std::vector<RecoveredMove> moves = RecoverInterruptedMoves(context_, false);
        ASSERT_EQ(row.recovered ? 1u : 0u, moves.size()) << context;
        ASSERT_EQ(moves.size(), preview.size()) << context;
        EXPECT_EQ(0u, JournalEntries()) << context;
        if (row.expected == RecoveredAs::Finished) {
            ExpectOnlyFileAt(target_, context);
            // The new log has the usual moved line.
            EXPECT_EQ(std::vector<std::string>{"[" + sourceText_ + "]【カラー】「" + targetText_ + "」に移動しました。"},
                      Logged())
                << context;
        } else {
            ExpectOnlyFileAt(source_, context);
            EXPECT_FALSE(Exists(LogFilePath)) << context;
        }
        if (!moves.empty()) {
            EXPECT_EQ(row.expected, moves[0].outcome) << context;
            EXPECT_EQ(preview[0].outcome, moves[0].outcome) << context;
            EXPECT_EQ(preview[0].removed, moves[0].removed) << context;
        }
        // Back where it started for the next row.
        if (!Exists(source_)) std::filesystem::rename(target_, source_);
    }
}

TEST_F(MoveJournal, TheRecoveryRemovesNothingWhoseBytesDifferFromWhatTheJournalExpects) {
    // Killed with the whole copy in place; then the source is edited.
    OtherFileSystem();
    context_.seams.stopsBefore = [](JournaledStep step) { return step == JournaledStep::RemoveSource; };
    Move();
    WriteBytes(source_, "edited since");
    LogFilePath = temp_.Path() / "log.txt";
    std::vector<RecoveredMove> moves = RecoverInterruptedMoves(context_, false);
    ASSERT_EQ(1u, moves.size());
    EXPECT_EQ(RecoveredAs::Left, moves[0].outcome);
    EXPECT_TRUE(moves[0].removed.empty());
    EXPECT_EQ("edited since", ReadBytes(source_));
    EXPECT_TRUE(contents_ == ReadBytes(target_));
    EXPECT_EQ(std::vector<std::string>{"[" + sourceText_ + "]【ERROR】中断された「" + targetText_ +
                                       "」への移動を確かめられなかったため、どのファイルも削除しませんでした。"},
              Logged());
    EXPECT_EQ(0u, JournalEntries());

    // The copy keeps its temporary name beside the target: nothing was removed.
    ASSERT_EQ(1u, Temporaries().size());
    std::filesystem::remove(Temporaries()[0]);

    // Killed with half a copy under the temporary name; then the source is replaced.
    std::filesystem::remove(target_);
    WriteBytes(source_, contents_);
    OtherFileSystem(MoveStep::Copy);
    context_.seams.stopsBefore = [](JournaledStep step) { return step == JournaledStep::CleanUp; };
    Move();
    WriteBytes(source_, std::string(contents_.size(), 'z'));
    const auto before = Files();
    ASSERT_EQ(1u, before.size());
    ASSERT_EQ(1u, Temporaries().size());
    moves = RecoverInterruptedMoves(context_, false);
    ASSERT_EQ(1u, moves.size());
    EXPECT_EQ(RecoveredAs::Left, moves[0].outcome);
    EXPECT_EQ(before, Files());
    EXPECT_EQ(1u, Temporaries().size());
}

TEST_F(MoveJournal, OnlyEntriesAreReadAndOnlyUnfinishedEntryWritesRemoved) {
    const std::filesystem::path folder = context_.journalFolder;
    std::filesystem::create_directories(folder);
    WriteBytes(folder / "0123456789abcdef.move.tmp", "pallidor move journal 1\nsource=");
    WriteBytes(folder / "notes.txt", "the user's own");
    WriteBytes(folder / "fedcba9876543210.move", "pallidor move journal 1\nsource=" + sourceText_ + "\n");
    EXPECT_TRUE(RecoverInterruptedMoves(context_, false).empty());
    EXPECT_FALSE(Exists(folder / "0123456789abcdef.move.tmp"));
    EXPECT_TRUE(Exists(folder / "notes.txt"));
    EXPECT_TRUE(Exists(folder / "fedcba9876543210.move"));
    ExpectOnlyFileAt(source_, "untouched");
}

TEST_F(MoveJournal, TheNextRunFinishesAKilledMoveBeforeListingAndLogsItsMovedLine) {
    context_.settings.THREAD_NUM = 1;
    context_.settings.IS_DST_SUBDIR = 0;
    context_.settings.DST_DIR_MONO = context_.settings.DST_DIR_COLOR = platform::PathToUtf8(temp_.Path() / "to");
    std::filesystem::remove(source_);
    const std::filesystem::path picture = temp_.Path() / "from" / "a.png";
    const std::string bytes = sorttest::TinyPng(true, 9);
    WriteBytes(picture, bytes);
    const std::string from = platform::PathToUtf8(picture);
    const std::string to = platform::PathToUtf8(temp_.Path() / "to" / "a.png");

    // Killed with the whole copy in place and the source not yet removed.
    OtherFileSystem();
    context_.seams.stopsBefore = [](JournaledStep step) { return step == JournaledStep::RemoveSource; };
    sorttest::RecordingHost killed;
    SortRunDriver(context_, {temp_.Path() / "from"}, killed.host);
    context_.seams.stopsBefore = nullptr;
    faults_.moves = nullptr;
    ASSERT_EQ(2u, Files().size());

    // What recover would do, changing nothing.
    ASSERT_EQ(1u, Temporaries().size());
    const std::string temporary = Temporaries()[0];
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(0, RecoverCommand(context_, true, QuestionAnswer::No));
    EXPECT_EQ("would finish\t" + from + "\t" + to + "\nwould remove\t" + from + "\nwould remove\t" + temporary +
                  "\nwould finish: 1\nwould roll back: 0\nwould leave: 0\nlog: none\n",
              ::testing::internal::GetCapturedStdout());
    ASSERT_EQ(2u, Files().size());

    sorttest::RecordingHost next;
    const SortRunResult result = SortRunDriver(context_, {temp_.Path() / "from"}, next.host);
    EXPECT_EQ(0, result.listed);
    EXPECT_EQ(std::vector<std::string>{"[" + from + "]【カラー】「" + to + "」に移動しました。"}, Logged());
    EXPECT_EQ((std::map<std::string, std::string>{{"to/a.png", bytes}}), Files());
    EXPECT_TRUE(Temporaries().empty());
    EXPECT_EQ(0u, JournalEntries());
}

TEST_F(MoveJournal, RecoverPrintsWhatItSettlesAndWritesALogOnlyWhenThereIsSomething) {
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(0, RecoverCommand(context_, false, QuestionAnswer::No));
    EXPECT_EQ("finished: 0\nrolled back: 0\nleft: 0\nlog: none\n", ::testing::internal::GetCapturedStdout());
    EXPECT_TRUE(Tree(context_.journalFolder.parent_path()).empty());

    // Killed before the copy began, and with a copy whose source was edited since.
    OtherFileSystem();
    context_.seams.stopsBefore = [](JournaledStep step) { return step == JournaledStep::Copy; };
    Move();
    context_.seams.stopsBefore = nullptr;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(0, RecoverCommand(context_, false, QuestionAnswer::No));
    ASSERT_FALSE(LogFilePath.empty());
    EXPECT_EQ("rolled back\t" + sourceText_ + "\t" + targetText_ + "\nfinished: 0\nrolled back: 1\nleft: 0\nlog: " +
                  platform::PathToUtf8(LogFilePath) + "\n",
              ::testing::internal::GetCapturedStdout());
    ExpectOnlyFileAt(source_, "rolled back");

    context_.seams.stopsBefore = [](JournaledStep step) { return step == JournaledStep::RemoveSource; };
    Move();
    context_.seams.stopsBefore = nullptr;
    WriteBytes(source_, "edited");
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(1, RecoverCommand(context_, false, QuestionAnswer::No));
    EXPECT_EQ("left\t" + sourceText_ + "\t【ERROR】中断された「" + targetText_ +
                  "」への移動を確かめられなかったため、どのファイルも削除しませんでした。\nfinished: 0\nrolled back: 0\nleft: 1\nlog: " +
                  platform::PathToUtf8(LogFilePath) + "\n",
              ::testing::internal::GetCapturedStdout());
    EXPECT_EQ("edited", ReadBytes(source_));
    EXPECT_TRUE(contents_ == ReadBytes(target_));
}

TEST_F(MoveJournal, ACopyIsProvenByIdentityNeverByEqualBytes) {
    // Identical pictures from two folders for one target, across file systems, as two
    // processes move them: one is killed with its whole copy under its temporary name, then
    // the other's move is done.
    const std::filesystem::path twin = temp_.Path() / "from" / "twin" / platform::PathFromUtf8("写真.png");
    std::filesystem::create_directories(twin.parent_path());
    WriteBytes(twin, contents_);
    OtherFileSystem();
    context_.seams.stopsBefore = [](JournaledStep step) { return step == JournaledStep::Place; };
    PendingMove pending;
    MoveFileJournaled(context_, platform::PathToUtf8(twin), targetText_, false, pending);
    context_.seams.stopsBefore = nullptr;
    EXPECT_EQ(MoveOutcome::Moved, Move());
    faults_.moves = nullptr;
    ASSERT_EQ(1u, Temporaries().size());

    LogFilePath = temp_.Path() / "log.txt";
    const std::vector<RecoveredMove> moves = RecoverInterruptedMoves(context_, false);
    ASSERT_EQ(1u, moves.size());
    EXPECT_EQ(RecoveredAs::RolledBack, moves[0].outcome);
    EXPECT_TRUE(contents_ == ReadBytes(twin));
    EXPECT_TRUE(contents_ == ReadBytes(target_));
    EXPECT_TRUE(Temporaries().empty());
    EXPECT_EQ(0u, JournalEntries());
}

TEST_F(MoveJournal, AnEntryOfAnotherShapeIsReportedAndLeftAlone) {
    // Written by hand: its temporary is not the one its id gives, or its paths are not normal.
    OtherFileSystem();
    context_.seams.stopsBefore = [](JournaledStep step) { return step == JournaledStep::RemoveSource; };
    Move();
    context_.seams.stopsBefore = nullptr;
    faults_.moves = nullptr;
    const std::filesystem::path entry = *std::filesystem::directory_iterator(context_.journalFolder);
    const std::string good = ReadBytes(entry);
    const std::string temporary = Temporaries()[0];
    const std::string other = platform::PathToUtf8(temp_.Path() / "to" / "other.png");
    const std::string dotted = platform::PathToUtf8(temp_.Path() / "to" / ".." / "to" / "写真.png");
    for (const auto& [from, to] : {std::pair<std::string, std::string>{temporary, other},
                                   std::pair<std::string, std::string>{"target=" + targetText_, "target=" + dotted}}) {
        std::string edited = good;
        edited.replace(edited.find(from), from.size(), to);
        WriteBytes(entry, edited);
        const auto before = Files();
        LogFilePath = temp_.Path() / "log.txt";
        const std::vector<RecoveredMove> moves = RecoverInterruptedMoves(context_, false);
        ASSERT_EQ(1u, moves.size()) << to;
        EXPECT_EQ(RecoveredAs::Left, moves[0].outcome) << to;
        EXPECT_EQ(before, Files()) << to;
        EXPECT_TRUE(Exists(entry)) << to;
    }
}

TEST_F(MoveJournal, AKillAfterTheLogLineGivesNoSecondLineAndARenameWithoutItsLineGetsOne) {
    // Across file systems, stopped once the entry has noted the line.
    OtherFileSystem();
    context_.seams.stopsBefore = [](JournaledStep step) { return step == JournaledStep::ClearTemporary; };
    Move();
    context_.seams.stopsBefore = nullptr;
    faults_.moves = nullptr;
    LogFilePath = temp_.Path() / "first.txt";
    std::vector<RecoveredMove> moves = RecoverInterruptedMoves(context_, false);
    ASSERT_EQ(1u, moves.size());
    EXPECT_EQ(RecoveredAs::Finished, moves[0].outcome);
    EXPECT_FALSE(Exists(LogFilePath));
    ExpectOnlyFileAt(target_, "finished");
    EXPECT_TRUE(Temporaries().empty());

    // On one file system, renamed under a run's log and never logged, as when killed there.
    std::filesystem::rename(target_, source_);
    sorttest::RecordingHost host;
    ASSERT_TRUE(OpenResultLog(context_, host.host));
    const std::filesystem::path killedLog = LogFilePath;
    PendingMove pending;
    ASSERT_EQ(MoveOutcome::Moved, MoveFileJournaled(context_, sourceText_, targetText_, false, pending));
    CloseResultLog();
    ASSERT_TRUE(OpenResultLog(context_, host.host));
    moves = RecoverInterruptedMoves(context_, false);
    ASSERT_EQ(1u, moves.size());
    EXPECT_EQ(RecoveredAs::Finished, moves[0].outcome);
    EXPECT_EQ(std::vector<std::string>{"[" + sourceText_ + "]【カラー】「" + targetText_ + "」に移動しました。"}, Logged());
    EXPECT_TRUE(LogLines(killedLog).empty());
    // Settled once: the killed run's record is ended.
    EXPECT_TRUE(RecoverInterruptedMoves(context_, false).empty());
    CloseResultLog();
}
