// The settings file as the Windows profile functions keep it.
#include "platform/Profile.h"

#include <gtest/gtest.h>

#include "platform/Text.h"
#include "support/ImageFiles.h"

using platform::ProfileReadText;
using platform::ProfileWriteText;

TEST(ProfileFileOnWindows, ANewFileIsUtf16SoDestinationsInAnyScriptSurvive) {
    testimages::TempFolder folder;
    const auto file = folder.File("u_pallidor.ini");
    ASSERT_TRUE(ProfileWriteText("DESTINATION", "DST_DIR_MONO", "C:\\写真\\흑백 🎞", file));
    const auto bytes = testimages::ReadFileBytes(file);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(0xFF, bytes[0]);
    EXPECT_EQ(0xFE, bytes[1]);
    EXPECT_EQ("C:\\写真\\흑백 🎞", ProfileReadText("DESTINATION", "DST_DIR_MONO", "", file));
}

TEST(ProfileFileOnWindows, AnExistingAnsiFileIsReadAndKeptAnsi) {
    testimages::TempFolder folder;
    const auto file = folder.File("u_pallidor.ini");
    testimages::WriteFileBytes(file, {'[', 'S', ']', '\r', '\n', 'K', '=', '4', '\r', '\n'});
    EXPECT_EQ("4", ProfileReadText("S", "K", "", file));
    ASSERT_TRUE(ProfileWriteText("S", "L", "5", file));
    const auto bytes = testimages::ReadFileBytes(file);
    EXPECT_EQ("[S]\r\nK=4\r\nL=5\r\n", std::string(bytes.begin(), bytes.end()));
}
