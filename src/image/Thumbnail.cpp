// Thumbnails decode apart from the loaders: those stop at whatever settles the verdict (a gray
// header, a gray palette, the row that shows colour), a picture for people needs every pixel.
// The file is read whole through the platform seam, so every path the console takes opens.
#include "image/Thumbnail.h"

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include "image/BitmapFile.h"
#include "image/DecodedImage.h"
#include "image/ImageKind.h"
#include "judge/SampleGrid.h"
#include "platform/Files.h"

namespace {

// Largest picture decoded whole for a thumbnail (PNG and GIF): four bytes a pixel.
constexpr std::uint64_t kMaxThumbnailSourceBytes = kMaxImageBytes;

// Box-filters rows of RGB into the thumbnail as they come: no whole picture is kept.
class Shrinker {
public:
    bool Begin(int width, int height, int longSide, Thumbnail& out) {
        if (width <= 0 || height <= 0 || longSide <= 0) return false;
        out_ = &out;
        width_ = width;
        height_ = height;
        const int side = std::max(width, height);
        out.pictureWidth = width;
        out.pictureHeight = height;
        out.width = side <= longSide ? width : std::max(1, static_cast<int>(std::int64_t{width} * longSide / side));
        out.height = side <= longSide ? height : std::max(1, static_cast<int>(std::int64_t{height} * longSide / side));
        sums_.assign(static_cast<std::size_t>(out.width) * out.height * 4, 0);
        return true;
    }
    // One row from the top, `pixels` RGB (alpha = false) or RGBA composited over white.
    void AddRow(int row, const std::uint8_t* pixels, bool alpha) {
        if (row < 0 || row >= height_) return;
        const auto y = static_cast<std::size_t>(std::int64_t{row} * out_->height / height_);
        std::uint32_t* line = &sums_[y * static_cast<std::size_t>(out_->width) * 4];
        const int channels = alpha ? 4 : 3;
        for (int x = 0; x < width_; ++x) {
            const std::uint8_t* p = pixels + std::ptrdiff_t{x} * channels;
            const unsigned a = alpha ? p[3] : 255u, rest = 255u - a;
            std::uint32_t* cell = &line[static_cast<std::size_t>(std::int64_t{x} * out_->width / width_) * 4];
            cell[0] += (p[0] * a + 255u * rest + 127u) / 255u;
            cell[1] += (p[1] * a + 255u * rest + 127u) / 255u;
            cell[2] += (p[2] * a + 255u * rest + 127u) / 255u;
            ++cell[3];
        }
    }
    void Finish() {
        out_->rgb.assign(static_cast<std::size_t>(out_->width) * out_->height * 3, 255);
        for (std::size_t i = 0, n = sums_.size() / 4; i < n; ++i) {
            const std::uint32_t count = sums_[i * 4 + 3];
            if (count == 0) continue;
            for (int c = 0; c < 3; ++c) out_->rgb[i * 3 + c] = static_cast<std::uint8_t>((sums_[i * 4 + c] + count / 2) / count);
        }
    }

private:
    Thumbnail* out_ = nullptr;
    int width_ = 0, height_ = 0;
    std::vector<std::uint32_t> sums_;  // red, green, blue, pixels per thumbnail pixel
};

bool ThumbnailOfPng(const std::string& bytes, int longSide, Thumbnail& out) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()) == 0) return false;
    image.format = PNG_FORMAT_RGBA;
    const std::uint64_t size = std::uint64_t{image.width} * image.height * 4;
    Shrinker shrinker;
    if (size > kMaxThumbnailSourceBytes || !shrinker.Begin(static_cast<int>(image.width), static_cast<int>(image.height), longSide, out)) {
        png_image_free(&image);
        return false;
    }
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size));
    if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) return false;
    for (int y = 0; y < out.pictureHeight; ++y) {
        shrinker.AddRow(y, &pixels[static_cast<std::size_t>(y) * image.width * 4], true);
    }
    shrinker.Finish();
    return true;
}

// libjpeg's state in a plain struct the caller owns, so that nothing with a destructor lives
// between the setjmp and the calls that may jump back to it.
struct JpegThumbnail {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    std::jmp_buf jump;
    bool created;
};

extern "C" void JpegThumbnailError(j_common_ptr info) {
    auto* state = reinterpret_cast<JpegThumbnail*>(reinterpret_cast<char*>(info) - offsetof(JpegThumbnail, info));
    std::longjmp(state->jump, 1);
}
extern "C" void JpegThumbnailMessage(j_common_ptr) {}

// CMYK as Adobe writes it (inverted) to RGB, in place into the first three bytes of each pixel.
void CmykToRgb(std::uint8_t* row, int width, std::uint8_t* rgb) {
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* p = row + x * 4;
        rgb[x * 3 + 0] = static_cast<std::uint8_t>(p[0] * p[3] / 255);
        rgb[x * 3 + 1] = static_cast<std::uint8_t>(p[1] * p[3] / 255);
        rgb[x * 3 + 2] = static_cast<std::uint8_t>(p[2] * p[3] / 255);
    }
}

