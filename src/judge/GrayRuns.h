// Internal to src/judge: proving many pixels of a row gray at once, for the walks that visit
// every pixel. A scanner only ever answers "all gray" for a whole group of pixels; wherever it
// is not sure, the criterion walks the pixels one by one with the exact per-pixel rules, so
// every count and every verdict is that of the plain walk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace judge_detail {

// Pixels the criteria walk one by one after a scanner stops: at least a whole group of any
// scanner plus the tail it leaves, so each scan moves the walk forward.
constexpr int kExactRun = 64;

// The portable scanners: 64-bit words, threshold 0 only (red = green = blue; for 16 bits the
// three 5-bit fields equal). Each returns the first column at or after `column` that it did not
// prove gray; every pixel before it is gray. Reads stay within the row's own pixel bytes.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr bool kSwarScanners = true;
#else
constexpr bool kSwarScanners = false;  // the masks below assume little-endian words
#endif

inline std::uint64_t LoadWord(const std::uint8_t* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

template <int Depth>
int SkipGrayPixelsSwar(const std::uint8_t* row, int column, int width) {
    if (!kSwarScanners) return column;
    if constexpr (Depth == 24) {
        // A word at pixel c holds pixels c and c + 1 in bytes 0-5; byte j of w ^ (w >> 8)
        // compares bytes j and j + 1, so lanes 0, 1, 3 and 4 see blue-green and green-red.
        constexpr std::uint64_t kPairs = 0x000000FFFF00FFFFull;
        for (; column + 9 <= width; column += 8) {
            const std::uint8_t* p = row + std::ptrdiff_t{column} * 3;
            std::uint64_t differ = 0;
            for (int k = 0; k < 4; ++k) {
                const std::uint64_t w = LoadWord(p + 6 * k);
                differ |= (w ^ (w >> 8)) & kPairs;
            }
            if (differ != 0) break;
        }
    } else if constexpr (Depth == 32) {
        constexpr std::uint64_t kPairs = 0x0000FFFF0000FFFFull;  // the alpha byte takes no part
        for (; column + 8 <= width; column += 8) {
            const std::uint8_t* p = row + std::ptrdiff_t{column} * 4;
            std::uint64_t differ = 0;
            for (int k = 0; k < 4; ++k) {
                const std::uint64_t w = LoadWord(p + 8 * k);
                differ |= (w ^ (w >> 8)) & kPairs;
            }
            if (differ != 0) break;
        }
    } else if constexpr (Depth == 16) {
        // Fields blue (bits 0-4), green (5-9), red (10-14): w ^ (w >> 5) compares blue with
        // green and green with red in bits 0-9 of each 16-bit lane; bit 15 takes no part.
        constexpr std::uint64_t kPairs = 0x03FF03FF03FF03FFull;
        for (; column + 16 <= width; column += 16) {
            const std::uint8_t* p = row + std::ptrdiff_t{column} * 2;
            std::uint64_t differ = 0;
            for (int k = 0; k < 4; ++k) {
                const std::uint64_t w = LoadWord(p + 8 * k);
                differ |= (w ^ (w >> 5)) & kPairs;
            }
            if (differ != 0) break;
        }
    }
    return column;
}

#if defined(__SSE2__)
inline __m128i Load16(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline bool IsZero(__m128i v) {
    return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) == 0xFFFF;
}

// The SSE2 scanners, for any threshold from 0 to 255. Same contract as the portable ones.
template <int Depth>
int SkipGrayPixelsSse2(const std::uint8_t* row, int column, int width, int threshold) {
    if constexpr (Depth == 24) {
        // 16 bytes at pixel c hold pixels c .. c + 4 in bytes 0-14; four loads make a group
        // of 20 pixels reaching byte 60, which the bound keeps inside the row.
        if (threshold == 0) {
            const __m128i pairs = _mm_setr_epi8(-1, -1, 0, -1, -1, 0, -1, -1, 0, -1, -1, 0, -1, -1, 0, 0);
            for (; column + 21 <= width; column += 20) {
                const std::uint8_t* p = row + std::ptrdiff_t{column} * 3;
                __m128i differ = _mm_setzero_si128();
                for (int k = 0; k < 4; ++k) {
                    const __m128i v = Load16(p + 15 * k);
                    differ = _mm_or_si128(differ, _mm_xor_si128(v, _mm_srli_si128(v, 1)));
                }
                if (!IsZero(_mm_and_si128(differ, pairs))) break;
            }
            return column;
        }
        // Lane j of max - min over bytes j, j + 1 and j + 2 is a pixel's spread when j is the
        // pixel's first byte.
        const __m128i firsts = _mm_setr_epi8(-1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, 0);
        const __m128i limit = _mm_set1_epi8(static_cast<char>(threshold));
        for (; column + 21 <= width; column += 20) {
            const std::uint8_t* p = row + std::ptrdiff_t{column} * 3;
            __m128i over = _mm_setzero_si128();
            for (int k = 0; k < 4; ++k) {
                const __m128i v = Load16(p + 15 * k);
                const __m128i v1 = _mm_srli_si128(v, 1);
                const __m128i v2 = _mm_srli_si128(v, 2);
                const __m128i hi = _mm_max_epu8(v, _mm_max_epu8(v1, v2));
                const __m128i lo = _mm_min_epu8(v, _mm_min_epu8(v1, v2));
                over = _mm_or_si128(over, _mm_subs_epu8(_mm_subs_epu8(hi, lo), limit));
            }
            if (!IsZero(_mm_and_si128(over, firsts))) break;
        }
        return column;
    } else if constexpr (Depth == 32) {
        // Byte 0 of each 32-bit lane is blue; shifting the lane by 8 and 16 brings green and
        // red there. The alpha byte takes no part.
        if (threshold == 0) {
            const __m128i pairs = _mm_set1_epi32(0x0000FFFF);
            for (; column + 16 <= width; column += 16) {
                const std::uint8_t* p = row + std::ptrdiff_t{column} * 4;
                __m128i differ = _mm_setzero_si128();
                for (int k = 0; k < 4; ++k) {
                    const __m128i v = Load16(p + 16 * k);
                    differ = _mm_or_si128(differ, _mm_xor_si128(v, _mm_srli_epi32(v, 8)));
                }
                if (!IsZero(_mm_and_si128(differ, pairs))) break;
            }
            return column;
        }
        const __m128i firsts = _mm_set1_epi32(0xFF);
        const __m128i limit = _mm_set1_epi8(static_cast<char>(threshold));
        for (; column + 16 <= width; column += 16) {
            const std::uint8_t* p = row + std::ptrdiff_t{column} * 4;
            __m128i over = _mm_setzero_si128();
            for (int k = 0; k < 4; ++k) {
                const __m128i v = Load16(p + 16 * k);
                const __m128i v1 = _mm_srli_epi32(v, 8);
                const __m128i v2 = _mm_srli_epi32(v, 16);
                const __m128i hi = _mm_max_epu8(v, _mm_max_epu8(v1, v2));
                const __m128i lo = _mm_min_epu8(v, _mm_min_epu8(v1, v2));
                over = _mm_or_si128(over, _mm_subs_epu8(_mm_subs_epu8(hi, lo), limit));
            }
            if (!IsZero(_mm_and_si128(over, firsts))) break;
        }
        return column;
    } else if constexpr (Depth == 16) {
        if (threshold == 0) {
            const __m128i pairs = _mm_set1_epi16(0x03FF);
            for (; column + 32 <= width; column += 32) {
                const std::uint8_t* p = row + std::ptrdiff_t{column} * 2;
                __m128i differ = _mm_setzero_si128();
                for (int k = 0; k < 4; ++k) {
                    const __m128i v = Load16(p + 16 * k);
                    differ = _mm_or_si128(differ, _mm_xor_si128(v, _mm_srli_epi16(v, 5)));
                }
                if (!IsZero(_mm_and_si128(differ, pairs))) break;
            }
            return column;
        }
        // Channels are fields times 8, so a spread within the threshold is a field spread
        // within threshold / 8, rounded down.
        const __m128i field = _mm_set1_epi16(0x1F);
        const __m128i limit = _mm_set1_epi16(static_cast<short>(threshold >> 3));
        for (; column + 32 <= width; column += 32) {
            const std::uint8_t* p = row + std::ptrdiff_t{column} * 2;
            __m128i over = _mm_setzero_si128();
            for (int k = 0; k < 4; ++k) {
                const __m128i v = Load16(p + 16 * k);
                const __m128i b = _mm_and_si128(v, field);
                const __m128i g = _mm_and_si128(_mm_srli_epi16(v, 5), field);
                const __m128i r = _mm_and_si128(_mm_srli_epi16(v, 10), field);
                const __m128i hi = _mm_max_epi16(b, _mm_max_epi16(g, r));
                const __m128i lo = _mm_min_epi16(b, _mm_min_epi16(g, r));
                over = _mm_or_si128(over, _mm_cmpgt_epi16(_mm_sub_epi16(hi, lo), limit));
            }
            if (!IsZero(over)) break;
        }
        return column;
    } else {
        return column;
    }
}
#endif

// The scanner the criteria use: SSE2 where the target has it, else the portable words (which
// only know threshold 0). Palette depths have no scanner: their per-pixel test is one lookup.
template <int Depth>
inline int SkipGrayPixels(const std::uint8_t* row, int column, int width, int threshold) {
#if defined(__SSE2__)
    return SkipGrayPixelsSse2<Depth>(row, column, width, threshold);
#else
    return threshold == 0 ? SkipGrayPixelsSwar<Depth>(row, column, width) : column;
#endif
}

}  // namespace judge_detail
