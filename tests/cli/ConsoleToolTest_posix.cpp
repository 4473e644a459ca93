// The console tool as a user runs it: a real process, real files, its output and exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "support/ImageFiles.h"

namespace {

using testimages::Rgb;

struct CliResult {
    int status;
    std::vector<std::string> lines;  // standard output, sorted: judge prints in any order
    std::string errors;
};

std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

CliResult RunCli(const testimages::TempFolder& folder, const std::string& arguments) {
    const std::string out = folder.File("stdout.txt").string();
    const std::string err = folder.File("stderr.txt").string();
    const std::string command = Quoted(PALLIDOR_CLI_PATH) + " " + arguments + " >" + Quoted(out) +
                                " 2>" + Quoted(err);
    const int raw = std::system(command.c_str());
    CliResult result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, {}, {}};
    const auto bytes = testimages::ReadFileBytes(out);
    std::istringstream stream(std::string(bytes.begin(), bytes.end()));
    for (std::string line; std::getline(stream, line);) result.lines.push_back(line);
    std::sort(result.lines.begin(), result.lines.end());
    const auto errorBytes = testimages::ReadFileBytes(err);
    result.errors.assign(errorBytes.begin(), errorBytes.end());
    return result;
}

testimages::Bytes SolidPng(Rgb colour) {
    testimages::PngPicture picture;
    picture.width = 4;
    picture.height = 3;
    for (int i = 0; i < 12; ++i) picture.samples.insert(picture.samples.end(), {colour.red, colour.green, colour.blue});
    return testimages::EncodePng(picture);
}

class ConsoleTool : public ::testing::Test {
protected:
    void SetUp() override {
        const std::filesystem::path sub = images.File("サブ");
        std::filesystem::create_directory(sub);
        testimages::WriteFileBytes(images.File("gray.png"), SolidPng({90, 90, 90}));
        testimages::WriteFileBytes(sub / "赤.png", SolidPng({200, 30, 30}));
        settings = settingsFolder.File("settings.ini").string();
    }

    testimages::TempFolder images;
    testimages::TempFolder settingsFolder;
    std::string settings;
};

TEST_F(ConsoleTool, PrintsOneVerdictPerFileOfAFolderTreeAndSucceeds) {
    const std::string root = images.Path().string();
    const CliResult result = RunCli(settingsFolder, "judge --settings " + Quoted(settings) + " " + Quoted(root));
    EXPECT_EQ(0, result.status) << result.errors;
    EXPECT_EQ((std::vector<std::string>{"color\t" + root + "/サブ/赤.png", "monochrome\t" + root + "/gray.png"}),
              result.lines);
}

TEST_F(ConsoleTool, SettingsDecideWhetherSubFoldersAreEntered) {
    testimages::WriteFileBytes(settings, {'[', 'S', 'O', 'R', 'T', ']', '\n', 'I', 'S', '_', 'S', 'U', 'B', 'D', 'I',
                                          'R', 'S', '_', 'T', 'O', 'O', '=', '0', '\n'});
    const std::string root = images.Path().string();
    // A trailing separator is dropped, as a drop on the window never reports one.
    const CliResult result = RunCli(settingsFolder, "judge --settings " + Quoted(settings) + " " + Quoted(root + "/"));
    EXPECT_EQ(0, result.status);
    EXPECT_EQ(std::vector<std::string>{"monochrome\t" + root + "/gray.png"}, result.lines);
}

TEST_F(ConsoleTool, AFileThatFailsGivesAnErrorLineAndStatusOne) {
    testimages::WriteFileBytes(images.File("notes.txt"), {'x'});
    const std::string notes = images.File("notes.txt").string();
    const std::string missing = images.File("gone.jpg").string();
    const CliResult result =
        RunCli(settingsFolder, "judge --settings " + Quoted(settings) + " " + Quoted(notes) + " " + Quoted(missing));
    EXPECT_EQ(1, result.status);
    EXPECT_EQ((std::vector<std::string>{
                  "error\t" + missing + "\t【ERROR】JPEGファイルの読み込みに失敗しました。（ファイルの読み込みオープンに失敗しました。）",
                  "error\t" + notes + "\t【ERROR】非対応のファイル形式です。"}),
              result.lines);
}

TEST_F(ConsoleTool, UsageErrorsExitWithTwoAndJudgeNothing) {
    for (const std::string& arguments : {std::string(""), std::string("judge"), std::string("frobnicate x"),
                                         std::string("judge --colour x"), std::string("judge --settings")}) {
        const CliResult result = RunCli(settingsFolder, arguments);
        EXPECT_EQ(2, result.status) << arguments;
        EXPECT_TRUE(result.lines.empty()) << arguments;
        EXPECT_NE(std::string::npos, result.errors.find("usage:")) << arguments;
    }
    EXPECT_EQ(0, RunCli(settingsFolder, "--help").status);
    const CliResult version = RunCli(settingsFolder, "--version");
    EXPECT_EQ(0, version.status);
    EXPECT_EQ(std::vector<std::string>{"pallidor-cli " PALLIDOR_VERSION}, version.lines);
}

}  // namespace

namespace {

TEST_F(ConsoleTool, SortMovesJudgedFilesLeavesTheRestAndSaysSoInItsStatus) {
    testimages::WriteFileBytes(images.File("notes.txt"), {'x'});
    const std::string root = images.Path().string();
    const CliResult result =
        RunCli(settingsFolder, "sort --yes --settings " + Quoted(settings) + " " + Quoted(root) + " </dev/null");
    EXPECT_EQ(1, result.status) << result.errors;
    ASSERT_EQ(4u, result.lines.size());
    EXPECT_EQ("left in place: 1", result.lines[0]);
    EXPECT_EQ(0u, result.lines[1].rfind("log: ", 0));
    EXPECT_EQ("moved to color: 1", result.lines[2]);
    EXPECT_EQ("moved to monochrome: 1", result.lines[3]);
    EXPECT_TRUE(std::filesystem::exists(images.File("monochrome") / "gray.png"));
    EXPECT_TRUE(std::filesystem::exists(images.File("サブ") / "color" / "赤.png"));
    EXPECT_TRUE(std::filesystem::exists(images.File("notes.txt")));
    // The run saves the settings it used, as a drop on the window does.
    EXPECT_TRUE(std::filesystem::exists(settings));
}

}  // namespace
