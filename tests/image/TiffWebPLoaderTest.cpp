#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <tiffio.h>

#include "image/DecodedImage.h"
#include "image/ImageKind.h"
#include "support/ImageFiles.h"

using namespace testimages;

namespace {

constexpr int kWidth = 48;
constexpr int kHeight = 40;

// An 8-bit RGB picture, top row first.
struct Picture {
    const char* name;
    std::vector<std::uint8_t> rgb;
};

std::vector<std::uint8_t> Painted(int width, int height, std::uint8_t (*paint)(int x, int y, int channel)) {
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) rgb.push_back(paint(x, y, c));
        }
    }
    return rgb;
}

// A gray ramp, a sepia-toned one, the gray ramp with a red square, and one whose only colour
// is a faint blue cast.
std::vector<Picture> Originals() {
    return {
        {"gray", Painted(kWidth, kHeight, [](int x, int y, int) { return std::uint8_t(x * 5 + y); })},
        {"sepia", Painted(kWidth, kHeight,
                          [](int x, int y, int c) {
                              const int v = x * 4 + y * 2;
                              return std::uint8_t(c == 0 ? std::min(255, v + 40) : c == 1 ? v + 20 : v);
                          })},
        {"red-square", Painted(kWidth, kHeight,
                               [](int x, int y, int c) {
                                   const bool square = x >= 10 && x < 22 && y >= 10 && y < 22;
                                   return std::uint8_t(square ? (c == 0 ? 220 : 30) : x * 5);
                               })},
        {"faint-cast", Painted(kWidth, kHeight, [](int x, int, int c) { return std::uint8_t(x * 5 + (c == 2 ? 3 : 0)); })},
    };
}

JudgeParams Perceptual() {
    JudgeParams params;
    params.IS_PERCEPTUAL_JUDGE = 1;
    return params;
}

int JudgePng(const TempFolder& dir, const Picture& picture, const JudgeParams& params) {
    PngPicture png;
    png.width = kWidth;
    png.height = kHeight;
    png.samples.assign(picture.rgb.begin(), picture.rgb.end());
    const auto path = dir.File(std::string(picture.name) + ".png");
    WriteFileBytes(path, EncodePng(png));
    std::string errorText;
    const int verdict = JudgePngFile(path, params, errorText);
    EXPECT_EQ("", errorText) << picture.name;
    return verdict;
}

TiffPage RgbPage(const std::vector<std::uint8_t>& rgb, int width, int height) {
    TiffPage page;
    page.width = width;
    page.height = height;
    page.samples.assign(rgb.begin(), rgb.end());
    return page;
}

struct TiffVariant {
    const char* name;
    void (*change)(TiffPage& page);
};

// Every lossless way the loader must read alike.
const TiffVariant kLosslessTiffs[] = {
    {"uncompressed", [](TiffPage&) {}},
    {"one strip", [](TiffPage& p) { p.rowsPerStrip = kHeight; }},
    {"LZW", [](TiffPage& p) { p.compression = COMPRESSION_LZW; }},
    {"Deflate", [](TiffPage& p) { p.compression = COMPRESSION_ADOBE_DEFLATE; }},
    {"PackBits", [](TiffPage& p) { p.compression = COMPRESSION_PACKBITS; }},
    {"16-bit", [](TiffPage& p) { for (auto& s : p.samples) s *= 257; p.bitsPerSample = 16; }},
    {"tiled LZW", [](TiffPage& p) { p.tileSide = 16; p.compression = COMPRESSION_LZW; }},
    {"BigTIFF", [](TiffPage& p) { p.bigTiff = true; p.compression = COMPRESSION_ADOBE_DEFLATE; }},
    {"opaque alpha",
     [](TiffPage& p) {
         std::vector<unsigned> rgba;
         for (std::size_t i = 0; i < p.samples.size(); i += 3) rgba.insert(rgba.end(), {p.samples[i], p.samples[i + 1], p.samples[i + 2], 255});
         p.samples = rgba;
         p.samplesPerPixel = 4;
         p.extraAlpha = true;
     }},
    {"CMYK",
     [](TiffPage& p) {
         std::vector<unsigned> cmyk;
         for (std::size_t i = 0; i < p.samples.size(); i += 3) cmyk.insert(cmyk.end(), {255 - p.samples[i], 255 - p.samples[i + 1], 255 - p.samples[i + 2], 0});
         p.samples = cmyk;
         p.samplesPerPixel = 4;
         p.photometric = PHOTOMETRIC_SEPARATED;
     }},
};

