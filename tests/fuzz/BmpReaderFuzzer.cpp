// The general bitmap reader on bytes in memory: an image that keeps its own contract, or nothing.
#include <cstdlib>
#include <cstring>

#include "fuzz/FuzzInput.h"
#include "image/BmpReader.h"
#include "image/DecodedImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxFuzzInputBytes) return -1;
    UseFuzzSettings();
    // The check that guards the Windows loader reads the same headers: it never calls a file
    // whole that it does not accept, nor refuses one the reader reads.
    const BitmapFileCheck check = CheckBitmapBytes(data, size);
    DecodedImage* image = ReadBitmapBytes(data, size);
    if ((check.whole && !check.accepted) || (image != nullptr && !check.accepted)) std::abort();
    if (image == nullptr) return 0;
    const std::int64_t stride = (std::int64_t{image->width} * image->bitsPerPixel + 31) / 32 * 4;
    if (image->width <= 0 || image->height <= 0 || image->stride != stride ||
        image->colourCount < 0 || image->colourCount > 256 ||
        (image->bitsPerPixel <= 8) != (image->colourCount > 0)) {
        std::abort();
    }
    // Touch the first and last byte of the rows and the whole table, so that a buffer smaller
    // than its description shows up under the address sanitizer.
    volatile std::uint8_t sink = image->bits[0];
    sink = image->bits[static_cast<std::size_t>(image->stride) * static_cast<std::size_t>(image->height) - 1];
    for (int i = 0; i < image->colourCount; ++i) sink = image->colourTable[i].red;
    (void)sink;
    DestroyDecodedImage(image);
    return 0;
}
