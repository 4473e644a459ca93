// The PNG loader: libpng reading through our own file handle, errors back through png_jmpbuf.
#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include <png.h>

#include "image/DecodedImage.h"
#include "platform/Files.h"

namespace {

// The file as libpng reads it. The library asks for a few bytes at a time (chunk headers,
// CRCs, 8 KB pieces of image data), and a system call for each would cost more than the copy
// out of a buffer of our own.
struct PngSource {
    platform::InputFile* file;
    std::size_t position;  // next unread byte of buffer
    std::size_t filled;    // bytes of buffer that hold file data
    unsigned char buffer[64 * 1024];
};

std::size_t ReadBuffered(PngSource& source, unsigned char* destination, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        if (source.position == source.filled) {
            // A request as large as the buffer gains nothing from it.
            if (length - done >= sizeof source.buffer) {
                return done + platform::ReadInputFile(source.file, destination + done, length - done);
            }
            source.position = 0;
            source.filled = platform::ReadInputFile(source.file, source.buffer, sizeof source.buffer);
            if (source.filled == 0) return done;
        }
        const std::size_t n = std::min(length - done, source.filled - source.position);
        std::memcpy(destination + done, source.buffer + source.position, n);
        source.position += n;
        done += n;
    }
    return done;
}

// libpng's read function: exactly `length` bytes or a library error, never a short buffer.
void PngReadFromFile(png_structp png, png_bytep destination, png_size_t length) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (ReadBuffered(*source, destination, length) != length) png_error(png, "Read Error");
}

// libpng's messages go nowhere: a failure is told by the loader's reason, and a warning
// changes nothing the judgment reads. Without these the library prints to standard error.
[[noreturn]] void QuietPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void QuietPngWarning(png_structp, png_const_charp) {}

// Everything a decode acquires, owned by LoadPngFile's frame so that it is intact after a
// jump back into DecodePng and is released in one place.
struct PngDecode {
    PngSource source;
    png_structp png;
    png_infop info;
    RowSink* sink;
    std::uint8_t* row;    // one row of a plain file
    bool beyondWholeImage;  // larger than a whole image may be (FitsWholeImage)
    DecodedImage* image;  // the whole picture of an interlaced file
};

// Chunks the library would read whole into a buffer of the declared length before it
// checks anything, zero-filled first: a 57-byte file declaring a gigabyte costs a gigabyte
// of memory per worker. None of them takes part in the decision, so they are skipped unread.
const png_byte kUnusedBufferedChunks[] = {
    'i', 'C', 'C', 'P', 0, 'i', 'T', 'X', 't', 0, 'p', 'C', 'A', 'L', 0, 's', 'C', 'A', 'L', 0,
    's', 'P', 'L', 'T', 0, 't', 'E', 'X', 't', 0, 'z', 'T', 'X', 't', 0, 'e', 'X', 'I', 'f', 0,
};

// Explicit rather than the build's defaults: sides beyond these make libpng's own row buffers
// (up to 8 bytes a pixel) large before our image creation can refuse the size, and no chunk we
// read needs more than a few megabytes.
constexpr png_uint_32 kMaxPngSide = 1000000;
constexpr png_alloc_size_t kMaxPngChunkBytes = 8000000;

enum class PngOutcome {
    Decoded,
    Stopped,      // the sink had enough before the last row
    Monochrome,   // gray by its colour type
    GrayPalette,  // a palette of gray entries only
    LibraryError,
    UnsupportedDepth,
    UnsupportedInterlace,
    ImageNotCreated,
};

