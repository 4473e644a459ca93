// Writes the benchmark corpus: scans and photos of the sizes people sort, in the mix that the
// judgment meets (colour, gray files, gray pictures stored as RGB, sepia, scans with colour
// noise), as JPEG 3000x2000, PNG 2000x1500, GIF and BMP. The same files on every run: each
// picture comes from its own seeded generator. Two more sets measure the judgment that stops
// reading where its verdict is settled:
//   mixed: mixed-jpeg/, 60 JPEGs of 3000x2000 (a quarter gray stored as colour, a quarter
//          sepia, half colour); gray-jpeg/, that gray quarter alone; mixed-png/, 40 PNGs of
//          3000x2000 (half colour, half gray stored as RGB);
//   large: large/, a 20000x20000 gray PNG stored as RGB and a 20000x20000 gray baseline JPEG
//          stored as colour, smooth so that the files stay small.
//
//   pallidor-make-corpus FOLDER [main|mixed|large]
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "support/ImageFiles.h"

namespace fs = std::filesystem;

namespace {

enum class Kind { Colour, Gray, GrayRgb, Sepia, NoisyScan, GraySmooth };

const char* KindName(Kind kind) {
    switch (kind) {
        case Kind::Colour: return "colour";
        case Kind::Gray: return "gray";
        case Kind::GrayRgb: return "grayrgb";
        case Kind::Sepia: return "sepia";
        case Kind::NoisyScan: return "noisyscan";
        case Kind::GraySmooth: return "graysmooth";
    }
    return "?";
}

// A small fast generator; the corpus must not depend on the standard library's engines.
struct Random {
    std::uint64_t state;
    explicit Random(std::uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<std::uint32_t>(state >> 16);
    }
    int Noise(int amplitude) { return static_cast<int>(Next() % (2 * amplitude + 1)) - amplitude; }
};

std::uint8_t Clamp(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

// One picture: a brightness field of soft shapes and gradients with some grain, tinted by kind.
// Scans get a clean white margin above the page, as a flatbed leaves it.
class Picture {
public:
    Picture(Kind kind, int width, int height, std::uint64_t seed)
        : kind_(kind), width_(width), height_(height), random_(seed) {
        Random shape(seed ^ 0xABCDEF);
        for (int& p : params_) p = static_cast<int>(shape.Next() % 97) + 3;
    }

    // Fills one row of red, green, blue bytes.
    void Row(int y, std::uint8_t* rgb) {
        const bool margin = kind_ == Kind::NoisyScan && y < height_ / 5;
        for (int x = 0; x < width_; ++x) {
            std::uint8_t* p = rgb + 3 * x;
            if (margin) {
                p[0] = p[1] = p[2] = 255;
                continue;
            }
            const int field = (x / params_[0] + y / params_[1] +
                               (((x >> 6) * (y >> 6) * params_[2]) & 127) +
                               ((x * params_[3] / width_ + y * params_[4] / height_) & 63)) & 255;
            const int v = kind_ == Kind::GraySmooth ? field : Clamp(field + random_.Noise(6));
            switch (kind_) {
                case Kind::Colour:
                    p[0] = Clamp(v + ((x / params_[5]) & 63) - 32);
                    p[1] = Clamp((v * 3 + y / params_[6]) & 255);
                    p[2] = Clamp(255 - v + random_.Noise(10));
                    break;
                case Kind::Gray:
                case Kind::GraySmooth:
                case Kind::GrayRgb: p[0] = p[1] = p[2] = static_cast<std::uint8_t>(v); break;
                case Kind::Sepia:
                    p[0] = Clamp(v * 250 / 255 + 5);
                    p[1] = Clamp(v * 205 / 255 + 10);
                    p[2] = Clamp(v * 150 / 255 + 15);
                    break;
                case Kind::NoisyScan:
                    p[0] = Clamp(v + random_.Noise(3));
                    p[1] = Clamp(v + random_.Noise(3));
                    p[2] = Clamp(v + random_.Noise(3));
                    break;
            }
        }
    }

private:
    Kind kind_;
    int width_;
    int height_;
    Random random_;
    int params_[7];
};

bool WriteJpeg(const fs::path& path, Kind kind, int width, int height, std::uint64_t seed) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    const bool gray = kind == Kind::Gray;
    cinfo.input_components = gray ? 1 : 3;
    cinfo.in_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);  // YCbCr with 2x2 chroma subsampling, as cameras and scanners write
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    Picture picture(kind, width, height, seed);
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * 3);
    std::vector<std::uint8_t> line(static_cast<std::size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        picture.Row(y, rgb.data());
        if (gray) {
            for (int x = 0; x < width; ++x) line[x] = rgb[3 * x];
        } else {
            line = rgb;
        }
        JSAMPROW row = line.data();
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(file) == 0;
}

bool WritePng(const fs::path& path, Kind kind, int width, int height, std::uint64_t seed) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    if (kind == Kind::GraySmooth) png_set_compression_level(png, 1);  // a gigabyte of pixels
    const bool gray = kind == Kind::Gray;
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 gray ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    Picture picture(kind, width, height, seed);
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * 3);
    std::vector<std::uint8_t> line(static_cast<std::size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        picture.Row(y, rgb.data());
        if (gray) {
            for (int x = 0; x < width; ++x) line[x] = rgb[3 * x];
            png_write_row(png, line.data());
        } else {
            png_write_row(png, rgb.data());
        }
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

// 24-bit, bottom-up, as most programs write them.
bool WriteBmp(const fs::path& path, Kind kind, int width, int height, std::uint64_t seed) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) / 4 * 4;
    const std::uint32_t pixelBytes = stride * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> file(54 + static_cast<std::size_t>(pixelBytes), 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    file[26] = 1;
    file[28] = 24;
    put32(34, pixelBytes);
    Picture picture(kind, width, height, seed);
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        picture.Row(y, rgb.data());
        std::uint8_t* row = &file[54 + static_cast<std::size_t>(height - 1 - y) * stride];
        for (int x = 0; x < width; ++x) {
            row[3 * x] = rgb[3 * x + 2];
            row[3 * x + 1] = rgb[3 * x + 1];
            row[3 * x + 2] = rgb[3 * x];
        }
    }
    testimages::WriteFileBytes(path, file);
    return true;
}

