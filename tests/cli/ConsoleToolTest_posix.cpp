// The console tool as a user runs it: a real process, real files, its output and exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <zlib.h>
#include <unistd.h>

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

// `environment`: assignments and `-u NAME` for env(1), which starts the tool.
CliResult RunCli(const testimages::TempFolder& folder, const std::string& arguments,
                 const std::string& environment = "") {
    const std::string out = folder.File("stdout.txt").string();
    const std::string err = folder.File("stderr.txt").string();
    // English unless a test asks for another language.
    const std::string language = environment.find("LC_ALL=") == std::string::npos ? " LC_ALL=C.UTF-8" : "";
    const std::string command = "env " + environment + language + " " + Quoted(PALLIDOR_CLI_PATH) + " " + arguments + " >" +
                                Quoted(out) + " 2>" + Quoted(err);
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
        // --settings must name a file that exists; an empty one gives the defaults.
        testimages::WriteFileBytes(settings, {});
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
    // A file given that is not there is told so in the tool's own words, not by a loader.
    EXPECT_EQ((std::vector<std::string>{"error\t" + missing + "\tno such file or folder",
                                        "error\t" + notes + "\t[ERROR] unsupported file format."}),
              result.lines);
}

TEST_F(ConsoleTool, APathThatDoesNotExistIsAnErrorOfItsOwnInEachCommandAndOutput) {
    const std::string gray = images.File("gray.png").string();
    const std::string missing = images.File("gone").string();
    const std::string inFile = images.File("gray.png/x.png").string();
    const std::string both = Quoted(gray) + " " + Quoted(missing) + " " + Quoted(inFile) + " </dev/null";
    const std::string withSettings = " --settings " + Quoted(settings) + " ";
    struct Case {
        std::string arguments;
        std::vector<std::string> lines;
    } cases[] = {
        {"judge" + withSettings + both,
         {"error\t" + missing + "\tno such file or folder", "error\t" + inFile + "\tno such file or folder",
          "monochrome\t" + gray}},
        {"judge --json" + withSettings + both,
         {"{\"path\":\"" + missing + "\",\"error\":\"no such file or folder\",\"code\":\"not-found\"}",
          "{\"path\":\"" + gray + "\",\"verdict\":\"monochrome\"}",
          "{\"path\":\"" + inFile + "\",\"error\":\"no such file or folder\",\"code\":\"not-found\"}"}},
        {"sort --json --yes" + withSettings + both,
         {"{\"path\":\"" + missing + "\",\"error\":\"no such file or folder\",\"code\":\"not-found\",\"message\":\"no such file or folder\"}",
          "{\"path\":\"" + gray + "\",\"verdict\":\"monochrome\",\"destination\":\"" + images.File("monochrome").string() +
              "/gray.png\",\"message\":\"[monochrome] moved to \\\"" + images.File("monochrome").string() + "/gray.png\\\".\"}",
          "{\"path\":\"" + inFile + "\",\"error\":\"no such file or folder\",\"code\":\"not-found\",\"message\":\"no such file or folder\"}"}},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(images.File("monochrome"));
        testimages::WriteFileBytes(gray, SolidPng({90, 90, 90}));
        const CliResult result = RunCli(settingsFolder, c.arguments);
        EXPECT_EQ(1, result.status) << c.arguments << "\n" << result.errors;
        EXPECT_EQ(c.lines, result.lines) << c.arguments;
    }
    // Text output of sort: the error lines, then the summary of what did run.
    std::filesystem::remove_all(images.File("monochrome"));
    testimages::WriteFileBytes(gray, SolidPng({90, 90, 90}));
    const CliResult sorted = RunCli(settingsFolder, "sort --yes" + withSettings + both);
    EXPECT_EQ(1, sorted.status);
    ASSERT_EQ(6u, sorted.lines.size());
    EXPECT_EQ("error\t" + missing + "\tno such file or folder", sorted.lines[0]);
    EXPECT_EQ("left in place: 0", sorted.lines[2]);
    EXPECT_EQ("moved to monochrome: 1", sorted.lines[5]);
    // Nothing there at all: no run, so no log and no saved settings.
    const CliResult nothing = RunCli(settingsFolder, "sort --yes " + Quoted(missing) + " </dev/null");
    EXPECT_EQ(1, nothing.status);
    EXPECT_EQ(std::vector<std::string>{"error\t" + missing + "\tno such file or folder"}, nothing.lines);
}

TEST_F(ConsoleTool, UsageErrorsSayWhatIsWrongInOneLineAndExitWithTwo) {
    const std::string root = Quoted(images.Path().string());
    const std::string gone = settingsFolder.File("gone.ini").string();
    const std::string folder = settingsFolder.Path().string();
    const std::pair<std::string, std::string> cases[] = {
        {"", "no command given"},
        {"judge", "no PATH given"},
        {"frobnicate x", "unknown command 'frobnicate'"},
        {"jugde x", "unknown command 'jugde'; did you mean 'judge'?"},
        {"help frob", "help: no command 'frob'"},
        {"logs extra", "logs takes no argument"},
        {"undo --last x", "undo takes a LOGFILE or --last, not both"},
        {"judge --colour x", "unknown option '--colour'"},
        {"judge --settings", "--settings needs a file"},
        // A mistyped settings file must not quietly give the defaults.
        {"judge --settings " + Quoted(gone) + " " + root, "settings file '" + gone + "' does not exist"},
        {"sort --yes --settings " + Quoted(folder) + " " + root, "settings file '" + folder + "' is a folder"},
        {"settings --json", "unknown option '--json'"},
        {"settings --yes", "unknown option '--yes'"},
    };
    for (const auto& [arguments, message] : cases) {
        const CliResult result = RunCli(settingsFolder, arguments + " </dev/null");
        EXPECT_EQ(2, result.status) << arguments;
        EXPECT_TRUE(result.lines.empty()) << arguments;
        EXPECT_EQ("pallidor-cli: " + message + "\nTry 'pallidor-cli --help'.\n", result.errors) << arguments;
    }
    EXPECT_FALSE(std::filesystem::exists(gone));
    EXPECT_FALSE(std::filesystem::exists(images.File("monochrome")));

    const CliResult help = RunCli(settingsFolder, "--help");
    EXPECT_EQ(0, help.status);
    // It says where the files are.
    for (const char* words : {"  settings   $XDG_CONFIG_HOME/pallidor/USER_pallidor.ini, by default",
                              "             $XDG_STATE_HOME/pallidor/logs/, by default"}) {
        EXPECT_NE(std::find(help.lines.begin(), help.lines.end(), words), help.lines.end()) << words;
    }
    // Each command's own help, however it is asked for.
    for (const char* arguments : {"judge --help", "sort -h", "help sort", "undo --yes --help", "help"}) {
        const CliResult asked = RunCli(settingsFolder, arguments);
        EXPECT_EQ(0, asked.status) << arguments;
        EXPECT_EQ("", asked.errors) << arguments;
        EXPECT_FALSE(asked.lines.empty()) << arguments;
    }
    const CliResult version = RunCli(settingsFolder, "--version");
    EXPECT_EQ(0, version.status);
    EXPECT_EQ(std::vector<std::string>{"pallidor-cli " PALLIDOR_VERSION}, version.lines);
}

