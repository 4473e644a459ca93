// The perceptual criterion on small constructed pictures, one or more per class of picture it
// must tell apart.
#include <algorithm>
#include <cmath>
#include <functional>

#include <gtest/gtest.h>

#include "judge/JudgeTestImage.h"
#include "judge/PerceptualCriterion.h"
#include "support/ImageFiles.h"

namespace {

using testimages::Rgb;

class PerceptualTest : public JudgeTest {
protected:
    PerceptualTest() { params.IS_PERCEPTUAL_JUDGE = 1; }

    int Judge(const TestImage& image, JudgeEvidence* evidence = nullptr, bool alpha = false) {
        PixelView view = image.View();
        view.alpha = alpha;
        std::string errorText;
        const int verdict = JudgeImage(view, nullptr, 0, params, errorText, evidence);
        EXPECT_EQ(errorText, "");
        return verdict;
    }
};

using Paint = std::function<void(int x, int y, int& red, int& green, int& blue)>;

// A 24-bit picture painted pixel by pixel, x from the left and y from the top.
TestImage Painted(int width, int height, const Paint& paint) {
    TestImage image(width, height, 24);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int red = 0, green = 0, blue = 0;
            paint(x, y, red, green, blue);
            image.SetRgb(x, height - 1 - y, static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green),
                         static_cast<std::uint8_t>(blue));
        }
    }
    return image;
}

void Gray(int& red, int& green, int& blue, int value) { red = green = blue = value; }

// Lines of black text, three pixels high, every 12 rows, broken into words.
bool InText(int x, int y) { return y % 12 >= 4 && y % 12 < 7 && (x / 6) % 5 != 4; }

TEST_F(PerceptualTest, ARedBlobOfNineByNineOnAGrayPageIsColour) {
    for (const int side : {60, 400, 1200, 3000}) {
        const TestImage page = Painted(side, side, [&](int x, int y, int& r, int& g, int& b) {
            const bool blob = x >= side / 3 && x < side / 3 + 9 && y >= side / 2 && y < side / 2 + 9;
            if (blob) { r = 220; g = 30; b = 30; } else { Gray(r, g, b, 200); }
        });
        JudgeEvidence evidence;
        EXPECT_EQ(Judge(page, &evidence), 0) << side;
        EXPECT_EQ(evidence.rule, DecidingRule::Perceptual);
        EXPECT_GE(evidence.largestRegion, 20) << side;
        // The region is found where it is: its top-left corner lies within a cell of the blob's.
        EXPECT_NEAR(evidence.regionX, side / 3, evidence.cellSide) << side;
        EXPECT_NEAR(evidence.regionY, side / 2, evidence.cellSide) << side;
    }
}

// Square dots smaller than the area limit (20 pixels) on a light gray page: faint colour
// needs the area, vivid colour counts from a few pixels, one dot or several together.
TEST_F(PerceptualTest, SmallDotsCountWhenTheirColourIsVivid) {
    struct Row {
        const char* what;
        Rgb colour;
        int side, dots;
        int verdict;
    } const rows[] = {
        {"a faint blue dot of 4 x 4", {200, 215, 250}, 4, 1, 1},
        {"a vivid blue dot of 4 x 4", {30, 60, 230}, 4, 1, 0},
        {"a vivid red dot of 3 x 3", {230, 20, 20}, 3, 1, 0},
        {"three vivid green dots of 2 x 2", {20, 200, 40}, 2, 3, 0},
        {"one vivid green dot of 2 x 2", {20, 200, 40}, 2, 1, 1},
        {"a single vivid pixel", {230, 20, 20}, 1, 1, 1},
        {"four faint dots of 4 x 4", {215, 235, 215}, 4, 4, 1},
    };
    for (const Row& row : rows) {
        const TestImage page = Painted(400, 300, [&](int x, int y, int& r, int& g, int& b) {
            for (int d = 0; d < row.dots; ++d) {
                const int left = 100 + 40 * d;
                if (x >= left && x < left + row.side && y >= 100 && y < 100 + row.side) {
                    r = row.colour.red, g = row.colour.green, b = row.colour.blue;
                    return;
                }
            }
            Gray(r, g, b, 240);
        });
        JudgeEvidence evidence;
        EXPECT_EQ(Judge(page, &evidence), row.verdict) << row.what;
        EXPECT_LT(evidence.largestRegion, 20) << row.what;
        if (row.verdict == 0) {
            // The dot that decided is the region drawn: the first one's place.
            EXPECT_GT(evidence.vividRegion, 0) << row.what;
            EXPECT_NEAR(evidence.regionY, 100, 1) << row.what;
            EXPECT_GE(evidence.regionWidth, row.side) << row.what;
        }
    }
    // An area limit the faint dot reaches makes it colour all the same.
    params.AREA_LIMIT_PERCEPTUAL = 16;
    const TestImage faint = Painted(400, 300, [](int x, int y, int& r, int& g, int& b) {
        if (x >= 100 && x < 104 && y >= 100 && y < 104) { r = 200; g = 215; b = 250; } else { Gray(r, g, b, 240); }
    });
    EXPECT_EQ(Judge(faint), 0);
}

