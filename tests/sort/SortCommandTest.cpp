#include "cli/SortCommand.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include "cli/JsonText.h"
#include "platform/Console.h"
#include "platform/Places.h"
#include "platform/Text.h"
#include "platform/Thread.h"
#include "sort/ResultLog.h"
#include "sort/SortFixtures.h"
#include "sort/SortRunDriver.h"
#include "sort/Texts.h"

using sorttest::Exists;
using sorttest::RunEnd;
using sorttest::TempFolder;
using sorttest::TinyPng;
using sorttest::WriteBytes;

namespace {

const char kFolderQuestion[] = "The \"logs\" folder could not be created.\nSort without a log?\n";

class SortCommandRun : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(temp_.Path() / "app");
        std::filesystem::create_directory(pics_);
        // The console reads the process's settings record and finds the logs from the program's
        // folder: this test's below its own folder.
        saved_ = Settings;
        savedModuleFolder_ = ModuleFolder;
        savedSettingsFile_ = SettingsFilePath;
        ModuleFolder = temp_.Path() / "app" / "";
        SettingsFilePath = temp_.Path() / "app" / "test_pallidor.ini";
        Settings = SettingsRecord();
        Settings.THREAD_NUM = 2;
        Settings.IS_ONLY_GRAYSCALE = 1;
        // The console's language under an English locale; the window's stays the default.
        SetTextLanguage(Language::English);
    }

    void TearDown() override {
        SetTextLanguage(Language::Japanese);
        Settings = saved_;
        ModuleFolder = savedModuleFolder_;
        SettingsFilePath = savedSettingsFile_;
    }

    std::filesystem::path LogsFolder() const { return platform::LogsFolder(ModuleFolder); }

    int Sort(const std::vector<std::filesystem::path>& paths, QuestionAnswer answer) {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int status = SortCommand(paths, answer, {}, seams_);
        out_ = ::testing::internal::GetCapturedStdout();
        err_ = ::testing::internal::GetCapturedStderr();
        return status;
    }

    TempFolder temp_;
    testsupport::ScopedVariable stateHome_{"XDG_STATE_HOME", platform::PathToUtf8(temp_.Path() / "app" / "state").c_str()};
    testsupport::ScopedVariable localAppData_{"LOCALAPPDATA", platform::PathToUtf8(temp_.Path() / "app" / "local").c_str()};
    RunEnd runEnd_;
    SettingsRecord saved_;
    std::filesystem::path savedModuleFolder_, savedSettingsFile_;
    std::filesystem::path pics_ = temp_.Path() / "pics";
    RunSeams seams_ = RealRunSeams();
    std::string out_, err_;
};

}  // namespace

TEST_F(SortCommandRun, EveryFileMovedExitsZeroWithSummaryAndLogPlace) {
    WriteBytes(pics_ / "a.png", TinyPng(false, 1));
    WriteBytes(pics_ / "b.png", TinyPng(false, 2));
    WriteBytes(pics_ / "c.png", TinyPng(true, 3));

    EXPECT_EQ(0, Sort({pics_}, QuestionAnswer::No));

    ASSERT_FALSE(LogFilePath.empty());
    EXPECT_EQ("moved to monochrome: 2\nmoved to color: 1\nleft in place: 0\nlog: " + LogFilePath.string() + "\n", out_);
    EXPECT_EQ(LogsFolder(), LogFilePath.parent_path());
    EXPECT_EQ("", err_);
}

TEST_F(SortCommandRun, RelativePathIsSortedBesideItsFile) {
    // Below the working folder: the temporary folder may be on another drive, where no
    // relative path leads.
    const TempFolder here(std::filesystem::current_path());
    WriteBytes(here.Path() / "a.png", TinyPng(false, 1));
    const auto relative = std::filesystem::relative(here.Path() / "a.png");
    ASSERT_TRUE(relative.is_relative());
    ASSERT_FALSE(relative.empty());

    EXPECT_EQ(0, Sort({relative}, QuestionAnswer::No));
    EXPECT_TRUE(Exists(here.Path() / "monochrome" / "a.png"));
}

