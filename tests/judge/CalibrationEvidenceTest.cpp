// Calibration's verdicts from evidence gathered once must be the judgment's own, for every
// setting it tries.
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "judge/CalibrationEvidence.h"
#include "judge/JudgeTestImage.h"

namespace {

struct Picture {
    const char* name;
    TestImage image;
    std::vector<RgbQuad> table;
};

std::vector<Picture> Pictures() {
    std::vector<Picture> pictures;
    auto painted = [](int width, int height, auto paint) {
        TestImage image(width, height, 24);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                int r = 0, g = 0, b = 0;
                paint(x, y, r, g, b);
                image.SetRgb(x, y, static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b));
            }
        }
        return image;
    };
    pictures.push_back({"gray with noise", painted(120, 90, [](int x, int y, int& r, int& g, int& b) {
                            const int v = (x * 3 + y * 2) % 200 + 20;
                            r = v + (x * 7 + y) % 5;
                            g = v;
                            b = v - (x + y * 3) % 4;
                        }), {}});
    pictures.push_back({"exact gray", painted(90, 60, [](int x, int y, int& r, int& g, int& b) {
                            r = g = b = (x * 5 + y * 3) % 256;
                        }), {}});
    pictures.push_back({"sepia ramp", painted(200, 40, [](int x, int, int& r, int& g, int& b) {
                            const double v = x / 199.0;
                            r = static_cast<int>(255 * v);
                            g = static_cast<int>(255 * std::pow(v, 1.15) * 0.9);
                            b = static_cast<int>(255 * std::pow(v, 1.4) * 0.75);
                        }), {}});
    pictures.push_back({"red blob", painted(150, 100, [](int x, int y, int& r, int& g, int& b) {
                            const bool blob = x >= 60 && x < 66 && y >= 40 && y < 47;
                            r = blob ? 210 : 180;
                            g = b = blob ? 40 : 180;
                        }), {}});
    TestImage indexed(64, 48, 8);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) indexed.SetIndex(x, y, static_cast<unsigned>((x + y) % 3));
    }
    pictures.push_back({"near-gray palette", indexed, {{100, 100, 100, 0}, {100, 104, 100, 0}, {20, 20, 90, 0}}});
    return pictures;
}

TEST(CalibrationEvidence, EverySettingTriedGivesTheJudgmentsOwnVerdict) {
    for (const int allPixels : {1, 0}) {
        JudgeParams sampling;
        sampling.IS_ALL_PIXEL_JUDGE = allPixels;
        sampling.PIXELS_USE_IN_JUDGMENT = 500;
        for (const Picture& picture : Pictures()) {
            const PixelView view = picture.image.View();
            const RgbQuad* table = picture.table.empty() ? nullptr : picture.table.data();
            const int entries = static_cast<int>(picture.table.size());
            CalibrationEvidence evidence;
            GatherChannelEvidence(view, table, entries, sampling, evidence);
            GatherPerceptualEvidence(view, table, entries, evidence);
            std::string errorText;
            for (const int threshold : {0, 4, 5, 30, 60, 255}) {
                for (const double noise : {0.0, 0.5, 1.0, 5.0, 100.0}) {
                    JudgeParams params = sampling;
                    params.THRESHOLD_GS = threshold;
                    params.NOISE_LIMIT_GS = noise;
                    EXPECT_EQ(GrayscaleVerdict(evidence, threshold, noise), JudgeImage(view, table, entries, params, errorText))
                        << picture.name << " THRESHOLD_GS " << threshold << " NOISE_LIMIT_GS " << noise;
                }
            }
            for (const double threshold : {0.0, 1.0, 8.0, 20.0, 100.0}) {
                for (const double limit : {0.0, 8.0, 30.0, 100.0}) {
                    JudgeParams params = sampling;
                    params.IS_ONLY_GRAYSCALE = 0;
                    params.THRESHOLD_MONO = threshold;
                    params.ERROR_LIMIT_MONO = limit;
                    EXPECT_EQ(TintedVerdict(evidence, threshold, limit), JudgeImage(view, table, entries, params, errorText))
                        << picture.name << " THRESHOLD_MONO " << threshold << " ERROR_LIMIT_MONO " << limit;
                }
            }
            for (std::size_t index = 0; index < kCalibrationThresholds.size(); index += 5) {
                for (const int area : {1, 20, 42, 100000}) {
                    JudgeParams params = sampling;
                    params.IS_PERCEPTUAL_JUDGE = 1;
                    params.THRESHOLD_PERCEPTUAL = kCalibrationThresholds[index];
                    params.AREA_LIMIT_PERCEPTUAL = area;
                    EXPECT_EQ(PerceptualVerdict(evidence, index, area), JudgeImage(view, table, entries, params, errorText))
                        << picture.name << " THRESHOLD_PERCEPTUAL " << params.THRESHOLD_PERCEPTUAL << " area " << area;
                }
            }
            EXPECT_EQ(errorText, "");
        }
    }
}

TEST(CalibrationEvidence, AHeaderVerdictHoldsUnderEverySetting) {
    CalibrationEvidence evidence;
    evidence.fixedVerdict = 0;
    EXPECT_EQ(GrayscaleVerdict(evidence, 255, 100.0), 0);
    EXPECT_EQ(TintedVerdict(evidence, 100.0, 100.0), 0);
    EXPECT_EQ(PerceptualVerdict(evidence, 0, 1000000), 0);
}

}  // namespace
