// Our general bitmap-file reader: the platform's bitmap loader on POSIX, and a fuzzing target.
#pragma once

#include <cstddef>
#include <cstdint>

struct DecodedImage;
class RowSink;

namespace platform {
struct InputFile;
}

// Reads a Windows bitmap file (12, 40, 52, 56, 108 and 124-byte headers; 1, 4, 8, 16, 24 and
// 32 bits; uncompressed, RLE8, RLE4 and bit fields) into an image of the file's own depth and
// colour table, in the layout the judgment reads. Two kinds are converted on the way, because
// the judgment only knows 5-5-5 and B,G,R,x: 16-bit bit fields with masks other than 5-5-5
// become 24-bit, and 32-bit bit fields with masks other than 8-8-8 become B,G,R,x.
// nullptr for anything else, for truncated uncompressed pixel data, and for images too large
// to create. The file's read position is left anywhere.
DecodedImage* ReadBitmapFile(platform::InputFile* file);

// The same, handing the rows to `sink` as they are read (run-length compressed pictures are
// drawn whole first). False for what ReadBitmapFile refuses.
bool ReadBitmapRows(platform::InputFile* file, RowSink& sink);

// The same from a whole file held in memory.
DecodedImage* ReadBitmapBytes(const std::uint8_t* data, std::size_t size);

// What a file's headers tell, checked against the file without reading its pixels: the guard
// before a loader that trusts the headers.
struct BitmapFileCheck {
    bool accepted = false;  // headers of a kind ReadBitmapFile reads
    bool topDown = false;   // rows stored top row first
    // The file holds every byte the headers declare: the colour table (up to 256 entries, as
    // many as the colours-used field states, whatever the depth) and the pixel data, which for
    // compressed data is the image size field's count of bytes and must be stated. Pictures
    // larger than kMaxImageBytes never count as whole.
    bool whole = false;
};
BitmapFileCheck CheckBitmapFile(platform::InputFile* file);
BitmapFileCheck CheckBitmapBytes(const std::uint8_t* data, std::size_t size);