bool DecodeJpegThumbnail(JpegThumbnail* state, const std::string* bytes, int longSide, Shrinker* shrinker,
                         Thumbnail* out, std::uint8_t* rgbRow) {
    if (setjmp(state->jump)) return false;
    jpeg_create_decompress(&state->info);
    state->created = true;
    jpeg_mem_src(&state->info, reinterpret_cast<const unsigned char*>(bytes->data()),
                 static_cast<unsigned long>(bytes->size()));
    jpeg_read_header(&state->info, TRUE);
    const bool cmyk = state->info.jpeg_color_space == JCS_CMYK || state->info.jpeg_color_space == JCS_YCCK;
    state->info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    // The decoder's own reduction, as far as the thumbnail stays as sharp.
    const unsigned side = std::max(state->info.image_width, state->info.image_height);
    unsigned denominator = 8;
    while (denominator > 1 && side / denominator < static_cast<unsigned>(longSide)) denominator /= 2;
    state->info.scale_num = 1;
    state->info.scale_denom = denominator;
    jpeg_start_decompress(&state->info);
    const int width = static_cast<int>(state->info.output_width);
    if (!shrinker->Begin(width, static_cast<int>(state->info.output_height), longSide, *out)) return false;
    out->pictureWidth = static_cast<int>(state->info.image_width);
    out->pictureHeight = static_cast<int>(state->info.image_height);
    JSAMPARRAY row = (*state->info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&state->info), JPOOL_IMAGE,
                                                      state->info.output_width * 4, 1);
    while (state->info.output_scanline < state->info.output_height) {
        const int y = static_cast<int>(state->info.output_scanline);
        if (jpeg_read_scanlines(&state->info, row, 1) != 1) return false;
        if (cmyk) CmykToRgb(row[0], width, rgbRow);
        shrinker->AddRow(y, cmyk ? rgbRow : row[0], false);
    }
    jpeg_finish_decompress(&state->info);
    return true;
}

bool ThumbnailOfJpeg(const std::string& bytes, int longSide, Thumbnail& out) {
    auto state = std::make_unique<JpegThumbnail>();
    std::memset(state.get(), 0, sizeof *state);
    state->info.err = jpeg_std_error(&state->errors);
    state->errors.error_exit = JpegThumbnailError;
    state->errors.output_message = JpegThumbnailMessage;
    // A row of up to 65,535 pixels for CMYK converted to RGB.
    std::vector<std::uint8_t> rgbRow(65535u * 3);
    Shrinker shrinker;
    const bool decoded = DecodeJpegThumbnail(state.get(), &bytes, longSide, &shrinker, &out, rgbRow.data());
    if (state->created) jpeg_destroy_decompress(&state->info);
    if (decoded) shrinker.Finish();
    return decoded;
}

struct GifBytes {
    const std::string* bytes;
    std::size_t at;
};

extern "C" int ReadGifBytes(GifFileType* gif, GifByteType* to, int count) {
    auto* source = static_cast<GifBytes*>(gif->UserData);
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(std::max(count, 0)), source->bytes->size() - source->at);
    std::memcpy(to, source->bytes->data() + source->at, n);
    source->at += n;
    return static_cast<int>(n);
}

// The first frame on its own, its transparent colour over white, as the judgment reads it.
bool ThumbnailOfGif(const std::string& bytes, int longSide, Thumbnail& out) {
    GifBytes source{&bytes, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&source, ReadGifBytes, &error);
    if (gif == nullptr) return false;
    bool made = false;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0) {
        const SavedImage& frame = gif->SavedImages[0];
        const ColorMapObject* map = frame.ImageDesc.ColorMap != nullptr ? frame.ImageDesc.ColorMap : gif->SColorMap;
        GraphicsControlBlock control{};
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        DGifSavedExtensionToGCB(gif, 0, &control);
        const int width = frame.ImageDesc.Width, height = frame.ImageDesc.Height;
        Shrinker shrinker;
        if (map != nullptr && frame.RasterBits != nullptr && shrinker.Begin(width, height, longSide, out)) {
            std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 4);
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    const int index = frame.RasterBits[static_cast<std::size_t>(y) * width + x];
                    std::uint8_t* p = &row[static_cast<std::size_t>(x) * 4];
                    const GifColorType c = index < map->ColorCount ? map->Colors[index] : GifColorType{0, 0, 0};
                    p[0] = c.Red;
                    p[1] = c.Green;
                    p[2] = c.Blue;
                    p[3] = index == control.TransparentColor ? 0 : 255;
                }
                shrinker.AddRow(y, row.data(), true);
            }
            shrinker.Finish();
            made = true;
        }
    }
    DGifCloseFile(gif, &error);
    return made;
}