// Black strokes `width` pixels wide with a one-pixel fringe of `above` over them and of
// `below` under them, in rows of text.
TestImage FringedText(int side, int width, Rgb above, Rgb below) {
    return Painted(side, side, [=](int x, int y, int& r, int& g, int& b) {
        const int row = y % 12;
        // Words of 24 pixels, and a margin of a line's height all round.
        const bool word = (x / 6) % 5 != 4 && x >= 12 && x < side - 12 && y >= 12 && y / 12 < side / 12 - 1;
        const Rgb* c = nullptr;
        if (!word || row < 3 || row > 4 + width) { Gray(r, g, b, 250); return; }
        if (row == 3) c = &above;
        if (row == 4 + width) c = &below;
        if (c == nullptr) { Gray(r, g, b, 15); return; }
        r = c->red; g = c->green; b = c->blue;
    });
}

TEST_F(PerceptualTest, OnePixelRedAndCyanFringesAlongBlackStrokesAreMonochrome) {
    // Pages of a thousand pixels and more, as scanners and cameras give them, with strokes one
    // to three pixels wide.
    const Rgb red{250, 70, 70}, cyan{70, 230, 250};
    for (const int width : {1, 2, 3}) {
        for (const int side : {1000, 3000}) EXPECT_EQ(Judge(FringedText(side, width, red, cyan)), 1) << side << " " << width;
    }
    // The same rows in one colour of their own are coloured lines, not fringes.
    EXPECT_EQ(Judge(FringedText(400, 1, red, red)), 0);
}

TEST_F(PerceptualTest, ASepiaRampIsMonochromeAndToned) {
    const TestImage ramp = Painted(256, 64, [](int x, int, int& r, int& g, int& b) {
        const double v = x / 255.0;
        r = static_cast<int>(255 * v);
        g = static_cast<int>(255 * std::pow(v, 1.15) * 0.9);
        b = static_cast<int>(255 * std::pow(v, 1.4) * 0.75);
    });
    JudgeEvidence evidence;
    EXPECT_EQ(Judge(ramp, &evidence), 1);
    EXPECT_TRUE(evidence.toned);
    EXPECT_GT(evidence.toneChroma, 15.0);
}

// A gray scene of smooth shading through the whole range, toned by the common sepia matrix
// and clipped at 255 as an 8-bit file stores it: from about two thirds of the way up red is
// cut, then green, and the tone bends from brown to yellow-white.
TestImage ClippedSepia(int width, int height, const std::function<int(int, int)>& grayAt) {
    return Painted(width, height, [&](int x, int y, int& r, int& g, int& b) {
        const int v = grayAt(x, y);
        r = std::min(255, static_cast<int>(0.393 * v + 0.769 * v + 0.189 * v + 0.5));
        g = std::min(255, static_cast<int>(0.349 * v + 0.686 * v + 0.168 * v + 0.5));
        b = std::min(255, static_cast<int>(0.272 * v + 0.534 * v + 0.131 * v + 0.5));
    });
}

TEST_F(PerceptualTest, ASepiaWhoseHighlightsClipStaysMonochrome) {
    struct Row {
        const char* what;
        std::function<int(int, int)> grayAt;
    } const rows[] = {
        {"a ramp from black to white", [](int x, int) { return x * 255 / 299; }},
        {"mostly highlights: a bright sky over a dark shore", [](int x, int y) { return y < 200 ? 200 + (x + y) % 56 : y - 150; }},
        {"a white page with a soft gray picture", [](int x, int y) {
             const double d = std::hypot(x - 150.0, y - 150.0);
             return d < 100 ? static_cast<int>(60 + d * 1.5) : 255;
         }},
    };
    for (const Row& row : rows) {
        JudgeEvidence evidence;
        EXPECT_EQ(Judge(ClippedSepia(300, 300, row.grayAt), &evidence), 1) << row.what;
        EXPECT_TRUE(evidence.toned) << row.what;
    }
    // A coloured patch in the clipped highlights is still colour.
    const TestImage patched = Painted(300, 300, [](int x, int y, int& r, int& g, int& b) {
        const int v = y < 150 ? 230 : x * 255 / 299;
        r = std::min(255, static_cast<int>(1.351 * v));
        g = std::min(255, static_cast<int>(1.203 * v));
        b = std::min(255, static_cast<int>(0.937 * v));
        if (x >= 100 && x < 130 && y >= 50 && y < 80) { r = 120; g = 200; b = 255; }
    });
    EXPECT_EQ(Judge(patched), 0);
}