// Runs the library from the rest of the signature to the end of the file. No object with a
// destructor lives in this frame, so a jump back here skips nothing.
PngOutcome DecodePng(PngDecode* decode) {
    png_structp png = decode->png;
    png_infop info = decode->info;
    if (setjmp(png_jmpbuf(png))) return PngOutcome::LibraryError;

    png_set_read_fn(png, &decode->source, PngReadFromFile);
    png_set_sig_bytes(png, 4);
    png_set_user_limits(png, kMaxPngSide, kMaxPngSide);
    png_set_chunk_malloc_max(png, kMaxPngChunkBytes);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kUnusedBufferedChunks,
                                static_cast<int>(sizeof kUnusedBufferedChunks / 5));
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    const int colourType = png_get_color_type(png, info);
    const int interlace = png_get_interlace_type(png, info);
    const int channels = png_get_channels(png, info);

    // Gray with alpha is still gray: its alpha never takes part in the decision.
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        return PngOutcome::Monochrome;
    }
    png_set_bgr(png);
    switch (bitDepth) {
        case 1: case 2: case 4: png_set_packing(png); break;
        case 8: break;
        case 16: png_set_strip_16(png); break;
        default: return PngOutcome::UnsupportedDepth;
    }
    int passes = 1;
    switch (interlace) {
        case PNG_INTERLACE_NONE: break;
        case PNG_INTERLACE_ADAM7: passes = png_set_interlace_handling(png); break;
        default: return PngOutcome::UnsupportedInterlace;
    }
    // Also for plain files: the row size it settles is checked against the stride below.
    png_read_update_info(png, info);

    RgbQuad colourTable[256];
    std::memset(colourTable, 0, sizeof colourTable);
    int paletteSize = 0;
    bool paletteAlpha = false;
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp palette = nullptr;
        if (png_get_PLTE(png, info, &palette, &paletteSize) == 0) paletteSize = 0;
        if (paletteSize > 256) paletteSize = 256;
        bool allGray = true;
        for (int i = 0; i < paletteSize; ++i) {
            const png_color& c = palette[i];
            colourTable[i] = RgbQuad{c.blue, c.green, c.red, 0};
            if (c.red != c.green || c.red != c.blue) allGray = false;
        }
        if (allGray) return PngOutcome::GrayPalette;
        // Opacity per entry, for the perceptual criterion: entries beyond the transparency
        // chunk are opaque.
        png_bytep opacity = nullptr;
        int opacityCount = 0;
        if (png_get_tRNS(png, info, &opacity, &opacityCount, nullptr) != 0 && opacity != nullptr) {
            paletteAlpha = true;
            for (int i = 0; i < 256; ++i) colourTable[i].reserved = i < opacityCount ? opacity[i] : 255;
        }
    }

    if (width > INT32_MAX || height > INT32_MAX) return PngOutcome::ImageNotCreated;
    RowFormat format;
    format.width = static_cast<std::int32_t>(width);
    format.height = static_cast<std::int32_t>(height);
    format.bitsPerPixel = static_cast<std::uint16_t>(8 * channels);
    format.alpha = colourType == PNG_COLOR_TYPE_RGB_ALPHA || paletteAlpha;
    format.colourTable = paletteSize > 0 ? colourTable : nullptr;
    format.colourCount = paletteSize;
    // png_read_row writes a whole transformed row; it must fit the padded row.
    const std::uint64_t stride = (std::uint64_t{width} * format.bitsPerPixel + 31) / 32 * 4;
    if (stride > kMaxImageBytes || png_get_rowbytes(png, info) > stride) return PngOutcome::ImageNotCreated;
    decode->beyondWholeImage = !FitsWholeImage(format.width, format.height, format.bitsPerPixel);
    if (!decode->sink->BeginRows(format)) return PngOutcome::ImageNotCreated;
    if (decode->sink->Satisfied()) return PngOutcome::Stopped;

    if (passes == 1) {
        // A plain file: one row at a time, straight from the library to the sink.
        decode->row = static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(stride), 1));
        if (decode->row == nullptr) return PngOutcome::ImageNotCreated;
        for (std::int32_t r = 0; r < format.height; ++r) {
            png_read_row(png, decode->row, nullptr);
            if (!decode->sink->TakeRow(r, decode->row)) return PngOutcome::Stopped;
        }
        png_read_end(png, nullptr);
        return PngOutcome::Decoded;
    }

    // Adam7 passes each write only their own pixels, so a row is whole only after the last
    // pass: the picture is gathered whole, under the memory budget, and then handed over. A row
    // a pass never reaches must read as zero.
    BitmapInfoHeader header;
    header.width = format.width;
    header.height = format.height;
    header.bitCount = format.bitsPerPixel;
    decode->image = CreateDecodedImage(header, nullptr);
    if (decode->image == nullptr) return PngOutcome::ImageNotCreated;
    for (int pass = 0; pass < passes; ++pass) {
        for (std::int32_t r = 0; r < format.height; ++r) {
            png_read_row(png, PictureRow(*decode->image, static_cast<std::size_t>(r)), nullptr);
        }
    }
    png_read_end(png, nullptr);
    for (std::int32_t r = 0; r < format.height; ++r) {
        if (!decode->sink->TakeRow(r, PictureRow(*decode->image, static_cast<std::size_t>(r)))) break;
    }
    return PngOutcome::Decoded;
}

