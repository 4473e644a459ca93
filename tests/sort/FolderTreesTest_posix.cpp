// What real folder trees hold besides pictures: links to folders above, links to pictures,
// FIFOs, one file named twice, a destination that is a link. Every walk ends, nothing blocks,
// every entry gets one line, and every picture is afterwards where its line says.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/Files.h"
#include "sort/FileCollection.h"
#include "sort/ResultLog.h"
#include "sort/SortFixtures.h"
#include "sort/SortRunDriver.h"

using sorttest::Exists;
using sorttest::LogLines;
using sorttest::RecordingHost;
using sorttest::FaultyFileSystem;
using sorttest::RunEnd;
using sorttest::TestRunContext;
using sorttest::SortedLog;
using sorttest::TempFolder;
using sorttest::TinyPng;
using sorttest::WithoutTime;
using sorttest::WriteBytes;

namespace {

std::filesystem::file_type EntryKindOf(const std::filesystem::path& path) { return std::filesystem::status(path).type(); }

class FolderTrees : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(temp_.Path() / "app");
        std::filesystem::create_directory(pics_);
        context_.settings = SettingsRecord();
        context_.settings.IS_SUBDIRS_TOO = 1;
    }

    SortRunResult Run(const std::vector<std::filesystem::path>& dropped) {
        RecordingHost recorder;
        const SortRunResult result = SortRunDriver(context_, dropped, recorder.host);
        EXPECT_TRUE(recorder.errors.empty());
        return result;
    }

    std::vector<std::string> Listed(const std::vector<std::filesystem::path>& dropped) const {
        std::vector<std::string> names;
        for (const auto& path : BuildPathList(dropped, CollectionRuleOf(context_.settings)).paths) {
            names.push_back(path.lexically_relative(pics_).string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder temp_;
    FaultyFileSystem faults_;
    RunContext context_ = TestRunContext(temp_.Path() / "app", faults_);
    RunEnd runEnd_;
    std::filesystem::path pics_ = temp_.Path() / "pics";
    std::string p_ = pics_.string();
};

}  // namespace

TEST_F(FolderTrees, LinksToFoldersAreEnteredOnceAndOnlyInsideTheDroppedFolder) {
    std::filesystem::create_directories(pics_ / "sub");
    std::filesystem::create_directories(temp_.Path() / "outside");
    WriteBytes(pics_ / "a.png", TinyPng(false, 1));
    WriteBytes(pics_ / "sub" / "b.png", TinyPng(true, 2));
    WriteBytes(temp_.Path() / "outside" / "c.png", TinyPng(true, 3));
    std::filesystem::create_directory_symlink(".", pics_ / "self1");
    std::filesystem::create_directory_symlink(".", pics_ / "self2");
    std::filesystem::create_directory_symlink("..", pics_ / "sub" / "up");
    std::filesystem::create_directory_symlink("sub", pics_ / "again");
    std::filesystem::create_directory_symlink(temp_.Path() / "outside", pics_ / "away");

    // Every file once, under the first name met; the folder outside is not entered.
    const std::vector<std::string> listed = Listed({pics_});
    ASSERT_EQ(2u, listed.size());
    EXPECT_EQ("a.png", listed[0]);
    EXPECT_NE(std::string::npos, listed[1].find("b.png"));

    // The same with sub-folders off, and when the link itself is dropped.
    context_.settings.IS_SUBDIRS_TOO = 0;
    EXPECT_EQ(std::vector<std::string>{"a.png"}, Listed({pics_}));
    context_.settings.IS_SUBDIRS_TOO = 1;
    EXPECT_EQ(std::vector<std::string>{"away/c.png"}, Listed({pics_ / "away"}));

    const SortRunResult result = Run({pics_});
    EXPECT_EQ(2, result.movedMonochrome + result.movedColor);
    EXPECT_EQ(0, LeftInPlace(result));
    EXPECT_TRUE(Exists(temp_.Path() / "outside" / "c.png"));
}

TEST_F(FolderTrees, AFileNamedTwiceIsHandledOnce) {
    std::filesystem::create_directories(pics_ / "sub");
    WriteBytes(pics_ / "a.png", TinyPng(false, 1));
    WriteBytes(pics_ / "sub" / "b.png", TinyPng(true, 2));
    EXPECT_EQ(2u, Listed({pics_ / "a.png", pics_ / "a.png", pics_, pics_ / "sub" / "b.png", pics_ / "sub"}).size());

    const SortRunResult result = Run({pics_ / "a.png", pics_ / "a.png", pics_});
    EXPECT_EQ(2, result.listed);
    EXPECT_EQ(0, LeftInPlace(result));
    EXPECT_EQ(2u, SortedLog().size());
}

TEST_F(FolderTrees, FifosAndLinksStayWithALineAndNothingBlocks) {
    WriteBytes(pics_ / "real.png", TinyPng(false, 1));
    ASSERT_EQ(0, ::mkfifo((pics_ / "x.png").c_str(), 0600));
    // A relative link to a picture that is not sorted in the same run.
    std::filesystem::create_directories(temp_.Path() / "kept");
    WriteBytes(temp_.Path() / "kept" / "gray.png", TinyPng(false, 3));
    std::filesystem::create_symlink("../kept/gray.png", pics_ / "link.png");
    std::filesystem::create_directories(pics_ / "sub");
    WriteBytes(pics_ / "sub" / "gray.png", TinyPng(false, 2));
    std::filesystem::create_directory_symlink(temp_.Path(), pics_ / "sub" / "monochrome");

    const SortRunResult result = Run({pics_});
    EXPECT_EQ(1, result.movedMonochrome);
    EXPECT_EQ(3, LeftInPlace(result));
    EXPECT_EQ((std::vector<std::string>{
                  "[" + p_ + "/link.png]【ERROR】モノクロ画像と判定しましたが、リンクのため移動しませんでした。",
                  "[" + p_ + "/real.png]【モノクロ】「" + p_ + "/monochrome/real.png」に移動しました。",
                  "[" + p_ + "/sub/gray.png]【ERROR】モノクロ画像と判定しましたが、振り分け先フォルダ（" + p_ +
                      "/sub/monochrome）がリンクのため移動しませんでした。",
                  "[" + p_ + "/x.png]【ERROR】通常のファイルではないため、開きませんでした。",
              }),
              SortedLog());
    // The link still leads to its picture, and nothing went through the linked folder.
    EXPECT_EQ(EntryKindOf(pics_ / "link.png"), std::filesystem::file_type::regular);
    EXPECT_TRUE(Exists(pics_ / "sub" / "gray.png"));
    EXPECT_FALSE(Exists(temp_.Path() / "gray.png"));
}

TEST_F(FolderTrees, AFixedDestinationThatIsALinkIsLoggedWhereItLeads) {
    std::filesystem::create_directories(temp_.Path() / "real-mono");
    std::filesystem::create_directories(temp_.Path() / "colour");
    std::filesystem::create_directory_symlink(temp_.Path() / "real-mono", temp_.Path() / "mono");
    context_.settings.IS_DST_SUBDIR = 0;
    context_.settings.DST_DIR_MONO = (temp_.Path() / "mono").string();
    context_.settings.DST_DIR_COLOR = (temp_.Path() / "colour").string();
    WriteBytes(pics_ / "a.png", TinyPng(false, 1));
    Run({pics_});
    const std::string real = platform::ResolveLinks(temp_.Path() / "real-mono").string();
    EXPECT_EQ(std::vector<std::string>{"[" + p_ + "/a.png]【モノクロ】「" + real + "/a.png」に移動しました。"}, SortedLog());
}