int JudgeTiff(const std::filesystem::path& path, const std::vector<TiffPage>& pages, const JudgeParams& params,
              std::string& errorText, JudgeEvidence* evidence = nullptr) {
    EXPECT_TRUE(WriteTiff(path, pages)) << path;
    return JudgeTiffFile(path, params, errorText, evidence);
}

TiffPage GrayPage(int bits, int photometric, int compression) {
    TiffPage page;
    page.width = 40;
    page.height = 30;
    page.samplesPerPixel = 1;
    page.bitsPerSample = bits;
    page.photometric = photometric;
    page.compression = compression;
    for (int i = 0; i < 40 * 30; ++i) page.samples.push_back(static_cast<unsigned>(i % 7 == 0 ? (1 << bits) - 1 : 0));
    return page;
}

}  // namespace

TEST(TiffLoader, LosslessFilesAreJudgedAsTheirOriginals) {
    TempFolder dir;
    for (const JudgeParams& params : {JudgeParams{}, Perceptual()}) {
        for (const Picture& picture : Originals()) {
            const int expected = JudgePng(dir, picture, params);
            for (const TiffVariant& variant : kLosslessTiffs) {
                TiffPage page = RgbPage(picture.rgb, kWidth, kHeight);
                variant.change(page);
                std::string errorText;
                const int verdict = JudgeTiff(dir.File("v.tif"), {page}, params, errorText);
                EXPECT_EQ("", errorText) << picture.name << " " << variant.name;
                EXPECT_EQ(expected, verdict) << picture.name << " " << variant.name << " perceptual "
                                             << params.IS_PERCEPTUAL_JUDGE;
            }
        }
    }
    // The originals differ, or the table would prove little.
    EXPECT_EQ(1, JudgePng(dir, Originals()[0], JudgeParams{}));
    EXPECT_EQ(0, JudgePng(dir, Originals()[2], JudgeParams{}));
}


// Real 16-bit pictures carry low bytes: a channel rounded to 8 bits may land one above where
// its high byte is, so the reduction must be the PNG loader's (the high byte).
TEST(TiffLoader, SixteenBitSamplesAreReducedAsPngReducesThem) {
    TempFolder dir;
    const struct {
        const char* name;
        unsigned red, green, blue;
    } rows[] = {
        {"one high byte, rounding apart", 0x64FA, 0x6400, 0x6400},
        {"high bytes apart, rounding alike", 0x6500, 0x64FF, 0x64FF},
    };
    for (const auto& row : rows) {
        PngPicture png;
        png.width = 8;
        png.height = 8;
        png.bitDepth = 16;
        TiffPage page = RgbPage({}, 8, 8);
        page.bitsPerSample = 16;
        for (int i = 0; i < 64; ++i) {
            png.samples.insert(png.samples.end(), {row.red, row.green, row.blue});
            page.samples.insert(page.samples.end(), {row.red, row.green, row.blue});
        }
        WriteFileBytes(dir.File("16.png"), EncodePng(png));
        std::string pngError, tiffError;
        const int expected = JudgePngFile(dir.File("16.png"), JudgeParams{}, pngError);
        EXPECT_EQ(expected, JudgeTiff(dir.File("16.tif"), {page}, JudgeParams{}, tiffError)) << row.name;
        EXPECT_EQ("", pngError + tiffError) << row.name;
    }
}
TEST(TiffLoader, GrayAndBilevelPagesAreSettledFromTheirHeader) {
    TempFolder dir;
    const struct {
        const char* name;
        TiffPage page;
    } rows[] = {
        {"1-bit G4", GrayPage(1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4)},
        {"1-bit G3", GrayPage(1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX3)},
        {"2-bit", GrayPage(2, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE)},
        {"4-bit PackBits", GrayPage(4, PHOTOMETRIC_MINISBLACK, COMPRESSION_PACKBITS)},
        {"8-bit min-is-white LZW", GrayPage(8, PHOTOMETRIC_MINISWHITE, COMPRESSION_LZW)},
        {"16-bit Deflate", GrayPage(16, PHOTOMETRIC_MINISBLACK, COMPRESSION_ADOBE_DEFLATE)},
    };
    for (const auto& row : rows) {
        std::string errorText;
        JudgeEvidence evidence;
        EXPECT_EQ(1, JudgeTiff(dir.File("g.tif"), {row.page}, JudgeParams{}, errorText, &evidence)) << row.name;
        EXPECT_EQ("", errorText) << row.name;
        EXPECT_EQ(DecidingRule::Header, evidence.rule) << row.name;
        EXPECT_EQ(1, evidence.page) << row.name;
    }
}

