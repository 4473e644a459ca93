#include "support/BmpFiles.h"

#include "support/ImageFiles.h"

#include <algorithm>
#include <fstream>
#include <string>

namespace {

void Put16(Bytes& out, std::size_t at, std::uint32_t value) {
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(Bytes& out, std::size_t at, std::uint32_t value) {
    Put16(out, at, value);
    Put16(out, at + 2, value >> 16);
}

}  // namespace

Bytes BuildBmp(const BmpFields& bmp) {
    const bool core = bmp.headerSize == 12;
    // At least the size field, so that absurd header sizes still give a file to feed a reader.
    Bytes out(14 + std::max<std::uint32_t>(bmp.headerSize, 4), 0);
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 14, bmp.headerSize);
    if (core) {
        Put16(out, 18, static_cast<std::uint32_t>(bmp.width));
        Put16(out, 20, static_cast<std::uint32_t>(bmp.height));
        Put16(out, 22, bmp.planes);
        Put16(out, 24, bmp.bitCount);
    } else if (bmp.headerSize >= 40) {
        Put32(out, 18, static_cast<std::uint32_t>(bmp.width));
        Put32(out, 22, static_cast<std::uint32_t>(bmp.height));
        Put16(out, 26, bmp.planes);
        Put16(out, 28, bmp.bitCount);
        Put32(out, 30, bmp.compression);
        Put32(out, 34, bmp.sizeImage);
        Put32(out, 46, bmp.colourUsed);
    }
    for (std::size_t i = 0; i < bmp.masks.size(); ++i) {
        const std::size_t at = 54 + 4 * i;
        if (bmp.headerSize == 40) out.resize(at + 4, 0);
        if (at + 4 <= out.size()) Put32(out, at, bmp.masks[i]);
    }
    for (const auto& colour : bmp.colours) out.insert(out.end(), colour.begin(), colour.begin() + (core ? 3 : 4));

    Put32(out, 10, bmp.pixelOffset ? *bmp.pixelOffset : static_cast<std::uint32_t>(out.size()));
    for (const Bytes& row : bmp.rows) {
        out.insert(out.end(), row.begin(), row.end());
        out.resize(out.size() + (4 - row.size() % 4) % 4, 0);
    }
    if (bmp.rows.empty()) out.insert(out.end(), bmp.pixelData.begin(), bmp.pixelData.end());
    Put32(out, 2, static_cast<std::uint32_t>(out.size()));
    return out;
}

Bytes MemoryRow(const DecodedImage& image, int row) {
    const std::uint8_t* first = image.bits + static_cast<std::size_t>(row) * static_cast<std::size_t>(image.stride);
    return Bytes(first, first + image.stride);
}

std::filesystem::path BmpFileTest::WriteFile(const char* name, const Bytes& bytes) const {
    const std::filesystem::path path = folder_.Path() / name;
    testimages::WriteFileBytes(path, bytes);
    return path;
}