TEST_F(SortCommandRun, AnyFileLeftInPlaceExitsOne) {
    WriteBytes(pics_ / "a.png", TinyPng(false, 1));
    WriteBytes(pics_ / "notes.txt", "x");

    EXPECT_EQ(1, Sort({pics_}, QuestionAnswer::No));
    EXPECT_EQ("moved to monochrome: 1\nmoved to color: 0\nleft in place: 1\n", out_.substr(0, out_.find("log:")));
}

TEST_F(SortCommandRun, RunThatDoesNotStartExitsTwoWithTheMessageOnStandardError) {
    Settings.IS_DST_SUBDIR = 0;
    Settings.DST_DIR_MONO = (temp_.Path() / "nope").string();
    WriteBytes(pics_ / "a.png", TinyPng(false, 1));

    EXPECT_EQ(2, Sort({pics_}, QuestionAnswer::Yes));
    EXPECT_EQ("", out_);
    EXPECT_EQ("The destination folder for monochrome pictures does not exist.\nCreate it and try again.\n\n    [folder] " +
                  (temp_.Path() / "nope").string() + "\n",
              err_);
    EXPECT_TRUE(Exists(pics_ / "a.png"));
}

TEST_F(SortCommandRun, LogQuestionIsAnsweredByTheOptionOrNoWithoutATerminal) {
    std::filesystem::create_directories(LogsFolder().parent_path());
    WriteBytes(LogsFolder(), "in the way");
    WriteBytes(pics_ / "a.png", TinyPng(false, 1));

    EXPECT_EQ(2, Sort({pics_}, QuestionAnswer::No));
    EXPECT_EQ(kFolderQuestion, err_);
    EXPECT_TRUE(Exists(pics_ / "a.png"));

    if (!platform::StandardInputIsTerminal()) {
        EXPECT_EQ(2, Sort({pics_}, QuestionAnswer::AskOnTerminal));
        EXPECT_EQ(kFolderQuestion, err_);
    }

    EXPECT_EQ(0, Sort({pics_}, QuestionAnswer::Yes));
    EXPECT_EQ("moved to monochrome: 1\nmoved to color: 0\nleft in place: 0\nlog: none\n", out_);
    EXPECT_TRUE(Exists(pics_ / "monochrome" / "a.png"));
}

TEST_F(SortCommandRun, InterruptStopsLaunchingWhileStartedFilesFinish) {
    Settings.THREAD_NUM = 1;
    for (int i = 0; i < 5; ++i) WriteBytes(pics_ / (std::to_string(i) + ".png"), TinyPng(false, 1));
    seams_.startThread = [](std::function<void()> body) {
        return platform::StartDetachedThread([body] {
            std::raise(SIGINT);
            body();
        });
    };

    EXPECT_EQ(1, Sort({pics_}, QuestionAnswer::No));

    EXPECT_EQ("moved to monochrome: 1\nmoved to color: 0\nleft in place: 4\n", out_.substr(0, out_.find("log:")));
    EXPECT_NE(std::string::npos, err_.find("cancelled: 4 of 5 files were not started\n")) << err_;
    // Each file not started is named, as every file left in place is.
    std::size_t named = 0;
    for (std::size_t at = err_.find(": interrupted\n"); at != std::string::npos; at = err_.find(": interrupted\n", at + 1)) {
        ++named;
    }
    EXPECT_EQ(4u, named) << err_;
    // Ctrl+C belongs to the default handler again once the run is over.
    EXPECT_EQ(SIG_DFL, std::signal(SIGINT, SIG_DFL));
}

