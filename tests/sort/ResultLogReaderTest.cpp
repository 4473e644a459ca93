// Reading a result log back, as FormatResultLogLine writes it: every record, the moves among
// them, and names that hold the log's own brackets or line ends.
#include "sort/ResultLogReader.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/Text.h"
#include "sort/Messages.h"
#include "sort/ResultLog.h"
#include "sort/Texts.h"

namespace {

const platform::LocalTime kTime{2026, 1, 5, 9, 3, 7, 45};

std::string Line(const std::string& path, const std::string& message, platform::LocalTime time = kTime) {
    return FormatResultLogLine(time, path, message);
}

std::string Moved(const char* word, const std::string& target) {
    return FormatText("【%s】「%s」に移動しました。", word, target.c_str());
}

}  // namespace

TEST(ResultLogReader, EveryRecordReadsBackWithItsTimePathAndMessage) {
    const std::string odd = "/写真/a]b「c」【d】\r\ne.png";  // brackets and a CR LF of its own
    const std::string bytes = Line("/p/a.png", Moved("モノクロ", "/p/monochrome/a.png")) +
                              Line(odd, "【ERROR】非対応のファイル形式です。", {2025, 12, 31, 23, 59, 59, 999}) +
                              Line("/p/z.gif", "【ERROR】GIFファイルの読み込みに失敗しました。（ファイルが不正です。）");
    const std::vector<LogRecord> records = ParseResultLog(bytes);
    ASSERT_EQ(3u, records.size());
    EXPECT_EQ("/p/a.png", records[0].path);
    EXPECT_EQ("【モノクロ】「/p/monochrome/a.png」に移動しました。", records[0].message);
    EXPECT_EQ(2026, records[0].time.year);
    EXPECT_EQ(45, records[0].time.milliseconds);
    EXPECT_EQ(odd, records[1].path);
    EXPECT_EQ("【ERROR】非対応のファイル形式です。", records[1].message);
    EXPECT_EQ(999, records[1].time.milliseconds);
    EXPECT_EQ(59, records[1].time.second);
    EXPECT_EQ("/p/z.gif", records[2].path);

    // Text that is no record, before the first one or as a torn last line, is skipped or kept
    // as it stands.
    EXPECT_EQ(0u, ParseResultLog("not a log\r\n").size());
    // A last line cut short by a killed writer is dropped, even where its words look whole.
    const std::string whole = Line("/p/a.png", Moved("モノクロ", "/p/monochrome/a.png"));
    const std::string next = Line("/p/b.png", Moved("カラー", "/p/color/b.png"));
    for (const std::size_t cut : {std::size_t{2}, std::size_t{1}, std::size_t{7}, next.size() - 30}) {
        const std::string torn = whole + next.substr(0, next.size() - cut);
        EXPECT_EQ(1u, ParseResultLog(torn).size()) << cut;
        EXPECT_EQ(1u, FindLoggedMoves(torn).size()) << cut;
    }
    EXPECT_EQ(1u, ParseResultLog("junk\r\n" + Line("/p/a.png", "【x】")).size());
    EXPECT_EQ(0u, ParseResultLog("").size());
}

TEST(ResultLogReader, ControlCharactersAreEscapedReversiblyAndAPercentOnlyWhereItWouldReadAsOne) {
    const struct {
        std::string raw;
        std::string logged;
    } kRows[] = {
        {"/p/a.png", "/p/a.png"},
        {"/p/x\r\ny.png", "/p/x%0D%0Ay.png"},
        {std::string("/p/\0\x01\x1f\x7f.png", 11), "/p/%00%01%1F%7F.png"},
        {"/p/my%20photo.jpg", "/p/my%20photo.jpg"},  // as downloads name them: left alone
        {"/p/100%.png", "/p/100%.png"},
        {"/p/a%0Ab%25c%1f.png", "/p/a%250Ab%2525c%1f.png"},
        {"/p/%%25%", "/p/%%2525%"},
        {"/p/%\n", "/p/%%0A"},
        {"/写真/a\tb.png", "/写真/a%09b.png"},
    };
    for (const auto& row : kRows) {
        EXPECT_EQ(row.logged, EscapeLogText(row.raw)) << row.logged;
        EXPECT_EQ(row.raw, UnescapeLogText(row.logged)) << row.logged;
        const std::vector<LogRecord> records = ParseResultLog(Line(row.raw, Moved("カラー", row.raw + "/color/x")));
        ASSERT_EQ(1u, records.size()) << row.logged;
        EXPECT_EQ(row.raw, records[0].path);
    }
}