TEST(TiffLoader, PalettesAreJudgedByTheirEntriesOrTheirPixels) {
    TempFolder dir;
    TiffPage page;
    page.width = 16;
    page.height = 16;
    page.samplesPerPixel = 1;
    page.photometric = PHOTOMETRIC_PALETTE;
    page.compression = COMPRESSION_LZW;
    for (int i = 0; i < 256; ++i) page.samples.push_back(static_cast<unsigned>(i % 4));
    page.palette = {{0, 0, 0}, {80, 80, 80}, {160, 160, 160}, {255, 255, 255}};
    std::string errorText;
    JudgeEvidence evidence;
    EXPECT_EQ(1, JudgeTiff(dir.File("p.tif"), {page}, JudgeParams{}, errorText, &evidence));
    EXPECT_EQ(DecidingRule::ColourTable, evidence.rule);

    page.palette[2] = {200, 40, 40};
    EXPECT_EQ(0, JudgeTiff(dir.File("p.tif"), {page}, JudgeParams{}, errorText));
    EXPECT_EQ("", errorText);
    page.bitsPerSample = 4;
    EXPECT_EQ(0, JudgeTiff(dir.File("p4.tif"), {page}, JudgeParams{}, errorText));
    EXPECT_EQ("", errorText);
}

TEST(TiffLoader, AFileIsColourWhenAnyPageIsAndTheExplanationNamesThatPage) {
    TempFolder dir;
    const std::vector<Picture> originals = Originals();
    const TiffPage gray = GrayPage(1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4);
    const TiffPage grayRgb = RgbPage(originals[0].rgb, kWidth, kHeight);
    const TiffPage colour = RgbPage(originals[2].rgb, kWidth, kHeight);
    const struct {
        const char* name;
        std::vector<TiffPage> pages;
        int verdict;
        int page;
        int pagesJudged;
    } rows[] = {
        {"second page colour", {gray, colour}, 0, 2, 2},
        {"first page colour", {colour, gray, gray}, 0, 1, 1},
        {"third page colour", {grayRgb, gray, colour}, 0, 3, 3},
        {"every page gray", {gray, grayRgb, gray}, 1, 3, 3},
    };
    for (const JudgeParams& params : {JudgeParams{}, Perceptual()}) {
        for (const auto& row : rows) {
            std::string errorText;
            JudgeEvidence evidence;
            EXPECT_EQ(row.verdict, JudgeTiff(dir.File("pages.tif"), row.pages, params, errorText, &evidence)) << row.name;
            EXPECT_EQ("", errorText) << row.name;
            EXPECT_EQ(row.page, evidence.page) << row.name;
            EXPECT_EQ(row.pagesJudged, evidence.pagesJudged) << row.name;
            // The same verdict without evidence, which stops at the first colour page.
            EXPECT_EQ(row.verdict, JudgeTiffFile(dir.File("pages.tif"), params, errorText)) << row.name;
        }
    }
}

TEST(TiffLoader, APageStoredBottomRowFirstIsTurnedUpright) {
    TempFolder dir;
    // Stored rows: red, then gray; with the bottom row stored first, red is the picture's bottom.
    TiffPage page;
    page.width = 2;
    page.height = 2;
    page.rowsPerStrip = 1;
    page.samples = {200, 0, 0, 200, 0, 0, 90, 90, 90, 90, 90, 90};
    for (const int orientation : {ORIENTATION_TOPLEFT, ORIENTATION_BOTLEFT}) {
        page.orientation = orientation;
        ASSERT_TRUE(WriteTiff(dir.File("o.tif"), {page}));
        int earlyVerdict = -1;
        std::string reason;
        DecodedImage* image = LoadTiffFile(dir.File("o.tif"), earlyVerdict, reason);
        ASSERT_NE(nullptr, image) << reason;
        const std::uint8_t* top = PictureRow(*image, 0);
        // Blue, green, red of the picture's top-left pixel.
        EXPECT_EQ(orientation == ORIENTATION_TOPLEFT ? 200 : 90, top[2]) << orientation;
        EXPECT_EQ(orientation == ORIENTATION_TOPLEFT ? 0 : 90, top[0]) << orientation;
        DestroyDecodedImage(image);
    }
}

