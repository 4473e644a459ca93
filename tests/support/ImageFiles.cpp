#include "support/ImageFiles.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include "platform/Text.h"

namespace testimages {

TempFolder::TempFolder() : TempFolder(std::filesystem::temp_directory_path()) {}

TempFolder::TempFolder(const std::filesystem::path& base) {
    std::error_code error;
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = base / ("pallidor-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate, error)) {
            path_ = std::filesystem::absolute(candidate);
            return;
        }
    }
    std::fprintf(stderr, "cannot create a temporary folder under %s\n", base.string().c_str());
    std::abort();
}

TempFolder::~TempFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

std::filesystem::path TempFolder::File(const std::string& name) const {
    return path_ / platform::PathFromUtf8(name);
}

void WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

namespace {

int ChannelsOf(int colourType) {
    switch (colourType) {
        case PNG_COLOR_TYPE_GRAY: return 1;
        case PNG_COLOR_TYPE_RGB: return 3;
        case PNG_COLOR_TYPE_PALETTE: return 1;
        case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
        default: return 4;
    }
}

// Packs the samples into the file's row layout: several small samples per byte (leftmost in
// the high bits), 16-bit samples big-endian.
Bytes PackPngRows(const PngPicture& picture, std::size_t& rowBytes) {
    const int channels = ChannelsOf(picture.colourType);
    const std::size_t perRow = static_cast<std::size_t>(picture.width) * channels;
    rowBytes = (perRow * picture.bitDepth + 7) / 8;
    Bytes rows(rowBytes * picture.height, 0);
    for (int y = 0; y < picture.height; ++y) {
        std::uint8_t* row = rows.data() + y * rowBytes;
        for (std::size_t i = 0; i < perRow; ++i) {
            const unsigned value = picture.samples.at(y * perRow + i);
            if (picture.bitDepth == 16) {
                row[2 * i] = static_cast<std::uint8_t>(value >> 8);
                row[2 * i + 1] = static_cast<std::uint8_t>(value);
            } else if (picture.bitDepth == 8) {
                row[i] = static_cast<std::uint8_t>(value);
            } else {
                const std::size_t bit = i * picture.bitDepth;
                const int shift = 8 - picture.bitDepth - static_cast<int>(bit % 8);
                row[bit / 8] = static_cast<std::uint8_t>(row[bit / 8] | (value << shift));
            }
        }
    }
    return rows;
}

void AppendPngBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void FlushNothing(png_structp) {}

// No object with a destructor lives here: libpng jumps back on a bad picture description.
bool WritePngInto(png_structp png, png_infop info, const PngPicture* picture, Bytes* out,
                  png_bytep* rowPointers, png_colorp palette) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, out, AppendPngBytes, FlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture->width), static_cast<png_uint_32>(picture->height),
                 picture->bitDepth, picture->colourType,
                 picture->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!picture->palette.empty()) png_set_PLTE(png, info, palette, static_cast<int>(picture->palette.size()));
    png_write_info(png, info);
    png_write_image(png, rowPointers);
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