// 1000 x 1 of grays with `exceptions` pixels of red 200, green 10, blue 10 (spread 190).
testimages::Bytes ThousandPixelPng(int exceptions) {
    testimages::PngPicture picture;
    picture.width = 1000;
    picture.height = 1;
    for (int c = 0; c < 1000; ++c) {
        const unsigned v = static_cast<unsigned>(c % 256);
        const bool red = c % 7 == 0 && c / 7 < exceptions;
        picture.samples.insert(picture.samples.end(), {red ? 200u : v, red ? 10u : v, red ? 10u : v});
    }
    return testimages::EncodePng(picture);
}

TEST_F(ConsoleTool, ExplainAddsTheEvidenceOfEachVerdict) {
    testimages::WriteFileBytes(settings, {'[', 'J', 'U', 'D', 'G', 'M', 'E', 'N', 'T', ']', '\n', 'N', 'O', 'I', 'S', 'E',
                                          '_', 'L', 'I', 'M', 'I', 'T', '_', 'G', 'S', '=', '0', '.', '5', '\n'});
    const std::string nine = images.File("nine.png").string();
    const std::string ten = images.File("ten.png").string();
    testimages::WriteFileBytes(nine, ThousandPixelPng(9));
    testimages::WriteFileBytes(ten, ThousandPixelPng(10));
    const CliResult result =
        RunCli(settingsFolder, "judge --explain --settings " + Quoted(settings) + " " + Quoted(nine) + " " + Quoted(ten));
    EXPECT_EQ(0, result.status) << result.errors;
    EXPECT_EQ((std::vector<std::string>{
                  "color\t" + ten + "\tgrayscale-only: step 1, 1000 samples, 10 not gray (1 %, NOISE_LIMIT_GS 0.5), "
                                    "largest spread 190 (THRESHOLD_GS 0); settled after 1 of 1 rows",
                  "monochrome\t" + nine + "\tgrayscale-only: step 1, 1000 samples, 9 not gray (0 %, NOISE_LIMIT_GS 0.5), "
                                          "largest spread 190 (THRESHOLD_GS 0); needed all 1 rows"}),
              result.lines);
}

// Checks every line of `jsonl` with Python's own JSON parser, reading the file as strict
// UTF-8, and prints per object: the hexadecimal bytes of its file name (from path_bytes when
// the name is no UTF-8), then its verdict or "error", then the evidence's rule or "-".
const char kJsonCheck[] = R"(import json, sys
raw = open(sys.argv[1], "rb").read()
for line in raw.decode("utf-8").split("\n")[:-1]:
    o = json.loads(line)
    name = bytes.fromhex(o["path_bytes"]) if "path_bytes" in o else o["path"].encode("utf-8")
    rule = o["evidence"]["rule"] if "evidence" in o else "-"
    print(name.hex(), o.get("verdict", "error"), rule)
)";

std::string Hex(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) out += "0123456789abcdef"[c >> 4], out += "0123456789abcdef"[c & 15];
    return out;
}

TEST_F(ConsoleTool, JsonLinesParseForNamesWithQuotesBackslashesTabsNewlinesAndNoUtf8) {
    const std::string folder = images.File("名前").string();
    std::filesystem::create_directory(folder);
    const std::vector<std::string> names = {"写真 \"引用\".png", "back\\slash.png", "tab\there.png",
                                            "new\nline.png", "latin\xE9.png", "ctl\x01.png"};
    for (const auto& name : names) testimages::WriteFileBytes(folder + "/" + name, SolidPng({80, 80, 80}));
    testimages::WriteFileBytes(folder + "/赤.png", SolidPng({200, 30, 30}));
    testimages::WriteFileBytes(folder + "/x.txt", {'x'});

    const CliResult result =
        RunCli(settingsFolder, "judge --json --explain --settings " + Quoted(settings) + " " + Quoted(folder));
    EXPECT_EQ(1, result.status);  // x.txt
    testimages::WriteFileBytes(settingsFolder.File("check.py"),
                               testimages::Bytes(kJsonCheck, kJsonCheck + sizeof kJsonCheck - 1));
    const std::string command = "python3 " + Quoted(settingsFolder.File("check.py").string()) + " " +
                                Quoted(settingsFolder.File("stdout.txt").string()) + " >" +
                                Quoted(settingsFolder.File("parsed.txt").string());
    ASSERT_EQ(0, std::system(command.c_str()));
    const auto parsedBytes = testimages::ReadFileBytes(settingsFolder.File("parsed.txt"));
    std::istringstream parsed(std::string(parsedBytes.begin(), parsedBytes.end()));
    std::vector<std::string> lines;
    for (std::string line; std::getline(parsed, line);) lines.push_back(line);
    std::sort(lines.begin(), lines.end());

    std::vector<std::string> expected;
    for (const auto& name : names) expected.push_back(Hex(folder + "/" + name) + " monochrome grayscale-only");
    expected.push_back(Hex(folder + "/赤.png") + " color grayscale-only");
    expected.push_back(Hex(folder + "/x.txt") + " error -");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, lines);
}