TEST(TiffLoader, JpegCompressedYCbCrIsReadThroughTheLibrary) {
    TempFolder dir;
    const std::vector<Picture> originals = Originals();
    for (const int index : {0, 2}) {
        TiffPage page = RgbPage(originals[static_cast<std::size_t>(index)].rgb, kWidth, kHeight);
        page.compression = COMPRESSION_JPEG;
        page.photometric = PHOTOMETRIC_YCBCR;
        page.rowsPerStrip = 16;
        std::string errorText;
        EXPECT_EQ(index == 0 ? 1 : 0, JudgeTiff(dir.File("j.tif"), {page}, Perceptual(), errorText)) << index;
        EXPECT_EQ("", errorText);
    }
}

TEST(TiffLoader, DamagedAndAbsurdFilesFailWithTheirReason) {
    TempFolder dir;
    const std::string prefix = "【ERROR】TIFFファイルの読み込みに失敗しました。（";
    TiffPage page = RgbPage(Originals()[2].rgb, kWidth, kHeight);
    page.compression = COMPRESSION_LZW;
    ASSERT_TRUE(WriteTiff(dir.File("good.tif"), {page}));
    const Bytes good = ReadFileBytes(dir.File("good.tif"));

    // A header that claims 30000 x 10000 pixels in one compressed strip (4 bytes a pixel for
    // the whole strip): refused before any buffer.
    Bytes huge = {'I', 'I', 42, 0, 8, 0, 0, 0, 9, 0};
    const auto entry = [&huge](std::uint16_t tag, std::uint16_t type, std::uint32_t value) {
        const std::uint8_t bytes[12] = {std::uint8_t(tag), std::uint8_t(tag >> 8), std::uint8_t(type), 0, 1, 0, 0, 0,
                                        std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
                                        std::uint8_t(value >> 24)};
        huge.insert(huge.end(), bytes, bytes + 12);
    };
    entry(256, 4, 30000);   // width
    entry(257, 4, 10000);   // height
    entry(258, 3, 8);       // bits per sample
    entry(259, 3, 5);       // LZW, so the library does not cut the strip into small ones
    entry(262, 3, 2);       // RGB
    entry(273, 4, 8);       // strip offset
    entry(277, 3, 3);       // samples per pixel
    entry(278, 4, 10000);   // rows per strip
    entry(279, 4, 100);     // strip byte count
    huge.insert(huge.end(), {0, 0, 0, 0});

    const struct {
        const char* name;
        Bytes bytes;
        std::string reason;
    } rows[] = {
        {"empty", {}, "ファイルが不正です。"},
        {"header only", Bytes(good.begin(), good.begin() + 8), "ファイルが不正です。"},
        {"absurd size", huge, "BMPオブジェクトの作成に失敗しました。"},
        {"signature of another format", Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, "ファイルが不正です。"},
    };
    for (const auto& row : rows) {
        WriteFileBytes(dir.File("bad.tif"), row.bytes);
        std::string errorText;
        EXPECT_EQ(1, JudgeTiffFile(dir.File("bad.tif"), JudgeParams{}, errorText)) << row.name;
        EXPECT_EQ(prefix + row.reason + "）", errorText) << row.name;
    }
}

TEST(TiffLoader, TooManyPagesAreRefusedRatherThanJudgedInPart) {
    TempFolder dir;
    TiffPage tiny = GrayPage(1, PHOTOMETRIC_MINISWHITE, COMPRESSION_NONE);
    tiny.width = 1;
    tiny.height = 1;
    tiny.samples = {0};
    ASSERT_TRUE(WriteTiff(dir.File("many.tif"), std::vector<TiffPage>(4097, tiny)));
    std::string errorText;
    EXPECT_EQ(1, JudgeTiffFile(dir.File("many.tif"), JudgeParams{}, errorText));
    EXPECT_EQ("【ERROR】TIFFファイルの読み込みに失敗しました。（ページ数が多すぎます。）", errorText);
}

