// The decode floor: how fast the decoding libraries alone get through a set of files, with the
// same settings the loaders use and the same parallelism as pallidor-cli judge. Pixels land in
// one buffer per file, as the loaders' images do; nothing is judged. A file that the loaders
// settle from its header (a gray JPEG or PNG, an all-gray palette) costs its header here too.
//
//   pallidor-decode-floor THREADS PATH...      (folders are listed, not descended)
#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf context;
};

void JpegFail(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->context, 1); }
void JpegQuiet(j_common_ptr) {}

// The loaders read through 64 KB buffers; so does the floor.
std::FILE* OpenBuffered(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file != nullptr) std::setvbuf(file, nullptr, _IOFBF, 64 * 1024);
    return file;
}

// Returns a byte of the pixels so that no decode can be left out as unused.
unsigned DecodeJpeg(const char* path) {
    std::FILE* file = OpenBuffered(path);
    if (file == nullptr) return 0;
    jpeg_decompress_struct cinfo;
    JpegError error;
    cinfo.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JpegFail;
    error.manager.output_message = JpegQuiet;
    std::uint8_t* volatile pixels = nullptr;
    JSAMPROW* volatile rows = nullptr;
    unsigned sum = 0;
    if (setjmp(error.context) == 0) {
        jpeg_create_decompress(&cinfo);
        jpeg_stdio_src(&cinfo, file);
        jpeg_read_header(&cinfo, TRUE);
        if (cinfo.out_color_space == JCS_RGB) cinfo.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&cinfo);
        if (cinfo.output_components != 1) {
            const std::size_t stride = (std::size_t{cinfo.output_width} * cinfo.output_components + 3) / 4 * 4;
            pixels = static_cast<std::uint8_t*>(std::malloc(stride * cinfo.output_height));
            rows = static_cast<JSAMPROW*>(std::malloc(sizeof(JSAMPROW) * cinfo.output_height));
            for (JDIMENSION i = 0; i < cinfo.output_height; ++i) {
                rows[i] = pixels + (cinfo.output_height - 1 - i) * stride;
            }
            while (cinfo.output_scanline < cinfo.output_height) {
                if (jpeg_read_scanlines(&cinfo, rows + cinfo.output_scanline,
                                        cinfo.output_height - cinfo.output_scanline) == 0) break;
            }
            jpeg_finish_decompress(&cinfo);
            sum = pixels[0];
        }
    }
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    std::free(rows);
    std::free(pixels);
    return sum;
}

unsigned DecodePng(const char* path) {
    std::FILE* file = OpenBuffered(path);
    if (file == nullptr) return 0;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::uint8_t* volatile pixels = nullptr;
    unsigned sum = 0;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_read_info(png, info);
        const int colourType = png_get_color_type(png, info);
        const int bitDepth = png_get_bit_depth(png, info);
        bool needed = colourType != PNG_COLOR_TYPE_GRAY && colourType != PNG_COLOR_TYPE_GRAY_ALPHA;
        if (needed && colourType == PNG_COLOR_TYPE_PALETTE) {
            png_colorp palette = nullptr;
            int entries = 0;
            png_get_PLTE(png, info, &palette, &entries);
            needed = false;
            for (int i = 0; i < entries; ++i) {
                if (palette[i].red != palette[i].green || palette[i].red != palette[i].blue) needed = true;
            }
        }
        if (needed) {
            png_set_bgr(png);
            if (bitDepth < 8) png_set_packing(png);
            if (bitDepth == 16) png_set_strip_16(png);
            const int passes = png_set_interlace_handling(png);
            png_read_update_info(png, info);
            const png_uint_32 height = png_get_image_height(png, info);
            const std::size_t stride = (png_get_rowbytes(png, info) + 3) / 4 * 4;
            pixels = static_cast<std::uint8_t*>(std::malloc(stride * height));
            for (int pass = 0; pass < passes; ++pass) {
                for (png_uint_32 r = 0; r < height; ++r) png_read_row(png, pixels + (height - 1 - r) * stride, nullptr);
            }
            png_read_end(png, nullptr);
            sum = pixels[0];
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    std::free(pixels);
    return sum;
}

// The first frame, line by line, as the loader reads it.
unsigned DecodeGif(const char* path) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path, &error);
    if (gif == nullptr) return 0;
    unsigned sum = 0;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR || type == TERMINATE_RECORD_TYPE) break;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* data = nullptr;
            if (DGifGetExtension(gif, &code, &data) == GIF_ERROR) break;
            while (data != nullptr) {
                if (DGifGetExtensionNext(gif, &data) == GIF_ERROR) break;
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE || DGifGetImageDesc(gif) == GIF_ERROR) break;
        const int width = gif->Image.Width;
        const int height = gif->Image.Height;
        const std::size_t stride = (static_cast<std::size_t>(width) + 3) / 4 * 4;
        auto* pixels = static_cast<std::uint8_t*>(std::malloc(stride * height));
        for (int r = 0; r < height; ++r) {
            if (DGifGetLine(gif, pixels + (height - 1 - r) * stride, width) == GIF_ERROR) break;
        }
        sum = pixels[0];
        std::free(pixels);
        break;
    }
    DGifCloseFile(gif, &error);
    return sum;
}

// A bitmap's pixels are stored as they lie in memory: reading them is the whole decode.
unsigned ReadBmp(const char* path) {
    const int fd = ::open(path, O_RDONLY);
    if (fd < 0) return 0;
    const off_t size = ::lseek(fd, 0, SEEK_END);
    ::lseek(fd, 0, SEEK_SET);
    auto* bytes = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(size)));
    std::size_t got = 0;
    while (got < static_cast<std::size_t>(size)) {
        const ssize_t n = ::read(fd, bytes + got, static_cast<std::size_t>(size) - got);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    const unsigned sum = got > 0 ? bytes[got - 1] : 0;
    std::free(bytes);
    return sum;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

unsigned DecodeByExtension(const fs::path& path) {
    const std::string extension = Lower(path.extension().string());
    const char* name = path.c_str();
    if (extension == ".jpg" || extension == ".jpeg" || extension == ".jpe" || extension == ".jfif" ||
        extension == ".jfi" || extension == ".jif") {
        return DecodeJpeg(name);
    }
    if (extension == ".png") return DecodePng(name);
    if (extension == ".gif") return DecodeGif(name);
    if (extension == ".bmp" || extension == ".dib") return ReadBmp(name);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: pallidor-decode-floor THREADS PATH...\n");
        return 2;
    }
    const int threads = std::max(1, std::atoi(argv[1]));
    std::vector<fs::path> files;
    for (int i = 2; i < argc; ++i) {
        std::error_code error;
        if (fs::is_directory(argv[i], error)) {
            for (const auto& entry : fs::directory_iterator(argv[i], error)) {
                if (entry.is_regular_file(error)) files.push_back(entry.path());
            }
        } else {
            files.emplace_back(argv[i]);
        }
    }

    std::atomic<std::size_t> next{0};
    std::atomic<unsigned> checksum{0};
    auto work = [&] {
        unsigned sum = 0;
        for (std::size_t i = next++; i < files.size(); i = next++) sum += DecodeByExtension(files[i]);
        checksum += sum;
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) helpers.emplace_back(work);
    work();
    for (auto& helper : helpers) helper.join();
    std::printf("%zu files decoded (checksum %u)\n", files.size(), checksum.load());
    return 0;
}
