// Faults met in the middle of a run, injected through the file seam: whatever breaks, every
// file is afterwards present exactly once with its own bytes, and its log line says what
// happened to it.
#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <functional>
#include <memory>
#include <random>

#include "platform/FileSystem.h"
#include "platform/Thread.h"
#include "sort/MoveJournal.h"
#include "sort/ResultLog.h"
#include "sort/SortFixtures.h"
#include "sort/SortRunDriver.h"
#include "sort/UndoRun.h"
#include "support/ImageFiles.h"

using platform::FileStep;
using platform::MoveStep;
using sorttest::Exists;
using sorttest::LogLines;
using sorttest::ReadBytes;
using sorttest::RecordingHost;
using sorttest::FaultyFileSystem;
using sorttest::RunEnd;
using sorttest::TestRunContext;
using sorttest::SortedLog;
using sorttest::TempFolder;
using sorttest::TinyPng;
using sorttest::Tree;
using sorttest::WithoutTime;
using sorttest::WriteBytes;

namespace {

// A colour PNG of noise, larger than two copy blocks of 64 KiB.
std::string LargeColourPng() {
    testimages::PngPicture picture;
    picture.width = 220;
    picture.height = 220;
    std::mt19937 random(7);
    for (int i = 0; i < 220 * 220 * 3; ++i) picture.samples.push_back(random() % 256);
    const testimages::Bytes bytes = testimages::EncodePng(picture);
    return std::string(bytes.begin(), bytes.end());
}

class SortFaults : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(temp_.Path() / "app");
        std::filesystem::create_directory(pics_);
        context_.settings = SettingsRecord();
        context_.settings.THREAD_NUM = 1;  // the move hooks know no file: one move at a time
    }
    void TearDown() override {
        faults_.moves = nullptr;
        faults_.files = nullptr;
    }

    // Fixed destinations beside the pictures.
    void UseFixedDestinations() {
        context_.settings.IS_DST_SUBDIR = 0;
        context_.settings.DST_DIR_MONO = (temp_.Path() / "mono").string();
        context_.settings.DST_DIR_COLOR = (temp_.Path() / "colour").string();
        std::filesystem::create_directory(context_.settings.DST_DIR_MONO);
        std::filesystem::create_directory(context_.settings.DST_DIR_COLOR);
    }

    // Runs `beforeFirstWorker` once the list is built, before any file is read.
    SortRunResult Run(std::function<void()> beforeFirstWorker = nullptr) {
        auto first = std::make_shared<std::atomic<bool>>(true);
        context_.seams.startThread = [beforeFirstWorker, first](std::function<void()> body) {
            if (beforeFirstWorker && first->exchange(false)) beforeFirstWorker();
            return platform::StartDetachedThread(std::move(body));
        };
        fingerprintsBefore_ = Fingerprints();
        RecordingHost recorder;
        const SortRunResult result = SortRunDriver(context_, {pics_}, recorder.host);
        EXPECT_TRUE(recorder.errors.empty());
        return result;
    }

    // A hash of every file's bytes below the temporary folder, the log folder left out, sorted.
    std::vector<std::size_t> Fingerprints() const {
        std::vector<std::size_t> hashes;
        for (const auto& [name, bytes] : Tree(temp_.Path())) {
            // A copy's temporary second name is the same file as its target.
            if (name.rfind("app/", 0) != 0 && name.find(".pallidor-move-") == std::string::npos) {
                hashes.push_back(std::hash<std::string>()(bytes));
            }
        }
        std::sort(hashes.begin(), hashes.end());
        return hashes;
    }

    std::string MoveFailed(const char* word, const std::filesystem::path& target) const {
        return std::string("【ERROR】") + word + "画像と判定しましたが、「" + target.string() + "」への移動に失敗しました。";
    }

    TempFolder temp_;
    FaultyFileSystem faults_;
    RunContext context_ = TestRunContext(temp_.Path() / "app", faults_);
    RunEnd runEnd_;
    std::filesystem::path pics_ = temp_.Path() / "pics";
    std::string p_ = pics_.string();
    std::vector<std::size_t> fingerprintsBefore_;
};

}  // namespace