TEST_F(ConsoleTool, PathsComeFromStandardInputSeparatedByNulOrLines) {
    const std::string odd = images.File("two\nlines.png").string();
    testimages::WriteFileBytes(odd, SolidPng({10, 10, 10}));
    const std::string gray = images.File("gray.png").string();
    const std::string list = settingsFolder.File("list").string();
    const std::string nul(1, '\0');
    const std::string text = odd + nul + gray + nul;
    testimages::WriteFileBytes(list, testimages::Bytes(text.begin(), text.end()));

    CliResult result = RunCli(settingsFolder, "judge -0 --settings " + Quoted(settings) + " - <" + Quoted(list));
    EXPECT_EQ(0, result.status) << result.errors;
    // The name's own line feed splits its output line: two pieces sort apart.
    EXPECT_EQ((std::vector<std::string>{"lines.png", "monochrome\t" + gray, "monochrome\t" + odd.substr(0, odd.find('\n'))}),
              result.lines);

    const std::string lines = gray + "\r\n" + images.File("サブ").string() + "\n";
    testimages::WriteFileBytes(list, testimages::Bytes(lines.begin(), lines.end()));
    result = RunCli(settingsFolder, "judge --settings " + Quoted(settings) + " - <" + Quoted(list));
    EXPECT_EQ(0, result.status) << result.errors;
    EXPECT_EQ((std::vector<std::string>{"color\t" + images.File("サブ").string() + "/赤.png", "monochrome\t" + gray}),
              result.lines);
}

TEST_F(ConsoleTool, NewOptionsRefuseWhatTheyCannotMean) {
    const std::string root = Quoted(images.Path().string());
    for (const std::string& arguments :
         {"judge -0 " + root, "judge - " + root, "sort --explain --no " + root, "judge --dry-run " + root,
          std::string("undo"), std::string("undo --json x"), std::string("undo a b")}) {
        const CliResult result = RunCli(settingsFolder, arguments + " </dev/null");
        EXPECT_EQ(2, result.status) << arguments;
        EXPECT_TRUE(result.lines.empty()) << arguments;
        EXPECT_NE(std::string::npos, result.errors.find("\nTry 'pallidor-cli --help'.\n")) << arguments;
    }
    // An empty list (a find that found nothing) is nothing to do.
    for (const char* arguments : {"judge - </dev/null", "judge -0 - </dev/null", "sort --yes - </dev/null"}) {
        const CliResult empty = RunCli(settingsFolder, arguments);
        EXPECT_EQ(0, empty.status) << arguments << empty.errors;
        EXPECT_TRUE(empty.lines.empty()) << arguments;
    }
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
    const auto saved = testimages::ReadFileBytes(settings);
    EXPECT_NE(std::string::npos, std::string(saved.begin(), saved.end()).find("THREAD_NUM=16"));
}

}  // namespace

namespace {

TEST_F(ConsoleTool, UndoTakesASortBackAndASecondUndoChangesNothing) {
    const std::string root = images.Path().string();
    const CliResult sorted = RunCli(settingsFolder, "sort --yes --settings " + Quoted(settings) + " " + Quoted(root) + " </dev/null");
    ASSERT_EQ(0, sorted.status) << sorted.errors;
    ASSERT_EQ(4u, sorted.lines.size());
    ASSERT_EQ(0u, sorted.lines[1].rfind("log: ", 0));
    const std::string log = sorted.lines[1].substr(5);

    const CliResult dry = RunCli(settingsFolder, "undo --dry-run " + Quoted(log));
    EXPECT_EQ(0, dry.status) << dry.errors;
    EXPECT_EQ((std::vector<std::string>{
                  "log: none", "would leave in place: 0",
                  "would move back\t" + root + "/monochrome/gray.png\t" + root + "/gray.png",
                  "would move back\t" + root + "/サブ/color/赤.png\t" + root + "/サブ/赤.png", "would move back: 2",
                  "would remove folder\t" + root + "/monochrome", "would remove folder\t" + root + "/サブ/color",
                  "would remove folders: 2"}),
              dry.lines);
    EXPECT_TRUE(std::filesystem::exists(root + "/monochrome/gray.png"));

    const CliResult undone = RunCli(settingsFolder, "undo --yes " + Quoted(log));
    EXPECT_EQ(0, undone.status) << undone.errors;
    EXPECT_TRUE(std::filesystem::exists(root + "/gray.png"));
    EXPECT_TRUE(std::filesystem::exists(root + "/サブ/赤.png"));
    EXPECT_FALSE(std::filesystem::exists(root + "/monochrome"));
    EXPECT_FALSE(std::filesystem::exists(root + "/サブ/color"));

    const CliResult again = RunCli(settingsFolder, "undo --yes " + Quoted(log));
    EXPECT_EQ(1, again.status);
    EXPECT_NE(std::find(again.lines.begin(), again.lines.end(), "moved back: 0"), again.lines.end());
    EXPECT_NE(std::find(again.lines.begin(), again.lines.end(),
                        "left\t" + root + "/monochrome/gray.png\t[ERROR] the moved file is gone, so it could not go back to \"" +
                            root + "/gray.png\"."),
              again.lines.end());
    EXPECT_TRUE(std::filesystem::exists(root + "/gray.png"));

    const CliResult missing = RunCli(settingsFolder, "undo " + Quoted(root + "/no-such-log.txt"));
    EXPECT_EQ(2, missing.status);
    EXPECT_NE(std::string::npos, missing.errors.find("cannot read the log"));

    // A file of another program is refused in one line, and nothing moves.
    const std::string other = settingsFolder.File("notes.txt").string();
    testimages::WriteFileBytes(other, {'h', 'e', 'l', 'l', 'o', '\r', '\n'});
    const CliResult foreign = RunCli(settingsFolder, "undo --yes " + Quoted(other));
    EXPECT_EQ(2, foreign.status);
    EXPECT_EQ("pallidor-cli: " + other + " is not a log of this program\n", foreign.errors);
    EXPECT_TRUE(foreign.lines.empty());
}

}  // namespace

