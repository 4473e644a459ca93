// The loaders handing rows to the judgment: every format, plain and interlaced or progressive,
// under every criterion, against the judgment of the whole decoded picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "image/BitmapFile.h"
#include "image/DecodedImage.h"
#include "judge/RowJudgment.h"
#include "support/BmpFiles.h"
#include "support/ImageFiles.h"

using namespace testimages;

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr int kFirstColourRow = 20;

enum class Content {
    GrayThenColour,  // gray rows, then a saturated colour from kFirstColourRow down
    GrayThenNoise,   // gray rows, then random colours (the tinted criterion's spread fails)
    Gray,            // gray everywhere (gray values stored in colour)
    ColourAbove,     // a colour top row, gray below
};

Rgb PixelOf(Content content, int x, int y) {
    const auto gray = static_cast<std::uint8_t>(40 + (x * 3 + y * 2) % 160);
    if (content == Content::ColourAbove) return y == 0 ? Rgb{230, 40, 90} : Rgb{gray, gray, gray};
    if (content == Content::Gray || y < kFirstColourRow) return Rgb{gray, gray, gray};
    if (content == Content::GrayThenColour) return Rgb{230, 40, static_cast<std::uint8_t>(gray / 2)};
    std::uint32_t seed = static_cast<std::uint32_t>(y * kWidth + x) * 2654435761u;
    auto next = [&] { seed = seed * 1103515245u + 12345u; return static_cast<std::uint8_t>(seed >> 16); };
    const std::uint8_t r = next(), g = next();
    return Rgb{r, g, next()};
}

// Palettes hold at most 256 entries: the picture's colours quantised to 3-3-2 bits, which keeps
// gray values apart from the colours (and an 8-level gray stays gray).
std::uint8_t PaletteIndex(const Rgb& c) {
    if (c.red == c.green && c.green == c.blue) return static_cast<std::uint8_t>(c.red >> 5);  // 0..7: grays
    return static_cast<std::uint8_t>(8 + ((c.red >> 5) * 31 + (c.green >> 5) * 7 + (c.blue >> 6)) % 248);
}

std::vector<Rgb> GifPalette() {
    std::vector<Rgb> palette(256);
    for (int i = 0; i < 8; ++i) palette[i] = Rgb{std::uint8_t(i * 32), std::uint8_t(i * 32), std::uint8_t(i * 32)};
    for (int i = 8; i < 256; ++i) palette[i] = Rgb{std::uint8_t(i * 37), std::uint8_t(255 - i), std::uint8_t(i * 91)};
    return palette;
}

enum class Kind { Png, PngInterlaced, Jpeg, JpegProgressive, Gif, GifInterlaced, Bmp16, Bmp24 };

const char* NameOf(Kind kind) {
    switch (kind) {
        case Kind::Png: return "png";
        case Kind::PngInterlaced: return "interlaced png";
        case Kind::Jpeg: return "baseline jpeg";
        case Kind::JpegProgressive: return "progressive jpeg";
        case Kind::Gif: return "gif";
        case Kind::GifInterlaced: return "interlaced gif";
        case Kind::Bmp16: return "16-bit bmp";
        case Kind::Bmp24: return "24-bit bmp";
    }
    return "";
}

// Red, green and blue of every pixel, the top row first.
std::vector<std::uint8_t> RgbSamples(Content content) {
    std::vector<std::uint8_t> samples;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const Rgb c = PixelOf(content, x, y);
            samples.insert(samples.end(), {c.red, c.green, c.blue});
        }
    }
    return samples;
}

