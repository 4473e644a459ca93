#include "image/BitmapFile.h"

#include <windows.h>

#include <cstring>

#include "image/BmpReader.h"
#include "image/DecodedImage.h"
#include "platform/Files.h"

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
        std::memcpy(StoredRow(*image, static_cast<std::size_t>(row)),
                    source + static_cast<std::size_t>(row) * bm.bmWidthBytes, rowBytes);
    }
    return image;
}

DecodedImage* ReadWithOurReader(const std::filesystem::path& path) {
    InputFile* file = OpenInputFile(path);
    if (file == nullptr) return nullptr;
    DecodedImage* image = ReadBitmapFile(file);
    CloseInputFile(file);
    return image;
}

// LoadImageW trusts the headers: it maps the file and reads the pixels they declare, so under
// Wine a file cut short faults inside it (in StretchDIBits), and nothing promises that Windows
// fares better. Wine also returns a blank bitmap for JPEG- or PNG-compressed files, which GDI's
// DIB sections cannot hold (Windows refuses them), and loses the pixels of top-down files. So
// it gets only bottom-up files of the kinds our reader knows that hold every byte their headers
// declare; our reader takes the rest, as it does on POSIX.
bool SuitsLoadImage(const std::filesystem::path& path, const FileSystem& files = RealFileSystem()) {
    InputFile* file = OpenInputFile(path, files);
    if (file == nullptr) return false;
    const BitmapFileCheck check = CheckBitmapFile(file);
    CloseInputFile(file);
    return check.accepted && check.whole && !check.topDown;
}

}  // namespace

bool ReadBitmapFileRows(const std::filesystem::path& path, RowSink& sink, const FileSystem& files) {
    if (!SuitsLoadImage(path, files)) {
        InputFile* file = OpenInputFile(path, files);
        if (file == nullptr) return false;
        const bool read = ReadBitmapRows(file, sink);
        CloseInputFile(file);
        return read;
    }
    // The loader maps the whole file into a section of its own; its rows go on from there.
    const HANDLE loaded = LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                     LR_CREATEDIBSECTION | LR_LOADFROMFILE);
    if (loaded == nullptr) return false;
    const auto bitmap = static_cast<HBITMAP>(loaded);
    bool read = false;
    DIBSECTION dib;
    RGBQUAD table[256] = {};
    if (GetObjectW(bitmap, sizeof dib, &dib) == sizeof dib && dib.dsBm.bmBits != nullptr) {
        const BITMAP& bm = dib.dsBm;
        const int colourCount = bm.bmBitsPixel <= 8 ? ReadDibColourTable(bitmap, table) : 0;
        if (bm.bmBitsPixel > 8 || colourCount > 0) {
            RowFormat format;
            format.width = bm.bmWidth;
            format.height = bm.bmHeight;
            format.bitsPerPixel = bm.bmBitsPixel;
            format.topDown = dib.dsBmih.biHeight < 0;
            static_assert(sizeof(RgbQuad) == sizeof(RGBQUAD), "both are blue, green, red, reserved");
            format.colourTable = colourCount > 0 ? reinterpret_cast<const RgbQuad*>(table) : nullptr;
            format.colourCount = colourCount;
            read = sink.BeginRows(format);
            const auto* source = static_cast<const std::uint8_t*>(bm.bmBits);
            for (std::int32_t row = 0; read && row < bm.bmHeight && !sink.Satisfied(); ++row) {
                const std::int32_t pictureRow = format.topDown ? row : bm.bmHeight - 1 - row;
                if (!sink.TakeRow(pictureRow, source + static_cast<std::size_t>(row) * bm.bmWidthBytes)) break;
            }
        }
    }
    DeleteObject(bitmap);
    return read;
}

DecodedImage* LoadBitmapFile(const std::filesystem::path& path) {
    if (!SuitsLoadImage(path)) return ReadWithOurReader(path);
    const HANDLE loaded = LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                     LR_CREATEDIBSECTION | LR_LOADFROMFILE);
    if (loaded == nullptr) return nullptr;
    const auto bitmap = static_cast<HBITMAP>(loaded);
    DecodedImage* image = ConvertDibSection(bitmap);
    DeleteObject(bitmap);
    return image;
}

}  // namespace platform
