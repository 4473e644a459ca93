#include "platform/Files.h"

#include <gtest/gtest.h>

#include "sort/SortFixtures.h"

using sorttest::Exists;
using sorttest::ReadBytes;
using sorttest::TempFolder;
using sorttest::WriteBytes;

TEST(FilesMove, MovesTheWholeFileToTheNewName) {
    TempFolder temp;
    std::filesystem::create_directory(temp.path() / "to");
    WriteBytes(temp.path() / "a.png", "contents");

    EXPECT_TRUE(platform::MoveFileNoReplace(temp.path() / "a.png", temp.path() / "to" / "a.png"));
    EXPECT_FALSE(Exists(temp.path() / "a.png"));
    EXPECT_EQ("contents", ReadBytes(temp.path() / "to" / "a.png"));
}

TEST(FilesMove, NeverReplacesAnExistingFile) {
    TempFolder temp;
    WriteBytes(temp.path() / "a.png", "new");
    WriteBytes(temp.path() / "b.png", "old");

    EXPECT_FALSE(platform::MoveFileNoReplace(temp.path() / "a.png", temp.path() / "b.png"));
    EXPECT_EQ("new", ReadBytes(temp.path() / "a.png"));
    EXPECT_EQ("old", ReadBytes(temp.path() / "b.png"));
}

TEST(FilesMove, FailsWithoutHarmWhenSourceOrTargetFolderIsMissing) {
    TempFolder temp;
    WriteBytes(temp.path() / "a.png", "x");
    EXPECT_FALSE(platform::MoveFileNoReplace(temp.path() / "gone.png", temp.path() / "b.png"));
    EXPECT_FALSE(platform::MoveFileNoReplace(temp.path() / "a.png", temp.path() / "no" / "a.png"));
    EXPECT_EQ("x", ReadBytes(temp.path() / "a.png"));
    EXPECT_FALSE(Exists(temp.path() / "b.png"));
}

TEST(FilesCreate, NewFileIsRefusedWhenTheNameExistsAndAppendAdds) {
    TempFolder temp;
    const auto log = temp.path() / "log.txt";
    EXPECT_TRUE(platform::CreateNewFile(log));
    EXPECT_TRUE(platform::AppendToFile(log, "one\r\n"));
    EXPECT_FALSE(platform::CreateNewFile(log));
    EXPECT_TRUE(platform::AppendToFile(log, "two\r\n"));
    EXPECT_EQ("one\r\ntwo\r\n", ReadBytes(log));
    EXPECT_FALSE(platform::AppendToFile(temp.path() / "no" / "log.txt", "x"));
}

TEST(FilesCreate, FolderIsCreatedOneLevelOnly) {
    TempFolder temp;
    EXPECT_TRUE(platform::CreateFolder(temp.path() / "one"));
    EXPECT_FALSE(platform::CreateFolder(temp.path() / "one"));
    EXPECT_FALSE(platform::CreateFolder(temp.path() / "two" / "three"));
    EXPECT_TRUE(platform::IsDirectory(temp.path() / "one"));
}