Bytes Encode(Kind kind, Content content) {
    switch (kind) {
        case Kind::Png:
        case Kind::PngInterlaced: {
            PngPicture picture;
            picture.width = kWidth;
            picture.height = kHeight;
            picture.interlaced = kind == Kind::PngInterlaced;
            const std::vector<std::uint8_t> samples = RgbSamples(content);
            picture.samples.assign(samples.begin(), samples.end());
            return EncodePng(picture);
        }
        case Kind::Jpeg:
        case Kind::JpegProgressive: {
            JpegPicture picture;
            picture.width = kWidth;
            picture.height = kHeight;
            picture.progressive = kind == Kind::JpegProgressive;
            picture.samples = RgbSamples(content);
            return EncodeJpeg(picture);
        }
        case Kind::Gif:
        case Kind::GifInterlaced: {
            GifPicture picture;
            picture.screenWidth = kWidth;
            picture.screenHeight = kHeight;
            picture.globalMap = GifPalette();
            GifFrame frame;
            frame.width = kWidth;
            frame.height = kHeight;
            frame.interlaced = kind == Kind::GifInterlaced;
            for (int y = 0; y < kHeight; ++y) {
                for (int x = 0; x < kWidth; ++x) frame.indices.push_back(PaletteIndex(PixelOf(content, x, y)));
            }
            picture.frames.push_back(frame);
            return EncodeGif(picture);
        }
        case Kind::Bmp16:
        case Kind::Bmp24: {
            BmpFields bmp;
            bmp.width = kWidth;
            bmp.height = kHeight;  // bottom-up: the file's first row is the picture's last
            bmp.bitCount = kind == Kind::Bmp16 ? 16 : 24;
            if (kind == Kind::Bmp16) {
                bmp.compression = 3;
                bmp.masks = {0xF800, 0x07E0, 0x001F};  // 5-6-5, rewritten by the loader
            }
            for (int y = kHeight - 1; y >= 0; --y) {
                Bytes row;
                for (int x = 0; x < kWidth; ++x) {
                    const Rgb c = PixelOf(content, x, y);
                    if (kind == Kind::Bmp16) {
                        const unsigned w = (c.red >> 3) << 11 | (c.green >> 2) << 5 | (c.blue >> 3);
                        row.insert(row.end(), {std::uint8_t(w & 0xFF), std::uint8_t(w >> 8)});
                    } else {
                        row.insert(row.end(), {c.blue, c.green, c.red});
                    }
                }
                bmp.rows.push_back(row);
            }
            return BuildBmp(bmp);
        }
    }
    return {};
}

// The rows of the file into `sink`, through the reader of its kind.
bool ReadRows(Kind kind, const std::filesystem::path& path, RowSink& sink, int& early, JudgeEvidence* evidence,
              bool reduced) {
    std::string reason;
    switch (kind) {
        case Kind::Png:
        case Kind::PngInterlaced: return ReadPngRows(path, sink, early, reason, evidence);
        case Kind::Jpeg:
        case Kind::JpegProgressive: return ReadJpegRows(path, sink, early, reason, evidence, reduced);
        case Kind::Gif:
        case Kind::GifInterlaced: return ReadGifRows(path, sink, early, reason, evidence);
        case Kind::Bmp16: return ReadBmpRows(path, sink, early, evidence);
        case Kind::Bmp24: return platform::ReadBitmapFileRows(path, sink);
    }
    return false;
}

// Rows come top first only from plain files.
bool RowsComeInOrder(Kind kind) {
    return kind != Kind::GifInterlaced && kind != Kind::Bmp16 && kind != Kind::Bmp24;
}

struct Criterion {
    const char* name;
    std::function<void(JudgeParams&)> tune;
};

const Criterion kCriteria[] = {
    {"grayscale-only", [](JudgeParams&) {}},
    {"grayscale-only, NOISE_LIMIT_GS 1", [](JudgeParams& p) { p.NOISE_LIMIT_GS = 1.0; }},
    {"grayscale-only, sampled", [](JudgeParams& p) { p.IS_ALL_PIXEL_JUDGE = 0; p.PIXELS_USE_IN_JUDGMENT = 500; }},
    {"tinted-monochrome", [](JudgeParams& p) { p.IS_ONLY_GRAYSCALE = 0; }},
    {"perceptual", [](JudgeParams& p) { p.IS_PERCEPTUAL_JUDGE = 1; }},
};

const Kind kKinds[] = {Kind::Png, Kind::PngInterlaced, Kind::Jpeg, Kind::JpegProgressive,
                       Kind::Gif, Kind::GifInterlaced, Kind::Bmp16, Kind::Bmp24};

// The whole decoded picture's verdict, as the loaders gave it before rows.
int JudgeWholePicture(Kind kind, const std::filesystem::path& path, const JudgeParams& params) {
    int early = kNoEarlyVerdict;
    std::string reason;
    const bool reduced = params.IS_PERCEPTUAL_JUDGE != 0;
    DecodedImage* image = nullptr;
    switch (kind) {
        case Kind::Png: case Kind::PngInterlaced: image = LoadPngFile(path, early, reason); break;
        case Kind::Jpeg: case Kind::JpegProgressive: image = LoadJpegFile(path, early, reason, nullptr, reduced); break;
        case Kind::Gif: case Kind::GifInterlaced: image = LoadGifFile(path, early, reason); break;
        case Kind::Bmp16: image = LoadBmpFile(path, early); break;
        case Kind::Bmp24: image = platform::LoadBitmapFile(path); break;
    }
    EXPECT_NE(nullptr, image) << reason;
    if (image == nullptr) return -1;
    std::string errorText;
    const int verdict = JudgeDecodedImage(*image, params, errorText);
    DestroyDecodedImage(image);
    EXPECT_EQ("", errorText);
    return verdict;
}