namespace {

// 40 x 30 of gray `level` whose every fourth pixel leans towards red by `lean`, with a square of
// `mark` colour (none when its red is 0) of 6 x 6 pixels in the middle.
testimages::Bytes PagePng(unsigned level, unsigned lean, Rgb mark) {
    testimages::PngPicture picture;
    picture.width = 40;
    picture.height = 30;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool inMark = mark.red != 0 && x >= 17 && x < 23 && y >= 12 && y < 18;
            if (inMark) {
                picture.samples.insert(picture.samples.end(), {mark.red, mark.green, mark.blue});
            } else {
                const unsigned red = x % 4 == 0 ? level + lean : level;
                picture.samples.insert(picture.samples.end(), {red, level, level});
            }
        }
    }
    return testimages::EncodePng(picture);
}

std::string ReadText(const std::filesystem::path& path) {
    const auto bytes = testimages::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// The lines `settings` prints for the keys, in the file's order, with `changes` applied.
std::vector<std::string> KeyLines(const std::vector<std::pair<std::string, std::string>>& changes = {}) {
    std::vector<std::pair<std::string, std::string>> keys = {
        {"THREAD_NUM", "16"},          {"IS_SUBDIRS_TOO", "1"},           {"IS_ALL_PIXEL_JUDGE", "1"},
        {"PIXELS_USE_IN_JUDGMENT", "20000"}, {"IS_ONLY_GRAYSCALE", "1"},  {"THRESHOLD_GS", "0"},
        {"NOISE_LIMIT_GS", "0.000000"}, {"THRESHOLD_MONO", "8.000000"},   {"ERROR_LIMIT_MONO", "8.000000"},
        {"IS_PERCEPTUAL_JUDGE", "0"},   {"THRESHOLD_PERCEPTUAL", "12.000000"}, {"AREA_LIMIT_PERCEPTUAL", "20"},
        {"IS_DST_SUBDIR", "1"},         {"DST_DIR_MONO", ""},             {"DST_DIR_COLOR", ""}};
    std::vector<std::string> lines;
    for (auto& [key, value] : keys) {
        for (const auto& [changedKey, changedValue] : changes) {
            if (changedKey == key) value = changedValue;
        }
        lines.push_back(key + "=" + value);
    }
    return lines;
}

// Standard output in the order printed.
std::vector<std::string> Unsorted(const testimages::TempFolder& folder) {
    std::istringstream stream(ReadText(folder.File("stdout.txt")));
    std::vector<std::string> lines;
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

TEST_F(ConsoleTool, SettingsPrintsTheKeysInFileOrderAndMakesAMissingFile) {
    const std::string made = settingsFolder.File("new.ini").string();
    const CliResult result = RunCli(settingsFolder, "settings --settings " + Quoted(made));
    EXPECT_EQ(0, result.status) << result.errors;
    std::vector<std::string> expected = KeyLines();
    expected.push_back("file: " + made);
    EXPECT_EQ(expected, Unsorted(settingsFolder));
    // Made with the defaults, so that judge and sort accept it.
    EXPECT_NE(std::string::npos, ReadText(made).find("THRESHOLD_MONO=8.000000"));
    EXPECT_EQ(0, RunCli(settingsFolder, "judge --settings " + Quoted(made) + " " + Quoted(images.File("gray.png").string())).status);

    // An existing file is shown as loaded, values brought into range, and not rewritten.
    testimages::WriteFileBytes(settings, {'[', 'S', 'O', 'R', 'T', ']', '\n', 'T', 'H', 'R', 'E', 'A', 'D', '_', 'N',
                                          'U', 'M', '=', '0', '\n'});
    EXPECT_EQ(0, RunCli(settingsFolder, "settings --settings " + Quoted(settings)).status);
    expected = KeyLines({{"THREAD_NUM", "1"}});
    expected.push_back("file: " + settings);
    EXPECT_EQ(expected, Unsorted(settingsFolder));
    EXPECT_EQ("[SORT]\nTHREAD_NUM=0\n", ReadText(settings));
}

TEST_F(ConsoleTool, SettingsSetsKeysByTheLoadsRulesAndPrintsThemAsStored) {
    // A destination must be a folder that exists.
    const std::string mono = images.File("写真 モノクロ").string();
    std::filesystem::create_directory(mono);
    const std::string assignments =
        "THREAD_NUM=65536 IS_SUBDIRS_TOO=7 PIXELS_USE_IN_JUDGMENT=-5 THRESHOLD_GS=300 NOISE_LIMIT_GS=12.3456789 "
        "THRESHOLD_MONO=150.5 ERROR_LIMIT_MONO=-0.5 IS_DST_SUBDIR=0 " + Quoted("DST_DIR_MONO=" + mono) + " DST_DIR_COLOR=";
    const CliResult result = RunCli(settingsFolder, "settings --settings " + Quoted(settings) + " " + assignments);
    EXPECT_EQ(0, result.status) << result.errors;
    std::vector<std::string> expected =
        KeyLines({{"THREAD_NUM", "1"}, {"IS_SUBDIRS_TOO", "1"}, {"PIXELS_USE_IN_JUDGMENT", "20000"},
                  {"THRESHOLD_GS", "255"}, {"NOISE_LIMIT_GS", "12.345679"}, {"THRESHOLD_MONO", "100.000000"},
                  {"ERROR_LIMIT_MONO", "0.000000"}, {"IS_DST_SUBDIR", "0"}, {"DST_DIR_MONO", mono}});
    expected.push_back("file: " + settings);
    EXPECT_EQ(expected, Unsorted(settingsFolder));
    // Each value stored otherwise than given, and each key without effect, is said so.
    EXPECT_EQ("pallidor-cli: settings: THREAD_NUM=65536 is stored as 1\n"
              "pallidor-cli: settings: IS_SUBDIRS_TOO=7 is stored as 1\n"
              "pallidor-cli: settings: PIXELS_USE_IN_JUDGMENT=-5 is stored as 20000\n"
              "pallidor-cli: settings: THRESHOLD_GS=300 is stored as 255\n"
              "pallidor-cli: settings: NOISE_LIMIT_GS=12.3456789 is stored as 12.345679\n"
              "pallidor-cli: settings: THRESHOLD_MONO=150.5 is stored as 100.000000\n"
              "pallidor-cli: settings: ERROR_LIMIT_MONO=-0.5 is stored as 0.000000\n"
              "pallidor-cli: settings: PIXELS_USE_IN_JUDGMENT has no effect while IS_ALL_PIXEL_JUDGE=1\n"
              "pallidor-cli: settings: THRESHOLD_MONO has no effect while IS_ONLY_GRAYSCALE=1\n"
              "pallidor-cli: settings: ERROR_LIMIT_MONO has no effect while IS_ONLY_GRAYSCALE=1\n",
              result.errors);
    // The file holds the same: showing it again prints the same lines.
    EXPECT_EQ(0, RunCli(settingsFolder, "settings --settings " + Quoted(settings)).status);
    EXPECT_EQ(expected, Unsorted(settingsFolder));
    EXPECT_EQ(0, RunCli(settingsFolder, "settings --settings " + Quoted(settings) + " THREAD_NUM=65537").status);
    EXPECT_EQ("THREAD_NUM=65537", Unsorted(settingsFolder)[0]);
}

TEST_F(ConsoleTool, SettingsRefusesUnknownKeysAndValuesThatAreNoNumberAndWritesNothing) {
    testimages::WriteFileBytes(settings, {'[', 'S', 'O', 'R', 'T', ']', '\n', 'T', 'H', 'R', 'E', 'A', 'D', '_', 'N',
                                          'U', 'M', '=', '3', '\n'});
    const std::pair<std::string, std::string> cases[] = {
        {"THREAD_NUM=4 FROB=1", "settings: unknown key 'FROB'"},
        {"thread_num=4", "settings: unknown key 'thread_num'"},
        {"THREAD_NUM=abc", "settings: THREAD_NUM needs a number, not 'abc'"},
        {"THREAD_NUM=12abc", "settings: THREAD_NUM needs a number, not '12abc'"},
        {"THREAD_NUM=", "settings: THREAD_NUM needs a number, not ''"},
        {"THREAD_NUM=99999999999", "settings: THREAD_NUM needs a number, not '99999999999'"},
        {"IS_DST_SUBDIR=1.5", "settings: IS_DST_SUBDIR needs a number, not '1.5'"},
        {"NOISE_LIMIT_GS=x", "settings: NOISE_LIMIT_GS needs a number, not 'x'"},
        {"NOISE_LIMIT_GS=1e", "settings: NOISE_LIMIT_GS needs a number, not '1e'"},
        {"THREAD_NUM", "settings: 'THREAD_NUM' is not KEY=VALUE"},
        {"THREAD_NUM=4 DST_DIR_MONO=out", "settings: DST_DIR_MONO must be a full path, not 'out'"},
        {"DST_DIR_COLOR=~/out", "settings: DST_DIR_COLOR must be a full path, not '~/out'"},
        {"DST_DIR_MONO=/no/such/folder", "settings: DST_DIR_MONO names no folder: '/no/such/folder' does not exist"},
    };
    for (const auto& [arguments, message] : cases) {
        const CliResult result = RunCli(settingsFolder, "settings --settings " + Quoted(settings) + " " + arguments);
        EXPECT_EQ(2, result.status) << arguments;
        EXPECT_TRUE(result.lines.empty()) << arguments;
        EXPECT_EQ("pallidor-cli: " + message + "\nTry 'pallidor-cli --help'.\n", result.errors) << arguments;
        EXPECT_EQ("[SORT]\nTHREAD_NUM=3\n", ReadText(settings)) << arguments;
    }
}

TEST_F(ConsoleTool, ThePerUserFilesGoToTheXdgPlacesOrBelowTheHomeNeverBesideTheProgram) {
    const std::string root = Quoted(images.Path().string());
    testimages::TempFolder places;
    const std::filesystem::path config = places.File("config");
    const std::filesystem::path state = places.File("state");
    const std::filesystem::path home = places.File("home");
    const std::string xdg = "XDG_CONFIG_HOME=" + Quoted(config.string()) + " XDG_STATE_HOME=" + Quoted(state.string());
    const std::string homeOnly = "-u XDG_CONFIG_HOME -u XDG_STATE_HOME HOME=" + Quoted(home.string());
    // What the program would have made beside itself (other tests may write into its folder).
    const std::filesystem::path program = std::filesystem::path(PALLIDOR_CLI_PATH).parent_path();
    const auto besideProgram = [&] {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(program)) {
            const std::string name = entry.path().filename().string();
            if (name == "logs" || name.find("_pallidor.ini") != std::string::npos) names.insert(name);
        }
        return names;
    };
    const std::set<std::string> before = besideProgram();

    for (const auto& [environment, settingsFolderPath, logsFolder] :
         {std::tuple{xdg, config / "pallidor", state / "pallidor" / "logs"},
          std::tuple{homeOnly, home / ".config" / "pallidor", home / ".local" / "state" / "pallidor" / "logs"}}) {
        const CliResult shown = RunCli(settingsFolder, "settings", environment);
        EXPECT_EQ(0, shown.status) << shown.errors;
        const std::vector<std::string> lines = Unsorted(settingsFolder);
        ASSERT_EQ(KeyLines().size() + 1, lines.size());
        const std::filesystem::path file = lines.back().substr(6);
        EXPECT_EQ(settingsFolderPath, file.parent_path());
        EXPECT_TRUE(std::filesystem::is_regular_file(file)) << file;

        const CliResult sorted = RunCli(settingsFolder, "sort --yes " + root + " </dev/null", environment);
        EXPECT_EQ(0, sorted.status) << sorted.errors;
        ASSERT_EQ(4u, sorted.lines.size());
        const std::filesystem::path log = sorted.lines[1].substr(5);
        EXPECT_EQ(logsFolder, log.parent_path());
        EXPECT_TRUE(std::filesystem::is_regular_file(log)) << log;
        // Put the pictures back for the next round.
        RunCli(settingsFolder, "undo --yes " + Quoted(log.string()), environment);
    }
    EXPECT_EQ(before, besideProgram());
}

}  // namespace

