// The decoding libraries' own test pictures, from the unpacked Debian sources.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "image/DecodedImage.h"
#include "support/ImageFiles.h"

namespace {

const std::filesystem::path kSources = PALLIDOR_SOURCES_DIR;

// The files of one folder with the given extension, sorted; fails the test when the folder
// is missing, because an empty list would pass silently.
std::vector<std::filesystem::path> SuiteFiles(const std::filesystem::path& folder, const std::string& extension) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    if (!std::filesystem::is_directory(kSources / folder, error)) {
        ADD_FAILURE() << (kSources / folder).string() << " is missing; run scripts/setup.sh to fetch the sources";
        return files;
    }
    for (const auto& entry : std::filesystem::directory_iterator(kSources / folder, error)) {
        if (entry.path().extension() == extension) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

struct Load {
    DecodedImage* image = nullptr;
    int earlyVerdict = -1;
    std::string reason;
    ~Load() { DestroyDecodedImage(image); }
};

// The colour type a PngSuite name announces: "basn3p08" is type 3 at depth 8.
int PngSuiteColourType(const std::filesystem::path& file) {
    static const std::regex kName("([02346])[gcpa][0-9][0-9]\\.png$");
    std::smatch match;
    const std::string name = file.filename().string();
    return std::regex_search(name, match, kName) ? match[1].str()[0] - '0' : -1;
}

}  // namespace

TEST(ThirdPartySuites, EveryPngSuiteImageLoadsAsItsColourTypeCallsFor) {
    std::vector<std::filesystem::path> files = SuiteFiles("libpng1.6-1.6.39/contrib/pngsuite", ".png");
    const auto interlaced = SuiteFiles("libpng1.6-1.6.39/contrib/pngsuite/interlaced", ".png");
    files.insert(files.end(), interlaced.begin(), interlaced.end());
    EXPECT_GE(files.size(), 60u);
    for (const auto& file : files) {
        const std::string name = file.filename().string();
        const int colourType = PngSuiteColourType(file);
        Load load;
        load.image = LoadPngFile(file, load.earlyVerdict, load.reason);
        EXPECT_EQ("", load.reason) << name;
        switch (colourType) {
            case 0:
            case 4:
                EXPECT_EQ(1, load.earlyVerdict) << name;
                EXPECT_EQ(nullptr, load.image) << name;
                break;
            case 2:
            case 3:
            case 6:
                // None of the suite's palettes is all gray.
                ASSERT_NE(nullptr, load.image) << name;
                EXPECT_EQ(0, load.earlyVerdict) << name;
                EXPECT_EQ(colourType == 2 ? 24 : colourType == 3 ? 8 : 32, load.image->bitsPerPixel) << name;
                EXPECT_EQ(32, load.image->width) << name;
                break;
            default:
                ADD_FAILURE() << name << " has no colour type in its name";
        }
    }
}

TEST(ThirdPartySuites, DamagedPngFilesFailWithTheLibraryReasonAndNeverCrash) {
    const auto files = SuiteFiles("libpng1.6-1.6.39/contrib/testpngs/crashers", ".png");
    EXPECT_GE(files.size(), 20u);
    for (const auto& file : files) {
        const std::string name = file.filename().string();
        Load load;
        load.image = LoadPngFile(file, load.earlyVerdict, load.reason);
        if (name == "badadler.png" || name == "badcrc.png") {
            // Gray files: the header settles them before the damaged data is reached.
            EXPECT_EQ(1, load.earlyVerdict) << name;
        } else if (name == "empty_ancillary_chunks.png") {
            // Empty optional chunks are not worth refusing a picture for.
            EXPECT_NE(nullptr, load.image) << name;
        } else {
            EXPECT_EQ(nullptr, load.image) << name;
            EXPECT_EQ("ファイルを開くのに失敗しました。", load.reason) << name;
        }
    }
}

TEST(ThirdPartySuites, JpegTestImagesDecodeExceptTheTwelveBitOne) {
    const auto files = SuiteFiles("libjpeg-turbo-2.1.5/testimages", ".jpg");
    EXPECT_EQ(4u, files.size());
    for (const auto& file : files) {
        const std::string name = file.filename().string();
        Load load;
        load.image = LoadJpegFile(file, load.earlyVerdict, load.reason);
        if (name == "testorig12.jpg") {
            // Twelve bits per sample: the eight-bit decoder refuses it while reading the header.
            EXPECT_EQ(nullptr, load.image);
            EXPECT_EQ("ヘッダ情報の読み込みに失敗しました。", load.reason);
            continue;
        }
        ASSERT_NE(nullptr, load.image) << name << ": " << load.reason;
        EXPECT_EQ(24, load.image->bitsPerPixel) << name;
        EXPECT_EQ(227, load.image->width) << name;
        EXPECT_EQ(149, load.image->height) << name;
    }
}

TEST(ThirdPartySuites, GiflibPicturesDecodeAndTheInterlacedTreeEqualsThePlainOne) {
    const auto files = SuiteFiles("giflib-5.2.1/pic", ".gif");
    EXPECT_EQ(8u, files.size());
    for (const auto& file : files) {
        Load load;
        load.image = LoadGifFile(file, load.earlyVerdict, load.reason);
        EXPECT_EQ("", load.reason) << file.filename().string();
        EXPECT_TRUE(load.image != nullptr || load.earlyVerdict == 1) << file.filename().string();
    }

    Load plain, interlaced;
    plain.image = LoadGifFile(kSources / "giflib-5.2.1/pic/treescap.gif", plain.earlyVerdict, plain.reason);
    interlaced.image = LoadGifFile(kSources / "giflib-5.2.1/pic/treescap-interlaced.gif", interlaced.earlyVerdict,
                                   interlaced.reason);
    ASSERT_NE(nullptr, plain.image);
    ASSERT_NE(nullptr, interlaced.image);
    ASSERT_EQ(plain.image->height, interlaced.image->height);
    ASSERT_EQ(plain.image->stride, interlaced.image->stride);
    EXPECT_EQ(0, std::memcmp(plain.image->bits, interlaced.image->bits,
                             static_cast<std::size_t>(plain.image->stride) * plain.image->height));
}

TEST(ThirdPartySuites, EntriesJudgeEverySuitePictureWithoutError) {
    std::vector<std::filesystem::path> pngs = SuiteFiles("libpng1.6-1.6.39/contrib/pngsuite", ".png");
    const auto interlaced = SuiteFiles("libpng1.6-1.6.39/contrib/pngsuite/interlaced", ".png");
    pngs.insert(pngs.end(), interlaced.begin(), interlaced.end());
    // Every picture of the suite that is not gray by its colour type has colourful samples
    // (saturated palettes, gradients, tinted backgrounds), so each one must be judged colour.
    for (const auto& file : pngs) {
        const std::string name = file.filename().string();
        std::string errorText;
        const int verdict = JudgePngFile(file, JudgeParams{}, errorText);
        EXPECT_EQ("", errorText) << name;
        const int colourType = PngSuiteColourType(file);
        EXPECT_EQ(colourType == 0 || colourType == 4 ? 1 : 0, verdict) << name;
    }

    for (const auto& file : SuiteFiles("libjpeg-turbo-2.1.5/testimages", ".jpg")) {
        std::string errorText;
        const int verdict = JudgeJpegFile(file, JudgeParams{}, errorText);
        if (file.filename() == "testorig12.jpg") {
            EXPECT_EQ(1, verdict);
            EXPECT_EQ("【ERROR】JPEGファイルの読み込みに失敗しました。（ヘッダ情報の読み込みに失敗しました。）", errorText);
        } else {
            EXPECT_EQ("", errorText) << file.filename().string();
            // The test picture is a colour photograph.
            EXPECT_EQ(0, verdict) << file.filename().string();
        }
    }

    for (const auto& file : SuiteFiles("giflib-5.2.1/pic", ".gif")) {
        std::string errorText;
        JudgeGifFile(file, JudgeParams{}, errorText);
        EXPECT_EQ("", errorText) << file.filename().string();
    }
}