// The one release routine of every path: library structures, then the file, then our image.
void ReleasePngDecode(PngDecode& decode) {
    if (decode.png != nullptr) {
        png_destroy_read_struct(&decode.png, decode.info != nullptr ? &decode.info : nullptr, nullptr);
    }
    platform::CloseInputFile(decode.source.file);
    decode.source.file = nullptr;
    std::free(decode.row);
    decode.row = nullptr;
    DestroyDecodedImage(decode.image);
    decode.png = nullptr;
    decode.info = nullptr;
    decode.image = nullptr;
}

}  // namespace

bool ReadPngRows(const std::filesystem::path& path, RowSink& sink, int& earlyVerdict,
                 std::string& loadReason, JudgeEvidence* evidence, const platform::FileSystem& files) {
    earlyVerdict = kNoEarlyVerdict;
    // Not value-initialised: that would clear the whole read buffer for nothing.
    PngDecode decode;
    decode.source.file = platform::OpenInputFile(path, files);
    decode.source.position = 0;
    decode.source.filled = 0;
    decode.png = nullptr;
    decode.info = nullptr;
    decode.sink = &sink;
    decode.row = nullptr;
    decode.beyondWholeImage = false;
    decode.image = nullptr;
    if (decode.source.file == nullptr) {
        loadReason = "ファイルの読み込みオープンに失敗しました。";
        return false;
    }
    // A short file reads as fewer bytes, which cannot match the signature; a read that fails
    // (a file locked by another program, a network file gone) is no verdict on the contents.
    unsigned char signature[4] = {0, 0, 0, 0};
    const std::size_t got = ReadBuffered(decode.source, signature, sizeof signature);
    if (platform::InputFileFailed(decode.source.file)) {
        ReleasePngDecode(decode);
        loadReason = "ファイルの読み込みに失敗しました。";
        return false;
    }
    static const unsigned char kPngStart[4] = {137, 80, 78, 71};
    if (got != sizeof signature || std::memcmp(signature, kPngStart, sizeof signature) != 0) {
        ReleasePngDecode(decode);
        loadReason = "PNGファイルではありません。";
        return false;
    }
    decode.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietPngError, QuietPngWarning);
    if (decode.png != nullptr) decode.info = png_create_info_struct(decode.png);
    if (decode.png == nullptr || decode.info == nullptr) {
        ReleasePngDecode(decode);
        loadReason = "読み込みの準備に失敗しました。";
        return false;
    }

    PngOutcome outcome = DecodePng(&decode);
    ReleasePngDecode(decode);
    if (outcome == PngOutcome::LibraryError && decode.beyondWholeImage) outcome = PngOutcome::ImageNotCreated;
    if (outcome == PngOutcome::Decoded || outcome == PngOutcome::Stopped) return true;
    switch (outcome) {
        case PngOutcome::Monochrome:
            earlyVerdict = kEarlyMonochrome;
            NoteEarlyRule(evidence, DecidingRule::Header, "gray PNG");
            break;
        case PngOutcome::GrayPalette:
            earlyVerdict = kEarlyMonochrome;
            NoteEarlyRule(evidence, DecidingRule::ColourTable, "palette of gray entries");
            break;
        case PngOutcome::LibraryError: loadReason = "ファイルを開くのに失敗しました。"; break;
        case PngOutcome::UnsupportedDepth: loadReason = "非対応のビット深度です。"; break;
        case PngOutcome::UnsupportedInterlace: loadReason = "非対応のインターレース形式です。"; break;
        case PngOutcome::ImageNotCreated: loadReason = "BMPオブジェクトの作成に失敗しました。"; break;
        case PngOutcome::Decoded:
        case PngOutcome::Stopped: break;
    }
    return false;
}

DecodedImage* LoadPngFile(const std::filesystem::path& path, int& earlyVerdict,
                          std::string& loadReason, JudgeEvidence* evidence, const platform::FileSystem& files) {
    ImageBuilder builder;
    return ReadPngRows(path, builder, earlyVerdict, loadReason, evidence, files) ? builder.Release() : nullptr;
}
