#include "sort/SortPath.h"

#include <gtest/gtest.h>

TEST(SortPath, SplitsAtTheLastSeparatorAndTheLastDotOfTheName) {
    const SplitPath a = SplitSortPath("/pics/2024.05/photo.final.JPG");
    EXPECT_EQ("/pics/2024.05/", a.folder);
    EXPECT_EQ("photo.final.JPG", a.name);
    EXPECT_EQ(".JPG", a.extension);

    const SplitPath dotOnly = SplitSortPath("/pics/.png");
    EXPECT_EQ("/pics/", dotOnly.folder);
    EXPECT_EQ(".png", dotOnly.name);
    EXPECT_EQ(".png", dotOnly.extension);

    EXPECT_EQ("", SplitSortPath("/pics.d/README").extension);
    EXPECT_EQ(".", SplitSortPath("/pics/name.").extension);
}

TEST(SortPath, PosixHasNoDrivesAndBackslashIsPartOfAName) {
    const SplitPath a = SplitSortPath("/pics/C:\\x\\写真.png");
    EXPECT_EQ("/pics/", a.folder);
    EXPECT_EQ("C:\\x\\写真.png", a.name);
    EXPECT_EQ("", SplitSortPath("C:a.png").folder);
}

TEST(SortPath, JoiningPutsExactlyOneSeparatorBeforeTheName) {
    EXPECT_EQ("/dst/a.png", JoinFolderAndName("/dst", "a.png"));
    EXPECT_EQ("/dst/a.png", JoinFolderAndName("/dst/", "a.png"));
    EXPECT_EQ("/a.png", JoinFolderAndName("/", "a.png"));
    EXPECT_EQ("a.png", JoinFolderAndName("", "a.png"));
    EXPECT_EQ("/", RemoveTrailingSeparator("/"));
    EXPECT_EQ("/dst", RemoveTrailingSeparator("/dst/"));
}
