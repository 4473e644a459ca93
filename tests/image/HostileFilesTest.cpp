// Files built to hurt: every file cut short, and a progressive file of endless scans.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/DecodedImage.h"
#include "image/ImageKind.h"
#include "support/ImageFiles.h"

namespace {

using testimages::Bytes;

testimages::JpegPicture JpegRgb(int width, int height, bool progressive) {
    testimages::JpegPicture picture;
    picture.width = width;
    picture.height = height;
    picture.progressive = progressive;
    picture.samples.assign(std::size_t(width) * height * 3, 0);
    for (std::size_t i = 0; i < picture.samples.size(); i += 3) picture.samples[i] = 240;
    return picture;
}

// The last scan of a progressive file repeated: each pass walks the whole picture again.
Bytes ProgressiveWithRepeatedLastScan(int copies) {
    Bytes jpeg = testimages::EncodeJpeg(JpegRgb(16, 8, true));
    std::size_t lastScan = 0;
    for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) lastScan = i;
    }
    const Bytes scan(jpeg.begin() + std::ptrdiff_t(lastScan), jpeg.end() - 2);  // up to the end marker
    for (int i = 0; i < copies; ++i) jpeg.insert(jpeg.end() - 2, scan.begin(), scan.end());
    return jpeg;
}

TEST(HostileFiles, ProgressiveFileWithHundredsOfScansFailsInsteadOfDecodingOn) {
    testimages::TempFolder dir;
    testimages::WriteFileBytes(dir.File("few.jpg"), ProgressiveWithRepeatedLastScan(20));
    testimages::WriteFileBytes(dir.File("many.jpg"), ProgressiveWithRepeatedLastScan(150));
    std::string few;
    EXPECT_EQ(0, JudgeJpegFile(dir.File("few.jpg"), JudgeParams{}, few));
    EXPECT_EQ("", few);
    std::string many;
    EXPECT_EQ(1, JudgeJpegFile(dir.File("many.jpg"), JudgeParams{}, many));
    EXPECT_EQ("【ERROR】JPEGファイルの読み込みに失敗しました。（ファイルの展開に失敗しました。）", many);
}

// Every file the suite keeps as a seed, and the libraries' own test pictures when their sources
// are unpacked, cut at every 64th of its length: a verdict or a worded failure, always.
TEST(HostileFiles, EveryFileCutAtEverySixtyFourthGivesAVerdictOrAnErrorLine) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    const std::filesystem::path folders[] = {
        PALLIDOR_FUZZ_CORPUS_DIR,
        std::filesystem::path(PALLIDOR_SOURCES_DIR) / "libpng1.6-1.6.39" / "contrib" / "pngsuite",
        std::filesystem::path(PALLIDOR_SOURCES_DIR) / "libjpeg-turbo-2.1.5" / "testimages",
        std::filesystem::path(PALLIDOR_SOURCES_DIR) / "giflib-5.2.1" / "pic",
    };
    for (const auto& folder : folders) {
        for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
             it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            const std::string extension = it->path().extension().string();
            if (it->is_regular_file(error) && it->file_size(error) < (1 << 20) &&
                (extension == ".png" || extension == ".gif" || extension == ".bmp" || extension == ".jpg")) {
                files.push_back(it->path());
            }
        }
    }
    ASSERT_GE(files.size(), 40u);

    testimages::TempFolder dir;
    int verdicts = 0;
    for (const auto& file : files) {
        const Bytes whole = testimages::ReadFileBytes(file);
        for (std::size_t part = 0; part < 64; ++part) {
            // A fresh name each time: rewriting a truncated file makes some file systems flush
            // it to disk at close, which costs seconds over the whole sweep.
            const auto cut = dir.File("cut" + std::to_string(part) + file.extension().string());
            testimages::WriteFileBytes(cut, Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(whole.size() * part / 64)));
            std::string errorText;
            const int verdict = JudgeFileByExtension(cut, JudgeParams{}, errorText);
            if (errorText.empty()) {
                EXPECT_TRUE(verdict == 0 || verdict == 1) << file << " at " << part << "/64";
                ++verdicts;
            } else {
                EXPECT_EQ(0u, errorText.rfind("【ERROR】", 0)) << file << " at " << part << "/64: " << errorText;
            }
            std::filesystem::remove(cut, error);
        }
    }
    // JPEG and bitmap files cut inside their pixels are still judged: the sweep reached them.
    EXPECT_GT(verdicts, 100);
}

}  // namespace
