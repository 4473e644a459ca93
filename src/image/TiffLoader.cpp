// The TIFF loader: every page through libtiff, read through our own file handle.
//
// A gray or bilevel page, or one whose palette is gray, is settled from its directory, as a
// gray PNG is; every other page goes through the library's RGBA interface, which renders each
// photometric interpretation, depth, planar layout and compression it supports alike. Its
// rows come a strip or a tile row at a time into a buffer held under the memory budget, so a
// page is never gathered whole unless it is stored as one strip.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cstdarg>
#include <memory>
#include <mutex>
#include <system_error>

#include <tiffio.h>

#include "image/DecodedImage.h"
#include "image/MemoryBudget.h"
#include "platform/Files.h"

namespace {

// A document of more pages than this is refused rather than judged: each page costs a
// directory read, and a chain of thousands of empty directories is cheap to make.
constexpr int kMaxTiffPages = 4096;
// The most the library may allocate at once for its own tables and strips; a picture's
// rows are counted against the memory budget instead.
constexpr tmsize_t kMaxTiffAllocation = tmsize_t{256} << 20;

struct TiffSource {
    platform::InputFile* file;
    std::uint64_t size;
    std::uint64_t position;
};

tmsize_t ReadTiff(thandle_t handle, void* destination, tmsize_t count) {
    auto* source = static_cast<TiffSource*>(handle);
    if (count < 0) return -1;
    const std::size_t got = platform::ReadInputFile(source->file, destination, static_cast<std::size_t>(count));
    source->position += got;
    return static_cast<tmsize_t>(got);
}

tmsize_t WriteTiff(thandle_t, void*, tmsize_t) { return -1; }

toff_t SeekTiff(thandle_t handle, toff_t offset, int whence) {
    auto* source = static_cast<TiffSource*>(handle);
    std::uint64_t target = offset;
    if (whence == SEEK_CUR) target = source->position + offset;
    if (whence == SEEK_END) target = source->size + offset;
    if (!platform::SeekInputFile(source->file, target)) return static_cast<toff_t>(-1);
    source->position = target;
    return target;
}

int CloseTiff(thandle_t) { return 0; }
toff_t SizeOfTiff(thandle_t handle) { return static_cast<TiffSource*>(handle)->size; }
int MapTiff(thandle_t, void**, toff_t*) { return 0; }
void UnmapTiff(thandle_t, void*, toff_t) {}

// The library's messages are not ours to print: a broken file fails with our own reason.
int QuietTiffMessage(TIFF*, void*, const char*, const char*, va_list) { return 1; }

void SilenceGlobalTiffHandlers() {
    // Some paths of the library report through the process-wide handlers, which print to
    // standard error by default.
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

enum class PageKind { Gray, GrayPalette, Pixels };

// What the page's directory alone says.
PageKind KindOfPage(TIFF* tiff) {
    std::uint16_t photometric = 0;
    std::uint16_t samples = 1;
    std::uint16_t bits = 1;
    std::uint16_t extraCount = 0;
    std::uint16_t* extra = nullptr;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
    if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric)) return PageKind::Pixels;
    const bool oneColour = samples >= 1 && samples - extraCount == 1;
    if ((photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK) && oneColour) {
        return PageKind::Gray;
    }
    if (photometric == PHOTOMETRIC_PALETTE && oneColour && bits >= 1 && bits <= 16) {
        std::uint16_t* red = nullptr;
        std::uint16_t* green = nullptr;
        std::uint16_t* blue = nullptr;
        if (!TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue)) return PageKind::Pixels;
        const std::uint32_t entries = std::uint32_t{1} << bits;
        for (std::uint32_t i = 0; i < entries; ++i) {
            if (red[i] >> 8 != green[i] >> 8 || red[i] >> 8 != blue[i] >> 8) return PageKind::Pixels;
        }
        return PageKind::GrayPalette;
    }
    return PageKind::Pixels;
}

// A buffer of rows held under the memory budget.
class BudgetedRows {
public:
    ~BudgetedRows() {
        std::free(rows_);
        if (bytes_ != 0) ReleaseImageMemory(bytes_);
    }
    bool Allocate(std::uint64_t bytes) {
        if (bytes == 0 || bytes > kMaxImageBytes || !ReserveImageMemory(bytes)) return false;
        bytes_ = bytes;
        rows_ = static_cast<std::uint32_t*>(std::malloc(static_cast<std::size_t>(bytes)));
        return rows_ != nullptr;
    }
    std::uint32_t* Rows() const { return rows_; }

private:
    std::uint32_t* rows_ = nullptr;
    std::uint64_t bytes_ = 0;
};

struct RgbaImage {
    TIFFRGBAImage image{};
    bool begun = false;
    ~RgbaImage() {
        if (begun) TIFFRGBAImageEnd(&image);
    }
};