TEST_F(SortFaults, SourceThatTurnsUnreadableVanishesOrIsLockedBeforeItsMoveStaysAndIsLogged) {
    WriteBytes(pics_ / "unreadable.png", TinyPng(true, 1));
    WriteBytes(pics_ / "kept.png", TinyPng(false, 2));
    faults_.files = [this](FileStep step, const std::filesystem::path& path) {
        return step == FileStep::OpenForRead && path == pics_ / "unreadable.png" ? EACCES : 0;
    };
    Run();
    EXPECT_EQ((std::vector<std::string>{
                  "[" + p_ + "/kept.png]【モノクロ】「" + p_ + "/monochrome/kept.png」に移動しました。",
                  "[" + p_ + "/unreadable.png]【ERROR】PNGファイルの読み込みに失敗しました。（ファイルの読み込みオープンに失敗しました。）",
              }),
              SortedLog());
    EXPECT_EQ(fingerprintsBefore_, Fingerprints());
    EXPECT_TRUE(Exists(pics_ / "unreadable.png"));

    // Judged, then gone (or locked by another program) at the moment of the move.
    for (const int error : {ENOENT, EBUSY}) {
        TempFolder other;
        LogFilePath.clear();
        std::filesystem::remove_all(pics_);
        std::filesystem::create_directory(pics_);
        WriteBytes(pics_ / "a.png", TinyPng(true, 3));
        faults_.files = nullptr;
        faults_.moves = [this, error](MoveStep step) {
            if (step != MoveStep::Rename) return 0;
            // Gone for real: the move itself then finds nothing to move.
            if (error == ENOENT) std::filesystem::rename(pics_ / "a.png", temp_.Path() / "elsewhere.png");
            return error == ENOENT ? 0 : error;
        };
        Run();
        EXPECT_EQ(std::vector<std::string>{"[" + p_ + "/a.png]" + MoveFailed("カラー", pics_ / "color" / "a.png")},
                  SortedLog())
            << error;
        EXPECT_EQ(fingerprintsBefore_, Fingerprints()) << error;
        std::filesystem::remove(temp_.Path() / "elsewhere.png");
    }
}

TEST_F(SortFaults, DestinationThatDisappearsOrTurnsReadOnlyKeepsEveryFileWhereItWas) {
    UseFixedDestinations();
    WriteBytes(pics_ / "gray.png", TinyPng(false, 4));
    WriteBytes(pics_ / "red.png", TinyPng(true, 5));
    // The colour folder is deleted after the run checked it.
    const SortRunResult result = Run([this] { std::filesystem::remove(context_.settings.DST_DIR_COLOR); });
    EXPECT_EQ(1, LeftInPlace(result));
    EXPECT_EQ((std::vector<std::string>{
                  "[" + p_ + "/gray.png]【モノクロ】「" + (temp_.Path() / "mono" / "gray.png").string() + "」に移動しました。",
                  "[" + p_ + "/red.png]" + MoveFailed("カラー", temp_.Path() / "colour" / "red.png"),
              }),
              SortedLog());
    EXPECT_EQ(fingerprintsBefore_, Fingerprints());

    // Both folders turn read-only.
    std::filesystem::rename(temp_.Path() / "mono" / "gray.png", pics_ / "gray.png");
    std::filesystem::create_directory(context_.settings.DST_DIR_COLOR);
    faults_.moves = [](MoveStep step) { return step == MoveStep::Rename ? EROFS : 0; };
    EXPECT_EQ(2, LeftInPlace(Run()));
    EXPECT_EQ((std::vector<std::string>{
                  "[" + p_ + "/gray.png]" + MoveFailed("モノクロ", temp_.Path() / "mono" / "gray.png"),
                  "[" + p_ + "/red.png]" + MoveFailed("カラー", temp_.Path() / "colour" / "red.png"),
              }),
              SortedLog());
    EXPECT_EQ(fingerprintsBefore_, Fingerprints());

    // A read-only medium refuses the sub-folder as well.
    context_.settings.IS_DST_SUBDIR = 1;
    faults_.moves = nullptr;
    faults_.files = [](FileStep step, const std::filesystem::path&) {
        return step == FileStep::CreateFolder ? EROFS : 0;
    };
    Run();
    EXPECT_EQ("[" + p_ + "/red.png]【ERROR】カラー画像と判定しましたが、振り分け先フォルダ（" + p_ +
                  "/color）の作成に失敗しました。",
              WithoutTime(LogLines(LogFilePath).back()));
    EXPECT_EQ(fingerprintsBefore_, Fingerprints());
}

TEST_F(SortFaults, CrossFileSystemMoveFailingAtEachStepLeavesOneWholeFileAndSaysSo) {
    UseFixedDestinations();
    const std::string large = LargeColourPng();
    WriteBytes(pics_ / "large.png", large);
    for (const MoveStep failing : {MoveStep::OpenSource, MoveStep::CreateTemporary, MoveStep::Copy, MoveStep::Flush,
                                   MoveStep::Place, MoveStep::RemoveSource}) {
        // The copy fails on its second block: the disk fills up with half the file written.
        int copyBlocks = 0;
        faults_.moves = [failing, &copyBlocks](MoveStep step) {
            if (step == MoveStep::Rename) return EXDEV;
            if (step != failing) return 0;
            return step != MoveStep::Copy ? EIO : ++copyBlocks == 2 ? ENOSPC : 0;
        };
        Run();
        EXPECT_EQ(std::vector<std::string>{"[" + p_ + "/large.png]" + MoveFailed("カラー", temp_.Path() / "colour" / "large.png")},
                  SortedLog())
            << static_cast<int>(failing);
        EXPECT_EQ(fingerprintsBefore_, Fingerprints()) << static_cast<int>(failing);
        EXPECT_EQ(large, ReadBytes(pics_ / "large.png"));
    }
}

