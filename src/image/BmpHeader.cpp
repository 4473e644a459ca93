#include "image/BmpHeader.h"

std::uint16_t GetLittle16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t GetLittle32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

BmpFileHeader ParseBmpFileHeader(const std::uint8_t (&bytes)[kBmpFileHeaderBytes]) {
    BmpFileHeader header;
    header.signature = bytes[0] == 'B' && bytes[1] == 'M';
    header.pixelOffset = GetLittle32(bytes + 10);
    return header;
}

BitmapInfoHeader ParseBmpInfoHeader(const std::uint8_t* bytes) {
    BitmapInfoHeader header;
    header.size = GetLittle32(bytes);
    if (header.size == kBmpCoreHeaderBytes) {
        header.width = GetLittle16(bytes + 4);
        header.height = GetLittle16(bytes + 6);
        header.planes = GetLittle16(bytes + 8);
        header.bitCount = GetLittle16(bytes + 10);
        header.compression = kBiRgb;
        return header;
    }
    header.width = static_cast<std::int32_t>(GetLittle32(bytes + 4));
    header.height = static_cast<std::int32_t>(GetLittle32(bytes + 8));
    header.planes = GetLittle16(bytes + 12);
    header.bitCount = GetLittle16(bytes + 14);
    header.compression = GetLittle32(bytes + 16);
    header.sizeImage = GetLittle32(bytes + 20);
    header.xPelsPerMeter = static_cast<std::int32_t>(GetLittle32(bytes + 24));
    header.yPelsPerMeter = static_cast<std::int32_t>(GetLittle32(bytes + 28));
    header.clrUsed = GetLittle32(bytes + 32);
    header.clrImportant = GetLittle32(bytes + 36);
    return header;
}

BmpColourMasks ParseBmpColourMasks(const std::uint8_t (&bytes)[kBmpMaskBytes]) {
    BmpColourMasks masks;
    masks.red = GetLittle32(bytes);
    masks.green = GetLittle32(bytes + 4);
    masks.blue = GetLittle32(bytes + 8);
    return masks;
}

bool IsFiveFiveFive(const BmpColourMasks& masks) {
    return masks.red == 0x7C00 && masks.green == 0x03E0 && masks.blue == 0x001F;
}

bool IsFiveSixFive(const BmpColourMasks& masks) {
    return masks.red == 0xF800 && masks.green == 0x07E0 && masks.blue == 0x001F;
}

bool IsEightEightEight(const BmpColourMasks& masks) {
    return masks.red == 0xFF0000 && masks.green == 0x00FF00 && masks.blue == 0x0000FF;
}
