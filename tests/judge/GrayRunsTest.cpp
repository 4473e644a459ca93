// The row scanners behind the every-pixel walk: they may pass over gray pixels only.
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "judge/GrayRuns.h"

namespace {

using Scanner = int (*)(const std::uint8_t* row, int column, int width, int threshold);

template <int Depth>
int Swar(const std::uint8_t* row, int column, int width, int) {
    return judge_detail::SkipGrayPixelsSwar<Depth>(row, column, width);
}

// A row of exactly width pixels (no padding, so a read past the last pixel shows under ASan)
// whose pixels all have the channel spread `spread`, in a rotating channel.
struct ScanRow {
    int depth;
    int width;
    std::vector<std::uint8_t> bytes;

    ScanRow(int depth_, int width_, int spread) : depth(depth_), width(width_) {
        bytes.resize(static_cast<std::size_t>(width) * (depth / 8));
        for (int c = 0; c < width; ++c) Set(c, spread, c);
    }
    // Channels base, base, base + spread, with the odd channel chosen by `which`; the fourth
    // byte of 32-bit pixels is noise that must not count.
    void Set(int column, int spread, int which) {
        const int base = (column * 37) % (256 - spread);
        int channel[3] = {base, base, base};
        channel[which % 3] += spread;
        if (depth == 16) {
            const int f[3] = {channel[0] >> 3, channel[1] >> 3, channel[2] >> 3};
            const unsigned word = unsigned(f[0]) | unsigned(f[1]) << 5 | unsigned(f[2]) << 10 |
                                  unsigned(column & 1) << 15;
            bytes[column * 2] = static_cast<std::uint8_t>(word & 0xFF);
            bytes[column * 2 + 1] = static_cast<std::uint8_t>(word >> 8);
            return;
        }
        std::uint8_t* p = &bytes[static_cast<std::size_t>(column) * (depth / 8)];
        for (int i = 0; i < 3; ++i) p[i] = static_cast<std::uint8_t>(channel[i]);
        if (depth == 32) p[3] = static_cast<std::uint8_t>(column * 91);
    }
};

// For 16 bits a spread counts in whole fields of 8.
int Unit(int depth) { return depth == 16 ? 8 : 1; }

void ExpectOnlyGrayPassedOver(Scanner scan, int depth, int threshold) {
    SCOPED_TRACE(testing::Message() << depth << " bits, threshold " << threshold);
    const int width = 157;  // several groups of every scanner and a ragged tail
    const int gray = threshold / Unit(depth) * Unit(depth);
    const int notGray = gray + Unit(depth);

    ScanRow allGray(depth, width, gray);
    const int reached = scan(allGray.bytes.data(), 0, width, threshold);
    EXPECT_LE(reached, width);
    EXPECT_GE(reached, width - judge_detail::kExactRun);  // the fast path does its work

    for (int odd = 0; odd < width; ++odd) {
        ScanRow row(depth, width, gray);
        row.Set(odd, notGray, odd);
        for (int begin : {0, 1, 2, 3, 5, 19, odd}) {
            if (begin > odd) continue;
            const int stop = scan(row.bytes.data(), begin, width, threshold);
            ASSERT_GE(stop, begin);
            ASSERT_LE(stop, odd) << "passed over the pixel at " << odd << " from " << begin;
        }
    }
}

TEST(GrayRuns, PortableScannersStopAtTheFirstGroupWithAColouredPixel) {
    if (!judge_detail::kSwarScanners) GTEST_SKIP() << "no word scanners on this host";
    ExpectOnlyGrayPassedOver(Swar<16>, 16, 0);
    ExpectOnlyGrayPassedOver(Swar<24>, 24, 0);
    ExpectOnlyGrayPassedOver(Swar<32>, 32, 0);
}

#if defined(__SSE2__)
TEST(GrayRuns, Sse2ScannersStopAtTheFirstGroupWithAPixelBeyondTheThreshold) {
    for (int threshold : {0, 7, 8, 10, 128, 247}) {
        ExpectOnlyGrayPassedOver(judge_detail::SkipGrayPixelsSse2<16>, 16, threshold);
        ExpectOnlyGrayPassedOver(judge_detail::SkipGrayPixelsSse2<24>, 24, threshold);
        ExpectOnlyGrayPassedOver(judge_detail::SkipGrayPixelsSse2<32>, 32, threshold);
    }
}
#endif

}  // namespace