// White at the top to deep blue at the bottom; with `clouds`, a block of gray exactly as
// bright as the sky beside it.
TestImage Cyanotype(bool clouds) {
    return Painted(300, 300, [=](int x, int y, int& r, int& g, int& b) {
        const double v = y / 300.0;
        r = static_cast<int>(255 * (1 - 0.8 * v));
        g = static_cast<int>(255 * (1 - 0.6 * v));
        b = 255 - static_cast<int>(60 * v);
        if (clouds && x >= 150 && y >= 75 && y < 150) Gray(r, g, b, (r * 30 + g * 59 + b * 11) / 100);
    });
}

TEST_F(PerceptualTest, AWhiteToBlueGradientAloneIsAToneCurve) {
    JudgeEvidence evidence;
    EXPECT_EQ(Judge(Cyanotype(false), &evidence), 1);
    EXPECT_TRUE(evidence.toned);
}

TEST_F(PerceptualTest, GrayCloudsAsBrightAsTheBlueSkyBesideThemAreColour) {
    JudgeEvidence evidence;
    EXPECT_EQ(Judge(Cyanotype(true), &evidence), 0);
    EXPECT_GT(evidence.largestRegion, 5000);
}

TEST_F(PerceptualTest, ALogoOfOneColourOnWhiteIsColourNotATone) {
    // Two clusters, white paper and red ink, with nothing between them: no curve of tones.
    const TestImage logo = Painted(200, 200, [](int x, int y, int& r, int& g, int& b) {
        const int dx = x - 100, dy = y - 100;
        if (dx * dx + dy * dy < 60 * 60) { r = 200; g = 20; b = 50; } else { Gray(r, g, b, 255); }
    });
    JudgeEvidence evidence;
    EXPECT_EQ(Judge(logo, &evidence), 0);
    EXPECT_FALSE(evidence.toned);
}

TEST_F(PerceptualTest, GrayStoredWithChromaNoiseAndAFaintCastIsMonochrome) {
    unsigned seed = 7;
    auto noise = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) % 9) - 4;
    };
    const TestImage photo = Painted(640, 480, [&](int x, int y, int& r, int& g, int& b) {
        const int v = 40 + (x * 7 + y * 3) % 180;
        r = v + 3 + noise();  // a warm cast of a few units, and noise of up to 4 per channel
        g = v + noise();
        b = v - 3 + noise();
    });
    EXPECT_EQ(Judge(photo), 1);
}

TEST_F(PerceptualTest, TextOnFaintlyTintedPaperIsMonochrome) {
    const TestImage page = Painted(600, 400, [](int x, int y, int& r, int& g, int& b) {
        if (InText(x, y)) { r = 30; g = 28; b = 25; } else { r = 245; g = 238; b = 220; }
    });
    EXPECT_EQ(Judge(page), 1);
}

TEST_F(PerceptualTest, TransparentColourIsJudgedAsShownOverWhite) {
    TestImage picture(64, 64, 32);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) picture.SetRgb(x, y, 90, 90, 90, 255);
    }
    // A red quarter that is fully transparent, and one red pixel at 2 % opacity.
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) picture.SetRgb(x, y, 255, 0, 0, 0);
    }
    picture.SetRgb(50, 50, 255, 0, 0, 5);
    EXPECT_EQ(Judge(picture, nullptr, true), 1);
    // The same bytes with an opaque fourth byte are a red quarter.
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) picture.SetRgb(x, y, 255, 0, 0, 255);
    }
    EXPECT_EQ(Judge(picture, nullptr, true), 0);
}

TEST_F(PerceptualTest, WithoutAlphaTheFourthByteIsIgnored) {
    TestImage picture(64, 64, 32);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) picture.SetRgb(x, y, x < 32 ? 255 : 90, x < 32 ? 0 : 90, x < 32 ? 0 : 90, 0);
    }
    EXPECT_EQ(Judge(picture, nullptr, false), 0);
}

