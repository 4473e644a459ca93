// The decoded-image contract, the loaders and the per-format entry operations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "judge/JudgeEvidence.h"
#include "judge/JudgeParams.h"
#include "judge/PixelView.h"
#include "judge/RowSink.h"
#include "platform/FileSystem.h"

// The 40-byte BITMAPINFOHEADER fields an image is created from.
struct BitmapInfoHeader {
    std::uint32_t size = 40;
    std::int32_t width = 0;
    std::int32_t height = 0;  // positive: bottom-up rows; negative: top-down
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;  // BI_RGB
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
};

// A device-independent bitmap with its own zero-filled pixel rows.
struct DecodedImage {
    std::int32_t width = 0;           // > 0
    std::int32_t height = 0;          // > 0, whatever the row order
    std::uint16_t bitsPerPixel = 0;   // 1, 2, 4, 8, 16, 24 or 32
    std::int32_t stride = 0;          // (width * bitsPerPixel + 31) / 32 * 4
    bool topDown = false;             // first memory row is the picture's top row
    std::uint8_t* bits = nullptr;     // height * stride bytes
    RgbQuad* colourTable = nullptr;   // for 8 bits per pixel and fewer
    int colourCount = 0;              // entries in colourTable
    std::uint64_t budgetBytes = 0;    // taken from the image memory budget, given back on destroy
    // Set by loaders for the perceptual criterion: the fourth byte of 32-bit pixels, or the
    // reserved byte of the colour-table entries, is opacity; and the reduction (1, 2, 4 or 8)
    // the decoder applied, in pixels of the stored picture per pixel of this image.
    bool alpha = false;
    int sourceScale = 1;
};

// Largest pixel buffer an image may have; larger headers are refused as a creation failure.
constexpr std::uint64_t kMaxImageBytes = std::uint64_t{1} << 30;

// True when a whole image of this size could be created: its pixel rows within kMaxImageBytes.
// Readers hand larger pictures over row by row; but one that fails, or whose data runs out,
// before its verdict fails as a whole image of it would have: with the creation failure.
bool FitsWholeImage(std::int64_t width, std::int64_t height, int bitsPerPixel);

// Who fills the pixel rows: the image zero-fills them, or the caller promises to write every
// pixel of every row before anything reads them (then only each row's padding is zeroed, and
// a large image is not cleared only to be overwritten).
enum class ImageRows { Zeroed, WrittenByCaller };

// Creates an image from a header (bit counts 1, 2, 4, 8, 16, 24, 32; BI_RGB) and, for 8 bits
// per pixel and fewer, a colour table of header.clrUsed entries (2^bitCount when 0).
// Waits while other images hold the memory budget (MemoryBudget.h) this one needs.
// nullptr on a bad header, an overflowing or absurd size, a size over the whole budget, or no
// memory.
DecodedImage* CreateDecodedImage(const BitmapInfoHeader& header, const RgbQuad* colourTable,
                                 ImageRows rows = ImageRows::Zeroed);
void DestroyDecodedImage(DecodedImage* image);
PixelView DescribeImage(const DecodedImage& image);

// Row `n` (below height) in memory order: the order of a bitmap file's rows.
inline std::uint8_t* StoredRow(const DecodedImage& image, std::size_t n) {
    return image.bits + n * static_cast<std::size_t>(image.stride);
}

// Row `n` (below height) counted from the picture's top, wherever the row order stores it:
// the last memory row of a bottom-up image, the first of a top-down one.
inline std::uint8_t* PictureRow(const DecodedImage& image, std::size_t n) {
    return StoredRow(image, image.topDown ? n : static_cast<std::size_t>(image.height) - 1 - n);
}

// Keeps the rows a reader hands over in a whole image: for the loaders that return one, and
// for formats whose rows only come together at the end (interlaced PNG). The image is
// created, zero-filled, under the memory budget when the rows begin.
class ImageBuilder final : public RowSink {
public:
    ImageBuilder() = default;
    ~ImageBuilder() override;
    ImageBuilder(const ImageBuilder&) = delete;
    ImageBuilder& operator=(const ImageBuilder&) = delete;

    bool BeginRows(const RowFormat& format) override;
    bool TakeRow(std::int32_t pictureRow, const std::uint8_t* pixels) override;
    // The image made (nullptr before BeginRows succeeded); the caller owns it from here.
    DecodedImage* Release();
    DecodedImage* Image() const { return image_; }

private:
    DecodedImage* image_ = nullptr;
    std::size_t rowBytes_ = 0;
};

// Hands the rows of a whole image to `sink` in memory order until it has enough. False when
// the sink refuses the picture.
bool SendImageRows(const DecodedImage& image, RowSink& sink);

// Judges a decoded image (describe, colour table, JudgeImage), with evidence when asked for.
int JudgeDecodedImage(const DecodedImage& image, const JudgeParams& params, std::string& errorText,
                      JudgeEvidence* evidence = nullptr);

// Readers: decode a file and hand its rows to `sink` as they come, stopping where the sink has
// enough (the decoder is then released without reading further). True when the picture was
// read, or as much of it as the sink wanted; false with an early verdict, or on failure with a
// reason (JPEG, PNG, GIF). With `evidence`, as the loaders below. The file is opened and read
// through `files`.
bool ReadJpegRows(const std::filesystem::path& path, RowSink& sink, int& earlyVerdict,
                  std::string& loadReason, JudgeEvidence* evidence = nullptr, bool reduced = false,
                  const platform::FileSystem& files = platform::RealFileSystem());
bool ReadPngRows(const std::filesystem::path& path, RowSink& sink, int& earlyVerdict,
                 std::string& loadReason, JudgeEvidence* evidence = nullptr, const platform::FileSystem& files = platform::RealFileSystem());