TEST_F(SortCommandRun, JsonPutsOneObjectPerFileOnStandardOutputAndTheSummaryOnStandardError) {
    Settings.THREAD_NUM = 1;  // one worker: the objects come in list order
    WriteBytes(pics_ / "a.png", TinyPng(false, 1));
    WriteBytes(pics_ / "b.png", TinyPng(true, 2));
    WriteBytes(pics_ / "c.txt", "x");
    // Paths as JSON strings: on Windows their backslashes are escaped.
    auto path = [](const std::filesystem::path& p) { return JsonString(p.string()); };
    auto moved = [](const char* word, const std::filesystem::path& p) {
        return JsonString(std::string("[") + word + "] moved to \"" + p.string() + "\".");
    };

    OutputOptions output;
    output.json = true;
    output.explain = true;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = SortCommand({pics_ / "a.png", pics_ / "b.png", pics_ / "c.txt"}, QuestionAnswer::No, output);
    out_ = ::testing::internal::GetCapturedStdout();
    err_ = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(1, status);
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = out_.find('\n', at)) != std::string::npos; at = end + 1) {
        lines.push_back(out_.substr(at, end - at));
    }
    ASSERT_EQ(3u, lines.size()) << out_;
    const std::string evidence = R"("evidence":{"rule":"grayscale-only","step":1,"samples":4,)";
    EXPECT_EQ(R"({"path":)" + path(pics_ / "a.png") + R"(,"verdict":"monochrome","destination":)" +
                  path(pics_ / "monochrome" / "a.png") + R"(,"message":)" + moved("monochrome", pics_ / "monochrome" / "a.png") +
                  "," + evidence + R"("not_gray":0,"not_gray_percent":0,"largest_spread":0,"THRESHOLD_GS":0,"NOISE_LIMIT_GS":0,)"
                  R"("rows":2,"settled_after_rows":null,"settled_by_coefficients":false}})",
              lines[0]);
    const std::string colour = R"({"path":)" + path(pics_ / "b.png") + R"(,"verdict":"color","destination":)" +
                               path(pics_ / "color" / "b.png") + R"(,"message":)" + moved("color", pics_ / "color" / "b.png") +
                               "," + evidence + R"("not_gray":4,"not_gray_percent":100,"largest_spread":)";
    EXPECT_EQ(colour, lines[1].substr(0, colour.size()));
    EXPECT_EQ(R"({"path":)" + path(pics_ / "c.txt") +
                  R"(,"error":"[ERROR] unsupported file format.","code":"unsupported","message":"[ERROR] unsupported file format."})",
              lines[2]);
    EXPECT_EQ((pics_ / "c.txt").string() + ": [ERROR] unsupported file format.\n" +
                  "moved to monochrome: 1\nmoved to color: 1\nleft in place: 1\nlog: " + LogFilePath.string() + "\n",
              err_);
}

TEST_F(SortCommandRun, AFileThatWasJudgedButCouldNotMoveKeepsItsVerdictInJson) {
    WriteBytes(pics_ / "a.png", TinyPng(false, 1));
    std::filesystem::create_directory(pics_ / "monochrome");
    WriteBytes(pics_ / "monochrome" / "a.png", "taken");
    OutputOptions output;
    output.json = true;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(1, SortCommand({pics_ / "a.png"}, QuestionAnswer::No, output));
    out_ = ::testing::internal::GetCapturedStdout();
    err_ = ::testing::internal::GetCapturedStderr();
    const std::string text = "[ERROR] judged monochrome, but the move to \"" +
                             (pics_ / "monochrome" / "a.png").string() + "\" failed.";
    EXPECT_EQ(R"({"path":)" + JsonString((pics_ / "a.png").string()) + R"(,"verdict":"monochrome","error":)" +
                  JsonString(text) + R"(,"code":"name-taken","reason":"name already taken","message":)" +
                  JsonString(text) + "}\n",
              out_);
    // The file that stayed is named with the system's reason.
    EXPECT_EQ((pics_ / "a.png").string() + ": " + text + " (name already taken)\n", err_.substr(0, err_.find("moved to")));
}