// A palette picture: gray or colour ramps; a gray one also carries one colour entry that no
// pixel uses, so it misses the palette short-cut and its pixels are judged.
bool WriteGif(const fs::path& path, Kind kind, int width, int height, std::uint64_t seed) {
    testimages::GifPicture gif;
    gif.screenWidth = width;
    gif.screenHeight = height;
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        gif.globalMap.push_back(kind == Kind::Colour
                                    ? testimages::Rgb{v, static_cast<std::uint8_t>(255 - v), static_cast<std::uint8_t>(v * 7)}
                                    : testimages::Rgb{v, v, v});
    }
    if (kind != Kind::Colour) gif.globalMap[255] = testimages::Rgb{255, 0, 0};
    testimages::GifFrame frame;
    frame.width = width;
    frame.height = height;
    frame.indices.resize(static_cast<std::size_t>(width) * height);
    Picture picture(Kind::GrayRgb, width, height, seed);
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        picture.Row(y, rgb.data());
        for (int x = 0; x < width; ++x) {
            frame.indices[static_cast<std::size_t>(y) * width + x] = std::min<std::uint8_t>(rgb[3 * x], 254);
        }
    }
    gif.frames.push_back(std::move(frame));
    testimages::WriteFileBytes(path, testimages::EncodeGif(gif));
    return true;
}

struct Job {
    std::string name;
    bool (*write)(const fs::path&, Kind, int, int, std::uint64_t);
    Kind kind;
    int width;
    int height;
};

void AddJobs(std::vector<Job>& jobs, const char* format, const char* extension,
             bool (*write)(const fs::path&, Kind, int, int, std::uint64_t), int width, int height,
             std::initializer_list<std::pair<Kind, int>> mix) {
    for (const auto& [kind, count] : mix) {
        for (int i = 0; i < count; ++i) {
            char name[96];
            std::snprintf(name, sizeof name, "%s-%s-%03d.%s", format, KindName(kind), i, extension);
            jobs.push_back(Job{name, write, kind, width, height});
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string set = argc == 3 ? argv[2] : "main";
    if ((argc != 2 && argc != 3) || (set != "main" && set != "mixed" && set != "large")) {
        std::fprintf(stderr, "usage: pallidor-make-corpus FOLDER [main|mixed|large]\n");
        return 2;
    }
    const fs::path folder = argv[1];
    std::error_code error;

    std::vector<Job> jobs;
    if (set == "main") {
        AddJobs(jobs, "jpeg", "jpg", WriteJpeg, 3000, 2000,
                {{Kind::Colour, 40}, {Kind::Gray, 15}, {Kind::GrayRgb, 50}, {Kind::Sepia, 25}, {Kind::NoisyScan, 30}});
        AddJobs(jobs, "png", "png", WritePng, 2000, 1500,
                {{Kind::Colour, 20}, {Kind::Gray, 10}, {Kind::GrayRgb, 25}, {Kind::Sepia, 15}, {Kind::NoisyScan, 10}});
        AddJobs(jobs, "gif", "gif", WriteGif, 1200, 900, {{Kind::Colour, 15}, {Kind::GrayRgb, 15}});
        AddJobs(jobs, "bmp", "bmp", WriteBmp, 1600, 1200, {{Kind::Colour, 10}, {Kind::GrayRgb, 10}});
    } else if (set == "mixed") {
        AddJobs(jobs, "gray-jpeg/jpeg", "jpg", WriteJpeg, 3000, 2000, {{Kind::GrayRgb, 15}});
        AddJobs(jobs, "mixed-jpeg/jpeg", "jpg", WriteJpeg, 3000, 2000,
                {{Kind::GrayRgb, 15}, {Kind::Sepia, 15}, {Kind::Colour, 30}});
        AddJobs(jobs, "mixed-png/png", "png", WritePng, 3000, 2000, {{Kind::Colour, 20}, {Kind::GrayRgb, 20}});
    } else {
        AddJobs(jobs, "large/jpeg", "jpg", WriteJpeg, 20000, 20000, {{Kind::GraySmooth, 1}});
        AddJobs(jobs, "large/png", "png", WritePng, 20000, 20000, {{Kind::GraySmooth, 1}});
    }
    for (const Job& job : jobs) fs::create_directories((folder / job.name).parent_path(), error);

    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    auto work = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            const Job& job = jobs[i];
            const fs::path path = folder / job.name;
            if (fs::exists(path, error)) continue;
            // Written under a temporary name, so an interrupted run leaves no half file behind.
            const fs::path partial = folder / (job.name + ".part");
            if (!job.write(partial, job.kind, job.width, job.height, i + 1)) {
                std::fprintf(stderr, "cannot write %s\n", partial.c_str());
                failed = true;
                continue;
            }
            fs::rename(partial, path, error);
        }
    };
    std::vector<std::thread> threads;
    const unsigned helpers = std::max(1u, std::thread::hardware_concurrency()) - 1;
    for (unsigned t = 0; t < helpers; ++t) threads.emplace_back(work);
    work();
    for (auto& thread : threads) thread.join();
    std::printf("%zu files in %s\n", jobs.size(), folder.c_str());
    return failed ? 1 : 0;
}
