// LoadBmpFile: the two kinds of bitmap file that the platform's loader would deliver in a form
// the judgment misreads (16-bit bit fields) or that are settled without pixels (1 bit).
// Everything else is declined silently and goes to the platform's loader.
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "image/BmpHeader.h"
#include "image/DecodedImage.h"
#include "platform/Files.h"

namespace {

bool IsGrayEntry(const std::uint8_t* entry) {
    return entry[0] == entry[1] && entry[1] == entry[2];
}

// One bit per pixel: decided from the colour-table entries, or without them.
void DecideOneBitFile(platform::InputFile* file, const BitmapInfoHeader& info, int& earlyVerdict,
                      JudgeEvidence* evidence) {
    // Two colours of which none is stated: a black and white picture whatever the table says.
    if (info.clrUsed != 2) {
        earlyVerdict = kEarlyMonochrome;
        NoteEarlyRule(evidence, DecidingRule::Header, "1-bit bitmap without two stated colours");
        return;
    }
    // In 64 bits: a header size near 2^32 must not wrap round to an offset inside the header.
    const std::uint64_t tableOffset = kBmpFileHeaderBytes + info.size;
    std::uint8_t table[8];
    if (!platform::SeekInputFile(file, tableOffset) ||
        platform::ReadInputFile(file, table, sizeof table) != sizeof table) {
        return;
    }
    const bool gray = IsGrayEntry(table) && IsGrayEntry(table + 4);
    earlyVerdict = gray ? kEarlyMonochrome : kEarlyColour;
    NoteEarlyRule(evidence, DecidingRule::ColourTable,
                  gray ? "1-bit colour table of two gray entries" : "1-bit colour table with a colour entry");
}

// Sixteen bits with 5-5-5 or 5-6-5 masks, handed on as 5-5-5 rows. False: declined.
bool SendSixteenBitRows(platform::InputFile* file, const BitmapInfoHeader& info, std::uint32_t pixelOffset,
                        RowSink& sink) {
    if (info.compression != kBiBitfields) return false;
    std::uint8_t maskBytes[kBmpMaskBytes];
    if (platform::ReadInputFile(file, maskBytes, sizeof maskBytes) != sizeof maskBytes) return false;
    const BmpColourMasks masks = ParseBmpColourMasks(maskBytes);
    const bool is565 = IsFiveSixFive(masks);
    if (!IsFiveFiveFive(masks) && !is565) return false;
    if (info.width <= 0 || info.height == 0 || info.height == INT32_MIN) return false;

    RowFormat format;
    format.width = info.width;
    format.height = info.height < 0 ? -info.height : info.height;
    format.bitsPerPixel = 16;
    format.topDown = info.height < 0;
    const std::uint64_t stride = (std::uint64_t{static_cast<std::uint32_t>(info.width)} * 16 + 31) / 32 * 4;
    if (stride > kMaxImageBytes || !platform::SeekInputFile(file, pixelOffset)) return false;
    format.rowBytes = static_cast<std::size_t>(stride);
    const bool wholeImageFits = FitsWholeImage(format.width, format.height, 16);
    if (!sink.BeginRows(format)) return false;
    if (sink.Satisfied()) return true;
    std::unique_ptr<std::uint8_t[]> row(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(stride)]);
    if (row == nullptr) return false;
    // Rows the file does not supply are zero, black: a cut-off picture is still judged (unless
    // it is too large to have been decoded whole).
    bool dataEnded = false;
    for (std::int32_t n = 0; n < format.height; ++n) {
        std::size_t read = 0;
        if (!dataEnded) {
            read = platform::ReadInputFile(file, row.get(), static_cast<std::size_t>(stride));
            dataEnded = read < stride;
            if (dataEnded && !wholeImageFits) return false;
        }
        std::memset(row.get() + read, 0, static_cast<std::size_t>(stride) - read);
        if (is565) {
            // The judgment reads 5-5-5 only: red moves down a bit and green drops its lowest bit.
            // The row padding is rewritten too; nobody reads it.
            for (std::size_t i = 0; i < read; i += 2) {  // the stride is even: i + 1 < stride
                std::uint8_t* p = row.get() + i;
                const std::uint16_t w = GetLittle16(p);
                const auto converted = static_cast<std::uint16_t>(((w >> 1) & 0x7FE0) + (w & 0x001F));
                p[0] = static_cast<std::uint8_t>(converted & 0xFF);
                p[1] = static_cast<std::uint8_t>(converted >> 8);
            }
        }
        if (!sink.TakeRow(format.topDown ? n : format.height - 1 - n, row.get())) break;
    }
    return true;
}

}  // namespace

bool ReadBmpRows(const std::filesystem::path& path, RowSink& sink, int& earlyVerdict, JudgeEvidence* evidence,
                 const platform::FileSystem& files) {
    earlyVerdict = kNoEarlyVerdict;
    platform::InputFile* file = platform::OpenInputFile(path, files);
    if (file == nullptr) return false;

    // Neither the signature nor a short read matters: the info header's own checks decide.
    std::uint8_t fileBytes[kBmpFileHeaderBytes] = {};
    platform::ReadInputFile(file, fileBytes, sizeof fileBytes);
    const std::uint32_t pixelOffset = ParseBmpFileHeader(fileBytes).pixelOffset;

    bool read = false;
    std::uint8_t infoBytes[kBmpInfoHeaderBytes];
    if (platform::ReadInputFile(file, infoBytes, sizeof infoBytes) == sizeof infoBytes &&
        GetLittle32(infoBytes) >= kBmpInfoHeaderBytes) {
        const BitmapInfoHeader info = ParseBmpInfoHeader(infoBytes);
        switch (info.bitCount) {
            case 1: DecideOneBitFile(file, info, earlyVerdict, evidence); break;
            case 16: read = SendSixteenBitRows(file, info, pixelOffset, sink); break;
            default: break;
        }
    }
    platform::CloseInputFile(file);
    return read;
}

DecodedImage* LoadBmpFile(const std::filesystem::path& path, int& earlyVerdict, JudgeEvidence* evidence) {
    ImageBuilder builder;
    return ReadBmpRows(path, builder, earlyVerdict, evidence) ? builder.Release() : nullptr;
}