Bytes HugePng() {
    return {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00,
            0x00, 0x4E, 0x20, 0x00, 0x00, 0x4E, 0x20, 0x08, 0x02, 0x00, 0x00, 0x00, 0x6C, 0x12, 0xD1, 0x6E, 0x00,
            0x00, 0x00, 0x0B, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x60, 0x40, 0x05, 0x00, 0x00, 0x10, 0x00,
            0x01, 0x39, 0xBD, 0x8F, 0x65, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
}

Bytes EncodePng(const PngPicture& picture) {
    std::size_t rowBytes = 0;
    Bytes rows = PackPngRows(picture, rowBytes);
    std::vector<png_bytep> rowPointers;
    for (int y = 0; y < picture.height; ++y) rowPointers.push_back(rows.data() + y * rowBytes);
    std::vector<png_color> palette;
    for (const Rgb& c : picture.palette) palette.push_back(png_color{c.red, c.green, c.blue});

    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const bool written = WritePngInto(png, info, &picture, &out, rowPointers.data(), palette.data());
    png_destroy_write_struct(&png, &info);
    return written ? out : Bytes{};
}

namespace {

void JpegEncoderFailed(j_common_ptr cinfo) {
    std::longjmp(*static_cast<std::jmp_buf*>(cinfo->client_data), 1);
}

struct JpegEncode {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errorManager;
    std::jmp_buf failed;
    unsigned char* buffer;
    unsigned long size;
};

// No object with a destructor lives here: libjpeg jumps back on a bad picture description.
bool WriteJpegInto(JpegEncode* encode, const JpegPicture* picture) {
    jpeg_compress_struct* cinfo = &encode->cinfo;
    cinfo->err = jpeg_std_error(&encode->errorManager);
    encode->errorManager.error_exit = JpegEncoderFailed;
    cinfo->client_data = &encode->failed;
    if (setjmp(encode->failed)) return false;
    jpeg_create_compress(cinfo);
    jpeg_mem_dest(cinfo, &encode->buffer, &encode->size);
    cinfo->image_width = static_cast<JDIMENSION>(picture->width);
    cinfo->image_height = static_cast<JDIMENSION>(picture->height);
    cinfo->input_components = picture->components;
    cinfo->in_color_space = picture->components == 1 ? JCS_GRAYSCALE
                            : picture->components == 4 ? JCS_CMYK
                                                       : JCS_RGB;
    jpeg_set_defaults(cinfo);
    if (picture->storeRgb) jpeg_set_colorspace(cinfo, JCS_RGB);
    jpeg_set_quality(cinfo, picture->quality, TRUE);
    if (picture->progressive) jpeg_simple_progression(cinfo);
    for (int i = 0; i < cinfo->num_components; ++i) {
        cinfo->comp_info[i].h_samp_factor = 1;
        cinfo->comp_info[i].v_samp_factor = 1;
    }
    jpeg_start_compress(cinfo, TRUE);
    const std::size_t rowBytes = static_cast<std::size_t>(picture->width) * picture->components;
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(picture->samples.data() + cinfo->next_scanline * rowBytes);
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

}  // namespace

Bytes EncodeJpeg(const JpegPicture& picture) {
    JpegEncode encode{};
    const bool written = WriteJpegInto(&encode, &picture);
    Bytes out;
    if (written) out.assign(encode.buffer, encode.buffer + encode.size);
    jpeg_destroy_compress(&encode.cinfo);
    std::free(encode.buffer);
    return out;
}

namespace {

int AppendGifBytes(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

// A map object of the next power of two, padded with black; nullptr for no map.
ColorMapObject* MakeGifMap(const std::vector<Rgb>& colours) {
    if (colours.empty()) return nullptr;
    int size = 2;
    while (size < static_cast<int>(colours.size())) size *= 2;
    std::vector<GifColorType> padded(static_cast<std::size_t>(size), GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < colours.size(); ++i) {
        padded[i] = GifColorType{colours[i].red, colours[i].green, colours[i].blue};
    }
    return GifMakeMapObject(size, padded.data());
}

bool PutGifFrame(GifFileType* gif, const GifFrame& frame) {
    ColorMapObject* map = MakeGifMap(frame.localMap);
    const bool described = EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height,
                                            frame.interlaced, map) != GIF_ERROR;
    GifFreeMapObject(map);
    if (!described) return false;
    std::vector<int> order;
    if (frame.interlaced) {
        const int first[4] = {0, 4, 2, 1};
        const int step[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int r = first[pass]; r < frame.height; r += step[pass]) order.push_back(r);
        }
    } else {
        for (int r = 0; r < frame.height; ++r) order.push_back(r);
    }
    for (int r : order) {
        std::vector<GifPixelType> line(frame.indices.begin() + r * frame.width,
                                       frame.indices.begin() + (r + 1) * frame.width);
        if (EGifPutLine(gif, line.data(), frame.width) == GIF_ERROR) return false;
    }
    return true;
}

}  // namespace

Bytes EncodeGif(const GifPicture& picture) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendGifBytes, &error);
    if (gif == nullptr) return Bytes{};
    ColorMapObject* globalMap = MakeGifMap(picture.globalMap);
    bool written = EGifPutScreenDesc(gif, picture.screenWidth, picture.screenHeight, 8, 0, globalMap) != GIF_ERROR;
    GifFreeMapObject(globalMap);
    for (const GifFrame& frame : picture.frames) {
        if (written && picture.transparentIndex >= 0) {
            EGifSetGifVersion(gif, true);
            GraphicsControlBlock control{};
            control.DelayTime = 0;
            control.TransparentColor = picture.transparentIndex;
            GifByteType extension[4];
            const std::size_t length = EGifGCBToExtension(&control, extension);
            written = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) != GIF_ERROR;
        }
        written = written && PutGifFrame(gif, frame);
    }
    written = EGifCloseFile(gif, &error) != GIF_ERROR && written;
    return written ? out : Bytes{};
}

}  // namespace testimages
