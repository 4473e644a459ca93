// The WebP loader: libwebp decoding straight into an image held under the memory budget.
//
// Neither kind of WebP hands out rows cheaply: a lossless picture is decoded whole, and the
// incremental decoder keeps a whole output buffer too. So the picture, or an animation's first
// frame, is decoded once into a DecodedImage and then handed over row by row.
#include <climits>
#include <cstring>
#include <string>

#include <webp/decode.h>
#include <webp/demux.h>

#include "image/DecodedImage.h"
#include "platform/Files.h"

namespace {

// Larger than any picture the format can hold (16383 x 16383 pixels, losslessly stored
// badly) with its metadata; a larger file is refused before it is read into memory.
constexpr std::uintmax_t kMaxWebPFileBytes = std::uintmax_t{1} << 30;

const char* const kReasonMalformed = "ファイルが不正です。";
const char* const kReasonNotCreated = "BMPオブジェクトの作成に失敗しました。";

// The bytes of the still picture: the whole file, or an animation's first frame. False when
// the container is broken.
bool StillPicture(const std::string& bytes, WebPData& still, WebPDemuxer*& demuxer) {
    WebPData data{reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(data.bytes, data.size, &features) != VP8_STATUS_OK) return false;
    if (!features.has_animation) {
        still = data;
        return true;
    }
    // Judged by its first frame alone, as a GIF is.
    demuxer = WebPDemux(&data);
    if (demuxer == nullptr) return false;
    WebPIterator frame;
    if (!WebPDemuxGetFrame(demuxer, 1, &frame)) return false;
    still = frame.fragment;
    WebPDemuxReleaseIterator(&frame);
    return true;
}

}  // namespace

bool ReadWebPRows(const std::filesystem::path& path, RowSink& sink, int& earlyVerdict, std::string& loadReason,
                  JudgeEvidence*, const platform::FileSystem& files) {
    earlyVerdict = kNoEarlyVerdict;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error && size > kMaxWebPFileBytes) {
        loadReason = kReasonNotCreated;
        return false;
    }
    std::string bytes;
    if (!platform::ReadWholeFile(path, bytes, files)) {
        loadReason = "ファイルの読み込みオープンに失敗しました。";
        return false;
    }
    WebPData still{nullptr, 0};
    WebPDemuxer* demuxer = nullptr;
    const bool found = StillPicture(bytes, still, demuxer);
    WebPDecoderConfig config;
    if (!found || !WebPInitDecoderConfig(&config) ||
        WebPGetFeatures(still.bytes, still.size, &config.input) != VP8_STATUS_OK ||
        config.input.width <= 0 || config.input.height <= 0) {
        WebPDemuxDelete(demuxer);
        loadReason = kReasonMalformed;
        return false;
    }
    BitmapInfoHeader header;
    header.width = config.input.width;
    header.height = -config.input.height;  // top-down, as the decoder writes
    header.bitCount = 32;
    DecodedImage* image = CreateDecodedImage(header, nullptr, ImageRows::WrittenByCaller);
    if (image == nullptr) {
        WebPDemuxDelete(demuxer);
        loadReason = kReasonNotCreated;
        return false;
    }
    // Straight (not premultiplied) opacity, as PNG stores it, for the perceptual criterion.
    image->alpha = config.input.has_alpha != 0;
    config.output.colorspace = MODE_BGRA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = image->bits;
    config.output.u.RGBA.stride = image->stride;
    config.output.u.RGBA.size = static_cast<std::size_t>(image->stride) * static_cast<std::size_t>(image->height);
    const VP8StatusCode status = WebPDecode(still.bytes, still.size, &config);
    WebPFreeDecBuffer(&config.output);
    WebPDemuxDelete(demuxer);
    bool read = false;
    if (status != VP8_STATUS_OK) {
        loadReason = status == VP8_STATUS_OUT_OF_MEMORY ? "メモリ領域の確保に失敗しました。" : kReasonMalformed;
    } else if (!SendImageRows(*image, sink)) {
        loadReason = kReasonNotCreated;
    } else {
        read = true;
    }
    DestroyDecodedImage(image);
    return read;
}

DecodedImage* LoadWebPFile(const std::filesystem::path& path, int& earlyVerdict, std::string& loadReason,
                           JudgeEvidence* evidence) {
    ImageBuilder builder;
    return ReadWebPRows(path, builder, earlyVerdict, loadReason, evidence) ? builder.Release() : nullptr;
}