TEST_F(ConsoleTool, CalibrateLearnsFromTwoFoldersAndWritesTheBestSettingsKeepingTheRest) {
    testimages::TempFolder mono, colour;
    // Gray pages stored with a little colour noise, and pages with a clear coloured mark.
    testimages::WriteFileBytes(mono.File("a.png"), PagePng(120, 6, {0, 0, 0}));
    testimages::WriteFileBytes(mono.File("b.png"), PagePng(200, 3, {0, 0, 0}));
    testimages::WriteFileBytes(colour.File("c.png"), PagePng(120, 6, {220, 30, 30}));
    testimages::WriteFileBytes(colour.File("d.png"), PagePng(200, 0, {40, 60, 220}));
    testimages::WriteFileBytes(settings, testimages::Bytes{});
    {
        const std::string text = "[SORT]\nTHREAD_NUM=3\n[JUDGMENT]\nTHRESHOLD_GS=0\nOWN=kept\n";
        testimages::WriteFileBytes(settings, testimages::Bytes(text.begin(), text.end()));
    }
    const CliResult result =
        RunCli(settingsFolder, "calibrate " + Quoted(mono.Path().string()) + " " + Quoted(colour.Path().string()) +
                                   " --write " + Quoted(settings));
    EXPECT_EQ(0, result.status) << result.errors;
    // Every criterion tells these apart: grayscale-only with a tolerance of the noise, 6.
    const auto has = [&](const std::string& start) {
        return std::any_of(result.lines.begin(), result.lines.end(),
                           [&](const std::string& line) { return line.rfind(start, 0) == 0; });
    };
    EXPECT_TRUE(has("grayscale-only  THRESHOLD_GS=6 NOISE_LIMIT_GS=0.000000")) << ::testing::PrintToString(result.lines);
    EXPECT_TRUE(has("perceptual      THRESHOLD_PERCEPTUAL="));
    EXPECT_TRUE(has("tinted          THRESHOLD_MONO="));
    EXPECT_FALSE(has("wrong"));
    const std::string written = ReadText(settings);
    EXPECT_NE(std::string::npos, written.find("THREAD_NUM=3\n"));
    EXPECT_NE(std::string::npos, written.find("OWN=kept\n"));
    EXPECT_NE(std::string::npos, written.find("THRESHOLD_GS=6\n"));
    EXPECT_NE(std::string::npos, written.find("AREA_LIMIT_PERCEPTUAL="));
    // On a tie every criterion is right everywhere; the grayscale-only one comes first.
    EXPECT_NE(std::string::npos, written.find("IS_PERCEPTUAL_JUDGE=0\n"));
    EXPECT_NE(std::string::npos, written.find("IS_ONLY_GRAYSCALE=1\n"));

    // A file that does not exist yet is created; a colour picture among the monochrome ones is
    // listed as still wrong under a criterion that cannot tell it apart.
    testimages::WriteFileBytes(mono.File("e.png"), PagePng(90, 0, {200, 200, 40}));
    const std::string fresh = settingsFolder.File("fresh.ini").string();
    const CliResult second = RunCli(settingsFolder, "calibrate --settings " + Quoted(settings) + " " +
                                                        Quoted(mono.Path().string()) + " " +
                                                        Quoted(colour.Path().string()) + " --write " + Quoted(fresh));
    EXPECT_EQ(0, second.status) << second.errors;
    EXPECT_NE(std::string::npos, ReadText(fresh).find("[JUDGMENT]\n"));
    EXPECT_TRUE(std::any_of(second.lines.begin(), second.lines.end(), [&](const std::string& line) {
        return line == "wrong\tperceptual\tmonochrome called color\t" + mono.File("e.png").string();
    })) << ::testing::PrintToString(second.lines);

    // A folder without a file is no example at all.
    testimages::TempFolder empty;
    const CliResult none = RunCli(settingsFolder, "calibrate " + Quoted(empty.Path().string()) + " " +
                                                      Quoted(colour.Path().string()));
    EXPECT_EQ(2, none.status);
    EXPECT_EQ(2, RunCli(settingsFolder, "calibrate " + Quoted(empty.Path().string())).status);
}

