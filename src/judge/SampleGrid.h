// Internal to src/judge: the sampling grid and the per-depth pixel decoding that both criteria
// share. Everything here is inlined into one loop per bit depth, so the depth is chosen once per
// image and never per sample.
#pragma once

#include <algorithm>
#include <cfloat>
#include <cstddef>
#include <cstdint>

#include "judge/PixelView.h"

namespace judge_detail {

// The grid positions are sums of doubles; an x87 build (80-bit intermediates) would move them.
// A 32-bit x86 build must use SSE2 arithmetic (-msse2 -mfpmath=sse).
static_assert(FLT_EVAL_METHOD == 0 || FLT_EVAL_METHOD == -1,
              "the sampling grid needs plain double arithmetic (use -msse2 -mfpmath=sse on i686)");

// max - min of the three channels. On ints rather than bytes, so that the compiler can use
// conditional moves instead of branches that random colours would mispredict.
inline int ChannelSpread(int red, int green, int blue) {
    return std::max(std::max(red, green), blue) - std::min(std::min(red, green), blue);
}

inline SampleColour FromEntry(const RgbQuad& entry) {
    return SampleColour{entry.red, entry.green, entry.blue};
}

// Decodes the pixel at `column` of the row starting at `row` (the rules of FetchSampleColour).
template <int Depth>
struct PixelDecoder;

template <>
struct PixelDecoder<2> {
    static unsigned Index(const std::uint8_t* row, int column) {
        const unsigned shift = static_cast<unsigned>(3 - (column & 3)) * 2;
        return (row[column >> 2] >> shift) & 3;
    }
    static SampleColour At(const std::uint8_t* row, int column, const ColourTable& table) {
        return FromEntry(table.entries[Index(row, column)]);
    }
};

template <>
struct PixelDecoder<4> {
    static unsigned Index(const std::uint8_t* row, int column) {
        const unsigned shift = (column & 1) ? 0 : 4;
        return (row[column >> 1] >> shift) & 0xF;
    }
    static SampleColour At(const std::uint8_t* row, int column, const ColourTable& table) {
        return FromEntry(table.entries[Index(row, column)]);
    }
};

template <>
struct PixelDecoder<8> {
    static unsigned Index(const std::uint8_t* row, int column) { return row[column]; }
    static SampleColour At(const std::uint8_t* row, int column, const ColourTable& table) {
        return FromEntry(table.entries[Index(row, column)]);
    }
};

template <>
struct PixelDecoder<16> {
    static SampleColour At(const std::uint8_t* row, int column, const ColourTable&) {
        const std::uint8_t* p = row + std::ptrdiff_t{column} * 2;
        const unsigned word = p[0] | (unsigned{p[1]} << 8);
        return SampleColour{static_cast<std::uint8_t>((word >> 7) & 0xF8),
                            static_cast<std::uint8_t>((word >> 2) & 0xF8),
                            static_cast<std::uint8_t>((word << 3) & 0xF8)};
    }
};

template <>
struct PixelDecoder<24> {
    static SampleColour At(const std::uint8_t* row, int column, const ColourTable&) {
        const std::uint8_t* p = row + std::ptrdiff_t{column} * 3;
        return SampleColour{p[2], p[1], p[0]};
    }
};

template <>
struct PixelDecoder<32> {
    static SampleColour At(const std::uint8_t* row, int column, const ColourTable&) {
        const std::uint8_t* p = row + std::ptrdiff_t{column} * 4;
        return SampleColour{p[2], p[1], p[0]};
    }
};

// Column indices of the grid kept on the stack; a wider grid continues its row by addition.
constexpr int kCachedColumns = 4096;

// Calls visit(rowStart, column) for every sample of the grid, rows in increasing position and
// columns in increasing position within a row. Stops at once, returning false, when visit
// returns false; returns true after the whole grid. `step` is at least 1 (ComputeSamplingStep).
//
// The positions are exact to the last bit: x and y start at step * 0.5 and grow by repeated
// addition (never by multiplying an index), and the index is the truncated position. With a step of exactly 1.0 these
// are 0.5, 1.5, ... (exact in double), so the indices are simply 0 .. n - 1.
template <class Visit>
inline bool WalkSampleGrid(const PixelView& view, double step, Visit&& visit) {
    const std::uint8_t* const bits = view.bits;
    const std::ptrdiff_t stride = view.stride;
    const int width = view.width;
    const int height = view.height;

    if (step == 1.0) {
        for (int r = 0; r < height; ++r) {
            const std::uint8_t* row = bits + r * stride;
            for (int c = 0; c < width; ++c) {
                if (!visit(row, c)) return false;
            }
        }
        return true;
    }

    // The column positions are the same in every row: lay them out once.
    std::int32_t columns[kCachedColumns];
    int columnCount = 0;
    const double start = step * 0.5;
    const double widthLimit = width;
    double xAfterCache = start;
    while (xAfterCache < widthLimit && columnCount < kCachedColumns) {
        columns[columnCount++] = static_cast<std::int32_t>(xAfterCache);
        xAfterCache += step;
    }

    const double heightLimit = height;
    for (double y = start; y < heightLimit; y += step) {
        const std::uint8_t* row = bits + static_cast<std::ptrdiff_t>(static_cast<int>(y)) * stride;
        for (int i = 0; i < columnCount; ++i) {
            if (!visit(row, columns[i])) return false;
        }
        for (double x = xAfterCache; x < widthLimit; x += step) {
            if (!visit(row, static_cast<int>(x))) return false;
        }
    }
    return true;
}

}  // namespace judge_detail
