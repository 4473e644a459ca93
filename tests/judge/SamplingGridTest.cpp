// The sampling grid: which pixels each criterion looks at, for every judged depth.
//
// The expected indices of two common sizes (400 x 300 and 1920 x 1080 with 20000 pixels) are
// written out in full, and cases where a plausible shortcut moves a sample. A grid is
// proved three ways: every pixel off the grid is red and the image still passes (nothing off the
// grid is read); every row and every column is made red in turn and the image fails exactly for
// the grid's rows and columns; and, for one depth, grid pixels are made red one at a time.
#include <algorithm>
#include <tuple>
#include <vector>

#include "judge/JudgeTestImage.h"

namespace {

constexpr int kColumns400By300[] = {
    1, 3, 6, 8, 11, 13, 15, 18, 20, 23, 25, 28, 30, 33, 35, 37, 40, 42, 45, 47, 50, 52, 55, 57, 60,
    62, 64, 67, 69, 72, 74, 77, 79, 82, 84, 86, 89, 91, 94, 96, 99, 101, 104, 106, 109, 111, 113,
    116, 118, 121, 123, 126, 128, 131, 133, 135, 138, 140, 143, 145, 148, 150, 153, 155, 157, 160,
    162, 165, 167, 170, 172, 175, 177, 180, 182, 184, 187, 189, 192, 194, 197, 199, 202, 204, 206,
    209, 211, 214, 216, 219, 221, 224, 226, 229, 231, 233, 236, 238, 241, 243, 246, 248, 251, 253,
    255, 258, 260, 263, 265, 268, 270, 273, 275, 278, 280, 282, 285, 287, 290, 292, 295, 297, 300,
    302, 304, 307, 309, 312, 314, 317, 319, 322, 324, 327, 329, 331, 334, 336, 339, 341, 344, 346,
    349, 351, 353, 356, 358, 361, 363, 366, 368, 371, 373, 375, 378, 380, 383, 385, 388, 390, 393,
    395, 398,
};
constexpr int kRows400By300[] = {
    1, 3, 6, 8, 11, 13, 15, 18, 20, 23, 25, 28, 30, 33, 35, 37, 40, 42, 45, 47, 50, 52, 55, 57, 60,
    62, 64, 67, 69, 72, 74, 77, 79, 82, 84, 86, 89, 91, 94, 96, 99, 101, 104, 106, 109, 111, 113,
    116, 118, 121, 123, 126, 128, 131, 133, 135, 138, 140, 143, 145, 148, 150, 153, 155, 157, 160,
    162, 165, 167, 170, 172, 175, 177, 180, 182, 184, 187, 189, 192, 194, 197, 199, 202, 204, 206,
    209, 211, 214, 216, 219, 221, 224, 226, 229, 231, 233, 236, 238, 241, 243, 246, 248, 251, 253,
    255, 258, 260, 263, 265, 268, 270, 273, 275, 278, 280, 282, 285, 287, 290, 292, 295, 297,
};
constexpr int kColumns1920By1080[] = {
    5, 15, 25, 35, 45, 56, 66, 76, 86, 96, 106, 117, 127, 137, 147, 157, 168, 178, 188, 198, 208,
    218, 229, 239, 249, 259, 269, 280, 290, 300, 310, 320, 330, 341, 351, 361, 371, 381, 392, 402,
    412, 422, 432, 442, 453, 463, 473, 483, 493, 504, 514, 524, 534, 544, 554, 565, 575, 585, 595,
    605, 616, 626, 636, 646, 656, 666, 677, 687, 697, 707, 717, 728, 738, 748, 758, 768, 778, 789,
    799, 809, 819, 829, 840, 850, 860, 870, 880, 890, 901, 911, 921, 931, 941, 952, 962, 972, 982,
    992, 1002, 1013, 1023, 1033, 1043, 1053, 1064, 1074, 1084, 1094, 1104, 1114, 1125, 1135, 1145,
    1155, 1165, 1176, 1186, 1196, 1206, 1216, 1226, 1237, 1247, 1257, 1267, 1277, 1288, 1298, 1308,
    1318, 1328, 1338, 1349, 1359, 1369, 1379, 1389, 1400, 1410, 1420, 1430, 1440, 1450, 1461, 1471,
    1481, 1491, 1501, 1512, 1522, 1532, 1542, 1552, 1562, 1573, 1583, 1593, 1603, 1613, 1624, 1634,
    1644, 1654, 1664, 1674, 1685, 1695, 1705, 1715, 1725, 1736, 1746, 1756, 1766, 1776, 1787, 1797,
    1807, 1817, 1827, 1837, 1848, 1858, 1868, 1878, 1888, 1899, 1909, 1919,
};
constexpr int kRows1920By1080[] = {
    5, 15, 25, 35, 45, 56, 66, 76, 86, 96, 106, 117, 127, 137, 147, 157, 168, 178, 188, 198, 208,
    218, 229, 239, 249, 259, 269, 280, 290, 300, 310, 320, 330, 341, 351, 361, 371, 381, 392, 402,
    412, 422, 432, 442, 453, 463, 473, 483, 493, 504, 514, 524, 534, 544, 554, 565, 575, 585, 595,
    605, 616, 626, 636, 646, 656, 666, 677, 687, 697, 707, 717, 728, 738, 748, 758, 768, 778, 789,
    799, 809, 819, 829, 840, 850, 860, 870, 880, 890, 901, 911, 921, 931, 941, 952, 962, 972, 982,
    992, 1002, 1013, 1023, 1033, 1043, 1053, 1064, 1074,
};

// Step 1.2 (30 x 48 with 1000 pixels): the positions are sums, 0.6 + 1.2 + ... + 1.2, so
// position 14.4 is a hair below and gives 14 where (k + 0.5) * step would give 15.
constexpr int kColumns30By48[] = {0, 1, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 16, 17, 18, 19, 20,
                                  22, 23, 24, 25, 26, 28, 29};
constexpr int kRows30By48[] = {0,  1,  3,  4,  5,  6,  7,  9,  10, 11, 12, 13, 14, 16,
                               17, 18, 19, 20, 22, 23, 24, 25, 26, 28, 29, 30, 31, 32,
                               34, 35, 36, 37, 39, 40, 41, 42, 43, 45, 46, 47};

struct GridCase {
    const char* name;
    int width;
    int height;
    int pixelsUsed;
    std::vector<int> columns;
    std::vector<int> rows;
};

template <std::size_t N>
std::vector<int> List(const int (&values)[N]) {
    return std::vector<int>(values, values + N);
}

const GridCase& Case400By300() {
    static const GridCase c{"400x300", 400, 300, 20000, List(kColumns400By300), List(kRows400By300)};
    return c;
}
const GridCase& Case1920By1080() {
    static const GridCase c{"1920x1080", 1920, 1080, 20000, List(kColumns1920By1080),
                            List(kRows1920By1080)};
    return c;
}
const GridCase& Case30By48() {
    static const GridCase c{"30x48", 30, 48, 1000, List(kColumns30By48), List(kRows30By48)};
    return c;
}

bool Contains(const std::vector<int>& values, int value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

// (bits per pixel, IS_ONLY_GRAYSCALE)
class SamplingGridTest : public JudgeTest, public ::testing::WithParamInterface<std::tuple<int, int>> {
protected:
    void SetUp() override {
        JudgeTest::SetUp();
        params.IS_ONLY_GRAYSCALE = std::get<1>(GetParam());
    }
    int Depth() const { return std::get<0>(GetParam()); }

    void UseGridOf(const GridCase& c) {
        params.IS_ALL_PIXEL_JUDGE = 0;
        params.PIXELS_USE_IN_JUDGMENT = c.pixelsUsed;
    }

    // Red everywhere but on the grid: nothing red may be sampled.
    void ExpectOffGridPixelsIgnored(const GridCase& c) {
        UseGridOf(c);
        ShadedImage image(c.width, c.height, Depth());
        image.Fill(Shade::Red);
        for (int r : c.rows) {
            for (int col : c.columns) image.Set(col, r, Shade::Gray);
        }
        EXPECT_EQ(1, image.Judge(params)) << c.name;
    }

    // One red row at a time: colour exactly for the grid's rows.
    void ExpectExactlyTheGridRowsSampled(const GridCase& c) {
        UseGridOf(c);
        ShadedImage image(c.width, c.height, Depth());
        for (int r = 0; r < c.height; ++r) {
            image.SetRow(r, Shade::Red);
            EXPECT_EQ(Contains(c.rows, r) ? 0 : 1, image.Judge(params)) << c.name << " row " << r;
            image.SetRow(r, Shade::Gray);
        }
    }

    void ExpectExactlyTheGridColumnsSampled(const GridCase& c) {
        UseGridOf(c);
        ShadedImage image(c.width, c.height, Depth());
        for (int col = 0; col < c.width; ++col) {
            image.SetColumn(col, Shade::Red);
            EXPECT_EQ(Contains(c.columns, col) ? 0 : 1, image.Judge(params)) << c.name << " column " << col;
            image.SetColumn(col, Shade::Gray);
        }
    }
};

TEST_P(SamplingGridTest, FourHundredByThreeHundredSamplesItsWholeGrid) {
    ASSERT_EQ(163u, Case400By300().columns.size());
    ASSERT_EQ(122u, Case400By300().rows.size());
    ExpectOffGridPixelsIgnored(Case400By300());
    ExpectExactlyTheGridRowsSampled(Case400By300());
    ExpectExactlyTheGridColumnsSampled(Case400By300());
}

TEST_P(SamplingGridTest, RepeatedAdditionDecidesTheIndices) {
    ExpectOffGridPixelsIgnored(Case30By48());
    ExpectExactlyTheGridRowsSampled(Case30By48());
    ExpectExactlyTheGridColumnsSampled(Case30By48());
}

TEST_P(SamplingGridTest, TheOrderOfTheStepComputationDecidesTheIndices) {
    // 72 x 1600 with 20000 pixels: the ordered computation gives 2.4000000000000004, whose
    // thirteenth position 30.000000000000007 falls in column and row 30; a step of exactly 2.4
    // would give 29.999999999999996, column and row 29.
    params.IS_ALL_PIXEL_JUDGE = 0;
    ShadedImage image(72, 1600, Depth());
    image.SetColumn(29, Shade::Red);
    image.SetRow(29, Shade::Red);
    EXPECT_EQ(1, image.Judge(params));
    image.SetColumn(30, Shade::Red);
    EXPECT_EQ(0, image.Judge(params));
    image.SetColumn(30, Shade::Gray);
    image.SetRow(29, Shade::Gray);
    image.SetRow(30, Shade::Red);
    EXPECT_EQ(0, image.Judge(params));
}

TEST_P(SamplingGridTest, EveryPixelIsSampledWhenAllPixelsAreJudged) {
    // The default IS_ALL_PIXEL_JUDGE, with an image far larger than PIXELS_USE_IN_JUDGMENT.
    params.PIXELS_USE_IN_JUDGMENT = 1;
    ShadedImage image(37, 23, Depth());
    for (int r = 0; r < 23; ++r) {
        for (int c = 0; c < 37; ++c) {
            image.Set(c, r, Shade::Red);
            ASSERT_EQ(0, image.Judge(params)) << "column " << c << " row " << r;
            image.Set(c, r, Shade::Gray);
        }
    }
    EXPECT_EQ(1, image.Judge(params));
}

INSTANTIATE_TEST_SUITE_P(Depths, SamplingGridTest,
                         ::testing::Combine(::testing::Values(2, 4, 8, 16, 24, 32),
                                            ::testing::Values(1, 0)),
                         [](const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
                             return std::to_string(std::get<0>(info.param)) + "Bit" +
                                    (std::get<1>(info.param) ? "Grayscale" : "Tinted");
                         });

// The 1920 x 1080 example with one palette depth and one direct depth; the full sweep of every
// depth on the smaller example above covers the decoders.
class LargeSamplingGridTest : public SamplingGridTest {};

TEST_P(LargeSamplingGridTest, NineteenTwentyByTenEightySamplesItsWholeGrid) {
    ASSERT_EQ(189u, Case1920By1080().columns.size());
    ASSERT_EQ(106u, Case1920By1080().rows.size());
    ExpectOffGridPixelsIgnored(Case1920By1080());
    ExpectExactlyTheGridRowsSampled(Case1920By1080());
    ExpectExactlyTheGridColumnsSampled(Case1920By1080());
}

INSTANTIATE_TEST_SUITE_P(Depths, LargeSamplingGridTest,
                         ::testing::Combine(::testing::Values(4, 24), ::testing::Values(1, 0)),
                         [](const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
                             return std::to_string(std::get<0>(info.param)) + "Bit" +
                                    (std::get<1>(info.param) ? "Grayscale" : "Tinted");
                         });

class SamplingGridPixelTest : public JudgeTest {};

TEST_F(SamplingGridPixelTest, AVeryWideGridKeepsItsPositionsToTheEndOfTheRow) {
    // 9001 x 3 with 9000 pixels: step 1.7321..., rows 0 and 2, 5196 columns. The
    // expected columns follow the rule itself (start at half a step, add the step, truncate),
    // written out plainly here.
    params.IS_ALL_PIXEL_JUDGE = 0;
    params.PIXELS_USE_IN_JUDGMENT = 9000;
    const double step = ComputeSamplingStep(9001, 3, params);
    std::vector<int> columns;
    for (double x = step * 0.5; x < 9001; x += step) columns.push_back(static_cast<int>(x));
    ASSERT_EQ(5196u, columns.size());
    EXPECT_EQ(8999, columns.back());

    for (int depth : {4, 24}) {
        for (int mode : {1, 0}) {
            params.IS_ONLY_GRAYSCALE = mode;
            ShadedImage image(9001, 3, depth);
            image.Fill(Shade::Red);
            for (int r : {0, 2}) {
                for (int c : columns) image.Set(c, r, Shade::Gray);
            }
            EXPECT_EQ(1, image.Judge(params)) << depth << " " << mode;
            image.Fill(Shade::Gray);
            image.SetRow(1, Shade::Red);
            EXPECT_EQ(1, image.Judge(params)) << depth << " " << mode;
            image.SetRow(1, Shade::Gray);
            // Across the whole right half for one case; for the others around the 4097th sample
            // (column 7095, where a column table of 4096 entries would end) and at the row's end.
            const bool whole = depth == 24 && mode == 1;
            for (int c = 3990; c < 9001; ++c) {
                if (!whole && !(c >= 7000 && c < 7120) && c < 8900) continue;
                image.Set(c, 2, Shade::Red);
                ASSERT_EQ(Contains(columns, c) ? 0 : 1, image.Judge(params)) << depth << " " << mode << " column " << c;
                image.Set(c, 2, Shade::Gray);
            }
        }
    }
}

TEST_F(SamplingGridPixelTest, EachGridPixelOfFourHundredByThreeHundredIsSampled) {
    // Rows and columns above prove the grid's projections; this proves every crossing.
    params.IS_ALL_PIXEL_JUDGE = 0;
    ShadedImage image(400, 300, 24);
    // Every fourth grid row, and the last, keeps the sanitizer build quick.
    const std::vector<int>& rows = Case400By300().rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i % 4 != 0 && i + 1 != rows.size()) continue;
        const int r = rows[i];
        for (int c : Case400By300().columns) {
            image.Set(c, r, Shade::Red);
            ASSERT_EQ(0, image.Judge(params)) << "column " << c << " row " << r;
            image.Set(c, r, Shade::Gray);
        }
    }
}

}  // namespace
