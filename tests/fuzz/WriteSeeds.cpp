// Writes the committed seed corpus: small files of every variant the loaders branch on, made
// with the same builders the tests use. Run as: pallidor-fuzz-seeds tests/fuzz/corpus
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "support/BmpFiles.h"
#include "support/ImageFiles.h"

using namespace testimages;

namespace {

std::filesystem::path Corpus;

void Put(const char* target, const std::string& name, const testimages::Bytes& bytes) {
    std::error_code error;
    std::filesystem::create_directories(Corpus / target, error);
    WriteFileBytes(Corpus / target / name, bytes);
}

PngPicture Png(int colourType, int bitDepth, bool interlaced) {
    PngPicture p;
    p.width = 5;
    p.height = 4;
    p.colourType = colourType;
    p.bitDepth = bitDepth;
    p.interlaced = interlaced;
    const int channels = colourType == 2 ? 3 : colourType == 6 ? 4 : colourType == 4 ? 2 : 1;
    const unsigned top = (1u << bitDepth) - 1;
    if (colourType == 3) p.palette = {{0, 0, 0}, {200, 30, 10}, {255, 255, 255}, {10, 10, 10}};
    for (int i = 0; i < p.width * p.height * channels; ++i) {
        p.samples.push_back(colourType == 3 ? unsigned(i % 4) % (top + 1) : (i * 37u) % (top + 1));
    }
    return p;
}

JpegPicture Jpeg(int components, bool storeRgb, int quality) {
    JpegPicture p;
    p.width = 16;
    p.height = 8;
    p.components = components;
    p.storeRgb = storeRgb;
    p.quality = quality;
    for (int i = 0; i < p.width * p.height * components; ++i) p.samples.push_back(std::uint8_t(i * 7));
    return p;
}

GifPicture Gif(bool interlaced, bool localMap, int frames) {
    GifPicture p;
    p.screenWidth = 6;
    p.screenHeight = 5;
    p.globalMap = {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}, {255, 255, 255}};
    for (int f = 0; f < frames; ++f) {
        GifFrame frame;
        frame.left = f;
        frame.width = 6 - f;
        frame.height = 5;
        frame.interlaced = interlaced;
        if (localMap) frame.localMap = {{10, 20, 30}, {40, 40, 40}};
        for (int i = 0; i < frame.width * frame.height; ++i) frame.indices.push_back(std::uint8_t(i % (localMap ? 2 : 4)));
        p.frames.push_back(frame);
    }
    return p;
}

BmpFields Bmp(std::uint16_t bitCount, std::uint32_t compression) {
    BmpFields b;
    b.width = 3;
    b.height = 2;
    b.bitCount = bitCount;
    b.compression = compression;
    if (bitCount <= 8) {
        b.colourUsed = 2;
        b.colours = {{0, 0, 0, 0}, {30, 60, 200, 0}};
    }
    const int rowBytes = (3 * bitCount + 7) / 8;
    for (int y = 0; y < 2; ++y) {
        Bytes row;
        for (int x = 0; x < rowBytes; ++x) row.push_back(std::uint8_t(0x35 * (x + y) + 1));
        b.rows.push_back(row);
    }
    return b;
}

BmpFields Rle(std::uint16_t bitCount) {
    BmpFields b = Bmp(bitCount, bitCount == 8 ? 1 : 2);
    b.width = 6;
    b.height = 3;
    b.rows.clear();
    b.pixelData = {0x03, 0x01, 0x00, 0x03, 0x11, 0x01, 0x10, 0x00, 0x00, 0x02, 0x01, 0x01, 0x02, 0x01, 0x00, 0x01};
    return b;
}

void WriteBmpSeeds(const char* target) {
    BmpFields oneBit = Bmp(1, 0);
    Put(target, "1bit-two-colours.bmp", BuildBmp(oneBit));
    oneBit.colourUsed = 0;
    Put(target, "1bit-unstated.bmp", BuildBmp(oneBit));
    Put(target, "4bit.bmp", BuildBmp(Bmp(4, 0)));
    Put(target, "8bit.bmp", BuildBmp(Bmp(8, 0)));
    Put(target, "24bit.bmp", BuildBmp(Bmp(24, 0)));
    BmpFields topDown = Bmp(24, 0);
    topDown.height = -2;
    Put(target, "24bit-top-down.bmp", BuildBmp(topDown));
    Put(target, "32bit.bmp", BuildBmp(Bmp(32, 0)));
    BmpFields b565 = Bmp(16, 3);
    b565.masks = {0xF800, 0x07E0, 0x001F};
    Put(target, "16bit-565.bmp", BuildBmp(b565));
    BmpFields b555 = Bmp(16, 3);
    b555.masks = {0x7C00, 0x03E0, 0x001F};
    Put(target, "16bit-555.bmp", BuildBmp(b555));
    BmpFields b444 = Bmp(16, 3);
    b444.masks = {0x0F00, 0x00F0, 0x000F};
    b444.headerSize = 56;
    Put(target, "16bit-444-v3.bmp", BuildBmp(b444));
    BmpFields v5 = Bmp(32, 3);
    v5.headerSize = 124;
    v5.masks = {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000};
    Put(target, "32bit-1010102-v5.bmp", BuildBmp(v5));
    BmpFields core = Bmp(24, 0);
    core.headerSize = 12;
    Put(target, "24bit-core.bmp", BuildBmp(core));
    Put(target, "rle8.bmp", BuildBmp(Rle(8)));
    Put(target, "rle4.bmp", BuildBmp(Rle(4)));
}

