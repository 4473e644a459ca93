#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ImageFiles.h"
#include "support/Variables.h"

namespace fs = std::filesystem;

namespace {

class SettingsPlaces : public ::testing::Test {
protected:
    ~SettingsPlaces() override {
        Settings = settings_;
        SettingsFilePath = settingsFilePath_;
    }

    testimages::TempFolder temp_;
    testsupport::ScopedVariable config_{"XDG_CONFIG_HOME", temp_.File("config").c_str()};
    std::vector<std::string> errors_;
    UserPrompt prompt_{[this](const std::string& text) { errors_.push_back(text); }, {}};

private:
    SettingsRecord settings_ = Settings;
    fs::path settingsFilePath_ = SettingsFilePath;
};

TEST_F(SettingsPlaces, ThePerUserFileIsInTheConfigFolderWhichTheFirstSaveMakes) {
    LoadSettings();
    EXPECT_EQ(temp_.File("config") / "pallidor" / (UserName + "_pallidor.ini"), SettingsFilePath);
    EXPECT_FALSE(fs::exists(temp_.File("config")));  // loading writes nothing
    Settings.THREAD_NUM = 3;
    EXPECT_TRUE(SaveSettings(prompt_));
    EXPECT_TRUE(errors_.empty());
    LoadSettings();
    EXPECT_EQ(3, Settings.THREAD_NUM);
}

TEST_F(SettingsPlaces, AConfigFolderThatCannotBeMadeFailsTheSaveWithItsMessage) {
    testimages::WriteFileBytes(temp_.File("config"), {'x'});
    LoadSettings();
    EXPECT_FALSE(SaveSettings(prompt_));
    EXPECT_EQ((std::vector<std::string>{"設定ファイルへの書き込みに失敗しました。\n\n" + SettingsFilePath.string()}),
              errors_);
}

}  // namespace
