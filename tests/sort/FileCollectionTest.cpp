#include "sort/FileCollection.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "sort/SortFixtures.h"

using sorttest::NativeSeparators;
using sorttest::TempFolder;
using sorttest::WriteBytes;

namespace {

std::vector<std::string> Collect(const std::filesystem::path& folder, int subfoldersToo) {
    CollectionRule rule;
    rule.subfolders = subfoldersToo != 0;
    PathList list;
    CollectFolderFiles(folder, rule, list);
    std::vector<std::string> paths;
    for (const auto& path : list.paths) paths.push_back(path.string());
    return paths;
}

}  // namespace

TEST(FileCollection, DescendsDepthFirstWhenSubfoldersAreOn) {
    TempFolder temp;
    const auto root = temp.Path();
    std::filesystem::create_directories(root / "a" / "b");
    std::filesystem::create_directories(root / "c");
    WriteBytes(root / "top.png", "x");
    WriteBytes(root / "a" / "one.png", "x");
    WriteBytes(root / "a" / "b" / "deep.png", "x");
    WriteBytes(root / "c" / "two.png", "x");

    const auto paths = Collect(root, 1);

    ASSERT_EQ(4u, paths.size());
    // Sibling order is the file system's; depth first means a sub-folder's files sit
    // together, right where the sub-folder was met.
    const auto at = [&](const char* p) {
        return std::find(paths.begin(), paths.end(), (root / NativeSeparators(p)).string()) - paths.begin();
    };
    for (const char* p : {"top.png", "a/one.png", "a/b/deep.png", "c/two.png"}) EXPECT_LT(at(p), 4) << p;
    EXPECT_EQ(1, std::abs(at("a/one.png") - at("a/b/deep.png")));
}

TEST(FileCollection, StaysInTheDroppedFolderWhenSubfoldersAreOff) {
    TempFolder temp;
    const auto root = temp.Path();
    std::filesystem::create_directories(root / "sub");
    WriteBytes(root / "top.png", "x");
    WriteBytes(root / "sub" / "inner.png", "x");

    EXPECT_EQ(std::vector<std::string>{(root / "top.png").string()}, Collect(root, 0));
}

TEST(FileCollection, FolderOfOnlySubfoldersAddsNothingWhenSubfoldersAreOff) {
    TempFolder temp;
    std::filesystem::create_directories(temp.Path() / "one");
    std::filesystem::create_directories(temp.Path() / "two");
    WriteBytes(temp.Path() / "one" / "a.png", "x");

    EXPECT_TRUE(Collect(temp.Path(), 0).empty());
}

TEST(FileCollection, TakesEveryFileWhateverItsNameAndEntersEarlierDestinations) {
    TempFolder temp;
    const auto root = temp.Path();
    std::filesystem::create_directories(root / "monochrome");
    std::filesystem::create_directories(root / "color");
    WriteBytes(root / ".hidden", "x");
    WriteBytes(root / "README", "x");
    WriteBytes(root / "monochrome" / "m.png", "x");
    WriteBytes(root / "color" / "c.png", "x");

    auto paths = Collect(root, 1);
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ((std::vector<std::string>{(root / ".hidden").string(), (root / "README").string(),
                                        (root / "color" / "c.png").string(), (root / "monochrome" / "m.png").string()}),
              paths);
}

TEST(FileCollection, UnlistableFolderAddsNothingAndIsNotReported) {
    TempFolder temp;
    WriteBytes(temp.Path() / "plain-file", "x");
    EXPECT_TRUE(Collect(temp.Path() / "missing", 1).empty());
    EXPECT_TRUE(Collect(temp.Path() / "plain-file", 1).empty());
}

TEST(FileCollection, GrowsInStepsOf1024Slots) {
    TempFolder temp;
    for (int i = 0; i < 1025; ++i) WriteBytes(temp.Path() / ("f" + std::to_string(i)), "");
    PathList list;
    CollectFolderFiles(temp.Path(), CollectionRule{}, list);
    EXPECT_EQ(1025u, list.paths.size());
    EXPECT_EQ(2048u, list.paths.capacity());

    PathList small;
    AppendPath(small, "/x");
    EXPECT_EQ(1024u, small.paths.capacity());
}

TEST(FileCollection, FolderGivenWithFinalSeparatorGetsNoDoubledSeparator) {
    TempFolder temp;
    WriteBytes(temp.Path() / "a.png", "x");
    const std::string folder = NativeSeparators(temp.Path().string() + "/");
    EXPECT_EQ(std::vector<std::string>{folder + "a.png"}, Collect(folder, 0));
}