namespace {

TEST_F(ConsoleTool, SpeaksTheLanguageOfTheLocaleAndWritesItsLogInIt) {
    testimages::WriteFileBytes(images.File("notes.txt"), {'x'});
    const std::string notes = images.File("notes.txt").string();
    const struct {
        const char* environment;
        const char* message;
        const char* summary;
    } rows[] = {
        {"LC_ALL=C.UTF-8", "[ERROR] unsupported file format.", "moved to monochrome: 1"},
        {"LC_ALL= LANG=en_US.UTF-8", "[ERROR] unsupported file format.", "moved to monochrome: 1"},
        {"LC_ALL= LANG=ja_JP.UTF-8", "【ERROR】非対応のファイル形式です。", "モノクロに移動: 1"},
        {"LC_ALL=ja_JP.UTF-8 LANG=C", "【ERROR】非対応のファイル形式です。", "モノクロに移動: 1"},
        {"LC_ALL= LC_MESSAGES=C LANG=ja_JP.UTF-8", "[ERROR] unsupported file format.", "moved to monochrome: 1"},
    };
    testimages::TempFolder state;
    for (const auto& row : rows) {
        const std::string environment = std::string(row.environment) + " XDG_STATE_HOME=" + Quoted(state.Path().string());
        const CliResult judged = RunCli(settingsFolder, "judge " + Quoted(notes), environment);
        EXPECT_EQ(std::vector<std::string>{"error\t" + notes + "\t" + row.message}, judged.lines) << row.environment;

        std::filesystem::remove_all(images.File("monochrome"));
        testimages::WriteFileBytes(images.File("gray.png"), SolidPng({90, 90, 90}));
        const CliResult sorted = RunCli(settingsFolder, "sort --yes --settings " + Quoted(settings) + " " +
                                                            Quoted(images.File("gray.png").string()) + " " + Quoted(notes),
                                        environment);
        EXPECT_NE(std::find(sorted.lines.begin(), sorted.lines.end(), row.summary), sorted.lines.end()) << row.environment;
        // The file left is named on standard error with the log's message.
        EXPECT_NE(std::string::npos, sorted.errors.find(notes + ": " + row.message)) << sorted.errors;
        // The log is in the same language, and undo reads it back in any language.
        const CliResult undone = RunCli(settingsFolder, "undo --last --yes", "XDG_STATE_HOME=" + Quoted(state.Path().string()));
        EXPECT_EQ(0, undone.status) << row.environment << undone.errors;
        EXPECT_TRUE(std::filesystem::exists(images.File("gray.png"))) << row.environment;
    }
}

TEST_F(ConsoleTool, EachErrorHasAStableCodeAndTheReasonAPersonNeeds) {
    testimages::WriteFileBytes(images.File("notes.txt"), {'x'});
    testimages::WriteFileBytes(images.File("png.jpg"), SolidPng({1, 2, 3}));
    testimages::WriteFileBytes(images.File("png.tif"), SolidPng({1, 2, 3}));
    // A whole signature, then the file ends: the library itself meets the end.
    testimages::WriteFileBytes(images.File("cut.png"), {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0});
    testimages::WriteFileBytes(images.File("huge.png"), testimages::HugePng());
    const struct {
        const char* name;
        const char* code;
        const char* reason;
    } rows[] = {
        {"notes.txt", "unsupported", nullptr},
        {"png.jpg", "wrong-extension", "the file is a PNG file"},
        {"png.tif", "wrong-extension", "the file is a PNG file"},
        {"cut.png", "decode-failed", nullptr},
        {"huge.png", "too-large", "20000 x 20000 pixels need 1145 MiB, more than the limit of 1024 MiB"},
        {"gone.png", "not-found", nullptr},
    };
    for (const auto& row : rows) {
        const CliResult result = RunCli(settingsFolder, "judge --json " + Quoted(images.File(row.name).string()));
        EXPECT_EQ(1, result.status) << row.name;
        ASSERT_EQ(1u, result.lines.size()) << row.name;
        EXPECT_NE(std::string::npos, result.lines[0].find(std::string("\"code\":\"") + row.code + "\"")) << result.lines[0];
        // The decoders' own messages never reach the user: the line says it all.
        EXPECT_EQ(std::string::npos, result.errors.find("libpng")) << row.name << ": " << result.errors;
        if (row.reason != nullptr) {
            EXPECT_NE(std::string::npos, result.lines[0].find(std::string("\"reason\":\"") + row.reason + "\""))
                << result.lines[0];
        }
    }
}

TEST_F(ConsoleTool, AFolderTheUserCannotWriteIsNamedWithTheSystemsReason) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into any folder";
    const std::filesystem::path locked = images.File("locked");
    std::filesystem::create_directory(locked);
    testimages::WriteFileBytes(locked / "gray.png", SolidPng({90, 90, 90}));
    std::filesystem::permissions(locked, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
    const CliResult result = RunCli(settingsFolder, "sort --yes --json --settings " + Quoted(settings) + " " +
                                                        Quoted(locked.string()));
    std::filesystem::permissions(locked, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    EXPECT_EQ(1, result.status);
    EXPECT_NE(std::string::npos, result.errors.find((locked / "gray.png").string() + ": ")) << result.errors;
    EXPECT_NE(std::string::npos, result.errors.find("(permission denied)")) << result.errors;
    ASSERT_EQ(1u, result.lines.size());
    EXPECT_NE(std::string::npos, result.lines[0].find("\"code\":\"permission-denied\"")) << result.lines[0];
}

TEST_F(ConsoleTool, DryRunTouchesNothingAndOnlyFoldersGiveAHint) {
    const std::string root = images.Path().string();
    const CliResult dry = RunCli(settingsFolder, "sort --dry-run --settings " + Quoted(settings) + " " + Quoted(root));
    EXPECT_EQ(0, dry.status) << dry.errors;
    EXPECT_EQ((std::vector<std::string>{"color\t" + root + "/サブ/赤.png\t" + root + "/サブ/color/赤.png",
                                        "monochrome\t" + root + "/gray.png\t" + root + "/monochrome/gray.png"}),
              dry.lines);
    EXPECT_FALSE(std::filesystem::exists(images.File("monochrome")));
    EXPECT_TRUE(std::filesystem::exists(images.File("gray.png")));

    // Sub-folders off, a folder of folders: nothing to do, and a word on why; -r takes them.
    testimages::WriteFileBytes(settings, {'[', 'S', 'O', 'R', 'T', ']', '\n', 'I', 'S', '_', 'S', 'U', 'B', 'D', 'I',
                                          'R', 'S', '_', 'T', 'O', 'O', '=', '0', '\n'});
    const std::string sub = images.File("サブ").string();
    std::filesystem::create_directory(images.File("上"));
    std::filesystem::rename(sub, images.File("上") / "サブ");
    const CliResult hint = RunCli(settingsFolder, "judge --settings " + Quoted(settings) + " " + Quoted(images.File("上").string()));
    EXPECT_EQ(0, hint.status);
    EXPECT_TRUE(hint.lines.empty());
    EXPECT_NE(std::string::npos, hint.errors.find("holds only folders")) << hint.errors;
    const CliResult recursive =
        RunCli(settingsFolder, "judge -r --settings " + Quoted(settings) + " " + Quoted(images.File("上").string()));
    EXPECT_EQ(1u, recursive.lines.size());
}

TEST_F(ConsoleTool, ResultsComeInTheOrderOfThePathsWhateverFinishesFirst) {
    // A large picture first: with many threads the small ones finish before it.
    testimages::PngPicture large;
    large.width = 1500;
    large.height = 1500;
    large.samples.assign(1500 * 1500 * 3, 77);
    testimages::WriteFileBytes(images.File("large.png"), testimages::EncodePng(large));
    std::string arguments = Quoted(images.File("large.png").string());
    std::vector<std::string> expected{"monochrome\t" + images.File("large.png").string()};
    for (int i = 0; i < 20; ++i) {
        const std::string small = images.File("s" + std::to_string(i) + ".png").string();
        testimages::WriteFileBytes(small, SolidPng({90, 90, 90}));
        arguments += " " + Quoted(small);
        expected.push_back("monochrome\t" + small);
    }
    for (int run = 0; run < 2; ++run) {
        const CliResult result = RunCli(settingsFolder, "judge " + arguments);
        EXPECT_EQ(0, result.status);
        EXPECT_EQ(expected, Unsorted(settingsFolder)) << run;
    }
    // sort's objects too.
    const CliResult sorted = RunCli(settingsFolder, "sort --yes --json --settings " + Quoted(settings) + " " + arguments);
    EXPECT_EQ(0, sorted.status) << sorted.errors;
    const std::vector<std::string> objects = Unsorted(settingsFolder);
    ASSERT_EQ(expected.size(), objects.size());
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const std::string path = expected[i].substr(expected[i].find('\t') + 1);
        EXPECT_EQ(0u, objects[i].find("{\"path\":\"" + path + "\"")) << i << " " << objects[i];
    }
}

}  // namespace