TEST(RowReading, EveryFormatAndCriterionGivesTheWholePicturesVerdictAndStopsAtTheSettlingRow) {
    TempFolder dir;
    for (const Content content : {Content::GrayThenColour, Content::GrayThenNoise, Content::Gray}) {
        for (const Kind kind : kKinds) {
            const auto path = dir.File("picture");
            WriteFileBytes(path, Encode(kind, content));
            for (const Criterion& criterion : kCriteria) {
                SCOPED_TRACE(std::string(NameOf(kind)) + ", " + criterion.name + ", content " +
                             std::to_string(static_cast<int>(content)));
                JudgeParams params;
                criterion.tune(params);
                const int whole = JudgeWholePicture(kind, path, params);

                RowJudgment judgment(params);
                int early = kNoEarlyVerdict;
                ASSERT_TRUE(ReadRows(kind, path, judgment, early, nullptr, params.IS_PERCEPTUAL_JUDGE != 0));
                std::string errorText;
                EXPECT_EQ(whole, judgment.Finish(errorText));
                EXPECT_EQ("", errorText);
                // The reader stopped right after the row that settled the verdict.
                if (judgment.SettledAfterRows() >= 0) {
                    EXPECT_EQ(judgment.SettledAfterRows(), judgment.RowsTaken());
                } else if (judgment.RowsTaken() != 0) {
                    EXPECT_EQ(kHeight, judgment.RowsTaken());
                }
                // A coloured picture is settled by the first colour rows, wherever the reader
                // hands them out in order.
                if (content == Content::GrayThenColour && RowsComeInOrder(kind) && params.IS_ONLY_GRAYSCALE != 0 &&
                    params.IS_PERCEPTUAL_JUDGE == 0) {
                    EXPECT_EQ(0, whole);
                    EXPECT_LE(judgment.SettledAfterRows(), kFirstColourRow + 2);
                    EXPECT_GT(judgment.SettledAfterRows(), kFirstColourRow - 8);
                }

                // The entry's verdict is the same, and with evidence every row is read.
                std::string entryError;
                JudgeEvidence evidence;
                RowJudgment explained(params, &evidence);
                ASSERT_TRUE(ReadRows(kind, path, explained, early, &evidence, params.IS_PERCEPTUAL_JUDGE != 0));
                EXPECT_EQ(whole, explained.Finish(entryError));
                EXPECT_TRUE(explained.RowsTaken() == kHeight || explained.RowsTaken() == 0);
            }
        }
    }
}

// The plain and the interlaced or progressive file of one picture agree under every criterion.
TEST(RowReading, InterlacedAndProgressiveFilesJudgeAsTheirPlainTwins) {
    TempFolder dir;
    const std::pair<Kind, Kind> twins[] = {{Kind::Png, Kind::PngInterlaced}, {Kind::Gif, Kind::GifInterlaced}};
    for (const Content content : {Content::GrayThenColour, Content::GrayThenNoise, Content::Gray}) {
        for (const auto& [plain, other] : twins) {
            WriteFileBytes(dir.File("plain"), Encode(plain, content));
            WriteFileBytes(dir.File("other"), Encode(other, content));
            for (const Criterion& criterion : kCriteria) {
                JudgeParams params;
                criterion.tune(params);
                EXPECT_EQ(JudgeWholePicture(plain, dir.File("plain"), params),
                          JudgeWholePicture(other, dir.File("other"), params))
                    << NameOf(other) << ", " << criterion.name;
            }
        }
    }
    // A progressive JPEG decodes to the same pixels as its baseline twin only up to rounding;
    // their verdicts agree on these pictures.
    for (const Content content : {Content::GrayThenColour, Content::Gray}) {
        WriteFileBytes(dir.File("baseline.jpg"), Encode(Kind::Jpeg, content));
        WriteFileBytes(dir.File("progressive.jpg"), Encode(Kind::JpegProgressive, content));
        for (const Criterion& criterion : kCriteria) {
            JudgeParams params;
            criterion.tune(params);
            std::string a, b;
            EXPECT_EQ(JudgeJpegFile(dir.File("baseline.jpg"), params, a), JudgeJpegFile(dir.File("progressive.jpg"), params, b))
                << criterion.name;
            EXPECT_EQ("", a);
            EXPECT_EQ("", b);
        }
    }
}

