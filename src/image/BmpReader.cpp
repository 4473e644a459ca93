#include "image/BmpReader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "image/BmpHeader.h"
#include "image/DecodedImage.h"
#include "platform/Files.h"

namespace {

// Where the bytes come from: an open file, or memory. Reads past the end come back short.
struct Source {
    platform::InputFile* file;
    const std::uint8_t* data;
    std::uint64_t size;
    std::uint64_t position;
};

bool SeekSource(Source& source, std::uint64_t offset) {
    if (source.file != nullptr) return platform::SeekInputFile(source.file, offset);
    source.position = offset;
    return true;
}

std::size_t ReadSource(Source& source, void* destination, std::size_t count) {
    if (source.file != nullptr) return platform::ReadInputFile(source.file, destination, count);
    if (source.position >= source.size) return 0;
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, source.size - source.position));
    std::memcpy(destination, source.data + source.position, n);
    source.position += n;
    return n;
}

bool ReadAt(Source& source, std::uint64_t offset, void* destination, std::size_t count) {
    return SeekSource(source, offset) && ReadSource(source, destination, count) == count;
}

// One colour channel of a bit-field pixel, widened or narrowed to 8 bits.
struct Channel {
    std::uint32_t mask;
    int shift;
    int bits;
};

// False for a mask whose bits are not one run: no writer produces those, and the scaling
// below assumes a plain number.
bool DescribeChannel(std::uint32_t mask, Channel& channel) {
    channel = Channel{mask, 0, 0};
    if (mask == 0) return true;
    while ((mask & 1u) == 0) {
        mask >>= 1;
        ++channel.shift;
    }
    while ((mask & 1u) != 0) {
        mask >>= 1;
        ++channel.bits;
    }
    return mask == 0;
}

std::uint8_t ExtractChannel(const Channel& channel, std::uint32_t pixel) {
    if (channel.bits == 0) return 0;
    const std::uint32_t value = (pixel & channel.mask) >> channel.shift;
    if (channel.bits >= 8) return static_cast<std::uint8_t>(value >> (channel.bits - 8));
    // Spread a short channel over the full range so that its maximum is white, not 248.
    const std::uint32_t maximum = (1u << channel.bits) - 1;
    return static_cast<std::uint8_t>((value * 255 + maximum / 2) / maximum);
}

// The info header's fields as stated (size: of the info header; height negative: top-down;
// clrUsed 0 in a core header), and what follows from them.
struct Layout : BitmapInfoHeader {
    std::uint64_t pixelOffset;
    std::uint64_t headerEnd;   // past the info header and any masks after it: the colour table
    std::uint64_t rows;        // |height|
    std::uint64_t fileStride;  // bytes of one uncompressed row in the file
    BmpColourMasks masks;      // of bit-field files
    Channel channels[3];       // red, green, blue of bit-field files
    int colourCount;
    RgbQuad colourTable[256];
};

bool IsAcceptedFormat(const Layout& layout) {
    switch (layout.compression) {
        case kBiRgb:
            switch (layout.bitCount) {
                case 1: case 4: case 8: case 24: return true;
                // The core header predates these depths.
                case 16: case 32: return layout.size != kBmpCoreHeaderBytes;
                default: return false;
            }
        case kBiRle8: return layout.bitCount == 8 && layout.height > 0;
        case kBiRle4: return layout.bitCount == 4 && layout.height > 0;
        case kBiBitfields:
        case kBiAlphaBitfields:
            return layout.size != kBmpCoreHeaderBytes && (layout.bitCount == 16 || layout.bitCount == 32);
        default: return false;
    }
}

