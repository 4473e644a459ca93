// Real image files for tests, written with the decoding libraries' own encoders.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testimages {

using Bytes = std::vector<std::uint8_t>;

// A fresh, empty folder (absolute path) under the system's temporary folder or under `base`,
// removed with everything in it.
class TempFolder {
public:
    TempFolder();
    explicit TempFolder(const std::filesystem::path& base);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // An absolute path for `name` inside the folder (UTF-8 name).
    std::filesystem::path File(const std::string& name) const;

private:
    std::filesystem::path path_;
};

void WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes);
Bytes ReadFileBytes(const std::filesystem::path& path);

struct Rgb {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

// Colour types and depths as in the PNG header. `samples` holds one value per channel, the
// picture's top row first, at the file's depth (0..65535 at depth 16).
struct PngPicture {
    int width = 0;
    int height = 0;
    int colourType = 2;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<Rgb> palette;
    std::vector<unsigned> samples;
};
Bytes EncodePng(const PngPicture& picture);

// 1 component: grayscale; 3: RGB input stored as YCbCr (or as RGB when storeRgb); 4: CMYK
// stored as CMYK. Colour components are never subsampled. Top row first.
struct JpegPicture {
    int width = 0;
    int height = 0;
    int components = 3;
    bool storeRgb = false;
    int quality = 100;
    bool progressive = false;
    std::vector<std::uint8_t> samples;
};
Bytes EncodeJpeg(const JpegPicture& picture);

// Colour maps are padded with black to the next power of two, as the format requires.
// `indices` are the frame's pixels, top row first; interlaced frames are stored in the
// format's four-pass order.
struct GifFrame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    std::vector<Rgb> localMap;
    std::vector<std::uint8_t> indices;
};
struct GifPicture {
    int screenWidth = 0;
    int screenHeight = 0;
    std::vector<Rgb> globalMap;
    std::vector<GifFrame> frames;
    int transparentIndex = -1;  // >= 0: every frame's transparent colour, in a control block
};
Bytes EncodeGif(const GifPicture& picture);

}  // namespace testimages