TEST_F(SortFaults, DestinationFileSystemThatFillsUpMidCopyKeepsTheSourceWhole) {
    UseFixedDestinations();
    const auto colour = temp_.Path() / "colour";
    if (::geteuid() != 0 || ::mount("none", colour.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "no tmpfs can be mounted here (needs root and mount rights); "
                        "the full disk is covered through the fault seam";
    }
    struct Unmount {
        std::filesystem::path at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{colour};
    const std::string large = LargeColourPng();
    ASSERT_GT(large.size(), 100000u);
    WriteBytes(pics_ / "large.png", large);
    WriteBytes(pics_ / "small.png", TinyPng(true, 6));

    Run();
    EXPECT_EQ((std::vector<std::string>{
                  "[" + p_ + "/large.png]" + MoveFailed("カラー", colour / "large.png"),
                  "[" + p_ + "/small.png]【カラー】「" + (colour / "small.png").string() + "」に移動しました。",
              }),
              SortedLog());
    EXPECT_EQ(fingerprintsBefore_, Fingerprints());
    EXPECT_EQ(large, ReadBytes(pics_ / "large.png"));
}

TEST_F(SortFaults, ALogLineThatCannotBeWrittenStopsTheRunAndKeepsEveryMoveOnRecord) {
    for (int i = 0; i < 6; ++i) WriteBytes(pics_ / (std::to_string(i) + ".png"), TinyPng(i % 2 == 0, std::uint8_t(i)));
    // The disk fills after the second line, once over the same file system and once across.
    for (const bool across : {false, true}) {
        SCOPED_TRACE(across);
        if (across) UseFixedDestinations();
        int appends = 0;
        faults_.files = [&appends](FileStep step, const std::filesystem::path& path) {
            return step == FileStep::Append && path.extension() == ".txt" && ++appends > 2 ? ENOSPC : 0;
        };
        faults_.moves = [across](MoveStep step) { return across && step == MoveStep::Rename ? EXDEV : 0; };
        fingerprintsBefore_ = Fingerprints();
        RecordingHost recorder;
        const SortRunResult result = SortRunDriver(context_, {pics_}, recorder.host);
        EXPECT_TRUE(result.logFailed);
        ASSERT_EQ(1u, recorder.errors.size());
        EXPECT_NE(std::string::npos, recorder.errors[0].find("振り分け処理を中止しました"));
        // The third file was moved and lost its line; nothing after it was moved.
        EXPECT_EQ(3, result.movedMonochrome + result.movedColor);
        EXPECT_EQ(2u, SortedLog().size());
        EXPECT_EQ(fingerprintsBefore_, Fingerprints());
        faults_.files = nullptr;
        faults_.moves = nullptr;
        if (across) {
            // The move that has no line keeps its journal entry; the next run writes the line.
            RecordingHost next;
            ASSERT_TRUE(OpenResultLog(context_, next.host));
            const std::vector<RecoveredMove> recovered = RecoverInterruptedMoves(context_, false);
            ASSERT_EQ(1u, recovered.size());
            EXPECT_EQ(RecoveredAs::Finished, recovered[0].outcome);
            EXPECT_EQ(1u, SortedLog().size());
        }
        // Everything back in the pictures' folder for the second round.
        for (const auto& entry : std::filesystem::recursive_directory_iterator(temp_.Path())) {
            if (entry.is_regular_file() && entry.path().extension() == ".png" && entry.path().parent_path() != pics_) {
                std::filesystem::rename(entry.path(), pics_ / entry.path().filename());
            }
        }
    }
}

TEST_F(SortFaults, AnUndoMoveOrFolderRemovalThatFailsLeavesThingsAsTheyAreAndSaysSo) {
    std::filesystem::create_directory(pics_ / "sub");
    WriteBytes(pics_ / "a.png", TinyPng(false, 1));
    WriteBytes(pics_ / "sub" / "b.png", TinyPng(false, 2));
    Run();
    const std::string log = ReadBytes(LogFilePath);

    // The first move back fails; the folder the other one leaves empty cannot be removed.
    int moves = 0;
    faults_.moves = [&moves](MoveStep step) { return step == MoveStep::Rename && moves++ == 0 ? EIO : 0; };
    faults_.files = [](FileStep step, const std::filesystem::path&) {
        return step == FileStep::RemoveFolder ? EBUSY : 0;
    };
    UndoOptions options;
    options.clockSlackMilliseconds = 0;
    LogFilePath.clear();
    const UndoReport report = UndoSortRun(context_, log, options);
    EXPECT_EQ(1, report.movedBack);
    EXPECT_EQ(1, report.left);
    ASSERT_EQ(2u, report.files.size());
    const UndoneFile& failed = report.files[0];
    EXPECT_EQ(UndoOutcome::MoveFailed, failed.outcome);
    EXPECT_EQ("【ERROR】「" + failed.origin + "」への移動に失敗しました。", failed.message);
    EXPECT_TRUE(Exists(failed.destination));
    EXPECT_FALSE(Exists(failed.origin));
    EXPECT_TRUE(Exists(report.files[1].origin));
    EXPECT_TRUE(report.removedFolders.empty());
    EXPECT_TRUE(Exists(pics_ / "monochrome"));
    EXPECT_TRUE(Exists(pics_ / "sub" / "monochrome"));
}