TEST(WebPLoader, LosslessFilesAreJudgedAsTheirOriginals) {
    TempFolder dir;
    for (const JudgeParams& params : {JudgeParams{}, Perceptual()}) {
        for (const Picture& picture : Originals()) {
            WebPImage webp;
            webp.width = kWidth;
            webp.height = kHeight;
            webp.pixels = picture.rgb;
            WriteFileBytes(dir.File("l.webp"), EncodeWebP(webp));
            std::string errorText;
            EXPECT_EQ(JudgePng(dir, picture, params), JudgeWebPFile(dir.File("l.webp"), params, errorText))
                << picture.name << " perceptual " << params.IS_PERCEPTUAL_JUDGE;
            EXPECT_EQ("", errorText);
        }
    }
}

TEST(WebPLoader, TransparentColourIsCompositedForThePerceptualCriterion) {
    TempFolder dir;
    // Gray, with a bright red square that is fully transparent: nothing coloured shows.
    WebPImage webp;
    webp.width = kWidth;
    webp.height = kHeight;
    webp.alpha = true;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool square = x >= 10 && x < 30 && y >= 10 && y < 30;
            const std::uint8_t v = static_cast<std::uint8_t>(x * 5);
            webp.pixels.insert(webp.pixels.end(), {square ? std::uint8_t(255) : v, square ? std::uint8_t(0) : v,
                                                   square ? std::uint8_t(0) : v, square ? std::uint8_t(0) : std::uint8_t(255)});
        }
    }
    webp.lossless = true;
    WriteFileBytes(dir.File("a.webp"), EncodeWebP(webp));
    std::string errorText;
    EXPECT_EQ(1, JudgeWebPFile(dir.File("a.webp"), Perceptual(), errorText));
    EXPECT_EQ("", errorText);
}

TEST(WebPLoader, LossyFilesAreJudgedAsTheirOriginalsByThePerceptualCriterion) {
    TempFolder dir;
    std::mt19937 random(23);
    int differences = 0;
    for (int i = 0; i < 30; ++i) {
        // Gray, toned and coloured pictures with a little noise, as photographs and scans have.
        const int kind = i % 3;
        std::vector<std::uint8_t> rgb;
        std::uniform_int_distribution<int> noise(-3, 3);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const int v = std::clamp(x * 4 + y * 2 + noise(random), 0, 255);
                const bool patch = kind == 2 && x >= i % 20 && x < i % 20 + 14 && y >= 8 && y < 22;
                const int tone = kind == 1 ? 18 : 0;
                rgb.push_back(static_cast<std::uint8_t>(patch ? 40 : std::min(255, v + tone)));
                rgb.push_back(static_cast<std::uint8_t>(patch ? 160 : std::min(255, v + tone / 2)));
                rgb.push_back(static_cast<std::uint8_t>(patch ? 60 : v));
            }
        }
        const Picture picture{"lossy", rgb};
        WebPImage webp;
        webp.width = kWidth;
        webp.height = kHeight;
        webp.lossless = false;
        webp.quality = 90;
        webp.pixels = rgb;
        WriteFileBytes(dir.File("q.webp"), EncodeWebP(webp));
        std::string errorText;
        const int verdict = JudgeWebPFile(dir.File("q.webp"), Perceptual(), errorText);
        EXPECT_EQ("", errorText);
        if (verdict != JudgePng(dir, picture, Perceptual())) ++differences;
    }
    EXPECT_LE(differences, 1);
}

TEST(WebPLoader, AnAnimationIsJudgedByItsFirstFrame) {
    TempFolder dir;
    const std::vector<Picture> originals = Originals();
    const struct {
        const char* name;
        std::vector<std::vector<std::uint8_t>> frames;
        int verdict;
    } rows[] = {
        {"gray, then colour", {originals[0].rgb, originals[2].rgb}, 1},
        {"colour, then gray", {originals[2].rgb, originals[0].rgb}, 0},
    };
    for (const auto& row : rows) {
        const Bytes bytes = EncodeWebPAnimation(kWidth, kHeight, row.frames);
        ASSERT_FALSE(bytes.empty()) << row.name;
        WriteFileBytes(dir.File("anim.webp"), bytes);
        std::string errorText;
        EXPECT_EQ(row.verdict, JudgeWebPFile(dir.File("anim.webp"), JudgeParams{}, errorText)) << row.name;
        EXPECT_EQ("", errorText) << row.name;
    }
}

