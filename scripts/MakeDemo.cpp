// Writes a demo folder of mixed pictures for ./run.sh: gray and colour, every format, a few
// damaged or unsupported files, Japanese names, and a sub-folder.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/Text.h"
#include "support/ImageFiles.h"

namespace fs = std::filesystem;
using testimages::Bytes;
using testimages::Rgb;

namespace {

// A smooth picture: `tint` maps a brightness 0..255 to a colour.
template <typename Tint>
std::vector<Rgb> Picture(int width, int height, Tint tint) {
    std::vector<Rgb> pixels;
    pixels.reserve(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double wave = 0.5 + 0.25 * std::sin(x * 0.07) + 0.25 * std::cos(y * 0.05);
            pixels.push_back(tint(static_cast<int>(wave * 255.0)));
        }
    }
    return pixels;
}

Rgb Gray(int v) { return Rgb{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v)}; }
Rgb Sepia(int v) {
    return Rgb{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v * 0.8), static_cast<std::uint8_t>(v * 0.6)};
}

Bytes Png(int width, int height, const std::vector<Rgb>& pixels) {
    testimages::PngPicture picture;
    picture.width = width;
    picture.height = height;
    picture.colourType = 2;
    for (const Rgb& p : pixels) picture.samples.insert(picture.samples.end(), {p.red, p.green, p.blue});
    return testimages::EncodePng(picture);
}

Bytes Jpeg(int width, int height, const std::vector<Rgb>& pixels) {
    testimages::JpegPicture picture;
    picture.width = width;
    picture.height = height;
    picture.components = 3;
    picture.quality = 90;
    for (const Rgb& p : pixels) picture.samples.insert(picture.samples.end(), {p.red, p.green, p.blue});
    return testimages::EncodeJpeg(picture);
}

Bytes GrayJpeg(int width, int height) {
    testimages::JpegPicture picture;
    picture.width = width;
    picture.height = height;
    picture.components = 1;
    for (const Rgb& p : Picture(width, height, Gray)) picture.samples.push_back(p.red);
    return testimages::EncodeJpeg(picture);
}

Bytes Gif(int width, int height, bool colour) {
    testimages::GifPicture picture;
    picture.screenWidth = width;
    picture.screenHeight = height;
    for (int i = 0; i < 16; ++i) {
        const auto v = static_cast<std::uint8_t>(i * 17);
        picture.globalMap.push_back(colour ? Rgb{v, static_cast<std::uint8_t>(255 - v), 128} : Rgb{v, v, v});
    }
    testimages::GifFrame frame;
    frame.width = width;
    frame.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) frame.indices.push_back(static_cast<std::uint8_t>((x / 8 + y / 8) % 16));
    }
    picture.frames.push_back(frame);
    return testimages::EncodeGif(picture);
}

// A 24-bit bottom-up bitmap.
Bytes Bmp(int width, int height, const std::vector<Rgb>& pixels) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 24 + 31) / 32 * 4;
    const std::uint32_t dataSize = stride * static_cast<std::uint32_t>(height);
    Bytes out;
    auto put = [&out](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    out.push_back('B');
    out.push_back('M');
    put(54 + dataSize, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(static_cast<std::uint32_t>(width), 4);
    put(static_cast<std::uint32_t>(height), 4);
    put(1, 2);
    put(24, 2);
    put(0, 4);
    put(dataSize, 4);
    put(0, 16);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const Rgb& p = pixels[static_cast<std::size_t>(y) * width + x];
            out.insert(out.end(), {p.blue, p.green, p.red});
        }
        out.resize(out.size() + (stride - static_cast<std::uint32_t>(width) * 3));
    }
    return out;
}

testimages::TiffPage TiffPage(int width, int height, const std::vector<Rgb>& pixels) {
    testimages::TiffPage page;
    page.width = width;
    page.height = height;
    page.compression = 5;  // LZW
    for (const Rgb& p : pixels) page.samples.insert(page.samples.end(), {p.red, p.green, p.blue});
    return page;
}

Bytes WebP(int width, int height, const std::vector<Rgb>& pixels, bool lossless) {
    testimages::WebPImage picture;
    picture.width = width;
    picture.height = height;
    picture.lossless = lossless;
    for (const Rgb& p : pixels) picture.pixels.insert(picture.pixels.end(), {p.red, p.green, p.blue});
    return testimages::EncodeWebP(picture);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pallidor-make-demo FOLDER\n");
        return 2;
    }
    const fs::path root = fs::absolute(argv[1]);
    std::error_code ec;
    fs::create_directories(root / "スキャン", ec);
    if (ec) {
        std::fprintf(stderr, "pallidor-make-demo: cannot create %s\n", platform::PathToUtf8(root).c_str());
        return 2;
    }
    const int w = 320, h = 240;
    auto colour = [](int v) { return Rgb{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(255 - v), 60}; };
    const struct {
        const char* name;
        Bytes bytes;
    } files[] = {
        {"gray-photo.png", Png(w, h, Picture(w, h, Gray))},
        {"colour-photo.png", Png(w, h, Picture(w, h, colour))},
        {"白黒の写真.jpg", GrayJpeg(w, h)},
        {"カラー写真.jpg", Jpeg(w, h, Picture(w, h, colour))},
        {"セピア.jpg", Jpeg(w, h, Picture(w, h, Sepia))},
        {"gray-scan.bmp", Bmp(w, h, Picture(w, h, Gray))},
        {"colour-scan.bmp", Bmp(w, h, Picture(w, h, colour))},
        {"gray-palette.gif", Gif(64, 48, false)},
        {"colour-palette.gif", Gif(64, 48, true)},
        {"スキャン/page-1.png", Png(w, h, Picture(w, h, Gray))},
        {"スキャン/page-2.jpg", Jpeg(w, h, Picture(w, h, colour))},
        {"gray-web.webp", WebP(w, h, Picture(w, h, Gray), true)},
        {"colour-web.webp", WebP(w, h, Picture(w, h, colour), false)},
        {"notes.txt", Bytes{'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e', '\n'}},
        {"broken.png", Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0}},
    };
    for (const auto& file : files) testimages::WriteFileBytes(root / fs::u8path(file.name), file.bytes);
    // A scanned document of two pages, the second in colour, and a gray one.
    const bool tiffs = testimages::WriteTiff(root / fs::u8path("スキャン/document.tif"),
                                             {TiffPage(w, h, Picture(w, h, Gray)), TiffPage(w, h, Picture(w, h, colour))}) &&
                       testimages::WriteTiff(root / fs::u8path("スキャン/gray-document.tiff"),
                                             {TiffPage(w, h, Picture(w, h, Gray))});
    if (!tiffs) {
        std::fprintf(stderr, "pallidor-make-demo: cannot write the TIFF files\n");
        return 2;
    }
    std::printf("made %zu files in %s\n", sizeof files / sizeof files[0] + 2,
                platform::PathToUtf8(root).c_str());
    return 0;
}
