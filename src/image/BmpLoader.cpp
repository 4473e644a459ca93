// LoadBmpFile: the two kinds of bitmap file that the platform's loader would deliver in a form
// the judgment misreads (16-bit bit fields) or that are settled without pixels (1 bit).
// Everything else is declined silently and goes to the platform's loader.
#include <cstdint>

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

// Sixteen bits with 5-5-5 or 5-6-5 masks, read into a 5-5-5 image.
DecodedImage* ReadSixteenBitFile(platform::InputFile* file, const BitmapInfoHeader& info,
                                 std::uint32_t pixelOffset) {
    if (info.compression != kBiBitfields) return nullptr;
    std::uint8_t maskBytes[kBmpMaskBytes];
    if (platform::ReadInputFile(file, maskBytes, sizeof maskBytes) != sizeof maskBytes) return nullptr;
    const BmpColourMasks masks = ParseBmpColourMasks(maskBytes);
    const bool is565 = IsFiveSixFive(masks);
    if (!IsFiveFiveFive(masks) && !is565) return nullptr;

    BitmapInfoHeader header;
    header.width = info.width;
    header.height = info.height;
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
            const std::uint16_t w = GetLittle16(p);
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
    std::uint8_t fileBytes[kBmpFileHeaderBytes] = {};
    platform::ReadInputFile(file, fileBytes, sizeof fileBytes);
    const std::uint32_t pixelOffset = ParseBmpFileHeader(fileBytes).pixelOffset;

    DecodedImage* image = nullptr;
    std::uint8_t infoBytes[kBmpInfoHeaderBytes];
    if (platform::ReadInputFile(file, infoBytes, sizeof infoBytes) == sizeof infoBytes &&
        GetLittle32(infoBytes) >= kBmpInfoHeaderBytes) {
        const BitmapInfoHeader info = ParseBmpInfoHeader(infoBytes);
        switch (info.bitCount) {
            case 1: DecideOneBitFile(file, info, earlyVerdict, evidence); break;
            case 16: image = ReadSixteenBitFile(file, info, pixelOffset); break;
            default: break;
        }
    }
    platform::CloseInputFile(file);
    return image;
}