TEST(WebPLoader, DamagedFilesFailWithTheirReason) {
    TempFolder dir;
    WebPImage webp;
    webp.width = kWidth;
    webp.height = kHeight;
    webp.pixels = Originals()[2].rgb;
    const Bytes good = EncodeWebP(webp);
    const struct {
        const char* name;
        Bytes bytes;
    } rows[] = {
        {"empty", {}},
        {"container only", Bytes(good.begin(), good.begin() + 12)},
        {"cut in half", Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2))},
    };
    for (const auto& row : rows) {
        WriteFileBytes(dir.File("bad.webp"), row.bytes);
        std::string errorText;
        EXPECT_EQ(1, JudgeWebPFile(dir.File("bad.webp"), JudgeParams{}, errorText)) << row.name;
        EXPECT_EQ("【ERROR】WebPファイルの読み込みに失敗しました。（ファイルが不正です。）", errorText) << row.name;
    }
}

TEST(TiffWebPLoaders, TruncatedAndBitFlippedFilesGiveAVerdictOrAnErrorNeverACrash) {
    TempFolder dir;
    TiffPage page = RgbPage(Originals()[2].rgb, kWidth, kHeight);
    page.compression = COMPRESSION_LZW;
    page.rowsPerStrip = 8;
    ASSERT_TRUE(WriteTiff(dir.File("seed.tif"), {page}));
    WebPImage webp;
    webp.width = kWidth;
    webp.height = kHeight;
    webp.pixels = Originals()[2].rgb;
    const struct {
        const char* extension;
        Bytes seed;
        const char* prefix;
    } formats[] = {
        {".tif", ReadFileBytes(dir.File("seed.tif")), "【ERROR】TIFFファイルの読み込みに失敗しました。"},
        {".webp", EncodeWebP(webp), "【ERROR】WebPファイルの読み込みに失敗しました。"},
    };
    std::mt19937 random(7);
    for (const auto& format : formats) {
        const auto path = dir.File(std::string("h") + format.extension);
        for (int round = 0; round < 120; ++round) {
            Bytes bytes = format.seed;
            if (round % 2 == 0) {
                bytes.resize(bytes.size() * static_cast<std::size_t>(round) / 120);
            } else {
                for (int flips = 0; flips < 4; ++flips) {
                    bytes[random() % bytes.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
                }
            }
            WriteFileBytes(path, bytes);
            std::string errorText;
            const int verdict = JudgeFileByExtension(path, JudgeParams{}, errorText);
            EXPECT_TRUE(verdict == 0 || verdict == 1) << round;
            if (!errorText.empty()) {
                EXPECT_EQ(0u, errorText.find(format.prefix)) << round << errorText;
            }
        }
    }
}

TEST(TiffWebPLoaders, TheLibrariesOwnTestPicturesAreJudged) {
    const std::filesystem::path sources = PALLIDOR_SOURCES_DIR;
    const struct {
        const char* file;
        int verdict;
        const char* errorText;
    } rows[] = {
        {"tiff-4.5.0/test/images/miniswhite-1c-1b.tiff", 1, ""},
        {"tiff-4.5.0/test/images/testfax4.tiff", 1, ""},
        {"tiff-4.5.0/test/images/minisblack-2c-8b-alpha.tiff", 1, ""},
        {"tiff-4.5.0/test/images/palette-1c-1b.tiff", 1, ""},
        {"tiff-4.5.0/test/images/palette-1c-8b.tiff", 0, ""},
        {"tiff-4.5.0/test/images/rgb-3c-16b.tiff", 0, ""},
        {"tiff-4.5.0/test/images/quad-tile.jpg.tiff", 0, ""},
        {"tiff-4.5.0/test/images/ojpeg_chewey_subsamp21_multi_strip.tiff", 0, ""},
        {"tiff-4.5.0/test/images/logluv-3c-16b.tiff", 1, ""},
        {"tiff-4.5.0/test/images/test_two_ifds.tif", 1, ""},
        // Directories that chain back to themselves: the pages after the loop are unknown.
        {"tiff-4.5.0/test/images/test_ifd_loop_to_self.tif", 1,
         "【ERROR】TIFFファイルの読み込みに失敗しました。（ファイルが不正です。）"},
        {"tiff-4.5.0/test/images/test_ifd_loop_to_first.tif", 1,
         "【ERROR】TIFFファイルの読み込みに失敗しました。（ファイルが不正です。）"},
        {"libwebp-1.2.4/examples/test.webp", 0, ""},
    };
    for (const auto& row : rows) {
        std::string errorText;
        EXPECT_EQ(row.verdict, JudgeFileByExtension(sources / row.file, JudgeParams{}, errorText)) << row.file;
        EXPECT_EQ(row.errorText, errorText) << row.file;
    }
}
