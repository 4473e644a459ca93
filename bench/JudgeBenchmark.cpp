// Micro-benchmarks of the judgment: samples per second for each bit depth and criterion, the
// whole-grid walk (a gray picture, every pixel) apart from the early exit (a colour picture,
// settled at its first sample), and the judgment of a 6-megapixel gray JPEG against its decode.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "judge/JudgeParams.h"
#include "image/DecodedImage.h"
#include "judge/JudgeImage.h"
#include "support/ImageFiles.h"

namespace {

constexpr int kWidth = 3000;
constexpr int kHeight = 2000;

enum Content { GrayContent, SepiaContent, ColourContent };

// A 3000x2000 picture of the given depth. Palette depths use gray entries but also carry one
// colour entry that no pixel uses, so the palette short-cut is missed and every pixel is judged.
struct BenchImage {
    int depth;
    int stride;
    std::vector<std::uint8_t> bits;
    std::vector<RgbQuad> table;

    BenchImage(int depth_, Content content) : depth(depth_) {
        stride = (kWidth * depth + 31) / 32 * 4;
        bits.assign(static_cast<std::size_t>(stride) * kHeight, 0);
        if (depth <= 8) {
            const int entries = 1 << depth;
            for (int i = 0; i < entries; ++i) {
                const auto v = static_cast<std::uint8_t>(i * 255 / (entries - 1));
                table.push_back(RgbQuad{v, v, v, 0});
            }
            table.back() = RgbQuad{0, 0, 255, 0};
            if (content == ColourContent) table[0] = RgbQuad{0, 200, 40, 0};
        }
        for (int r = 0; r < kHeight; ++r) {
            std::uint8_t* row = bits.data() + static_cast<std::size_t>(r) * stride;
            for (int c = 0; c < kWidth; ++c) {
                const int v = (c / 7 + r / 5 + ((c >> 6) * (r >> 6) * 13 & 127)) & 255;
                int red = v, green = v, blue = v;
                if (content == SepiaContent) {
                    green = v * 205 / 255 + 10;
                    blue = v * 150 / 255 + 15;
                } else if (content == ColourContent) {
                    green = (v * 3 + r) & 255;
                    blue = 255 - v;
                }
                Set(row, c, v, red, green, blue);
            }
        }
    }

    void Set(std::uint8_t* row, int c, int v, int red, int green, int blue) {
        switch (depth) {
            case 2: {
                const int shift = (3 - c % 4) * 2;
                row[c / 4] = static_cast<std::uint8_t>(row[c / 4] | ((v >> 6) % 3) << shift);
                break;
            }
            case 4: row[c / 2] = static_cast<std::uint8_t>(row[c / 2] | (v >> 4) % 15 << (c % 2 ? 0 : 4)); break;
            case 8: row[c] = static_cast<std::uint8_t>(v % 255); break;
            case 16: {
                const unsigned word = unsigned(blue >> 3) | unsigned(green >> 3) << 5 | unsigned(red >> 3) << 10;
                row[2 * c] = static_cast<std::uint8_t>(word);
                row[2 * c + 1] = static_cast<std::uint8_t>(word >> 8);
                break;
            }
            default: {
                std::uint8_t* p = row + c * (depth / 8);
                p[0] = static_cast<std::uint8_t>(blue);
                p[1] = static_cast<std::uint8_t>(green);
                p[2] = static_cast<std::uint8_t>(red);
                if (depth == 32) p[3] = 255;
            }
        }
    }