TiffPage Tiff(int samplesPerPixel, int bits, int photometric, int compression) {
    TiffPage p;
    p.width = 6;
    p.height = 5;
    p.samplesPerPixel = samplesPerPixel;
    p.bitsPerSample = bits;
    p.photometric = photometric;
    p.compression = compression;
    p.rowsPerStrip = 2;
    const unsigned top = (1u << bits) - 1;
    for (int i = 0; i < p.width * p.height * samplesPerPixel; ++i) p.samples.push_back((i * 37u) % (top + 1));
    if (photometric == 3) p.palette = {{0, 0, 0}, {200, 30, 10}, {255, 255, 255}, {10, 10, 10}};
    return p;
}

// The TIFF writer needs a file of its own; the seed is its bytes.
void PutTiff(const std::string& name, const std::vector<TiffPage>& pages) {
    const std::filesystem::path scratch = Corpus / "tiff-seed.tmp";
    if (WriteTiff(scratch, pages)) Put("judge_tiff", name, ReadFileBytes(scratch));
    std::error_code error;
    std::filesystem::remove(scratch, error);
}

void WriteTiffSeeds() {
    PutTiff("rgb8-lzw.tif", {Tiff(3, 8, 2, 5)});
    PutTiff("rgb16-deflate.tif", {Tiff(3, 16, 2, 8)});
    PutTiff("rgba8-packbits.tif", {[] {
                TiffPage p = Tiff(4, 8, 2, 32773);
                p.extraAlpha = true;
                return p;
            }()});
    PutTiff("cmyk8.tif", {Tiff(4, 8, 5, 1)});
    PutTiff("palette4.tif", {Tiff(1, 4, 3, 1)});
    PutTiff("gray1-g4.tif", {Tiff(1, 1, 0, 4)});
    PutTiff("ycbcr-jpeg.tif", {[] {
                TiffPage p = Tiff(3, 8, 6, 7);
                p.width = 16;
                p.height = 16;
                p.rowsPerStrip = 16;
                p.samples.assign(16 * 16 * 3, 0);
                for (std::size_t i = 0; i < p.samples.size(); ++i) p.samples[i] = unsigned(i * 13 % 256);
                return p;
            }()});
    PutTiff("tiled-lzw.tif", {[] {
                TiffPage p = Tiff(3, 8, 2, 5);
                p.width = 20;
                p.height = 18;
                p.tileSide = 16;
                p.samples.assign(20 * 18 * 3, 0);
                for (std::size_t i = 0; i < p.samples.size(); ++i) p.samples[i] = unsigned(i * 7 % 256);
                return p;
            }()});
    PutTiff("bigtiff.tif", {[] {
                TiffPage p = Tiff(3, 8, 2, 8);
                p.bigTiff = true;
                return p;
            }()});
    PutTiff("two-pages.tif", {Tiff(1, 1, 0, 4), Tiff(3, 8, 2, 5)});
}

void WriteWebPSeeds() {
    WebPImage p;
    p.width = 7;
    p.height = 5;
    for (int i = 0; i < 7 * 5 * 3; ++i) p.pixels.push_back(std::uint8_t(i * 29));
    Put("judge_webp", "lossless.webp", EncodeWebP(p));
    p.lossless = false;
    Put("judge_webp", "lossy.webp", EncodeWebP(p));
    p.alpha = true;
    p.pixels.clear();
    for (int i = 0; i < 7 * 5 * 4; ++i) p.pixels.push_back(std::uint8_t(i * 31));
    Put("judge_webp", "lossy-alpha.webp", EncodeWebP(p));
    p.lossless = true;
    Put("judge_webp", "lossless-alpha.webp", EncodeWebP(p));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
        return 2;
    }
    Corpus = argv[1];

    Put("judge_png", "rgb8.png", EncodePng(Png(2, 8, false)));
    Put("judge_png", "rgb16-interlaced.png", EncodePng(Png(2, 16, true)));
    Put("judge_png", "rgba8.png", EncodePng(Png(6, 8, false)));
    Put("judge_png", "palette4.png", EncodePng(Png(3, 4, false)));
    Put("judge_png", "palette8-interlaced.png", EncodePng(Png(3, 8, true)));
    Put("judge_png", "gray2.png", EncodePng(Png(0, 2, false)));
    Put("judge_png", "gray-alpha8.png", EncodePng(Png(4, 8, false)));

    Put("judge_jpeg", "ycbcr.jpg", EncodeJpeg(Jpeg(3, false, 90)));
    Put("judge_jpeg", "rgb-stored.jpg", EncodeJpeg(Jpeg(3, true, 75)));
    Put("judge_jpeg", "cmyk.jpg", EncodeJpeg(Jpeg(4, false, 60)));
    Put("judge_jpeg", "gray.jpg", EncodeJpeg(Jpeg(1, false, 50)));
    JpegPicture progressive = Jpeg(3, false, 80);
    progressive.progressive = true;
    Put("judge_jpeg", "progressive.jpg", EncodeJpeg(progressive));

    Put("judge_gif", "global-map.gif", EncodeGif(Gif(false, false, 1)));
    Put("judge_gif", "interlaced.gif", EncodeGif(Gif(true, false, 1)));
    Put("judge_gif", "local-map.gif", EncodeGif(Gif(false, true, 1)));
    Put("judge_gif", "animation.gif", EncodeGif(Gif(false, false, 3)));

    WriteTiffSeeds();
    WriteWebPSeeds();

    WriteBmpSeeds("judge_bmp");
    WriteBmpSeeds("bmp_reader");
    return 0;
}
