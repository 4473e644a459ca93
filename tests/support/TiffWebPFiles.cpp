// The TIFF and WebP writers of the test images, through the same libraries the loaders use.
#include <memory>
#include <cstring>

#include <tiffio.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include "platform/Text.h"
#include "support/ImageFiles.h"

namespace testimages {

namespace {

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

// The samples of rows [top, top + count) packed at the page's depth, MSB first as the format
// stores sub-byte samples.
std::vector<std::uint8_t> PackRows(const TiffPage& page, int top, int count, int rowWidth, int left) {
    const int perPixel = page.samplesPerPixel;
    const std::size_t rowBytes = (static_cast<std::size_t>(rowWidth) * perPixel * page.bitsPerSample + 7) / 8;
    std::vector<std::uint8_t> bytes(rowBytes * static_cast<std::size_t>(count), 0);
    for (int r = 0; r < count; ++r) {
        std::uint8_t* out = bytes.data() + rowBytes * static_cast<std::size_t>(r);
        std::size_t bit = 0;
        for (int x = 0; x < rowWidth; ++x) {
            for (int s = 0; s < perPixel; ++s) {
                const int row = top + r;
                const int column = left + x;
                unsigned value = 0;
                if (row < page.height && column < page.width) {
                    value = page.samples[(static_cast<std::size_t>(row) * page.width + column) * perPixel + s];
                }
                if (page.bitsPerSample == 16) {
                    // Native byte order, as libtiff expects from its caller.
                    const std::uint16_t v = static_cast<std::uint16_t>(value);
                    std::memcpy(out + bit / 8, &v, 2);
                } else if (page.bitsPerSample == 8) {
                    out[bit / 8] = static_cast<std::uint8_t>(value);
                } else {
                    const int shift = 8 - page.bitsPerSample - static_cast<int>(bit % 8);
                    out[bit / 8] |= static_cast<std::uint8_t>((value & ((1u << page.bitsPerSample) - 1)) << shift);
                }
                bit += static_cast<std::size_t>(page.bitsPerSample);
            }
        }
    }
    return bytes;
}

bool WritePage(TIFF* tiff, const TiffPage& page, int pageNumber, int pageCount) {
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(page.width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(page.height));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(page.samplesPerPixel));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(page.bitsPerSample));
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, static_cast<std::uint16_t>(page.photometric));
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, static_cast<std::uint16_t>(page.compression));
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, static_cast<std::uint16_t>(page.orientation));
    if (pageCount > 1) {
        TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(tiff, TIFFTAG_PAGENUMBER, static_cast<std::uint16_t>(pageNumber),
                     static_cast<std::uint16_t>(pageCount));
    }
    if (page.extraAlpha) {
        const std::uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    if (page.photometric == PHOTOMETRIC_SEPARATED) TIFFSetField(tiff, TIFFTAG_INKSET, INKSET_CMYK);
    if (page.photometric == PHOTOMETRIC_PALETTE) {
        const std::size_t entries = std::size_t{1} << page.bitsPerSample;
        std::vector<std::uint16_t> red(entries, 0), green(entries, 0), blue(entries, 0);
        for (std::size_t i = 0; i < page.palette.size() && i < entries; ++i) {
            red[i] = static_cast<std::uint16_t>(page.palette[i].red * 257);
            green[i] = static_cast<std::uint16_t>(page.palette[i].green * 257);
            blue[i] = static_cast<std::uint16_t>(page.palette[i].blue * 257);
        }
        TIFFSetField(tiff, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
    }
    if (page.compression == COMPRESSION_JPEG) {
        TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, 95);
        if (page.photometric == PHOTOMETRIC_YCBCR) TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    }
    if (page.tileSide > 0) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, static_cast<std::uint32_t>(page.tileSide));
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, static_cast<std::uint32_t>(page.tileSide));
        for (int y = 0; y < page.height; y += page.tileSide) {
            for (int x = 0; x < page.width; x += page.tileSide) {
                std::vector<std::uint8_t> tile = PackRows(page, y, page.tileSide, page.tileSide, x);
                if (TIFFWriteTile(tiff, tile.data(), static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 0,
                                  0) < 0) {
                    return false;
                }
            }
        }
    } else {
        const std::uint32_t rows = page.rowsPerStrip > 0 ? static_cast<std::uint32_t>(page.rowsPerStrip)
                                                         : TIFFDefaultStripSize(tiff, 0);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rows);
        for (int y = 0; y < page.height; ++y) {
            std::vector<std::uint8_t> row = PackRows(page, y, 1, page.width, 0);
            if (TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0) < 0) return false;
        }
    }
    return TIFFWriteDirectory(tiff) != 0;
}

}  // namespace

bool WriteTiff(const std::filesystem::path& path, const std::vector<TiffPage>& pages) {
    if (pages.empty()) return false;
    const std::string mode = pages.front().bigTiff ? "w8" : "w";
    std::unique_ptr<TIFF, TiffCloser> tiff(TIFFOpen(platform::PathToUtf8(path).c_str(), mode.c_str()));
    if (tiff == nullptr) return false;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (!WritePage(tiff.get(), pages[i], static_cast<int>(i), static_cast<int>(pages.size()))) return false;
    }
    return true;
}

Bytes EncodeWebP(const WebPImage& picture) {
    std::uint8_t* output = nullptr;
    const int stride = picture.width * (picture.alpha ? 4 : 3);
    std::size_t size = 0;
    if (picture.lossless) {
        size = picture.alpha ? WebPEncodeLosslessRGBA(picture.pixels.data(), picture.width, picture.height, stride, &output)
                             : WebPEncodeLosslessRGB(picture.pixels.data(), picture.width, picture.height, stride, &output);
    } else {
        size = picture.alpha
                   ? WebPEncodeRGBA(picture.pixels.data(), picture.width, picture.height, stride, picture.quality, &output)
                   : WebPEncodeRGB(picture.pixels.data(), picture.width, picture.height, stride, picture.quality, &output);
    }
    Bytes bytes(output, output + size);
    WebPFree(output);
    return bytes;
}

Bytes EncodeWebPAnimation(int width, int height, const std::vector<std::vector<std::uint8_t>>& frames) {
    WebPAnimEncoderOptions options;
    WebPConfig config;
    if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config)) return {};
    config.lossless = 1;
    // Every frame whole, so that the first frame is the picture itself.
    options.allow_mixed = 0;
    options.minimize_size = 0;
    options.kmin = 1;
    options.kmax = 1;
    WebPAnimEncoder* encoder = WebPAnimEncoderNew(width, height, &options);
    if (encoder == nullptr) return {};
    int time = 0;
    for (const auto& rgb : frames) {
        ::WebPPicture picture;
        WebPPictureInit(&picture);
        picture.use_argb = 1;
        picture.width = width;
        picture.height = height;
        const bool added = WebPPictureImportRGB(&picture, rgb.data(), width * 3) &&
                           WebPAnimEncoderAdd(encoder, &picture, time, &config);
        WebPPictureFree(&picture);
        if (!added) {
            WebPAnimEncoderDelete(encoder);
            return {};
        }
        time += 100;
    }
    WebPData data;
    WebPDataInit(&data);
    Bytes bytes;
    if (WebPAnimEncoderAdd(encoder, nullptr, time, nullptr) && WebPAnimEncoderAssemble(encoder, &data)) {
        bytes.assign(data.bytes, data.bytes + data.size);
    }
    WebPDataClear(&data);
    WebPAnimEncoderDelete(encoder);
    return bytes;
}

}  // namespace testimages
