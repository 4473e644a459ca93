#include "sort/SortPath.h"

#include <gtest/gtest.h>

TEST(SortPath, SplitsAtTheLastSlashAndTreatsBackslashAsPartOfAName) {
    const SplitPath a = SplitSortPath("/pics/2024.05/C:\\x.final.JPG");
    EXPECT_EQ("/pics/2024.05/", a.folder);
    EXPECT_EQ("C:\\x.final.JPG", a.name);
    EXPECT_EQ(".JPG", a.extension);
    EXPECT_EQ(".png", SplitSortPath("/pics/.png").name);
}

TEST(SortPath, RootAndEmptyFolderGetNoExtraSeparator) {
    EXPECT_EQ("/a.png", JoinFolderAndName("/", "a.png"));
    EXPECT_EQ("a.png", JoinFolderAndName("", "a.png"));
}
