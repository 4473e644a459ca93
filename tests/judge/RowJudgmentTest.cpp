// The judgment fed row by row, top row first, as the loaders feed it: the verdict of the whole
// picture, and a stop right after the row that settles it.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "judge/JudgeTestImage.h"
#include "judge/RowJudgment.h"

namespace {

struct Fed {
    int verdict;
    std::int64_t rowsTaken;     // rows the judgment accepted before it asked to stop
    std::int64_t settledAfter;  // as the judgment reports it
};

// Feeds the picture's rows from the top, stopping where the judgment says it has enough.
Fed FeedTopFirst(const TestImage& image, bool topDown, const RgbQuad* table, int tableCount,
                 const JudgeParams& params, JudgeEvidence* evidence = nullptr) {
    RowFormat format;
    format.width = image.Width();
    format.height = image.Height();
    format.bitsPerPixel = static_cast<std::uint16_t>(image.View().bitsPerPixel);
    format.topDown = topDown;
    format.colourTable = table;
    format.colourCount = tableCount;
    RowJudgment judgment(params, evidence);
    EXPECT_TRUE(judgment.BeginRows(format));
    std::int64_t taken = 0;
    const PixelView view = image.View();
    for (int p = 0; p < image.Height() && !judgment.Satisfied(); ++p) {
        const int memoryRow = topDown ? p : image.Height() - 1 - p;
        ++taken;
        if (!judgment.TakeRow(p, view.bits + static_cast<std::ptrdiff_t>(memoryRow) * view.stride)) break;
    }
    std::string errorText;
    const int verdict = judgment.Finish(errorText);
    EXPECT_EQ("", errorText);
    return Fed{verdict, taken, judgment.SettledAfterRows()};
}

int JudgeWhole(const TestImage& image, bool topDown, const RgbQuad* table, int tableCount,
               const JudgeParams& params) {
    PixelView view = image.View();
    view.topDown = topDown;
    std::string errorText;
    return JudgeImage(view, table, tableCount, params, errorText);
}

void FillGray(TestImage& image) {
    for (int r = 0; r < image.Height(); ++r) {
        for (int c = 0; c < image.Width(); ++c) image.SetRgb(c, r, 90, 90, 90);
    }
}

// Memory row of picture row `p`.
int Stored(const TestImage& image, bool topDown, int p) { return topDown ? p : image.Height() - 1 - p; }

struct EarlyCase {
    const char* name;
    void (*tune)(JudgeParams&);
    // Colours the test picture (40 x 30, 24 bits, gray); `topDown` as the picture is stored.
    void (*paint)(TestImage&, bool topDown);
    int verdict;
    std::int64_t settledAfter;  // rows read when settled; -1: every row was needed; kSomeRow
    bool bothOrders = true;     // else top-down only (the grid counts rows in memory order)
};

// Settled at a row before the last, which one depending on the random colours.
constexpr std::int64_t kSomeRow = -2;

const EarlyCase kEarlyCases[] = {
    {"default: the first colour pixel, picture row 10",
     [](JudgeParams&) {},
     [](TestImage& i, bool t) { i.SetRgb(7, Stored(i, t, 10), 200, 90, 90); }, 0, 11},
    {"default: an all-gray picture needs every row",
     [](JudgeParams&) {}, [](TestImage&, bool) {}, 1, -1},
    {"THRESHOLD_GS 10: a spread of 10 is gray, 11 settles",
     [](JudgeParams& p) { p.THRESHOLD_GS = 10; },
     [](TestImage& i, bool t) {
         i.SetRgb(1, Stored(i, t, 3), 100, 90, 95);
         i.SetRgb(1, Stored(i, t, 20), 101, 90, 95);
     }, 0, 21},
    // 1200 samples: 23 not gray are 1 % (monochrome), the 24th makes 2 %, beyond the limit.
    {"NOISE_LIMIT_GS 1: colour once 2 % of all samples are not gray",
     [](JudgeParams& p) { p.NOISE_LIMIT_GS = 1.0; },
     [](TestImage& i, bool t) {
         for (int r = 0; r < 25; ++r) i.SetRgb(0, Stored(i, t, r), 200, 90, 90);
     }, 0, 24},
    {"NOISE_LIMIT_GS 1: 23 exceptions stay below and need every row",
     [](JudgeParams& p) { p.NOISE_LIMIT_GS = 1.0; },
     [](TestImage& i, bool t) {
         for (int r = 0; r < 23; ++r) i.SetRgb(0, Stored(i, t, r), 200, 90, 90);
     }, 1, -1},
    // 400 samples, step 2: rows and columns 1, 3, 5 ...; an odd row is read, an even one not.
    {"sampled grid: colour in a row between samples is never read",
     [](JudgeParams& p) { p.IS_ALL_PIXEL_JUDGE = 0; p.PIXELS_USE_IN_JUDGMENT = 300; },
     [](TestImage& i, bool) { i.SetRgb(1, 4, 200, 90, 90); }, 1, -1, false},
    {"sampled grid: a colour sample settles at its row",
     [](JudgeParams& p) { p.IS_ALL_PIXEL_JUDGE = 0; p.PIXELS_USE_IN_JUDGMENT = 300; },
     [](TestImage& i, bool) { i.SetRgb(3, 5, 200, 90, 90); }, 0, 6, false},
    {"tinted: random colours fail the spread test long before the last row",
     [](JudgeParams& p) { p.IS_ONLY_GRAYSCALE = 0; },
     [](TestImage& i, bool t) {
         std::uint32_t seed = 12345;
         for (int r = 0; r < i.Height(); ++r) {
             for (int c = 0; c < i.Width(); ++c) {
                 auto next = [&] { seed = seed * 1103515245u + 12345u; return static_cast<std::uint8_t>(seed >> 16); };
                 i.SetRgb(c, Stored(i, t, r), next(), next(), next());
             }
         }
     }, 0, kSomeRow},
    {"tinted: a sepia ramp is monochrome after every row",
     [](JudgeParams& p) { p.IS_ONLY_GRAYSCALE = 0; },
     [](TestImage& i, bool t) {
         for (int r = 0; r < i.Height(); ++r) {
             const int v = r * 8;
             i.SetRgb(0, Stored(i, t, r), static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v * 8 / 10),
                      static_cast<std::uint8_t>(v * 6 / 10));
         }
     }, 1, -1},
    {"perceptual: reads every row even when the first one is coloured",
     [](JudgeParams& p) { p.IS_PERCEPTUAL_JUDGE = 1; },
     [](TestImage& i, bool t) {
         for (int r = 0; r < 10; ++r) {
             for (int c = 0; c < 10; ++c) i.SetRgb(c, Stored(i, t, r), 220, 40, 40);
         }
     }, 0, -1},
};