TEST_F(PerceptualTest, PaletteEntriesCarryTheirOpacityWhenTheImageHasAlpha) {
    TestImage picture(40, 40, 8);
    RgbQuad table[2] = {{200, 200, 200, 255}, {0, 0, 255, 0}};  // gray opaque; red transparent
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) picture.SetIndex(x, y, x < 20 ? 1 : 0);
    }
    PixelView view = picture.View();
    view.alpha = true;
    std::string errorText;
    EXPECT_EQ(JudgeImage(view, table, 2, params, errorText), 1);
    table[1].reserved = 255;
    EXPECT_EQ(JudgeImage(view, table, 2, params, errorText), 0);
}

TEST_F(PerceptualTest, EveryDepthIsReadLikeTwentyFourBits) {
    // A gray page with a green square, at 16 bits (5-5-5) and through a 4-bit colour table.
    TestImage deep(120, 90, 16);
    TestImage indexed(120, 90, 4);
    const RgbQuad table[2] = {{160, 160, 160, 0}, {40, 180, 40, 0}};
    for (int y = 0; y < 90; ++y) {
        for (int x = 0; x < 120; ++x) {
            const bool square = x >= 50 && x < 62 && y >= 40 && y < 52;
            deep.SetWord(x, y, square ? static_cast<std::uint16_t>((5 << 10) | (22 << 5) | 5) : static_cast<std::uint16_t>((20 << 10) | (20 << 5) | 20));
            indexed.SetIndex(x, y, square ? 1 : 0);
        }
    }
    EXPECT_EQ(Judge(deep), 0);
    std::string errorText;
    EXPECT_EQ(JudgeImage(indexed.View(), table, 2, params, errorText), 0);
}

TEST_F(PerceptualTest, AReducedDecodeCutsTheSameCells) {
    // 2048 pixels wide judged whole, and a quarter of it standing for the same picture decoded at 1/4.
    const auto paint = [](int scale) {
        return [scale](int x, int y, int& r, int& g, int& b) {
            const bool mark = x * scale >= 1000 && x * scale < 1040 && y * scale >= 300 && y * scale < 340;
            if (mark) { r = 230; g = 40; b = 40; } else { Gray(r, g, b, 230); }
        };
    };
    JudgeEvidence whole, reduced;
    EXPECT_EQ(Judge(Painted(2048, 1024, paint(1)), &whole), 0);
    TestImage quarter = Painted(512, 256, paint(4));
    PixelView view = quarter.View();
    view.sourceScale = 4;
    std::string errorText;
    EXPECT_EQ(JudgeImage(view, nullptr, 0, params, errorText, &reduced), 0);
    EXPECT_EQ(whole.cellSide, reduced.cellSide);
    EXPECT_EQ(whole.largestRegion, reduced.largestRegion);
}

TEST_F(PerceptualTest, AtZeroTheOtherCriteriaJudge) {
    const TestImage page = Painted(100, 100, [](int x, int, int& r, int& g, int& b) { r = 128 + (x == 50); g = b = 128; });
    params.IS_PERCEPTUAL_JUDGE = 0;
    JudgeEvidence evidence;
    EXPECT_EQ(Judge(page, &evidence), 0);  // one channel differs by one: grayscale-only says colour
    EXPECT_EQ(evidence.rule, DecidingRule::GrayscaleOnly);
    params.IS_PERCEPTUAL_JUDGE = 1;
    EXPECT_EQ(Judge(page, &evidence), 1);
    EXPECT_EQ(evidence.rule, DecidingRule::Perceptual);
}

TEST(PerceptualDecodeScale, TheLargestReductionWhosePixelsAreTheCellsOrSmaller) {
    EXPECT_EQ(PerceptualDecodeScale(512, 300), 1);     // cells of 1 pixel
    EXPECT_EQ(PerceptualDecodeScale(1024, 768), 2);    // of 2
    EXPECT_EQ(PerceptualDecodeScale(1536, 1000), 4);   // of 3: 2 x 2 pixels at 1/2, so 1/4
    EXPECT_EQ(PerceptualDecodeScale(2560, 1000), 4);   // of 5: 1 x 1 pixel at 1/4
    EXPECT_EQ(PerceptualDecodeScale(3000, 2000), 8);   // of 6: 2 x 2 pixels at 1/4, so 1/8
    EXPECT_EQ(PerceptualDecodeScale(6000, 4000), 8);
    EXPECT_EQ(PerceptualDecodeScale(60000, 100), 8);   // of 118: 15 x 15 pixels at 1/8
}

}  // namespace