// Reads and checks everything before the pixel data. Every field is checked against the few
// values we take before it takes part in any arithmetic.
bool ReadLayout(Source& source, Layout& layout) {
    std::uint8_t fileBytes[kBmpFileHeaderBytes];
    if (!ReadAt(source, 0, fileBytes, sizeof fileBytes)) return false;
    const BmpFileHeader fileHeader = ParseBmpFileHeader(fileBytes);
    if (!fileHeader.signature) return false;
    layout.pixelOffset = fileHeader.pixelOffset;

    std::uint8_t header[124] = {};
    if (!ReadAt(source, kBmpFileHeaderBytes, header, 4)) return false;
    const std::uint32_t headerSize = GetLittle32(header);
    switch (headerSize) {
        case 12: case 40: case 52: case 56: case 108: case 124: break;
        default: return false;
    }
    if (!ReadAt(source, kBmpFileHeaderBytes, header, headerSize)) return false;

    static_cast<BitmapInfoHeader&>(layout) = ParseBmpInfoHeader(header);
    if (layout.planes != 1 || layout.width <= 0 || layout.height == 0 || layout.height == INT32_MIN ||
        !IsAcceptedFormat(layout)) {
        return false;
    }

    layout.headerEnd = kBmpFileHeaderBytes + layout.size;
    if (layout.compression == kBiBitfields || layout.compression == kBiAlphaBitfields) {
        std::uint8_t maskBytes[kBmpMaskBytes];
        if (layout.size == kBmpInfoHeaderBytes) {
            if (!ReadAt(source, layout.headerEnd, maskBytes, sizeof maskBytes)) return false;
            // An alpha mask follows the other three; we never look at it.
            layout.headerEnd += layout.compression == kBiAlphaBitfields ? 16 : 12;
        } else {
            std::memcpy(maskBytes, header + kBmpInfoHeaderBytes, sizeof maskBytes);
        }
        layout.masks = ParseBmpColourMasks(maskBytes);
        if (!DescribeChannel(layout.masks.red, layout.channels[0]) ||
            !DescribeChannel(layout.masks.green, layout.channels[1]) ||
            !DescribeChannel(layout.masks.blue, layout.channels[2])) {
            return false;
        }
    }
    // Pixels that begin inside the headers would be header bytes read as a picture.
    if (layout.pixelOffset < layout.headerEnd) return false;

    layout.rows = layout.height < 0 ? 0 - static_cast<std::int64_t>(layout.height)
                                    : static_cast<std::uint64_t>(layout.height);
    layout.fileStride = (static_cast<std::uint64_t>(layout.width) * layout.bitCount + 31) / 32 * 4;

    layout.colourCount = 0;
    if (layout.bitCount <= 8) {
        const std::uint32_t nominal = 1u << layout.bitCount;
        layout.colourCount =
            static_cast<int>(layout.clrUsed == 0 ? nominal : std::min(layout.clrUsed, nominal));
        const int entryBytes = layout.size == kBmpCoreHeaderBytes ? 3 : 4;
        std::uint8_t table[256 * 4];
        const auto tableBytes = static_cast<std::size_t>(layout.colourCount * entryBytes);
        if (!ReadAt(source, layout.headerEnd, table, tableBytes)) {
            return false;
        }
        for (int i = 0; i < layout.colourCount; ++i) {
            const std::uint8_t* entry = table + i * entryBytes;
            layout.colourTable[i] = RgbQuad{entry[0], entry[1], entry[2], 0};
        }
    }
    return true;
}

DecodedImage* CreateImage(const Layout& layout, std::uint16_t bitCount) {
    BitmapInfoHeader header;
    header.width = layout.width;
    header.height = layout.height;
    header.bitCount = bitCount;
    header.clrUsed = static_cast<std::uint32_t>(layout.colourCount);
    return CreateDecodedImage(header, layout.colourCount > 0 ? layout.colourTable : nullptr);
}

RowFormat FormatOf(const Layout& layout, std::uint16_t bitCount) {
    RowFormat format;
    format.width = layout.width;
    format.height = static_cast<std::int32_t>(layout.rows);
    format.bitsPerPixel = bitCount;
    format.topDown = layout.height < 0;
    format.colourTable = layout.colourCount > 0 ? layout.colourTable : nullptr;
    format.colourCount = layout.colourCount;
    format.rowBytes = (static_cast<std::size_t>(layout.width) * bitCount + 31) / 32 * 4;
    return format;
}

