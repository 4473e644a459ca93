#include "platform/Places.h"

#include <gtest/gtest.h>

#include "support/Variables.h"

namespace {

using testsupport::ScopedVariable;

struct PlacesCase {
    const char* config;  // XDG_CONFIG_HOME; null: not set
    const char* state;   // XDG_STATE_HOME; null: not set
    const char* home;    // HOME
    const char* settingsFolder;
    const char* logsFolder;
};

class Places : public ::testing::TestWithParam<PlacesCase> {};

TEST_P(Places, FollowTheXdgVariablesElseTheHomeAndNeverTheProgramsFolder) {
    const PlacesCase& row = GetParam();
    ScopedVariable config("XDG_CONFIG_HOME", row.config);
    ScopedVariable state("XDG_STATE_HOME", row.state);
    ScopedVariable home("HOME", row.home);
    const std::filesystem::path program = "/usr/bin/";
    EXPECT_EQ(std::filesystem::path(row.settingsFolder), platform::SettingsFolder(program));
    EXPECT_EQ(std::filesystem::path(row.logsFolder), platform::LogsFolder(program));
}

INSTANTIATE_TEST_SUITE_P(
    Variables, Places,
    ::testing::Values(
        PlacesCase{"/t/conf", "/t/state", "/home/u", "/t/conf/pallidor", "/t/state/pallidor/logs"},
        PlacesCase{nullptr, nullptr, "/home/u", "/home/u/.config/pallidor", "/home/u/.local/state/pallidor/logs"},
        // Empty counts as not set; so does a relative path, which would depend on the working
        // folder.
        PlacesCase{"", "", "/home/u", "/home/u/.config/pallidor", "/home/u/.local/state/pallidor/logs"},
        PlacesCase{"conf", "./state", "/home/u", "/home/u/.config/pallidor", "/home/u/.local/state/pallidor/logs"},
        PlacesCase{"/t/conf/", "/t//state/", "/home/u/", "/t/conf/pallidor", "/t/state/pallidor/logs"},
        PlacesCase{nullptr, "/t/state", "/", "/.config/pallidor", "/t/state/pallidor/logs"}));

TEST(PlacesWithoutHome, ComeFromThePasswordEntryOrAreEmpty) {
    ScopedVariable config("XDG_CONFIG_HOME", nullptr);
    ScopedVariable state("XDG_STATE_HOME", nullptr);
    ScopedVariable home("HOME", nullptr);
    const std::filesystem::path settings = platform::SettingsFolder("/usr/bin/");
    const std::filesystem::path logs = platform::LogsFolder("/usr/bin/");
    // Where the password entry names no home, nothing would be a safe place.
    if (!settings.empty()) {
        EXPECT_TRUE(settings.is_absolute());
        EXPECT_EQ(".config/pallidor", settings.parent_path().filename().string() + "/" + settings.filename().string());
        EXPECT_EQ(settings.parent_path().parent_path() / ".local/state/pallidor/logs", logs);
    } else {
        EXPECT_TRUE(logs.empty());
    }
}

}  // namespace
