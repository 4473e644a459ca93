// Rows flowing from a decoder into whatever keeps them: the judgment, or a whole image.
#pragma once

#include <cstddef>
#include <cstdint>

#include "judge/PixelView.h"

// The picture a loader is about to hand over row by row: its size, its pixel layout (that of a
// DecodedImage of this depth) and its colour table.
struct RowFormat {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitsPerPixel = 0;
    // The row order of the image the picture would be stored in; the judgment's sampling grid
    // counts rows in that order (bottom-up images from the picture's bottom row).
    bool topDown = false;
    bool alpha = false;    // as DecodedImage::alpha
    int sourceScale = 1;   // as DecodedImage::sourceScale
    const RgbQuad* colourTable = nullptr;  // colourCount entries, for 8 bits per pixel and fewer
    int colourCount = 0;
    // Bytes each row handed over holds: its pixels, or (when larger) the row padded to 4 bytes
    // as the file stores it.
    std::size_t rowBytes = 0;
};

// The format of a whole image's rows, colour table aside.
inline RowFormat RowFormatOf(const PixelView& view) {
    RowFormat format;
    format.width = view.width;
    format.height = view.height;
    format.bitsPerPixel = view.bitsPerPixel;
    format.topDown = view.topDown;
    format.alpha = view.alpha;
    format.sourceScale = view.sourceScale;
    return format;
}

class RowSink {
public:
    virtual ~RowSink() = default;
    // Before the first row. False: the sink cannot take such a picture; the loader fails as
    // when its image cannot be created.
    virtual bool BeginRows(const RowFormat& format) = 0;
    // One row, `pictureRow` counted from the picture's top. Each row comes once, in any order
    // (interlaced files hand them out of order). False: nothing more is needed, and the loader
    // stops reading and releases its decoder.
    virtual bool TakeRow(std::int32_t pictureRow, const std::uint8_t* pixels) = 0;
    // True when no row is needed at all (the verdict is settled); asked after BeginRows.
    virtual bool Satisfied() const { return false; }
    // A decoder that can prove every pixel exactly gray (red = green = blue) without producing
    // them asks SettlesExactlyGray after BeginRows; when true, TakeExactlyGray takes the place of
    // every row.
    virtual bool SettlesExactlyGray() const { return false; }
    virtual void TakeExactlyGray() {}
};