TEST(RowJudgment, AnEarlySettledPictureGetsTheWholePicturesVerdictAndStopsAtItsRow) {
    for (const EarlyCase& c : kEarlyCases) {
        for (const bool topDown : {true, false}) {
            if (!topDown && !c.bothOrders) continue;
            SCOPED_TRACE(std::string(c.name) + (topDown ? ", top-down" : ", bottom-up"));
            JudgeParams params;
            c.tune(params);
            TestImage image(40, 30, 24);
            FillGray(image);
            c.paint(image, topDown);
            EXPECT_EQ(c.verdict, JudgeWhole(image, topDown, nullptr, 0, params));
            const Fed fed = FeedTopFirst(image, topDown, nullptr, 0, params);
            EXPECT_EQ(c.verdict, fed.verdict);
            if (c.settledAfter == kSomeRow) {
                EXPECT_GT(fed.settledAfter, 0);
                EXPECT_LT(fed.settledAfter, 30);
            } else {
                EXPECT_EQ(c.settledAfter, fed.settledAfter);
            }
            // The row that settled the verdict was the last one taken.
            EXPECT_EQ(fed.settledAfter < 0 ? 30 : fed.settledAfter, fed.rowsTaken);

            // With evidence every row is read, and the evidence says where it would have settled.
            JudgeEvidence evidence;
            const Fed explained = FeedTopFirst(image, topDown, nullptr, 0, params, &evidence);
            EXPECT_EQ(c.verdict, explained.verdict);
            EXPECT_EQ(30, explained.rowsTaken);
            EXPECT_EQ(fed.settledAfter, evidence.settledAfterRows);
            EXPECT_EQ(30, evidence.pictureRows);
        }
    }
}

TEST(RowJudgment, AGrayPaletteIsSettledBeforeAnyRow) {
    TestImage image(8, 4, 8);
    const RgbQuad table[2] = {{0, 0, 0, 0}, {200, 200, 200, 0}};
    const Fed fed = FeedTopFirst(image, false, table, 2, JudgeParams{});
    EXPECT_EQ(1, fed.verdict);
    EXPECT_EQ(0, fed.rowsTaken);
    EXPECT_EQ(0, fed.settledAfter);
}

TEST(RowJudgment, AnUnjudgedDepthNeedsNoRowAndGivesTheMessage) {
    RowJudgment judgment(JudgeParams{});
    RowFormat format;
    format.width = 8;
    format.height = 8;
    format.bitsPerPixel = 1;
    EXPECT_TRUE(judgment.BeginRows(format));
    EXPECT_TRUE(judgment.Satisfied());
    std::string errorText;
    EXPECT_EQ(1, judgment.Finish(errorText));
    EXPECT_EQ("【ERROR】非対応のファイル形式です。", errorText);
}

// What a decoder that proved every pixel exactly gray gets, under each criterion, against the
// whole gray picture; the tinted criterion finds colour on a grid without a sample.
TEST(RowJudgment, ExactlyGrayWithoutRowsMatchesTheGrayPicture) {
    struct Case {
        void (*tune)(JudgeParams&);
        int width, height;
    };
    const Case cases[] = {
        {[](JudgeParams&) {}, 12, 9},
        {[](JudgeParams& p) { p.THRESHOLD_GS = 5; p.NOISE_LIMIT_GS = 3; }, 12, 9},
        {[](JudgeParams& p) { p.IS_ONLY_GRAYSCALE = 0; }, 12, 9},
        {[](JudgeParams& p) { p.IS_PERCEPTUAL_JUDGE = 1; }, 12, 9},
        {[](JudgeParams& p) { p.IS_ONLY_GRAYSCALE = 0; p.IS_ALL_PIXEL_JUDGE = 0; p.PIXELS_USE_IN_JUDGMENT = 1; }, 1, 8},
    };
    for (const Case& c : cases) {
        JudgeParams params;
        c.tune(params);
        TestImage image(c.width, c.height, 24);
        FillGray(image);
        RowJudgment judgment(params);
        RowFormat format;
        format.width = c.width;
        format.height = c.height;
        format.bitsPerPixel = 24;
        ASSERT_TRUE(judgment.BeginRows(format));
        ASSERT_TRUE(judgment.SettlesExactlyGray());
        judgment.TakeExactlyGray();
        EXPECT_TRUE(judgment.Satisfied());
        std::string errorText;
        EXPECT_EQ(JudgeWhole(image, false, nullptr, 0, params), judgment.Finish(errorText)) << c.width << "x" << c.height;
        EXPECT_EQ(0, judgment.RowsTaken());
    }
}

}  // namespace
