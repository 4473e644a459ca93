#include "sort/SortPath.h"

#include <gtest/gtest.h>

#ifdef _WIN32
TEST(SortPath, SplitsAtTheLastBackslashOrSlashAfterTheDrive) {
    const SplitPath a = SplitSortPath("C:\\pics/2024.05\\x.final.JPG");
    EXPECT_EQ("C:\\pics/2024.05\\", a.folder);
    EXPECT_EQ("x.final.JPG", a.name);
    EXPECT_EQ(".JPG", a.extension);
    EXPECT_EQ(".png", SplitSortPath("C:\\pics\\.png").name);
    // A drive-relative path: the drive is the folder, and its colon never starts a name.
    const SplitPath relative = SplitSortPath("D:a.b");
    EXPECT_EQ("D:", relative.folder);
    EXPECT_EQ("a.b", relative.name);
}

TEST(SortPath, DriveRootKeepsItsSeparatorAndAFinalSlashBecomesOneBackslash) {
    EXPECT_EQ("C:\\", RemoveTrailingSeparator("C:\\"));
    EXPECT_EQ("C:\\a.png", JoinFolderAndName("C:\\", "a.png"));
    EXPECT_EQ("C:\\pics\\a.png", JoinFolderAndName("C:\\pics/", "a.png"));
}
#else
TEST(SortPath, SplitsAtTheLastSlashAndTreatsBackslashAsPartOfAName) {
    const SplitPath a = SplitSortPath("/pics/2024.05/C:\\x.final.JPG");
    EXPECT_EQ("/pics/2024.05/", a.folder);
    EXPECT_EQ("C:\\x.final.JPG", a.name);
    EXPECT_EQ(".JPG", a.extension);
    EXPECT_EQ(".png", SplitSortPath("/pics/.png").name);
}
#endif

TEST(SortPath, RootAndEmptyFolderGetNoExtraSeparator) {
    EXPECT_EQ("/a.png", JoinFolderAndName("/", "a.png"));
    EXPECT_EQ("a.png", JoinFolderAndName("", "a.png"));
}