// The picture row of the file's `n`th stored row.
std::int32_t PictureRowOf(const Layout& layout, std::uint64_t n) {
    return static_cast<std::int32_t>(layout.height < 0 ? n : layout.rows - 1 - n);
}

// True when the file holds `rows` uncompressed rows at the pixel offset. Asked before the image
// is created, so that a small file claiming a huge picture costs no allocation.
bool HasPixelData(Source& source, const Layout& layout) {
    if (layout.fileStride > kMaxImageBytes || layout.rows > kMaxImageBytes / layout.fileStride) return false;
    std::uint8_t last;
    return ReadAt(source, layout.pixelOffset + layout.fileStride * layout.rows - 1, &last, 1);
}

// The file's rows are already in the judged layout: each goes to the sink as it is read.
bool SendRowsAsTheyAre(Source& source, const Layout& layout, RowSink& sink) {
    if (!HasPixelData(source, layout)) return false;
    if (!sink.BeginRows(FormatOf(layout, layout.bitCount))) return false;
    if (sink.Satisfied()) return true;
    std::unique_ptr<std::uint8_t[]> row(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(layout.fileStride)]);
    if (row == nullptr || !SeekSource(source, layout.pixelOffset)) return false;
    for (std::uint64_t y = 0; y < layout.rows; ++y) {
        if (ReadSource(source, row.get(), static_cast<std::size_t>(layout.fileStride)) != layout.fileStride) return false;
        if (!sink.TakeRow(PictureRowOf(layout, y), row.get())) break;
    }
    return true;
}

// Bit-field rows the judgment cannot read as they are: 16-bit ones become 24-bit (B,G,R) and
// 32-bit ones B,G,R,x, every channel scaled to 8 bits.
bool SendBitfieldRows(Source& source, const Layout& layout, RowSink& sink) {
    if (!HasPixelData(source, layout)) return false;
    const std::uint16_t outBits = layout.bitCount == 16 ? 24 : 32;
    if (!sink.BeginRows(FormatOf(layout, outBits))) return false;
    if (sink.Satisfied()) return true;
    const auto inBytes = static_cast<std::size_t>(layout.fileStride);
    const std::size_t outBytes = (static_cast<std::size_t>(layout.width) * outBits + 31) / 32 * 4;
    std::unique_ptr<std::uint8_t[]> row(new (std::nothrow) std::uint8_t[inBytes]);
    std::unique_ptr<std::uint8_t[]> converted(new (std::nothrow) std::uint8_t[outBytes]());
    if (row == nullptr || converted == nullptr || !SeekSource(source, layout.pixelOffset)) return false;
    const int bytesIn = layout.bitCount / 8;
    const int bytesOut = outBits / 8;
    for (std::uint64_t y = 0; y < layout.rows; ++y) {
        if (ReadSource(source, row.get(), inBytes) != inBytes) return false;
        std::uint8_t* out = converted.get();
        for (std::int32_t x = 0; x < layout.width; ++x) {
            const std::uint8_t* in = row.get() + static_cast<std::size_t>(x) * bytesIn;
            const std::uint32_t pixel = bytesIn == 2 ? GetLittle16(in) : GetLittle32(in);
            out[0] = ExtractChannel(layout.channels[2], pixel);
            out[1] = ExtractChannel(layout.channels[1], pixel);
            out[2] = ExtractChannel(layout.channels[0], pixel);
            out += bytesOut;
        }
        if (!sink.TakeRow(PictureRowOf(layout, y), converted.get())) break;
    }
    return true;
}

// Buffered bytes of compressed data, never more than the data's own size.
struct ByteStream {
    Source& source;
    std::uint64_t remaining;
    std::uint8_t buffer[4096];
    std::size_t length;
    std::size_t next;
};

