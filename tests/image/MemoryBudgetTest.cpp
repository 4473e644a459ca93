// Images wait for room under the process-wide memory budget instead of failing.
#include "image/MemoryBudget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "image/DecodedImage.h"
#include "support/ImageFiles.h"

namespace {

using namespace std::chrono_literals;

// A smaller budget for one test, the default again afterwards.
class MemoryBudget : public ::testing::Test {
protected:
    void TearDown() override { SetImageMemoryBudget(kDefaultImageMemoryBudget); }
};

// 24 bits, 500 pixels a row: a stride of 1500 bytes.
DecodedImage* CreateRows(std::int32_t height) {
    BitmapInfoHeader header;
    header.width = 500;
    header.height = height;
    header.bitCount = 24;
    return CreateDecodedImage(header, nullptr);
}

TEST_F(MemoryBudget, CreationWaitsUntilAnotherImageIsDestroyedAndFailsOnlyWhenItCanNeverFit) {
    SetImageMemoryBudget(1000000);
    DecodedImage* first = CreateRows(400);  // 600000 bytes
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(600000u, ImageMemoryInUse());

    std::atomic<DecodedImage*> second{nullptr};
    std::thread waiter([&second] { second = CreateRows(400); });
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(nullptr, second.load()) << "created while the budget was held";
    DestroyDecodedImage(first);
    waiter.join();
    ASSERT_NE(nullptr, second.load());
    EXPECT_EQ(600000u, ImageMemoryInUse());

    // Larger than the whole budget: refused at once, though other memory is held.
    EXPECT_EQ(nullptr, CreateRows(700));  // 1050000 bytes
    DestroyDecodedImage(second);
    EXPECT_EQ(0u, ImageMemoryInUse());
}

TEST_F(MemoryBudget, ManyWorkersOnLargeFilesAreAllJudgedWhenOnlyTwoImagesFitAtOnce) {
    testimages::TempFolder dir;
    testimages::PngPicture picture;
    picture.width = 300;
    picture.height = 200;  // a 180000-byte image
    for (int i = 0; i < 300 * 200; ++i) picture.samples.insert(picture.samples.end(), {200, 20, unsigned(i % 256)});
    const testimages::Bytes png = testimages::EncodePng(picture);
    SetImageMemoryBudget(400000);

    constexpr int kWorkers = 8;
    std::vector<std::thread> workers;
    std::vector<std::string> errors(kWorkers);
    std::vector<int> verdicts(kWorkers, -1);
    for (int i = 0; i < kWorkers; ++i) {
        const auto path = dir.File("scan" + std::to_string(i) + ".png");
        testimages::WriteFileBytes(path, png);
        workers.emplace_back([&, i, path] { verdicts[i] = JudgePngFile(path, JudgeParams{}, errors[i]); });
    }
    for (auto& worker : workers) worker.join();
    for (int i = 0; i < kWorkers; ++i) {
        EXPECT_EQ("", errors[i]) << i;
        EXPECT_EQ(0, verdicts[i]) << i;
    }
    EXPECT_EQ(0u, ImageMemoryInUse());
}

}  // namespace

namespace {

// Plain files go to the judgment a row at a time and need no whole image, however small the
// budget; only the formats that gather the whole picture first are bound by it.
TEST_F(MemoryBudget, PlainPicturesLargerThanTheWholeBudgetAreJudgedRowByRow) {
    testimages::TempFolder dir;
    const int width = 1200, height = 900;  // 3.2 MB as a 24-bit image
    testimages::PngPicture png;
    png.width = width;
    png.height = height;
    testimages::JpegPicture jpeg;
    jpeg.width = width;
    jpeg.height = height;
    jpeg.quality = 90;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto v = static_cast<std::uint8_t>((x + y) % 256);
            png.samples.insert(png.samples.end(), {v, v, v});
            jpeg.samples.insert(jpeg.samples.end(), {v, v, v});
        }
    }
    testimages::WriteFileBytes(dir.File("gray.png"), testimages::EncodePng(png));
    // Gray stored as colour: its coefficients (about 4 MB) do not fit either, so the rows decide.
    testimages::WriteFileBytes(dir.File("gray.jpg"), testimages::EncodeJpeg(jpeg));
    for (std::size_t i = jpeg.samples.size() - 3 * width; i < jpeg.samples.size(); i += 3) jpeg.samples[i] = 250;
    testimages::WriteFileBytes(dir.File("red-bottom.jpg"), testimages::EncodeJpeg(jpeg));
    png.interlaced = true;
    testimages::WriteFileBytes(dir.File("interlaced.png"), testimages::EncodePng(png));

    SetImageMemoryBudget(1000000);
    std::string errorText;
    EXPECT_EQ(1, JudgePngFile(dir.File("gray.png"), JudgeParams{}, errorText));
    EXPECT_EQ("", errorText);
    EXPECT_EQ(1, JudgeJpegFile(dir.File("gray.jpg"), JudgeParams{}, errorText));
    EXPECT_EQ("", errorText);
    EXPECT_EQ(0, JudgeJpegFile(dir.File("red-bottom.jpg"), JudgeParams{}, errorText));
    EXPECT_EQ("", errorText);
    EXPECT_EQ(1, JudgePngFile(dir.File("interlaced.png"), JudgeParams{}, errorText));
    EXPECT_EQ("【ERROR】PNGファイルの読み込みに失敗しました。（BMPオブジェクトの作成に失敗しました。）", errorText);
    EXPECT_EQ(0u, ImageMemoryInUse());

    // With room for it, the interlaced twin is judged as the plain file is.
    SetImageMemoryBudget(kDefaultImageMemoryBudget);
    errorText.clear();
    EXPECT_EQ(1, JudgePngFile(dir.File("interlaced.png"), JudgeParams{}, errorText));
    EXPECT_EQ("", errorText);
}

}  // namespace