// The RGBA interface's pixels (red in the lowest byte, opacity multiplied in) as the 32-bit
// rows of a DecodedImage: blue, green, red, and straight opacity as PNG stores it.
void ToBgra(std::uint32_t* pixels, std::uint32_t count, bool alpha) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(pixels);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t v = pixels[i];
        std::uint32_t red = TIFFGetR(v);
        std::uint32_t green = TIFFGetG(v);
        std::uint32_t blue = TIFFGetB(v);
        const std::uint32_t opacity = TIFFGetA(v);
        if (alpha && opacity != 0 && opacity != 255) {
            red = std::min<std::uint32_t>(255, (red * 255 + opacity / 2) / opacity);
            green = std::min<std::uint32_t>(255, (green * 255 + opacity / 2) / opacity);
            blue = std::min<std::uint32_t>(255, (blue * 255 + opacity / 2) / opacity);
        }
        std::uint8_t* out = bytes + std::size_t{4} * i;
        out[0] = static_cast<std::uint8_t>(blue);
        out[1] = static_cast<std::uint8_t>(green);
        out[2] = static_cast<std::uint8_t>(red);
        out[3] = static_cast<std::uint8_t>(alpha ? opacity : 255);
    }
}

const char* const kReasonMalformed = "ファイルが不正です。";
const char* const kReasonNotCreated = "BMPオブジェクトの作成に失敗しました。";
const char* const kReasonPixels = "イメージデータの取得に失敗しました。";
const char* const kReasonLayout = "非対応の画素形式です。";

// Hands the page's rows to the sink, top row first. False with a reason.
bool SendPageRows(TIFF* tiff, RowSink& sink, std::string& loadReason) {
    char message[1024] = "";
    if (!TIFFRGBAImageOK(tiff, message)) {
        loadReason = kReasonLayout;
        return false;
    }
    RgbaImage rgba;
    if (!TIFFRGBAImageBegin(&rgba.image, tiff, 1, message)) {
        loadReason = kReasonLayout;
        return false;
    }
    rgba.begun = true;
    // Sixteen-bit samples by their high byte, as the PNG loader reads them: the library's own
    // table rounds, which moves a channel by one where the gray test allows no difference.
    if (rgba.image.Bitdepth16To8 != nullptr) {
        for (std::uint32_t n = 0; n < 65536; ++n) rgba.image.Bitdepth16To8[n] = static_cast<std::uint8_t>(n >> 8);
    }
    // Rows as the file stores them: a flip asked of the library would turn each chunk over on
    // its own, not the page. A page stored bottom row first has its rows numbered from there;
    // mirrored columns change no verdict.
    rgba.image.req_orientation = rgba.image.orientation;
    const std::uint16_t orientation = rgba.image.orientation;
    const bool bottomUp = orientation == ORIENTATION_BOTRIGHT || orientation == ORIENTATION_BOTLEFT ||
                          orientation == ORIENTATION_RIGHTBOT || orientation == ORIENTATION_LEFTBOT;
    const std::uint32_t width = rgba.image.width;
    const std::uint32_t height = rgba.image.height;
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) {
        loadReason = kReasonMalformed;
        return false;
    }
    // A strip or a row of tiles at a time, so that each is decoded once.
    std::uint32_t chunk = 0;
    if (TIFFIsTiled(tiff)) {
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &chunk);
    } else {
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &chunk);
    }
    chunk = std::clamp<std::uint32_t>(chunk, 1, height);
    // The buffer's size is checked before anything is allocated.
    const std::uint64_t rowBytes = std::uint64_t{width} * 4;
    if (rowBytes * chunk > kMaxImageBytes) {
        loadReason = kReasonNotCreated;
        return false;
    }
    RowFormat format;
    format.width = static_cast<std::int32_t>(width);
    format.height = static_cast<std::int32_t>(height);
    format.bitsPerPixel = 32;
    format.topDown = true;
    format.alpha = rgba.image.alpha != 0;
    format.rowBytes = static_cast<std::size_t>(rowBytes);
    if (!sink.BeginRows(format)) {
        loadReason = kReasonNotCreated;
        return false;
    }
    if (sink.Satisfied()) return true;
    BudgetedRows rows;
    if (!rows.Allocate(rowBytes * chunk)) {
        loadReason = kReasonNotCreated;
        return false;
    }
    for (std::uint32_t top = 0; top < height; top += chunk) {
        const std::uint32_t count = std::min(chunk, height - top);
        rgba.image.row_offset = static_cast<int>(top);
        rgba.image.col_offset = 0;
        if (!TIFFRGBAImageGet(&rgba.image, rows.Rows(), width, count)) {
            loadReason = kReasonPixels;
            return false;
        }
        for (std::uint32_t r = 0; r < count; ++r) {
            std::uint32_t* row = rows.Rows() + static_cast<std::size_t>(r) * width;
            ToBgra(row, width, format.alpha);
            const std::uint32_t fileRow = top + r;
            const std::uint32_t pictureRow = bottomUp ? height - 1 - fileRow : fileRow;
            if (!sink.TakeRow(static_cast<std::int32_t>(pictureRow), reinterpret_cast<const std::uint8_t*>(row))) {
                return true;
            }
        }
    }
    return true;
}

