// The GIF loader: the first frame through giflib's record-level reading.
//
// The whole-file reader would allocate every frame before we could refuse an absurd size, and
// leaves the part of a frame cut short uninitialised without saying where it stopped. Reading
// the records up to the first frame and decoding its lines straight into the image avoids
// both: the size is refused at image creation, and missing lines stay zero.
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include <gif_lib.h>

#include "image/DecodedImage.h"
#include "platform/Files.h"

namespace {

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifFile = std::unique_ptr<GifFileType, GifCloser>;

// Skips extension records up to the first image descriptor and records that frame (its
// size, interlace flag and local colour map), and the transparent colour index of the graphic
// control block before it (-1 without). False when the file ends or breaks first.
bool RecordFirstFrame(GifFileType* gif, int& transparentIndex) {
    transparentIndex = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return false;
        switch (type) {
            case IMAGE_DESC_RECORD_TYPE:
                return DGifGetImageDesc(gif) != GIF_ERROR && gif->ImageCount > 0;
            case EXTENSION_RECORD_TYPE: {
                int code = 0;
                GifByteType* data = nullptr;
                if (DGifGetExtension(gif, &code, &data) == GIF_ERROR) return false;
                GraphicsControlBlock control;
                // data[0] is the block's length; a block of any other length than four is not read.
                if (code == GRAPHICS_EXT_FUNC_CODE && data != nullptr &&
                    DGifExtensionToGCB(data[0], data + 1, &control) == GIF_OK) {
                    transparentIndex = control.TransparentColor;
                }
                while (data != nullptr) {
                    if (DGifGetExtensionNext(gif, &data) == GIF_ERROR) return false;
                }
                break;
            }
            case TERMINATE_RECORD_TYPE:
                return false;
            default:
                return false;
        }
    }
}

// Decodes the frame's raster lines in file order and hands each to the sink as the picture's
// row counted from the top. Interlaced frames store rows 0,8,16..., then 4,12..., then
// 2,6..., then 1,3,5.... From the first broken line on, the rows not reached are index 0, as
// a zero-filled image would hold them. False when the lines broke in a picture too large to
// have been decoded whole: it is not filled in.
bool SendFrameLines(GifFileType* gif, std::int32_t width, std::int32_t height, bool interlaced, std::uint8_t* row,
                    RowSink& sink, bool beyondWholeImage) {
    static const std::int32_t kFirstRow[4] = {0, 4, 2, 1};
    static const std::int32_t kRowStep[4] = {8, 8, 4, 2};
    const int passes = interlaced ? 4 : 1;
    bool broken = false;
    for (int pass = 0; pass < passes; ++pass) {
        const std::int32_t first = interlaced ? kFirstRow[pass] : 0;
        const std::int32_t step = interlaced ? kRowStep[pass] : 1;
        for (std::int32_t r = first; r < height; r += step) {
            if (!broken) {
                std::memset(row, 0, static_cast<std::size_t>(width));
                // A line that breaks keeps what it decoded; the rest of it stays zero.
                broken = DGifGetLine(gif, row, width) == GIF_ERROR;
                if (broken && beyondWholeImage) return false;
            } else {
                std::memset(row, 0, static_cast<std::size_t>(width));
            }
            if (!sink.TakeRow(r, row)) return true;
        }
    }
    return true;
}

}  // namespace

bool ReadGifRows(const std::filesystem::path& path, RowSink& sink, int& earlyVerdict,
                 std::string& loadReason, JudgeEvidence* evidence, const platform::FileSystem& files) {
    earlyVerdict = kNoEarlyVerdict;
    const int descriptor = platform::OpenDescriptorForRead(path, files);
    if (descriptor < 0) {
        loadReason = "ファイルを開くのに失敗しました。";
        return false;
    }
    // On failure giflib has already closed the descriptor, on every path; on success the
    // descriptor belongs to the GIF file and goes with DGifCloseFile.
    int openError = 0;
    GifFile gif(DGifOpenFileHandle(descriptor, &openError));
    if (!gif) {
        loadReason = "ファイルを開くのに失敗しました。";
        return false;
    }

    int transparentIndex = NO_TRANSPARENT_COLOR;
    if (!RecordFirstFrame(gif.get(), transparentIndex)) {
        loadReason = "ファイルが不正です。";
        return false;
    }
    const GifImageDesc& frame = gif->SavedImages[0].ImageDesc;
    if (frame.Width <= 0 || frame.Height <= 0 || frame.Width > INT_MAX / frame.Height) {
        loadReason = "ファイルが不正です。";
        return false;
    }

    // A frame with no colour map at all, local or global, has no colour to show: it is
    // treated like an empty map.
    const ColorMapObject* map = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
    const int colourCount = map == nullptr ? 0 : std::min(map->ColorCount, 256);
    if (colourCount <= 0) {
        earlyVerdict = kEarlyMonochrome;
        NoteEarlyRule(evidence, DecidingRule::ColourTable, "no colour map");
        return false;
    }
    // 256 zero-filled slots, so that any index a frame holds names a defined entry.
    RgbQuad colourTable[256] = {};
    bool allGray = true;
    for (int i = 0; i < colourCount; ++i) {
        const GifColorType& c = map->Colors[i];
        colourTable[i] = RgbQuad{c.Blue, c.Green, c.Red, 0};
        if (c.Red != c.Green || c.Red != c.Blue) allGray = false;
    }
    if (allGray) {
        earlyVerdict = kEarlyMonochrome;
        NoteEarlyRule(evidence, DecidingRule::ColourTable, "colour map of gray entries");
        return false;
    }

    RowFormat format;
    format.width = frame.Width;
    format.height = frame.Height;
    format.bitsPerPixel = 8;
    format.topDown = false;
    format.colourTable = colourTable;
    format.colourCount = colourCount;
    // The transparent colour as a PNG palette's opacity, for the perceptual criterion: that
    // entry fully transparent, every other one opaque.
    if (transparentIndex >= 0 && transparentIndex < 256) {
        for (RgbQuad& entry : colourTable) entry.reserved = 255;
        colourTable[transparentIndex].reserved = 0;
        format.alpha = true;
    }
    if (!sink.BeginRows(format)) {
        loadReason = "BMPオブジェクトの作成に失敗しました。";
        return false;
    }
    if (sink.Satisfied()) return true;
    std::unique_ptr<std::uint8_t[]> row(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(frame.Width)]);
    if (row == nullptr ||
        !SendFrameLines(gif.get(), frame.Width, frame.Height, frame.Interlace, row.get(), sink,
                        !FitsWholeImage(frame.Width, frame.Height, 8))) {
        loadReason = "BMPオブジェクトの作成に失敗しました。";
        return false;
    }
    return true;
}

DecodedImage* LoadGifFile(const std::filesystem::path& path, int& earlyVerdict,
                          std::string& loadReason, JudgeEvidence* evidence) {
    ImageBuilder builder;
    return ReadGifRows(path, builder, earlyVerdict, loadReason, evidence) ? builder.Release() : nullptr;
}