template <int Depth>
void BitmapRowToRgb(const std::uint8_t* row, int width, const ColourTable& table, std::uint8_t* rgb) {
    for (int x = 0; x < width; ++x) {
        const SampleColour c = judge_detail::PixelDecoder<Depth>::At(row, x, table);
        rgb[x * 3] = c.red;
        rgb[x * 3 + 1] = c.green;
        rgb[x * 3 + 2] = c.blue;
    }
}

void OneBitRowToRgb(const std::uint8_t* row, int width, const ColourTable& table, std::uint8_t* rgb) {
    for (int x = 0; x < width; ++x) {
        const SampleColour c = judge_detail::FromEntry(table.entries[(row[x >> 3] >> (7 - (x & 7))) & 1]);
        rgb[x * 3] = c.red;
        rgb[x * 3 + 1] = c.green;
        rgb[x * 3 + 2] = c.blue;
    }
}

// Bitmaps through the readers the judgment uses: the two kinds of our own reader, whose rows
// are kept whole here, and the platform's for the rest (and for a one-bit bitmap that its
// header settles, which our reader then hands no rows).
bool ThumbnailOfImage(DecodedImage* image, int longSide, Thumbnail& out);

bool ThumbnailOfBmp(const std::filesystem::path& path, int longSide, Thumbnail& out) {
    int early = kNoEarlyVerdict;
    ImageBuilder builder;
    DecodedImage* image = ReadBmpRows(path, builder, early) ? builder.Release() : nullptr;
    if (image == nullptr) image = platform::LoadBitmapFile(path);
    return ThumbnailOfImage(image, longSide, out);
}

// A decoded image, which this destroys.
bool ThumbnailOfImage(DecodedImage* image, int longSide, Thumbnail& out) {
    if (image == nullptr) return false;
    const PixelView view = DescribeImage(*image);
    ColourTable table{};
    for (int i = 0; i < image->colourCount && i < 256; ++i) table.entries[i] = image->colourTable[i];
    Shrinker shrinker;
    bool made = shrinker.Begin(image->width, image->height, longSide, out);
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(image->width) * 3);
    for (int y = 0; made && y < image->height; ++y) {
        const std::uint8_t* row = PictureRow(*image, static_cast<std::size_t>(y));
        switch (view.bitsPerPixel) {
            case 1: OneBitRowToRgb(row, image->width, table, rgb.data()); break;
            case 2: BitmapRowToRgb<2>(row, image->width, table, rgb.data()); break;
            case 4: BitmapRowToRgb<4>(row, image->width, table, rgb.data()); break;
            case 8: BitmapRowToRgb<8>(row, image->width, table, rgb.data()); break;
            case 16: BitmapRowToRgb<16>(row, image->width, table, rgb.data()); break;
            case 24: BitmapRowToRgb<24>(row, image->width, table, rgb.data()); break;
            case 32: BitmapRowToRgb<32>(row, image->width, table, rgb.data()); break;
            default: made = false; break;
        }
        shrinker.AddRow(y, rgb.data(), false);
    }
    DestroyDecodedImage(image);
    if (made) shrinker.Finish();
    return made;
}

}  // namespace

bool MakeThumbnail(const std::filesystem::path& path, int longSide, Thumbnail& thumbnail) {
    thumbnail = Thumbnail{};
    const ImageKind kind = ImageKindFromExtension(ExtensionOf(path));
    if (kind == ImageKind::Bmp) return ThumbnailOfBmp(path, longSide, thumbnail);
    if (kind == ImageKind::Tiff) return ThumbnailOfImage(DecodeTiffFirstPage(path), longSide, thumbnail);
    if (kind == ImageKind::WebP) {
        int early = kNoEarlyVerdict;
        std::string reason;
        return ThumbnailOfImage(LoadWebPFile(path, early, reason), longSide, thumbnail);
    }
    if (kind == ImageKind::Unsupported) return false;
    std::string bytes;
    if (!platform::ReadWholeFile(path, bytes)) return false;
    switch (kind) {
        case ImageKind::Jpeg: return ThumbnailOfJpeg(bytes, longSide, thumbnail);
        case ImageKind::Png: return ThumbnailOfPng(bytes, longSide, thumbnail);
        case ImageKind::Gif: return ThumbnailOfGif(bytes, longSide, thumbnail);
        default: return false;
    }
}

bool EncodeThumbnailPng(const Thumbnail& thumbnail, std::string& png) {
    png.clear();
    if (thumbnail.width <= 0 || thumbnail.height <= 0 ||
        thumbnail.rgb.size() != static_cast<std::size_t>(thumbnail.width) * thumbnail.height * 3) {
        return false;
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(thumbnail.width);
    image.height = static_cast<png_uint_32>(thumbnail.height);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (png_image_write_get_memory_size(image, size, 0, thumbnail.rgb.data(), 0, nullptr) == 0) return false;
    png.resize(size);
    if (png_image_write_to_memory(&image, &png[0], &size, 0, thumbnail.rgb.data(), 0, nullptr) == 0) {
        png.clear();
        return false;
    }
    png.resize(size);
    return true;
}