// Reads only the first page.
class FirstPage final : public PageRows {
public:
    FirstPage(RowSink& sink, JudgeEvidence* evidence, bool settles = true)
        : sink_(sink), evidence_(evidence), settles_(settles) {}
    RowSink& PageSink(int) override { return sink_; }
    JudgeEvidence* PageEvidence() override { return evidence_; }
    bool PageDone(int, int earlyVerdict) override {
        earlyVerdict_ = earlyVerdict;
        return false;
    }
    bool SettlesFromDirectory() const override { return settles_; }
    int earlyVerdict_ = kNoEarlyVerdict;

private:
    RowSink& sink_;
    JudgeEvidence* evidence_;
    bool settles_;
};

}  // namespace

bool ReadTiffPages(const std::filesystem::path& path, PageRows& pages, std::string& loadReason,
                   const platform::FileSystem& files) {
    SilenceGlobalTiffHandlers();
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    TiffSource source{platform::OpenInputFile(path, files), error ? 0 : static_cast<std::uint64_t>(size), 0};
    if (source.file == nullptr) {
        loadReason = "ファイルの読み込みオープンに失敗しました。";
        return false;
    }
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) {
        platform::CloseInputFile(source.file);
        loadReason = "読み込みの準備に失敗しました。";
        return false;
    }
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxTiffAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options, QuietTiffMessage, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, QuietTiffMessage, nullptr);
    // "m": no memory mapping, which our handle does not offer anyway.
    std::unique_ptr<TIFF, TiffCloser> tiff(TIFFClientOpenExt("", "rm", &source, ReadTiff, WriteTiff, SeekTiff,
                                                             CloseTiff, SizeOfTiff, MapTiff, UnmapTiff, options));
    TIFFOpenOptionsFree(options);
    bool read = false;
    if (tiff == nullptr) {
        loadReason = platform::InputFileFailed(source.file) ? "ファイルの読み込みに失敗しました。" : kReasonMalformed;
    } else {
        for (int page = 1;; ++page) {
            if (page > kMaxTiffPages) {
                loadReason = "ページ数が多すぎます。";
                break;
            }
            RowSink& sink = pages.PageSink(page);
            int earlyVerdict = kNoEarlyVerdict;
            switch (pages.SettlesFromDirectory() ? KindOfPage(tiff.get()) : PageKind::Pixels) {
                case PageKind::Gray:
                    earlyVerdict = kEarlyMonochrome;
                    NoteEarlyRule(pages.PageEvidence(), DecidingRule::Header, "gray TIFF page");
                    break;
                case PageKind::GrayPalette:
                    earlyVerdict = kEarlyMonochrome;
                    NoteEarlyRule(pages.PageEvidence(), DecidingRule::ColourTable, "palette of gray entries");
                    break;
                case PageKind::Pixels: break;
            }
            if (earlyVerdict == kNoEarlyVerdict && !SendPageRows(tiff.get(), sink, loadReason)) break;
            if (!pages.PageDone(page, earlyVerdict) || TIFFLastDirectory(tiff.get())) {
                read = true;
                break;
            }
            // A chain of directories that breaks, or loops back, leaves the pages after it
            // unjudged: the file is not settled by the pages before.
            if (!TIFFReadDirectory(tiff.get())) {
                loadReason = kReasonMalformed;
                break;
            }
        }
        tiff.reset();
    }
    platform::CloseInputFile(source.file);
    return read;
}

bool ReadTiffRows(const std::filesystem::path& path, RowSink& sink, int& earlyVerdict, std::string& loadReason,
                  JudgeEvidence* evidence, const platform::FileSystem& files) {
    FirstPage page(sink, evidence);
    const bool read = ReadTiffPages(path, page, loadReason, files);
    earlyVerdict = page.earlyVerdict_;
    return read && earlyVerdict == kNoEarlyVerdict;
}

DecodedImage* LoadTiffFile(const std::filesystem::path& path, int& earlyVerdict, std::string& loadReason,
                           JudgeEvidence* evidence) {
    ImageBuilder builder;
    return ReadTiffRows(path, builder, earlyVerdict, loadReason, evidence) ? builder.Release() : nullptr;
}

DecodedImage* DecodeTiffFirstPage(const std::filesystem::path& path) {
    ImageBuilder builder;
    FirstPage page(builder, nullptr, false);
    std::string loadReason;
    return ReadTiffPages(path, page, loadReason) ? builder.Release() : nullptr;
}
