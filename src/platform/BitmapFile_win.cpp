#include "platform/BitmapFile.h"

#include <windows.h>

#include <cstring>

#include "image/DecodedImage.h"

namespace platform {

namespace {

// The DIB section's colour table; GDI hands it out only for a bitmap selected into a DC.
int ReadDibColourTable(HBITMAP bitmap, RGBQUAD* table) {
    const HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) return 0;
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    const UINT count = GetDIBColorTable(dc, 0, 256, table);
    SelectObject(dc, previous);
    DeleteDC(dc);
    return static_cast<int>(count);
}

DecodedImage* ConvertDibSection(HBITMAP bitmap) {
    DIBSECTION dib;
    if (GetObjectW(bitmap, sizeof dib, &dib) != sizeof dib || dib.dsBm.bmBits == nullptr) {
        return nullptr;
    }
    const BITMAP& bm = dib.dsBm;
    RGBQUAD table[256] = {};
    int colourCount = 0;
    if (bm.bmBitsPixel <= 8) {
        colourCount = ReadDibColourTable(bitmap, table);
        if (colourCount == 0) return nullptr;
    }
    const bool topDown = dib.dsBmih.biHeight < 0;
    BitmapInfoHeader header;
    header.width = bm.bmWidth;
    header.height = topDown ? -bm.bmHeight : bm.bmHeight;
    header.bitCount = bm.bmBitsPixel;
    header.clrUsed = static_cast<std::uint32_t>(colourCount);
    static_assert(sizeof(RgbQuad) == sizeof(RGBQUAD), "both are blue, green, red, reserved");
    DecodedImage* image =
        CreateDecodedImage(header, colourCount > 0 ? reinterpret_cast<const RgbQuad*>(table) : nullptr);
    if (image == nullptr) return nullptr;
    // Same row order as the section, so rows map one to one; the stride rule is the same too,
    // but copy no more than either row holds.
    const std::size_t rowBytes = static_cast<std::size_t>(
        bm.bmWidthBytes < image->stride ? bm.bmWidthBytes : image->stride);
    const auto* source = static_cast<const std::uint8_t*>(bm.bmBits);
    for (std::int32_t row = 0; row < image->height; ++row) {
        std::memcpy(image->bits + static_cast<std::size_t>(row) * image->stride,
                    source + static_cast<std::size_t>(row) * bm.bmWidthBytes, rowBytes);
    }
    return image;
}

}  // namespace

DecodedImage* LoadBitmapFile(const std::filesystem::path& path) {
    const HANDLE loaded = LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                     LR_CREATEDIBSECTION | LR_LOADFROMFILE);
    if (loaded == nullptr) return nullptr;
    const auto bitmap = static_cast<HBITMAP>(loaded);
    DecodedImage* image = ConvertDibSection(bitmap);
    DeleteObject(bitmap);
    return image;
}

}  // namespace platform
