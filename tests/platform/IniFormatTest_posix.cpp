// The INI file as our POSIX profile functions write it, byte for byte; Windows writes the
// platform's own format.
#include "platform/Profile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "settings/Settings.h"
#include "platform/ProfileFileTest.h"
#include "platform/Text.h"

namespace fs = std::filesystem;
using platform::ProfileReadText;
using platform::ProfileWriteText;

using IniFormat = ProfileFileTest;

TEST_F(IniFormat, WritesCreateTheFileAndSectionsAndLeaveNoTemporaryFile) {
    EXPECT_TRUE(ProfileWriteText("S", "K", "v", file));
    EXPECT_EQ("[S]\nK=v\n", Read());
    EXPECT_TRUE(ProfileWriteText("T", "L", "w", file));
    EXPECT_TRUE(ProfileWriteText("s", "M", "x", file));
    EXPECT_TRUE(ProfileWriteText("S", "k", "y", file));
    EXPECT_EQ("[S]\nk=y\nM=x\n\n[T]\nL=w\n", Read());
    EXPECT_EQ(1, std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST_F(IniFormat, WritesKeepEveryOtherLineAsItWas) {
    Write(
        "\xEF\xBB\xBF; my settings\r\n[A]\r\nkeep = 1\r\ngarbage line\r\n\r\n[B]\r\nK=old\r\nz=2");
    EXPECT_TRUE(ProfileWriteText("B", "K", "new", file));
    EXPECT_TRUE(ProfileWriteText("A", "added", "3", file));
    EXPECT_TRUE(ProfileWriteText("B", "last", "4", file));
    EXPECT_EQ(
        "\xEF\xBB\xBF; my settings\r\n[A]\r\nkeep = 1\r\ngarbage line\r\nadded=3\r\n\r\n"
        "[B]\r\nK=new\r\nz=2\r\nlast=4\r\n",
        Read());
}

TEST_F(IniFormat, ValuesWithEdgeBlanksAreQuoted) {
    EXPECT_TRUE(ProfileWriteText("S", "K", " x ", file));
    EXPECT_EQ("[S]\nK=\" x \"\n", Read());
}
TEST_F(IniFormat, WritesGoThroughALinkAndUnicodePathsWork) {
    const fs::path japanese = folder / platform::PathFromUtf8("設定フォルダ/ユーザー_pallidor.ini");
    fs::create_directory(japanese.parent_path());
    std::ofstream(japanese) << "; 設定\n";
    fs::create_symlink(japanese, file);
    EXPECT_TRUE(ProfileWriteText("S", "K", "値", file));
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ("; 設定\n\n[S]\nK=値\n", Read(japanese));
}

// What SaveSettings leaves in a fresh file.
TEST_F(IniFormat, SavingTheDefaultsWritesEveryKeyInOrder) {
    UserPrompt prompt;
    prompt.ShowError = [](const std::string& text) { ADD_FAILURE() << text; };
    Settings = SettingsRecord{};
    SettingsFilePath = file;
    EXPECT_TRUE(SaveSettings(prompt));
    EXPECT_EQ(
        "[SORT]\nTHREAD_NUM=16\nIS_SUBDIRS_TOO=1\n\n"
        "[JUDGMENT]\nIS_ALL_PIXEL_JUDGE=1\nPIXELS_USE_IN_JUDGMENT=20000\nIS_ONLY_GRAYSCALE=1\n"
        "THRESHOLD_GS=0\nNOISE_LIMIT_GS=0.000000\n"
        "THRESHOLD_MONO=8.000000\nERROR_LIMIT_MONO=8.000000\n"
        "IS_PERCEPTUAL_JUDGE=0\nTHRESHOLD_PERCEPTUAL=12.000000\nAREA_LIMIT_PERCEPTUAL=20\n\n"
        "[DESTINATION]\nIS_DST_SUBDIR=1\nDST_DIR_MONO=\nDST_DIR_COLOR=\n",
        Read());
}