TEST(ResultLogReader, AFolderNameCannotForgeARecord) {
    // A folder named to look like the end of one line and a whole moved line of another file.
    const std::string forged = "/p/x\r\n2026年01月05日09時03分07秒045ミリ秒[/elsewhere/notes.txt]"
                               "【モノクロ】「/victim/notes.txt」に移動しました。\r\n2026年01月05日09時03分07秒045ミリ秒[";
    const std::string source = forged + "/a.png";
    const std::string bytes = Line(source, Moved("モノクロ", forged + "/monochrome/a.png"));
    EXPECT_EQ(std::string::npos, bytes.find("\n2026"));
    EXPECT_EQ(1u, ParseResultLog(bytes).size());
    const std::vector<LoggedMove> moves = FindLoggedMoves(bytes);
    ASSERT_EQ(1u, moves.size());
    EXPECT_EQ(source, moves[0].source);
    EXPECT_EQ(forged + "/monochrome/a.png", moves[0].target);

}

TEST(ResultLogReader, MovesAndFailedMovesAreFoundAndEverythingElseIgnored) {
    const std::string bytes =
        Line("/p/a.png", Moved("モノクロ", "/p/monochrome/a.png")) +
        Line("/p/b.jpg", Moved("カラー", "/fixed/color/b.jpg")) +
        Line("/p/c.png", "【ERROR】カラー画像と判定しましたが、「/p/color/c.png」への移動に失敗しました。") +
        Line("/p/d.png", "【ERROR】モノクロ画像と判定しましたが、振り分け先フォルダ（/p/monochrome）の作成に失敗しました。") +
        Line("/p/e.txt", "【ERROR】非対応のファイル形式です。");
    const std::vector<LoggedMove> moves = FindLoggedMoves(bytes);
    ASSERT_EQ(3u, moves.size());
    EXPECT_EQ("/p/a.png", moves[0].source);
    EXPECT_EQ("/p/monochrome/a.png", moves[0].target);
    EXPECT_TRUE(moves[0].monochrome);
    EXPECT_TRUE(moves[0].moved);
    EXPECT_EQ("/fixed/color/b.jpg", moves[1].target);
    EXPECT_FALSE(moves[1].monochrome);
    EXPECT_EQ("/p/c.png", moves[2].source);
    EXPECT_EQ("/p/color/c.png", moves[2].target);
    EXPECT_FALSE(moves[2].moved);
}

TEST(ResultLogReader, ANameHoldingTheMessagesOwnWordsSplitsWhereTheNamesAgree) {
    // The folder's name holds "]【モノクロ】「": of the three such places only one leaves the same file
    // name on both sides.
    const std::string source = "/p/x]【モノクロ】「y/a.png";
    const std::string target = "/p/x]【モノクロ】「y/monochrome/a.png";
    const std::vector<LoggedMove> moves = FindLoggedMoves(Line(source, Moved("モノクロ", target)));
    ASSERT_EQ(1u, moves.size());
    EXPECT_EQ(source, moves[0].source);
    EXPECT_EQ(target, moves[0].target);

    // A name ending in the message's own closing words still ends where the line does.
    const std::string tricky = "/p/」に移動しました。.png";
    const std::vector<LoggedMove> closing = FindLoggedMoves(Line(tricky, Moved("カラー", "/p/color/」に移動しました。.png")));
    ASSERT_EQ(1u, closing.size());
    EXPECT_EQ(tricky, closing[0].source);
}