namespace {

// A PNG of side x side gray pixels stored in colour, each row with the Paeth filter.
testimages::Bytes SlowPng(std::uint32_t side) {
    auto put32 = [](testimages::Bytes& to, std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) to.push_back(static_cast<std::uint8_t>(v >> shift));
    };
    auto chunk = [&put32](testimages::Bytes& to, const char* type, const testimages::Bytes& data) {
        put32(to, static_cast<std::uint32_t>(data.size()));
        testimages::Bytes typed(type, type + 4);
        typed.insert(typed.end(), data.begin(), data.end());
        to.insert(to.end(), typed.begin(), typed.end());
        put32(to, static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
    };
    testimages::Bytes header;
    put32(header, side);
    put32(header, side);
    header.insert(header.end(), {8, 2, 0, 0, 0});
    z_stream stream{};
    deflateInit(&stream, 1);
    std::vector<std::uint8_t> row(1 + 3 * std::size_t{side}, 0);
    row[0] = 4;  // Paeth
    testimages::Bytes compressed;
    std::vector<std::uint8_t> buffer(1 << 16);
    for (std::uint32_t y = 0; y <= side; ++y) {
        const bool last = y == side;
        stream.next_in = last ? nullptr : row.data();
        stream.avail_in = last ? 0 : static_cast<uInt>(row.size());
        do {
            stream.next_out = buffer.data();
            stream.avail_out = static_cast<uInt>(buffer.size());
            deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            compressed.insert(compressed.end(), buffer.data(), stream.next_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    testimages::Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", compressed);
    chunk(png, "IEND", {});
    return png;
}

TEST_F(ConsoleTool, ASecondCtrlCAbandonsTheDecodesUnderWayAndStillPrintsTheSummary) {
    // A file whose decode takes long: 8000 x 8000 colour pixels, every row through the slowest
    // of the format's filters (about a second here, several under a sanitizer), given after a
    // small one so that the small one's move tells the run is under way.
    const std::filesystem::path folder = images.File("run");
    std::filesystem::create_directory(folder);
    testimages::WriteFileBytes(folder / "a.png", SolidPng({90, 90, 90}));
    testimages::WriteFileBytes(folder / "waits.png", SlowPng(8000));
    testimages::WriteFileBytes(settings, {'[', 'S', 'O', 'R', 'T', ']', '\n', 'T', 'H', 'R', 'E', 'A', 'D', '_', 'N',
                                          'U', 'M', '=', '2', '\n'});
    testimages::TempFolder state;
    const std::string out = settingsFolder.File("stdout.txt").string();
    const std::string err = settingsFolder.File("stderr.txt").string();
    const std::string script =
        "env LC_ALL=C.UTF-8 XDG_STATE_HOME=" + Quoted(state.Path().string()) + " " + Quoted(PALLIDOR_CLI_PATH) +
        " sort --yes --settings " + Quoted(settings) + " " + Quoted((folder / "a.png").string()) + " " +
        Quoted((folder / "waits.png").string()) + " >" + Quoted(out) + " 2>" +
        Quoted(err) + " & pid=$!\n"
        "i=0; while [ ! -e " + Quoted((folder / "monochrome" / "a.png").string()) +
        " ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i+1)); done\n"
        "kill -INT $pid; sleep 0.05; kill -INT $pid\n"
        "wait $pid; exit $?\n";
    const int raw = std::system(("sh -c " + Quoted(script)).c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(1, WEXITSTATUS(raw));
    const std::string errors = ReadText(err);
    // At least the decode that never ends is in progress (a.png's worker may be ending still).
    EXPECT_NE(std::string::npos, errors.find("stopping: ")) << errors;
    EXPECT_EQ(std::string::npos, errors.find("stopping: 0 files")) << errors;
    EXPECT_NE(std::string::npos, errors.find("abandoning the files in progress")) << errors;
    const std::string summary = ReadText(out);
    EXPECT_NE(std::string::npos, summary.find("moved to monochrome: 1\nmoved to color: 0\nleft in place: 1\nlog: "))
        << summary;
    EXPECT_TRUE(std::filesystem::exists(folder / "monochrome" / "a.png"));
    EXPECT_TRUE(std::filesystem::exists(folder / "waits.png"));
}

}  // namespace

namespace {

TEST_F(ConsoleTool, AFileJudgedDespiteDamageIsFlaggedOnStandardErrorAndInJson) {
    testimages::JpegPicture picture;
    picture.width = 64;
    picture.height = 64;
    // Gray, but stored in colour: a one-component file would be judged by its header alone.
    for (int i = 0; i < 64 * 64; ++i) {
        const auto v = static_cast<std::uint8_t>(i * 37);
        picture.samples.insert(picture.samples.end(), {v, v, v});
    }
    testimages::Bytes bytes = testimages::EncodeJpeg(picture);
    bytes.resize(bytes.size() / 2);  // a download cut short
    const std::string cut = images.File("cut.jpg").string();
    testimages::WriteFileBytes(cut, bytes);

    const CliResult judged = RunCli(settingsFolder, "judge --json " + Quoted(cut));
    EXPECT_EQ(0, judged.status) << judged.errors;
    ASSERT_EQ(1u, judged.lines.size());
    EXPECT_NE(std::string::npos, judged.lines[0].find("\"verdict\":\"monochrome\"")) << judged.lines[0];
    EXPECT_NE(std::string::npos, judged.lines[0].find("\"warnings\":[\"judged despite damage")) << judged.lines[0];
    EXPECT_NE(std::string::npos, judged.errors.find(cut + ": judged despite damage")) << judged.errors;

    const CliResult sorted = RunCli(settingsFolder, "sort --yes --settings " + Quoted(settings) + " " + Quoted(cut));
    EXPECT_EQ(0, sorted.status) << sorted.errors;
    EXPECT_NE(std::string::npos, sorted.errors.find(cut + ": judged despite damage")) << sorted.errors;
    EXPECT_TRUE(std::filesystem::exists(images.File("monochrome") / "cut.jpg"));
}

}  // namespace
