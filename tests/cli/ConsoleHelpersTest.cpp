// The console's small helpers: the format a file's first bytes show, the command a typo
// meant, the progress text, and the results put back into the order of their paths.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "cli/FileProblem.h"
#include "cli/HelpText.h"
#include "cli/OrderedOutput.h"
#include "cli/ProgressLine.h"
#include "image/FileHeader.h"
#include "sort/Texts.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (const int v : values) bytes += static_cast<char>(v);
    return bytes;
}

TEST(FileHeader, TheFirstBytesNameTheFormatAndItsSize) {
    const struct {
        std::string bytes;
        const char* format;
        std::uint32_t width, height;
    } rows[] = {
        {Bytes({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0x4E, 0x20, 0, 0,
                0x4E, 0x20}),
         "PNG", 20000, 20000},
        {Bytes({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}), "PNG", 0, 0},  // cut short: no size
        {Bytes({'G', 'I', 'F', '8', '9', 'a', 0x10, 0x01, 0x20, 0x00}), "GIF", 272, 32},
        {Bytes({'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0, 3, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}), "BMP",
         3, 2},  // a negative height: stored top row first
        {Bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 0, 0, 0xFF, 0xC0, 0, 11, 8, 0x01, 0x00, 0x02, 0x00, 3}), "JPEG", 512, 256},
        {Bytes({'I', 'I', '*', 0}), "TIFF", 0, 0},
        {Bytes({'M', 'M', 0, '+', 0, 8, 0, 0}), "TIFF", 0, 0},  // BigTIFF
        {std::string("RIFF\0\0\0\0WEBP", 12), "WebP", 0, 0},
        {"plain text", "", 0, 0},
        {"", "", 0, 0},
    };
    for (const auto& row : rows) {
        const FileHeader header = HeaderFromBytes(row.bytes);
        EXPECT_EQ(row.format, header.format) << row.format;
        EXPECT_EQ(row.width, header.width) << row.format;
        EXPECT_EQ(row.height, header.height) << row.format;
    }
}

TEST(CommandHelp, ATypoGetsTheCommandItMostLikelyMeant) {
    const std::pair<const char*, const char*> rows[] = {
        {"jugde", "judge"}, {"srot", "sort"},   {"undp", "undo"}, {"setting", "settings"},
        {"cal", "calibrate"}, {"log", "logs"},  {"xyzzy", ""},    {"", ""},
    };
    for (const auto& [typed, meant] : rows) EXPECT_EQ(meant, DidYouMean(typed)) << typed;
}

TEST(CommandHelp, EachCommandHasItsOwnHelpFromTheWholeOne) {
    for (const char* command : {"judge", "sort", "undo", "recover", "logs", "settings", "calibrate", "help"}) {
        const std::string help = CommandHelp(command);
        EXPECT_EQ(0u, help.find(std::string("usage: pallidor-cli ") + command)) << help;
        EXPECT_NE(std::string::npos, help.find(std::string("\n  ") + command + " ")) << help;
    }
    EXPECT_NE(std::string::npos, CommandHelp("settings").find("IS_PERCEPTUAL_JUDGE"));
    EXPECT_EQ("", CommandHelp("frob"));
}

TEST(ProgressLine, TellsTheCountTheRateAndTheTimeLeft) {
    SetTextLanguage(Language::English);
    EXPECT_EQ("0/40 files, 0.0/s, -:-- left", ProgressText(0, 40, 0.0));
    EXPECT_EQ("10/40 files, 2.0/s, 0:15 left", ProgressText(10, 40, 5.0));
    EXPECT_EQ("1/7201 files, 1.0/s, 2:00:00 left", ProgressText(1, 7201, 1.0));
    EXPECT_EQ("40/40 files, 4.0/s, 0:00 left", ProgressText(40, 40, 10.0));
    SetTextLanguage(Language::Japanese);
    EXPECT_EQ("10/40 ファイル、毎秒 2.0、残り 0:15", ProgressText(10, 40, 5.0));
}

TEST(OrderedOutput, ResultsFinishingInAnyOrderAreWrittenInTheirOrder) {
    const struct {
        std::vector<std::size_t> finishing;
        std::size_t window;
    } rows[] = {
        {{0, 1, 2, 3}, 1},
        {{3, 2, 1, 0}, 4},
        {{1, 0, 3, 2, 5, 4}, 2},
    };
    for (const auto& row : rows) {
        std::vector<std::string> written;
        OrderedOutput ordered(row.window, [&](const OrderedItem& item) { written.push_back(item.out); });
        std::vector<std::thread> threads;
        for (const std::size_t index : row.finishing) {
            threads.emplace_back([&ordered, index] { ordered.Put(index, OrderedItem{std::to_string(index), ""}); });
            // One at a time, in the finishing order; a result beyond the window waits meanwhile.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        for (auto& thread : threads) thread.join();
        std::vector<std::string> expected;
        for (std::size_t i = 0; i < row.finishing.size(); ++i) expected.push_back(std::to_string(i));
        EXPECT_EQ(expected, written) << row.window;
    }
}

TEST(OrderedOutput, AResultThatNeverComesIsGivenUpWhenEveryProducerWaits) {
    std::vector<std::string> written;
    OrderedOutput ordered(1, [&](const OrderedItem& item) { written.push_back(item.out); });
    // Result 0 never comes (its thread did not start); 1 waits beyond the window until it sees
    // that it is the only producer left.
    ordered.Put(1, OrderedItem{"1", ""}, [](std::size_t waiting) { return waiting >= 1; });
    ordered.Put(2, OrderedItem{"2", ""});
    ordered.Flush();
    EXPECT_EQ((std::vector<std::string>{"1", "2"}), written);
}

}  // namespace