TEST(ResultLogReader, ALogsNameGivesTheStartOfItsRun) {
    platform::LocalTime start{};
    ASSERT_TRUE(RunStartFromLogName("2026_01_05_09_03_07_045.txt", start));
    EXPECT_EQ(2026, start.year);
    EXPECT_EQ(1, start.month);
    EXPECT_EQ(7, start.second);
    EXPECT_EQ(45, start.milliseconds);
    for (const char* name : {"2026_01_05_09_03_07.txt", "2026_01_05_09_03_07_045.txt.bak", "log.txt",
                             "2026-01-05-09-03-07-045.txt", ""}) {
        EXPECT_FALSE(RunStartFromLogName(name, start)) << name;
    }
}

TEST(ResultLogReader, LocalTimesCompareAcrossDaysMonthsAndYears) {
    auto ms = [](int y, int mo, int d, int h, int mi, int s, int milli) {
        return MillisecondsOf(platform::LocalTime{y, mo, d, h, mi, s, milli});
    };
    EXPECT_EQ(1, ms(2024, 3, 1, 0, 0, 0, 0) - ms(2024, 2, 29, 23, 59, 59, 999));  // a leap day
    EXPECT_EQ(1, ms(2023, 3, 1, 0, 0, 0, 0) - ms(2023, 2, 28, 23, 59, 59, 999));
    EXPECT_EQ(1, ms(2027, 1, 1, 0, 0, 0, 0) - ms(2026, 12, 31, 23, 59, 59, 999));
    EXPECT_EQ(86400000, ms(2026, 5, 1, 12, 0, 0, 0) - ms(2026, 4, 30, 12, 0, 0, 0));
    EXPECT_EQ(366LL * 86400000, ms(2025, 1, 1, 0, 0, 0, 0) - ms(2024, 1, 1, 0, 0, 0, 0));
}

TEST(ResultLogReader, LogsInEitherLanguageReadBackAlike) {
    // The console writes its log in the user's language; undo and recover read either, and a
    // log of one run never mixes them, but the reader does not depend on that.
    std::string bytes = Line("/p/a.png", messages::Moved(true, "/p/monochrome/a.png"));
    SetTextLanguage(Language::English);
    bytes += Line("/p/x][y/b.png", messages::Moved(false, "/p/x][y/color/b.png")) +
             Line("/p/c.png", messages::MoveFailed(true, "/p/monochrome/c.png")) +
             Line("/p/d.txt", messages::LoaderFailure("【ERROR】非対応のファイル形式です。"));
    SetTextLanguage(Language::Japanese);
    const struct {
        std::string path;
        std::string message;
    } records[] = {
        {"/p/a.png", "【モノクロ】「/p/monochrome/a.png」に移動しました。"},
        {"/p/x", "[y/b.png][color] moved to \"/p/x][y/color/b.png\"."},  // a record splits at the first "]["
        {"/p/c.png", "[ERROR] judged monochrome, but the move to \"/p/monochrome/c.png\" failed."},
        {"/p/d.txt", "[ERROR] unsupported file format."},
    };
    const std::vector<LogRecord> read = ParseResultLog(bytes);
    ASSERT_EQ(4u, read.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(records[i].path, read[i].path) << i;
        EXPECT_EQ(records[i].message, read[i].message) << i;
        EXPECT_EQ(45, read[i].time.milliseconds) << i;
    }
    // The moves are found by the names, whichever language and brackets they hold.
    const std::vector<LoggedMove> moves = FindLoggedMoves(bytes);
    ASSERT_EQ(3u, moves.size());
    EXPECT_EQ("/p/a.png", moves[0].source);
    EXPECT_TRUE(moves[0].monochrome);
    EXPECT_EQ("/p/x][y/b.png", moves[1].source);
    EXPECT_EQ("/p/x][y/color/b.png", moves[1].target);
    EXPECT_FALSE(moves[1].monochrome);
    EXPECT_TRUE(moves[1].moved);
    EXPECT_EQ("/p/monochrome/c.png", moves[2].target);
    EXPECT_FALSE(moves[2].moved);
}
