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
// A PNG whose valid header asks for 20000 x 20000 RGB pixels (1145 MiB decoded), with one
// tiny data chunk: too large for any decoder to make.
Bytes HugePng();

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

// One page of a TIFF file. `samples` holds samplesPerPixel values per pixel (0..65535 at 16
// bits, 0 or 1 at 1 bit), top row first; a palette page holds indices into `palette`.
// Compression and photometric take libtiff's tag values; with JPEG compression and YCbCr, the
// samples are RGB and the library converts them. `tileSide` > 0 writes square tiles.
struct TiffPage {
    int width = 0;
    int height = 0;
    int samplesPerPixel = 3;
    int bitsPerSample = 8;
    int photometric = 2;   // RGB
    int compression = 1;   // none
    bool extraAlpha = false;  // the last sample is straight opacity
    int rowsPerStrip = 0;  // 0: the library's choice
    int tileSide = 0;
    bool bigTiff = false;  // set on the first page: the file is BigTIFF
    int orientation = 1;   // top row first; 4: the first row stored is the picture's bottom
    std::vector<Rgb> palette;
    std::vector<unsigned> samples;
};
// Writes the pages into one file; false when the library refused.
bool WriteTiff(const std::filesystem::path& path, const std::vector<TiffPage>& pages);

// RGB or RGBA pixels (4 bytes each when `alpha`), top row first; lossless unless `quality` is
// given (0..100).
struct WebPImage {
    int width = 0;
    int height = 0;
    bool alpha = false;
    bool lossless = true;
    float quality = 90;
    std::vector<std::uint8_t> pixels;
};
Bytes EncodeWebP(const WebPImage& picture);
// A lossless animation of RGB frames of one size, each shown for 100 ms.
Bytes EncodeWebPAnimation(int width, int height, const std::vector<std::vector<std::uint8_t>>& frames);

}  // namespace testimages