bool NextByte(ByteStream& stream, std::uint8_t& byte) {
    if (stream.next == stream.length) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof stream.buffer, stream.remaining));
        stream.length = want == 0 ? 0 : ReadSource(stream.source, stream.buffer, want);
        stream.next = 0;
        stream.remaining = stream.length == 0 ? 0 : stream.remaining - stream.length;
        if (stream.length == 0) return false;
    }
    byte = stream.buffer[stream.next++];
    return true;
}

// Writes pixels where the compressed data puts them, dropping any that fall outside the image.
struct RleCursor {
    DecodedImage& image;
    bool fourBit;
    std::uint64_t x;
    std::uint64_t y;
};

void PutPixel(RleCursor& cursor, std::uint8_t index) {
    const auto width = static_cast<std::uint64_t>(cursor.image.width);
    if (cursor.x < width && cursor.y < static_cast<std::uint64_t>(cursor.image.height)) {
        std::uint8_t* row = StoredRow(cursor.image, static_cast<std::size_t>(cursor.y));
        if (!cursor.fourBit) {
            row[cursor.x] = index;
        } else if (cursor.x % 2 == 0) {
            row[cursor.x / 2] = static_cast<std::uint8_t>((row[cursor.x / 2] & 0x0F) | index << 4);
        } else {
            row[cursor.x / 2] = static_cast<std::uint8_t>((row[cursor.x / 2] & 0xF0) | (index & 0x0F));
        }
    }
    // Held at the edge: a line that runs long only drops pixels, and x cannot grow unbounded.
    if (cursor.x < width) ++cursor.x;
}

// RLE data that ends early, or without its end-of-bitmap code, keeps what it drew: pixels it
// never reached stay zero, as they would with a writer that relies on that.
void DecodeRle(ByteStream& stream, DecodedImage& image, bool fourBit) {
    RleCursor cursor{image, fourBit, 0, 0};
    const auto height = static_cast<std::uint64_t>(image.height);
    std::uint8_t count = 0;
    std::uint8_t value = 0;
    while (cursor.y < height && NextByte(stream, count) && NextByte(stream, value)) {
        if (count > 0) {
            for (int i = 0; i < count; ++i) {
                PutPixel(cursor, !fourBit ? value : i % 2 == 0 ? value >> 4 : value & 0x0F);
            }
        } else if (value == 0) {  // end of line
            cursor.x = 0;
            ++cursor.y;
        } else if (value == 1) {  // end of bitmap
            return;
        } else if (value == 2) {  // delta
            std::uint8_t dx = 0;
            std::uint8_t dy = 0;
            if (!NextByte(stream, dx) || !NextByte(stream, dy)) return;
            cursor.x = std::min<std::uint64_t>(cursor.x + dx, static_cast<std::uint64_t>(image.width));
            cursor.y += dy;
        } else {  // `value` pixels stored as they are, padded to a 16-bit boundary
            const int bytes = fourBit ? (value + 1) / 2 : value;
            std::uint8_t byte = 0;
            for (int i = 0; i < bytes; ++i) {
                if (!NextByte(stream, byte)) return;
                if (!fourBit) {
                    PutPixel(cursor, byte);
                } else {
                    PutPixel(cursor, byte >> 4);
                    if (2 * i + 1 < value) PutPixel(cursor, byte & 0x0F);
                }
            }
            if (bytes % 2 != 0 && !NextByte(stream, byte)) return;
        }
    }
}

DecodedImage* ReadRleData(Source& source, const Layout& layout) {
    DecodedImage* image = CreateImage(layout, layout.bitCount);
    if (image == nullptr) return nullptr;
    if (!SeekSource(source, layout.pixelOffset)) {
        DestroyDecodedImage(image);
        return nullptr;
    }
    // The image size field is the compressed size; when a writer left it 0 the file's end is.
    ByteStream stream{source, layout.sizeImage != 0 ? layout.sizeImage : UINT64_MAX, {}, 0, 0};
    DecodeRle(stream, *image, layout.compression == kBiRle4);
    return image;
}

