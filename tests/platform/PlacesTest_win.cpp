#include "platform/Places.h"

#include <gtest/gtest.h>

namespace {

TEST(Places, AreBesideTheProgramAsAPortableProgramKeepsThem) {
    EXPECT_EQ(std::filesystem::path(L"C:\\Tools"), platform::SettingsFolder(L"C:\\Tools\\"));
    EXPECT_EQ(std::filesystem::path(L"C:\\Tools\\logs"), platform::LogsFolder(L"C:\\Tools\\"));
    EXPECT_EQ(std::filesystem::path(L"C:\\"), platform::SettingsFolder(L"C:\\"));
    EXPECT_EQ(std::filesystem::path(L"C:\\logs"), platform::LogsFolder(L"C:\\"));
    // No program folder, no place: nothing lands in the working folder.
    EXPECT_TRUE(platform::SettingsFolder({}).empty());
    EXPECT_TRUE(platform::LogsFolder({}).empty());
}

}  // namespace