// A file damaged after the row that settled it is judged by what was read; damaged before, it
// fails as it always did.
TEST(RowReading, DamageAfterTheSettlingRowIsNeverSeen) {
    TempFolder dir;
    // Large enough that the decoders read the file in several pieces: a coloured top row over
    // gray noise, which does not compress.
    const int width = 400, height = 300;
    std::uint32_t seed = 7;
    auto noise = [&] { seed = seed * 1103515245u + 12345u; return static_cast<std::uint8_t>(seed >> 24); };
    PngPicture png;
    png.width = width;
    png.height = height;
    GifPicture gif;
    gif.screenWidth = width;
    gif.screenHeight = height;
    gif.globalMap = GifPalette();
    GifFrame frame;
    frame.width = width;
    frame.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t v = y == 0 ? 0 : noise();
            const Rgb c = y == 0 ? Rgb{230, 40, 90} : Rgb{v, v, v};
            png.samples.insert(png.samples.end(), {c.red, c.green, c.blue});
            frame.indices.push_back(y == 0 ? 200 : static_cast<std::uint8_t>(v >> 5));
        }
    }
    gif.frames.push_back(frame);
    for (const Kind kind : {Kind::Png, Kind::Gif}) {
        const Bytes whole = kind == Kind::Png ? EncodePng(png) : EncodeGif(gif);
        Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
        WriteFileBytes(dir.File("cut"), cut);
        std::string errorText;
        const int verdict = kind == Kind::Png ? JudgePngFile(dir.File("cut"), JudgeParams{}, errorText)
                                              : JudgeGifFile(dir.File("cut"), JudgeParams{}, errorText);
        EXPECT_EQ("", errorText) << NameOf(kind);
        EXPECT_EQ(0, verdict) << NameOf(kind);
    }
    // Gray above the cut: the verdict needs the missing rows, and the PNG fails.
    const Bytes gray = Encode(Kind::Png, Content::Gray);
    WriteFileBytes(dir.File("cut-gray.png"), Bytes(gray.begin(), gray.begin() + static_cast<std::ptrdiff_t>(gray.size() * 3 / 4)));
    std::string errorText;
    EXPECT_EQ(1, JudgePngFile(dir.File("cut-gray.png"), JudgeParams{}, errorText));
    EXPECT_EQ("【ERROR】PNGファイルの読み込みに失敗しました。（ファイルを開くのに失敗しました。）", errorText);
}

// A gray picture stored as a colour JPEG has chroma coefficients that are all zero: settled from
// them after the first rows, under every criterion, with the verdict the row path gives.
TEST(RowReading, ZeroChromaSettlesFromTheCoefficientsAsTheRowPathWould) {
    TempFolder dir;
    WriteFileBytes(dir.File("gray.jpg"), Encode(Kind::Jpeg, Content::Gray));
    WriteFileBytes(dir.File("colour-below.jpg"), Encode(Kind::Jpeg, Content::GrayThenColour));
    for (const Criterion& criterion : kCriteria) {
        SCOPED_TRACE(criterion.name);
        JudgeParams params;
        criterion.tune(params);
        const bool reduced = params.IS_PERCEPTUAL_JUDGE != 0;

        RowJudgment judgment(params);
        int early = kNoEarlyVerdict;
        ASSERT_TRUE(ReadRows(Kind::Jpeg, dir.File("gray.jpg"), judgment, early, nullptr, reduced));
        std::string errorText;
        EXPECT_EQ(1, judgment.Finish(errorText));
        // Only the first rows were decoded to pixels.
        EXPECT_EQ(16, judgment.RowsTaken());
        EXPECT_EQ(16, judgment.SettledAfterRows());

        // The row path (evidence reads every row) agrees, and the evidence names the coefficients.
        JudgeEvidence evidence;
        RowJudgment rows(params, &evidence);
        ASSERT_TRUE(ReadRows(Kind::Jpeg, dir.File("gray.jpg"), rows, early, &evidence, reduced));
        EXPECT_EQ(1, rows.Finish(errorText));
        EXPECT_EQ(kHeight, rows.RowsTaken());
        EXPECT_TRUE(evidence.settledByCoefficients);
        EXPECT_EQ(1, JudgeWholePicture(Kind::Jpeg, dir.File("gray.jpg"), params));

        // Gray first rows and colour below: the coefficients are looked at, and the rows then
        // continue where they stopped, each handed over once.
        RowJudgment below(params);
        ASSERT_TRUE(ReadRows(Kind::Jpeg, dir.File("colour-below.jpg"), below, early, nullptr, reduced));
        EXPECT_EQ(JudgeWholePicture(Kind::Jpeg, dir.File("colour-below.jpg"), params), below.Finish(errorText));
        EXPECT_LE(below.RowsTaken(), kHeight);
        EXPECT_EQ("", errorText);
    }
}

}  // namespace