    PixelView View() const {
        return PixelView{kWidth, kHeight, stride, static_cast<std::uint16_t>(depth), bits.data()};
    }
};

void RunJudge(benchmark::State& state, Content content, bool grayscaleOnly, int threshold,
              double noiseLimit, int expected) {  // expected < 0: any verdict
    JudgeParams params;
    params.IS_ONLY_GRAYSCALE = grayscaleOnly ? 1 : 0;
    params.THRESHOLD_GS = threshold;
    params.NOISE_LIMIT_GS = noiseLimit;
    const BenchImage image(static_cast<int>(state.range(0)), content);
    std::string errorText;
    for (auto _ : state) {
        const int verdict = JudgeImage(image.View(), image.table.data(), static_cast<int>(image.table.size()), params, errorText);
        if ((expected >= 0 && verdict != expected) || !errorText.empty()) {
            state.SkipWithError("unexpected verdict");
            break;
        }
        benchmark::DoNotOptimize(verdict);
    }
}

// The whole grid: samples per second.
void WholeGrid(benchmark::State& state, Content content, bool grayscaleOnly, int threshold,
               double noiseLimit, int expected) {
    RunJudge(state, content, grayscaleOnly, threshold, noiseLimit, expected);
    state.SetItemsProcessed(state.iterations() * std::int64_t{kWidth} * kHeight);
}

void GrayscaleWholeGrid(benchmark::State& s) { WholeGrid(s, GrayContent, true, 0, 0.0, 1); }
void GrayscaleWholeGridThreshold10(benchmark::State& s) { WholeGrid(s, GrayContent, true, 10, 0.0, 1); }
void GrayscaleWholeGridColourNoiseLimit100(benchmark::State& s) { WholeGrid(s, ColourContent, true, 0, 100.0, 1); }
void TintedWholeGridGray(benchmark::State& s) { WholeGrid(s, GrayContent, false, 0, 0.0, 1); }
void TintedWholeGridSepia(benchmark::State& s) { WholeGrid(s, SepiaContent, false, 0, 0.0, 1); }
void TintedWholeGridColour(benchmark::State& s) { WholeGrid(s, ColourContent, false, 0, 0.0, -1); }
// The early exit: a colour picture settled at its first sample; time per image.
void GrayscaleEarlyExit(benchmark::State& s) { RunJudge(s, ColourContent, true, 0, 0.0, 0); }

#define DEPTHS ->Arg(2)->Arg(4)->Arg(8)->Arg(16)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond)
BENCHMARK(GrayscaleWholeGrid) DEPTHS;
BENCHMARK(GrayscaleWholeGridThreshold10) DEPTHS;
BENCHMARK(GrayscaleWholeGridColourNoiseLimit100) DEPTHS;
BENCHMARK(TintedWholeGridGray) DEPTHS;
BENCHMARK(TintedWholeGridSepia) DEPTHS;
BENCHMARK(TintedWholeGridColour) DEPTHS;
BENCHMARK(GrayscaleEarlyExit)->Arg(8)->Arg(24)->Unit(benchmark::kNanosecond);

// A gray scan stored as a 3000x2000 colour JPEG (quality 90, chroma subsampled): it decodes
// to exactly gray pixels, so its judgment walks every pixel. Decode and judgment are timed apart.
class GrayJpeg {
public:
    GrayJpeg() {
        jpeg_compress_struct cinfo;
        jpeg_error_mgr error;
        cinfo.err = jpeg_std_error(&error);
        jpeg_create_compress(&cinfo);
        unsigned char* buffer = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&cinfo, &buffer, &size);
        cinfo.image_width = kWidth;
        cinfo.image_height = kHeight;
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, 90, TRUE);
        jpeg_start_compress(&cinfo, TRUE);
        std::vector<std::uint8_t> line(std::size_t{kWidth} * 3);
        std::uint32_t grain = 12345;
        for (int r = 0; r < kHeight; ++r) {
            for (int c = 0; c < kWidth; ++c) {
                // The grain of a scan: it makes the decode work as hard as on real pages.
                grain = grain * 1664525u + 1013904223u;
                const int noise = static_cast<int>(grain >> 28) - 8;
                const int field = (c / 7 + r / 5 + ((c >> 6) * (r >> 6) * 13 & 127)) & 255;
                const auto v = static_cast<std::uint8_t>(std::clamp(field + noise, 0, 255));
                line[3 * c] = line[3 * c + 1] = line[3 * c + 2] = v;
            }
            JSAMPROW row = line.data();
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
        jpeg_destroy_compress(&cinfo);
        path_ = folder_.File("gray-6mp.jpg");
        testimages::WriteFileBytes(path_, testimages::Bytes(buffer, buffer + size));
        std::free(buffer);
    }
    const std::filesystem::path& Path() const { return path_; }

private:
    testimages::TempFolder folder_;
    std::filesystem::path path_;
};

const GrayJpeg& TheGrayJpeg() {
    static const GrayJpeg jpeg;
    return jpeg;
}

void Decode6MPGrayJpeg(benchmark::State& state) {
    for (auto _ : state) {
        int early = 0;
        std::string reason;
        DecodedImage* image = LoadJpegFile(TheGrayJpeg().Path(), early, reason);
        if (image == nullptr) {
            state.SkipWithError("decode failed");
            break;
        }
        DestroyDecodedImage(image);
    }
}

void Judge6MPGrayJpeg(benchmark::State& state) {
    int early = 0;
    std::string reason;
    DecodedImage* image = LoadJpegFile(TheGrayJpeg().Path(), early, reason);
    if (image == nullptr) {
        state.SkipWithError("decode failed");
        return;
    }
    for (auto _ : state) {
        std::string errorText;
        const int verdict = JudgeDecodedImage(*image, JudgeParams{}, errorText);
        if (verdict != 1) {
            state.SkipWithError("the gray JPEG was not judged monochrome");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{kWidth} * kHeight);
    DestroyDecodedImage(image);
}

BENCHMARK(Decode6MPGrayJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(Judge6MPGrayJpeg)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
