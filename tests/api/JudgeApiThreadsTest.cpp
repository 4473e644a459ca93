// The API called from many threads at once, files and bytes mixed, with one parameter record
// shared read-only: every call gives what it gives alone.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "pallidor/Judge.h"
#include "support/ImageFiles.h"

using namespace testimages;

namespace {

PngPicture Stripes(int width, int height, bool coloured) {
    PngPicture picture;
    picture.width = width;
    picture.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto v = static_cast<std::uint8_t>((x * 7 + y * 3) & 0xFF);
            const bool red = coloured && x == width / 2 && y == height / 2;
            picture.samples.insert(picture.samples.end(), {red ? 255u : v, v, v});
        }
    }
    return picture;
}

}  // namespace

TEST(JudgeApiThreads, ConcurrentCallsGiveTheVerdictsOfSingleCalls) {
    TempFolder dir;
    const Bytes gray = EncodePng(Stripes(300, 200, false));
    const Bytes colour = EncodePng(Stripes(300, 200, true));
    WriteFileBytes(dir.File("gray.png"), gray);
    WriteFileBytes(dir.File("colour.png"), colour);
    pallidor::JudgeParams params;
    ASSERT_TRUE(params.Set("IS_PERCEPTUAL_JUDGE", "0", nullptr));

    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 20; ++i) {
                const bool useColour = (i + t) % 2 == 0;
                const Bytes& bytes = useColour ? colour : gray;
                const pallidor::Judgment judged =
                    (i % 3 == 0) ? pallidor::JudgeFile(dir.File(useColour ? "colour.png" : "gray.png"), params)
                                 : pallidor::JudgeBytes(bytes.data(), bytes.size(), params);
                const auto expected = useColour ? pallidor::Verdict::Color : pallidor::Verdict::Monochrome;
                if (judged.verdict != expected || !judged.error.empty()) ++wrong;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(0, wrong.load());
}
