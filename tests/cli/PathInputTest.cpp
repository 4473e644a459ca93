// Paths on standard input: NUL-separated names keep every other byte; line-separated ones lose
// the CR of a CR LF.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/PathInput.h"

using Paths = std::vector<std::string>;

TEST(PathInput, NulSeparatedNamesKeepLineEndsTabsAndSpaces) {
    const std::string input("a\nb.png\0 c\t.jpg\r\0\0/x/写真.gif\0", 31);
    EXPECT_EQ((Paths{"a\nb.png", " c\t.jpg\r", "/x/写真.gif"}), SplitPathList(input, true));
    EXPECT_EQ((Paths{"last"}), SplitPathList(std::string("last", 4), true));  // no final NUL
}

TEST(PathInput, LinesDropTheirCarriageReturnAndEmptyLinesAreSkipped) {
    EXPECT_EQ((Paths{"a.png", "b .jpg", "c.gif"}), SplitPathList("a.png\r\n\nb .jpg\nc.gif", false));
    EXPECT_EQ((Paths{}), SplitPathList("", false));
    EXPECT_EQ((Paths{}), SplitPathList(std::string("\0\0", 2), true));
}