bool ReadGifRows(const std::filesystem::path& path, RowSink& sink, int& earlyVerdict,
                 std::string& loadReason, JudgeEvidence* evidence = nullptr, const platform::FileSystem& files = platform::RealFileSystem());
// WebP: the picture, or an animation's first frame, decoded whole under the memory budget
// and then handed over.
bool ReadWebPRows(const std::filesystem::path& path, RowSink& sink, int& earlyVerdict,
                  std::string& loadReason, JudgeEvidence* evidence = nullptr,
                  const platform::FileSystem& files = platform::RealFileSystem());

// A TIFF file's pages, one after another, each into a sink of its own.
class PageRows {
public:
    virtual ~PageRows() = default;
    // The sink of page `page` (counted from 1), before its rows.
    virtual RowSink& PageSink(int page) = 0;
    // Where the reader notes an early rule of the page; nullptr for none.
    virtual JudgeEvidence* PageEvidence() { return nullptr; }
    // After a page read (as far as its sink wanted) or settled by an early verdict. False:
    // no further page is needed.
    virtual bool PageDone(int page, int earlyVerdict) = 0;
    // False when a gray page is to be read like any other instead of settled by its directory.
    virtual bool SettlesFromDirectory() const { return true; }
};
// Reads every page of a TIFF file until `pages` has enough. False with a reason when the
// file, or a page before the last one needed, cannot be read.
bool ReadTiffPages(const std::filesystem::path& path, PageRows& pages, std::string& loadReason,
                   const platform::FileSystem& files = platform::RealFileSystem());
// The first page alone, as the readers above.
bool ReadTiffRows(const std::filesystem::path& path, RowSink& sink, int& earlyVerdict,
                  std::string& loadReason, JudgeEvidence* evidence = nullptr,
                  const platform::FileSystem& files = platform::RealFileSystem());

// The two kinds LoadBmpFile takes; false with an early verdict, or when declined.
bool ReadBmpRows(const std::filesystem::path& path, RowSink& sink, int& earlyVerdict,
                 JudgeEvidence* evidence = nullptr, const platform::FileSystem& files = platform::RealFileSystem());

// EarlyVerdict values.
constexpr int kNoEarlyVerdict = 0;
constexpr int kEarlyMonochrome = 1;
constexpr int kEarlyColour = 2;

// Loaders: an image, or an early verdict, or nothing (with a reason for JPEG, PNG, GIF).
// With `evidence`, an early verdict notes whether the header or the colour table gave it, and
// the JPEG loader the decoder's warnings.
DecodedImage* LoadBmpFile(const std::filesystem::path& path, int& earlyVerdict,
                          JudgeEvidence* evidence = nullptr);
// With `reduced`, a large picture is decoded at 1/2, 1/4 or 1/8 of its size, as far as the
// perceptual criterion's cells allow (PerceptualDecodeScale), for much less work.
DecodedImage* LoadJpegFile(const std::filesystem::path& path, int& earlyVerdict,
                           std::string& loadReason, JudgeEvidence* evidence = nullptr,
                           bool reduced = false);
DecodedImage* LoadPngFile(const std::filesystem::path& path, int& earlyVerdict,
                          std::string& loadReason, JudgeEvidence* evidence = nullptr,
                          const platform::FileSystem& files = platform::RealFileSystem());
DecodedImage* LoadGifFile(const std::filesystem::path& path, int& earlyVerdict,
                          std::string& loadReason, JudgeEvidence* evidence = nullptr);
// The first page of a TIFF file.
DecodedImage* LoadTiffFile(const std::filesystem::path& path, int& earlyVerdict,
                           std::string& loadReason, JudgeEvidence* evidence = nullptr);
// The first page whole, a gray one too: for a picture of the page, not for the judgment.
DecodedImage* DecodeTiffFirstPage(const std::filesystem::path& path);
DecodedImage* LoadWebPFile(const std::filesystem::path& path, int& earlyVerdict,
                           std::string& loadReason, JudgeEvidence* evidence = nullptr);

// Entry operations: 1 monochrome, 0 colour; on failure a message in errorText (empty on entry)
// and 1. With `evidence`, also why the verdict was reached.
int JudgeBmpFile(const std::filesystem::path& path, const JudgeParams& params, std::string& errorText,
                 JudgeEvidence* evidence = nullptr);
int JudgeJpegFile(const std::filesystem::path& path, const JudgeParams& params, std::string& errorText,
                  JudgeEvidence* evidence = nullptr);
int JudgePngFile(const std::filesystem::path& path, const JudgeParams& params, std::string& errorText,
                 JudgeEvidence* evidence = nullptr);
int JudgeGifFile(const std::filesystem::path& path, const JudgeParams& params, std::string& errorText,
                 JudgeEvidence* evidence = nullptr);
// Every page is judged until one is colour: the file is colour when any page is.
int JudgeTiffFile(const std::filesystem::path& path, const JudgeParams& params, std::string& errorText,
                  JudgeEvidence* evidence = nullptr);
int JudgeWebPFile(const std::filesystem::path& path, const JudgeParams& params, std::string& errorText,
                  JudgeEvidence* evidence = nullptr);

// Notes on `evidence`, when there is one, the rule that settled a file before its pixels.
inline void NoteEarlyRule(JudgeEvidence* evidence, DecidingRule rule, const char* detail) {
    if (evidence == nullptr) return;
    evidence->rule = rule;
    evidence->detail = detail;
}

// The JPEG loader's per-thread recovery points: an entry lives for one decode of its thread;
// emptied at the start of every run as well.
void EmptyRecoveryPointTable();
std::size_t RecoveryPointTableSize();
