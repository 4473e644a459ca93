// LoadBmpFile: the two kinds of bitmap file that the platform's loader would deliver in a form
// the judgment misreads (16-bit bit fields) or that are settled without pixels (1 bit).
// Everything else is declined silently and goes to the platform's loader.
#include <cstdint>

#include "image/DecodedImage.h"
#include "platform/Files.h"

namespace {

constexpr std::uint64_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kBiBitfields = 3;

std::uint16_t Get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t Get32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool IsGrayEntry(const std::uint8_t* entry) {
    return entry[0] == entry[1] && entry[1] == entry[2];
}

// One bit per pixel: decided from the colour-table entries, or without them.
void DecideOneBitFile(platform::InputFile* file, const std::uint8_t* info, int& earlyVerdict,
                      JudgeEvidence* evidence) {
    // Two colours of which none is stated: a black and white picture whatever the table says.
    if (Get32(info + 32) != 2) {
        earlyVerdict = kEarlyMonochrome;
        NoteEarlyRule(evidence, DecidingRule::Header, "1-bit bitmap without two stated colours");
        return;
    }
    // In 64 bits: a header size near 2^32 must not wrap round to an offset inside the header.
    const std::uint64_t tableOffset = kFileHeaderBytes + Get32(info);
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

// Sixteen bits with 5-5-5 or 5-6-5 masks, read into a 5-5-5 image.
DecodedImage* ReadSixteenBitFile(platform::InputFile* file, const std::uint8_t* info,
                                 std::uint32_t pixelOffset) {
    if (Get32(info + 16) != kBiBitfields) return nullptr;
    std::uint8_t masks[12];
    if (platform::ReadInputFile(file, masks, sizeof masks) != sizeof masks) return nullptr;
    const std::uint32_t red = Get32(masks);
    const std::uint32_t green = Get32(masks + 4);
    const std::uint32_t blue = Get32(masks + 8);
    const bool is555 = red == 0x7C00 && green == 0x03E0 && blue == 0x001F;
    const bool is565 = red == 0xF800 && green == 0x07E0 && blue == 0x001F;
    if (!is555 && !is565) return nullptr;

    BitmapInfoHeader header;
    header.width = static_cast<std::int32_t>(Get32(info + 4));
    header.height = static_cast<std::int32_t>(Get32(info + 8));
    header.bitCount = 16;
    DecodedImage* image = CreateDecodedImage(header, nullptr);
    if (image == nullptr) return nullptr;
    if (!platform::SeekInputFile(file, pixelOffset)) {
        DestroyDecodedImage(image);
        return nullptr;
    }
    // Rows the file does not supply stay zero, black: a cut-off picture is still judged.
    const PixelView view = DescribeImage(*image);
    const std::size_t bytes = static_cast<std::size_t>(view.stride) * static_cast<std::size_t>(view.height);
    const std::size_t read = platform::ReadInputFile(file, image->bits, bytes);

    if (is565) {
        // The judgment reads 5-5-5 only: red moves down a bit and green drops its lowest bit.
        // The row padding is rewritten too; nobody reads it. Words the file did not supply are
        // zero and stay zero, so only what arrived is rewritten: a small file claiming a
        // gigabyte of pixels then never touches the untouched pages.
        for (std::size_t i = 0; i < read; i += 2) {  // the stride is even: i + 1 < bytes
            std::uint8_t* p = image->bits + i;
            const std::uint16_t w = Get16(p);
            const auto converted = static_cast<std::uint16_t>(((w >> 1) & 0x7FE0) + (w & 0x001F));
            p[0] = static_cast<std::uint8_t>(converted & 0xFF);
            p[1] = static_cast<std::uint8_t>(converted >> 8);
        }
    }
    return image;
}

}  // namespace

DecodedImage* LoadBmpFile(const std::filesystem::path& path, int& earlyVerdict,
                          JudgeEvidence* evidence) {
    earlyVerdict = kNoEarlyVerdict;
    platform::InputFile* file = platform::OpenInputFile(path);
    if (file == nullptr) return nullptr;

    // Neither the signature nor a short read matters: the info header's own checks decide.
    std::uint8_t fileHeader[kFileHeaderBytes] = {};
    platform::ReadInputFile(file, fileHeader, sizeof fileHeader);
    const std::uint32_t pixelOffset = Get32(fileHeader + 10);

    DecodedImage* image = nullptr;
    std::uint8_t info[kInfoHeaderBytes];
    if (platform::ReadInputFile(file, info, sizeof info) == sizeof info && Get32(info) >= kInfoHeaderBytes) {
        switch (Get16(info + 14)) {
            case 1: DecideOneBitFile(file, info, earlyVerdict, evidence); break;
            case 16: image = ReadSixteenBitFile(file, info, pixelOffset); break;
            default: break;
        }
    }
    platform::CloseInputFile(file);
    return image;
}