bool IsDirectBitfieldLayout(const Layout& layout) {
    return layout.bitCount == 16 ? IsFiveFiveFive(layout.masks) : IsEightEightEight(layout.masks);
}

bool SendBitmapRows(Source& source, RowSink& sink) {
    Layout layout{};
    if (!ReadLayout(source, layout)) return false;
    switch (layout.compression) {
        case kBiRle8:
        case kBiRle4: {
            // Compressed rows may skip ahead and back within a line: drawn whole, then handed on.
            DecodedImage* image = ReadRleData(source, layout);
            if (image == nullptr) return false;
            const bool sent = SendImageRows(*image, sink);
            DestroyDecodedImage(image);
            return sent;
        }
        case kBiBitfields:
        case kBiAlphaBitfields:
            if (!IsDirectBitfieldLayout(layout)) return SendBitfieldRows(source, layout, sink);
            return SendRowsAsTheyAre(source, layout, sink);
        default: return SendRowsAsTheyAre(source, layout, sink);
    }
}

DecodedImage* ReadBitmap(Source& source) {
    // A run-length picture is drawn whole anyway, and that drawing is the image: copied through
    // rows into a second whole picture, the copy would wait on the memory budget that the
    // first one holds, for ever once the two together exceed it.
    Layout layout{};
    if (!ReadLayout(source, layout)) return nullptr;
    if (layout.compression == kBiRle8 || layout.compression == kBiRle4) return ReadRleData(source, layout);
    ImageBuilder builder;
    return SendBitmapRows(source, builder) ? builder.Release() : nullptr;
}

BitmapFileCheck CheckBitmap(Source& source) {
    BitmapFileCheck check;
    Layout layout{};
    if (!ReadLayout(source, layout)) return check;
    check.accepted = true;
    check.topDown = layout.height < 0;

    // A loader may read as many entries as stated, beyond what the depth can index, and a
    // table stated for a deeper picture too.
    std::uint64_t tableEntries = layout.bitCount <= 8 ? std::uint64_t{1} << layout.bitCount : 0;
    if (layout.clrUsed != 0) tableEntries = std::min<std::uint64_t>(layout.clrUsed, 256);
    const std::uint64_t tableEnd = layout.headerEnd + tableEntries * (layout.size == kBmpCoreHeaderBytes ? 3 : 4);
    std::uint8_t last;
    if (tableEnd > layout.headerEnd && !ReadAt(source, tableEnd - 1, &last, 1)) return check;

    if (layout.compression == kBiRle8 || layout.compression == kBiRle4) {
        check.whole = layout.sizeImage != 0 && layout.fileStride <= kMaxImageBytes &&
                      layout.rows <= kMaxImageBytes / layout.fileStride &&
                      ReadAt(source, layout.pixelOffset + layout.sizeImage - 1, &last, 1);
    } else {
        check.whole = HasPixelData(source, layout);
    }
    return check;
}

}  // namespace

BitmapFileCheck CheckBitmapFile(platform::InputFile* file) {
    if (file == nullptr) return BitmapFileCheck{};
    Source source{file, nullptr, 0, 0};
    return CheckBitmap(source);
}

BitmapFileCheck CheckBitmapBytes(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr) return BitmapFileCheck{};
    Source source{nullptr, data, size, 0};
    return CheckBitmap(source);
}

bool ReadBitmapRows(platform::InputFile* file, RowSink& sink) {
    if (file == nullptr) return false;
    Source source{file, nullptr, 0, 0};
    return SendBitmapRows(source, sink);
}

DecodedImage* ReadBitmapFile(platform::InputFile* file) {
    if (file == nullptr) return nullptr;
    Source source{file, nullptr, 0, 0};
    return ReadBitmap(source);
}

DecodedImage* ReadBitmapBytes(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr) return nullptr;
    Source source{nullptr, data, size, 0};
    return ReadBitmap(source);
}
