// The journaled move on POSIX: what a copy keeps of the file, the link() fallback of file
// systems without a rename that refuses to replace, and a real second file system.
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/FileSystem.h"
#include "sort/MoveJournal.h"
#include "sort/SortFixtures.h"

using platform::MoveStep;
using sorttest::Exists;
using sorttest::ReadBytes;
using sorttest::FaultyFileSystem;
using sorttest::RunEnd;
using sorttest::TestRunContext;
using sorttest::TempFolder;
using sorttest::Tree;
using sorttest::WriteBytes;

namespace {

class MoveJournalPosix : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(temp_.Path() / "from");
        std::filesystem::create_directory(temp_.Path() / "to");
        for (int i = 0; i < 100000; ++i) contents_.push_back(static_cast<char>('a' + i % 26));
        WriteBytes(Source(), contents_);
    }

    std::filesystem::path Source() const { return temp_.Path() / "from" / "写真.png"; }
    std::filesystem::path Target() const { return temp_.Path() / "to" / "写真.png"; }

    MoveOutcome Move(const std::filesystem::path& source, const std::filesystem::path& target) {
        PendingMove pending;
        const MoveOutcome outcome = MoveFileJournaled(context_, source.string(), target.string(), true, pending);
        FinishMove(context_, pending);
        return outcome;
    }

    TempFolder temp_;
    FaultyFileSystem faults_;
    RunContext context_ = TestRunContext(temp_.Path(), faults_);
    RunEnd runEnd_;
    std::string contents_;
};

}  // namespace

TEST_F(MoveJournalPosix, ACopyKeepsModeAndModificationTime) {
    ::chmod(Source().c_str(), 0640);
    struct stat before;
    ASSERT_EQ(0, ::stat(Source().c_str(), &before));
    faults_.moves = [](MoveStep step) { return step == MoveStep::Rename ? EXDEV : 0; };

    EXPECT_EQ(MoveOutcome::Moved, Move(Source(), Target()));
    EXPECT_FALSE(Exists(Source()));
    EXPECT_EQ(contents_, ReadBytes(Target()));
    struct stat after;
    ASSERT_EQ(0, ::stat(Target().c_str(), &after));
    EXPECT_EQ(0640u, after.st_mode & 07777);
    EXPECT_EQ(before.st_mtim.tv_sec, after.st_mtim.tv_sec);
}

TEST_F(MoveJournalPosix, WithoutNoReplaceRenameLinksAndUnlinksAndStillRefusesATakenName) {
    faults_.moves = [](MoveStep step) { return step == MoveStep::Rename ? EINVAL : 0; };
    EXPECT_EQ(MoveOutcome::Moved, Move(Source(), Target()));
    EXPECT_FALSE(Exists(Source()));
    EXPECT_EQ(contents_, ReadBytes(Target()));

    WriteBytes(Source(), "other");
    EXPECT_EQ(MoveOutcome::Failed, Move(Target(), Source()));
    EXPECT_EQ("other", ReadBytes(Source()));
    EXPECT_EQ(contents_, ReadBytes(Target()));

    // A link that fails leaves the file as it was.
    std::filesystem::remove(Source());
    faults_.moves = [](MoveStep step) { return step == MoveStep::Rename ? EINVAL : step == MoveStep::Link ? EIO : 0; };
    EXPECT_EQ(MoveOutcome::Failed, Move(Target(), Source()));
    EXPECT_EQ(contents_, ReadBytes(Target()));
    EXPECT_FALSE(Exists(Source()));
}

TEST_F(MoveJournalPosix, MovesOntoARealSecondFileSystem) {
    const auto mountPoint = temp_.Path() / "tmpfs";
    std::filesystem::create_directory(mountPoint);
    if (::geteuid() != 0 || ::mount("none", mountPoint.c_str(), "tmpfs", 0, "size=8m") != 0) {
        GTEST_SKIP() << "no tmpfs can be mounted here (needs root and mount rights); "
                        "the copying path is covered through the fault seam";
    }
    struct Unmount {
        std::filesystem::path at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{mountPoint};

    WriteBytes(mountPoint / "写真.png", "older");
    EXPECT_EQ(MoveOutcome::Failed, Move(Source(), mountPoint / "写真.png"));
    EXPECT_EQ("older", ReadBytes(mountPoint / "写真.png"));
    EXPECT_EQ(contents_, ReadBytes(Source()));

    EXPECT_EQ(MoveOutcome::Moved, Move(Source(), mountPoint / "moved.png"));
    EXPECT_FALSE(Exists(Source()));
    const auto files = Tree(mountPoint);
    EXPECT_EQ(2u, files.size());
    EXPECT_EQ(contents_, files.at("moved.png"));
    EXPECT_TRUE(Tree(context_.journalFolder).empty());
}
