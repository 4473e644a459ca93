// The GIF loader: the first frame through giflib's record-level reading.
//
// The whole-file reader would allocate every frame before we could refuse an absurd size, and
// leaves the part of a frame cut short uninitialised without saying where it stopped. Reading
// the records up to the first frame and decoding its lines straight into the image avoids
// both: the size is refused at image creation, and missing lines stay zero.
#include <algorithm>
#include <climits>
#include <memory>

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
// size, interlace flag and local colour map). False when the file ends or breaks first.
bool RecordFirstFrame(GifFileType* gif) {
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

// Decodes the frame's raster lines in file order into picture rows counted from the top.
// Interlaced frames store rows 0,8,16..., then 4,12..., then 2,6..., then
// 1,3,5.... Stops at the first broken line: rows not reached keep index 0.
void DecodeFrameLines(GifFileType* gif, DecodedImage& image, bool interlaced) {
    const std::int32_t height = image.height;
    auto decodeRow = [&](std::int32_t r) {
        return DGifGetLine(gif, PictureRow(image, static_cast<std::size_t>(r)), image.width) != GIF_ERROR;
    };
    if (!interlaced) {
        for (std::int32_t r = 0; r < height; ++r) {
            if (!decodeRow(r)) return;
        }
        return;
    }
    static const std::int32_t kFirstRow[4] = {0, 4, 2, 1};
    static const std::int32_t kRowStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (std::int32_t r = kFirstRow[pass]; r < height; r += kRowStep[pass]) {
            if (!decodeRow(r)) return;
        }
    }
}

}  // namespace

DecodedImage* LoadGifFile(const std::filesystem::path& path, int& earlyVerdict,
                          std::string& loadReason, JudgeEvidence* evidence) {
    earlyVerdict = kNoEarlyVerdict;
    const int descriptor = platform::OpenDescriptorForRead(path);
    if (descriptor < 0) {
        loadReason = "ファイルを開くのに失敗しました。";
        return nullptr;
    }
    // On failure giflib has already closed the descriptor, on every path; on success the
    // descriptor belongs to the GIF file and goes with DGifCloseFile.
    int openError = 0;
    GifFile gif(DGifOpenFileHandle(descriptor, &openError));
    if (!gif) {
        loadReason = "ファイルを開くのに失敗しました。";
        return nullptr;
    }

    if (!RecordFirstFrame(gif.get())) {
        loadReason = "ファイルが不正です。";
        return nullptr;
    }
    const GifImageDesc& frame = gif->SavedImages[0].ImageDesc;
    if (frame.Width <= 0 || frame.Height <= 0 || frame.Width > INT_MAX / frame.Height) {
        loadReason = "ファイルが不正です。";
        return nullptr;
    }

    // A frame with no colour map at all, local or global, has no colour to show: it is
    // treated like an empty map.
    const ColorMapObject* map = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
    const int colourCount = map == nullptr ? 0 : std::min(map->ColorCount, 256);
    if (colourCount <= 0) {
        earlyVerdict = kEarlyMonochrome;
        NoteEarlyRule(evidence, DecidingRule::ColourTable, "no colour map");
        return nullptr;
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
        return nullptr;
    }

    BitmapInfoHeader header;
    header.width = frame.Width;
    header.height = frame.Height;
    header.bitCount = 8;
    header.clrUsed = static_cast<std::uint32_t>(colourCount);
    header.clrImportant = header.clrUsed;
    DecodedImage* image = CreateDecodedImage(header, colourTable);
    if (image == nullptr) {
        loadReason = "BMPオブジェクトの作成に失敗しました。";
        return nullptr;
    }
    DecodeFrameLines(gif.get(), *image, frame.Interlace);
    return image;
}

bool ReadGifRows(const std::filesystem::path& path, RowSink& sink, int& earlyVerdict,
                 std::string& loadReason, JudgeEvidence* evidence) {
    DecodedImage* image = LoadGifFile(path, earlyVerdict, loadReason, evidence);
    if (image == nullptr) return false;
    const bool sent = SendImageRows(*image, sink);
    DestroyDecodedImage(image);
    if (!sent) loadReason = "BMPオブジェクトの作成に失敗しました。";
    return sent;
}
