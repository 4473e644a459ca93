#include "platform/Profile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/ProfileFileTest.h"
#include "platform/Text.h"

namespace fs = std::filesystem;
using platform::ProfileReadInt;
using platform::ProfileReadText;
using platform::ProfileWriteText;

using Profile = ProfileFileTest;

TEST_F(Profile, IntegersAreTheLeadingDecimalNumberOfTheValue) {
    Write(
        "[S]\nplus=+12abc\nminus= -7\nquoted=\" -7\"\nword=x\nempty=\n"
        "huge=99999999999\ntiny=-99999999999\nhex=0x1F\n");
    EXPECT_EQ(12, ProfileReadInt("S", "plus", 5, file));
    EXPECT_EQ(-7, ProfileReadInt("S", "minus", 5, file));
    EXPECT_EQ(-7, ProfileReadInt("S", "quoted", 5, file));
    EXPECT_EQ(0, ProfileReadInt("S", "word", 5, file));
    EXPECT_EQ(5, ProfileReadInt("S", "empty", 5, file));          // empty counts as missing
    EXPECT_EQ(2147483647, ProfileReadInt("S", "huge", 5, file));  // saturates
    EXPECT_EQ(-2147483647 - 1, ProfileReadInt("S", "tiny", 5, file));
    EXPECT_EQ(0, ProfileReadInt("S", "hex", 5, file));
}

TEST_F(Profile, MissingFileSectionOrKeyGivesTheDefaultAndCreatesNothing) {
    EXPECT_EQ(42, ProfileReadInt("S", "k", 42, file));
    EXPECT_EQ("fallback", ProfileReadText("S", "k", "fallback", file));
    EXPECT_FALSE(fs::exists(file));
    Write("[S]\nother=1\n[T]\nk=2\n");
    EXPECT_EQ(42, ProfileReadInt("S", "k", 42, file));
    EXPECT_EQ("fallback", ProfileReadText("U", "k", "fallback", file));
}

TEST_F(Profile, NamesIgnoreCaseAndBlanksCommentsAreSkipped) {
    Write("\xEF\xBB\xBF;k=1\r\n  [ sort ]  \r\n ; K=2\r\n  k  =  3  \r\n[next]\r\nK=4\r\n");
    EXPECT_EQ(3, ProfileReadInt("SORT", "K", 0, file));
    EXPECT_EQ("3", ProfileReadText("Sort", "k", "", file));
}

TEST_F(Profile, QuotesAroundAValueAreRemoved) {
    Write("[S]\na=\"  padded  \"\nb=\"\"\nc=\"half\nd=say \"hi\"\n");
    EXPECT_EQ("  padded  ", ProfileReadText("S", "a", "x", file));
    EXPECT_EQ("", ProfileReadText("S", "b", "x", file));
    EXPECT_EQ("\"half", ProfileReadText("S", "c", "x", file));
    EXPECT_EQ("say \"hi\"", ProfileReadText("S", "d", "x", file));
}

TEST_F(Profile, TextIsCutAt1023Utf16UnitsWithoutSplittingACharacter) {
    const std::string a1021(1021, 'a');
    const std::string a1022(1022, 'a');
    std::string kana;
    for (int i = 0; i < 1023; ++i) kana += "あ";
    // Written through the profile functions: each platform stores the text in its own encoding.
    ASSERT_TRUE(ProfileWriteText("S", "fits", a1021 + "😀", file));
    ASSERT_TRUE(ProfileWriteText("S", "straddles", a1022 + "😀b", file));
    ASSERT_TRUE(ProfileWriteText("S", "kana", kana + "い", file));
    EXPECT_EQ(a1021 + "😀", ProfileReadText("S", "fits", "", file));
    EXPECT_EQ(a1022, ProfileReadText("S", "straddles", "", file));
    EXPECT_EQ(kana, ProfileReadText("S", "kana", "", file));
}

TEST_F(Profile, ValuesWithEdgeBlanksOrQuotesReadBackUnchanged) {
    for (const std::string value : {"  lead", "trail\t", "\"q\"", "\"", "", "a = b ; c"}) {
        EXPECT_TRUE(ProfileWriteText("S", "K", value, file));
        EXPECT_EQ(value, ProfileReadText("S", "K", "x", file)) << value;
    }
}

TEST_F(Profile, WritesFailWithoutTouchingAnythingWhenTheFileCannotBeWritten) {
    Write("[S]\nK=1\n");
    // Also refused when running as root, who could override the permission bits.
    std::error_code error;
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                    error);
    ASSERT_FALSE(error);
    EXPECT_FALSE(ProfileWriteText("S", "K", "2", file));
    EXPECT_EQ("[S]\nK=1\n", Read());
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add, error);

    EXPECT_FALSE(ProfileWriteText("S", "K", "line\n[X]", file));
    EXPECT_FALSE(ProfileWriteText("S", "K", "cr\rlf", file));
    EXPECT_EQ("[S]\nK=1\n", Read());

    EXPECT_FALSE(ProfileWriteText("S", "K", "2", folder / "missing" / "x.ini"));
    EXPECT_FALSE(fs::exists(folder / "missing"));
}

