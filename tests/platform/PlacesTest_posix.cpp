#include "platform/Places.h"

#include <gtest/gtest.h>

#include "support/ImageFiles.h"
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

namespace {

namespace fs = std::filesystem;

TEST(CreatePlace, MakesEveryMissingLevelForTheUserAloneAndLeavesExistingOnesAlone) {
    testimages::TempFolder temp;
    fs::permissions(temp.Path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    const fs::path place = temp.Path() / "state" / "pallidor" / "logs";
    EXPECT_TRUE(platform::CreatePlace(place));
    EXPECT_TRUE(fs::is_directory(place));
    for (const fs::path& level : {temp.Path() / "state", temp.Path() / "state" / "pallidor", place}) {
        EXPECT_EQ(fs::perms::owner_all, fs::status(level).permissions()) << level;
    }
    EXPECT_EQ(fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec, fs::status(temp.Path()).permissions());
    EXPECT_TRUE(platform::CreatePlace(place));  // already there
}

TEST(CreatePlace, FailsWhereAFileIsInTheWayOrNoPlaceIsKnown) {
    testimages::TempFolder temp;
    testimages::WriteFileBytes(temp.File("state"), {'x'});
    EXPECT_FALSE(platform::CreatePlace(temp.Path() / "state" / "pallidor" / "logs"));
    EXPECT_FALSE(platform::CreatePlace(temp.Path() / "state"));
    EXPECT_TRUE(fs::is_regular_file(temp.File("state")));
    EXPECT_FALSE(platform::CreatePlace({}));
}

}  // namespace
