// The move across file systems, for real on a tmpfs where one can be mounted and step by step
// through the fault seam everywhere.
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/FileMoveFaults_posix.h"
#include "platform/Files.h"
#include "support/ImageFiles.h"
#include "support/TestFiles.h"

using platform::MoveStep;
using testimages::Exists;
using testimages::ReadBytes;
using testimages::TempFolder;
using testimages::Tree;
using testimages::WriteBytes;

namespace {

class FilesCrossDevice : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(temp_.Path() / "from");
        std::filesystem::create_directory(temp_.Path() / "to");
        // Larger than one copy buffer, so the copy loop turns more than once.
        for (int i = 0; i < 100000; ++i) contents_.push_back(static_cast<char>('a' + i % 26));
        WriteBytes(Source(), contents_);
    }
    void TearDown() override { platform::MoveFaultForTests = nullptr; }

    std::filesystem::path Source() const { return temp_.Path() / "from" / "写真.png"; }
    std::filesystem::path Target() const { return temp_.Path() / "to" / "写真.png"; }

    // Forces the copying path by making the rename report another file system, and fails
    // `failing` (when given) with EIO.
    void InjectCrossDevice(bool fail, MoveStep failing) {
        platform::MoveFaultForTests = [fail, failing](MoveStep step) {
            if (step == MoveStep::Rename) return EXDEV;
            return fail && step == failing ? EIO : 0;
        };
    }

    TempFolder temp_;
    std::string contents_;
};

}  // namespace

TEST_F(FilesCrossDevice, CopiesThenRemovesTheSourceKeepingModeAndTime) {
    ::chmod(Source().c_str(), 0640);
    struct stat before;
    ASSERT_EQ(0, ::stat(Source().c_str(), &before));
    InjectCrossDevice(false, MoveStep::Rename);

    EXPECT_TRUE(platform::MoveFileNoReplace(Source(), Target()));

    EXPECT_FALSE(Exists(Source()));
    const auto files = Tree(temp_.Path());
    ASSERT_EQ(1u, files.size());
    EXPECT_EQ(contents_, files.at("to/写真.png"));
    struct stat after;
    ASSERT_EQ(0, ::stat(Target().c_str(), &after));
    EXPECT_EQ(0640u, after.st_mode & 07777);
    EXPECT_EQ(before.st_mtim.tv_sec, after.st_mtim.tv_sec);
}

TEST_F(FilesCrossDevice, FailureAtAnyStepLeavesSourceWholeAndNoPartialCopy) {
    for (MoveStep step : {MoveStep::OpenSource, MoveStep::CreateTemporary, MoveStep::Copy, MoveStep::Flush,
                          MoveStep::Place, MoveStep::RemoveSource}) {
        InjectCrossDevice(true, step);
        EXPECT_FALSE(platform::MoveFileNoReplace(Source(), Target())) << static_cast<int>(step);
        const auto files = Tree(temp_.Path());
        EXPECT_EQ(1u, files.size()) << static_cast<int>(step);
        EXPECT_EQ(contents_, ReadBytes(Source())) << static_cast<int>(step);
    }
}

TEST_F(FilesCrossDevice, ExistingTargetIsNeitherReplacedNorLeftWithACopyBeside) {
    WriteBytes(Target(), "older");
    InjectCrossDevice(false, MoveStep::Rename);

    EXPECT_FALSE(platform::MoveFileNoReplace(Source(), Target()));
    const auto files = Tree(temp_.Path());
    EXPECT_EQ(2u, files.size());
    EXPECT_EQ("older", files.at("to/写真.png"));
    EXPECT_EQ(contents_, files.at("from/写真.png"));
}

TEST_F(FilesCrossDevice, WithoutNoReplaceRenameLinksAndUnlinksInstead) {
    platform::MoveFaultForTests = [](MoveStep step) { return step == MoveStep::Rename ? EINVAL : 0; };
    EXPECT_TRUE(platform::MoveFileNoReplace(Source(), Target()));
    EXPECT_FALSE(Exists(Source()));
    EXPECT_EQ(contents_, ReadBytes(Target()));

    // Back again onto a name that exists: refused.
    WriteBytes(Source(), "other");
    EXPECT_FALSE(platform::MoveFileNoReplace(Target(), Source()));
    EXPECT_EQ("other", ReadBytes(Source()));
    EXPECT_EQ(contents_, ReadBytes(Target()));
}

TEST_F(FilesCrossDevice, LinkFallbackThatCannotDropTheOldNameKeepsOnlyTheSource) {
    for (MoveStep step : {MoveStep::Link, MoveStep::RemoveSource}) {
        platform::MoveFaultForTests = [step](MoveStep at) {
            if (at == MoveStep::Rename) return EINVAL;
            return at == step ? EIO : 0;
        };
        EXPECT_FALSE(platform::MoveFileNoReplace(Source(), Target()));
        EXPECT_EQ(contents_, ReadBytes(Source()));
        EXPECT_FALSE(Exists(Target()));
    }
}

TEST_F(FilesCrossDevice, MovesOntoARealSecondFileSystem) {
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
    EXPECT_FALSE(platform::MoveFileNoReplace(Source(), mountPoint / "写真.png"));
    EXPECT_EQ("older", ReadBytes(mountPoint / "写真.png"));
    EXPECT_EQ(contents_, ReadBytes(Source()));
    EXPECT_EQ(1u, Tree(mountPoint).size());

    EXPECT_TRUE(platform::MoveFileNoReplace(Source(), mountPoint / "moved.png"));
    EXPECT_FALSE(Exists(Source()));
    const auto files = Tree(mountPoint);
    EXPECT_EQ(2u, files.size());
    EXPECT_EQ(contents_, files.at("moved.png"));
}
