// The JPEG loader: libjpeg with per-thread recovery points for its fatal errors.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <new>
#include <thread>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include "image/DecodedImage.h"
#include "judge/PerceptualCriterion.h"
#include "platform/Files.h"

namespace {

constexpr std::size_t kStreamBufferBytes = 64 * 1024;

// A node of its own per thread: a context saved here must stay where it is while other
// threads insert theirs, because the owner may resume from it much later.
struct RecoveryPoint {
    std::jmp_buf context;
};

std::mutex RecoveryPointTableLock;
std::map<std::thread::id, RecoveryPoint> RecoveryPointTable;

// The calling thread's recovery point, inserted zero-filled on first use; nullptr only when
// memory for a new entry cannot be had. The lock covers the tree operation alone.
RecoveryPoint* RecoveryPointForThisThread() {
    const std::thread::id self = std::this_thread::get_id();
    std::lock_guard<std::mutex> hold(RecoveryPointTableLock);
    try {
        return &RecoveryPointTable.try_emplace(self).first->second;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// libjpeg's error_exit: never returns to the library.
void JpegFatalErrorHook(j_common_ptr) {
    RecoveryPoint* point = RecoveryPointForThisThread();
    // The loader inserted this thread's entry before its first library call, so the lookup
    // cannot need memory here; without a context there is nowhere sound to go.
    if (point == nullptr) std::abort();
    std::longjmp(point->context, 1);
}

// What libjpeg may allocate for one decode besides our image. Only whole-picture buffers
// (progressive and multi-scan files) come near it: a header may claim 65500 x 65500 pixels, and
// without a cap the library would ask for 25 GB before we see the size. At the cap it fails
// instead, so a progressive picture of up to about 40 megapixels of full colour decodes.
constexpr long kJpegWorkingMemoryBytes = 256L << 20;

// Every scan of a progressive file passes over the whole picture again; a few hundred bytes
// of empty scans would keep a worker busy for minutes. Real encoders write a dozen or so.
constexpr int kMaxJpegScans = 100;

// libjpeg's output_message: warnings (a file cut short, corrupt entropy data) are not
// failures, and trace output has no reader.
void JpegSilentOutputHook(j_common_ptr) {}

// libjpeg's progress hook, called while it consumes input: ends a decode past the scan limit
// through the fatal-error hook, so it fails like any other broken file.
void JpegScanLimitHook(j_common_ptr cinfo) {
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJpegScans) {
        JpegFatalErrorHook(cinfo);
    }
}

// Everything a decode acquires, owned by LoadJpegFile's frame so that it is intact after a
// jump back into DecodeJpeg and is released in one place.
struct JpegDecode {
    jpeg_decompress_struct decompressor;
    jpeg_error_mgr errorManager;
    jpeg_progress_mgr progress;
    bool decompressorCreated;
    std::FILE* file;
    JSAMPROW* rowTable;
    DecodedImage* image;
    bool reduced;
};

enum class JpegOutcome {
    Decoded,
    Monochrome,
    HeaderFailed,
    StartFailed,
    ImageNotCreated,
    RowTableNotAllocated,
    PixelsFailed,
};

// Runs the library from creation to the last scanline. Every acquisition goes into `decode`,
// and no object with a destructor lives in this frame, so a jump back here skips nothing.
JpegOutcome DecodeJpeg(JpegDecode* decode, RecoveryPoint* point) {
    jpeg_decompress_struct* cinfo = &decode->decompressor;

    // Armed before the decompressor is created: its memory manager can fail already.
    if (setjmp(point->context)) return JpegOutcome::HeaderFailed;
    cinfo->err = jpeg_std_error(&decode->errorManager);
    decode->errorManager.error_exit = JpegFatalErrorHook;
    decode->errorManager.output_message = JpegSilentOutputHook;
    decode->decompressorCreated = true;  // destroying a half-made decompressor is safe
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = kJpegWorkingMemoryBytes;
    decode->progress.progress_monitor = JpegScanLimitHook;
    cinfo->progress = &decode->progress;
    jpeg_stdio_src(cinfo, decode->file);
    jpeg_read_header(cinfo, TRUE);

    if (setjmp(point->context)) return JpegOutcome::StartFailed;
    // The library emits blue-green-red itself, so the rows need no swap after each read.
    if (cinfo->out_color_space == JCS_RGB) cinfo->out_color_space = JCS_EXT_BGR;
    int scale = 1;
    if (decode->reduced && cinfo->image_width <= INT32_MAX && cinfo->image_height <= INT32_MAX) {
        scale = PerceptualDecodeScale(static_cast<int>(cinfo->image_width), static_cast<int>(cinfo->image_height));
        cinfo->scale_num = 1;
        cinfo->scale_denom = static_cast<unsigned>(scale);
        // The criterion averages the picture into cells anyway: the fast integer transform and
        // plain chroma upsampling change nothing it can see, for less work.
        cinfo->dct_method = JDCT_IFAST;
        cinfo->do_fancy_upsampling = FALSE;
    }
    jpeg_start_decompress(cinfo);

    if (cinfo->output_components == 1) return JpegOutcome::Monochrome;

    BitmapInfoHeader header;
    if (cinfo->output_width > INT32_MAX || cinfo->output_height > INT32_MAX) {
        return JpegOutcome::ImageNotCreated;
    }
    header.width = static_cast<std::int32_t>(cinfo->output_width);
    header.height = static_cast<std::int32_t>(cinfo->output_height);
    header.bitCount = static_cast<std::uint16_t>(8 * cinfo->output_components);
    // Every scanline is written whole, or the decode fails and the image goes with it.
    decode->image = CreateDecodedImage(header, nullptr, ImageRows::WrittenByCaller);
    if (decode->image == nullptr) return JpegOutcome::ImageNotCreated;
    decode->image->sourceScale = scale;

    decode->rowTable = static_cast<JSAMPROW*>(std::malloc(sizeof(JSAMPROW) * cinfo->output_height));
    if (decode->rowTable == nullptr) return JpegOutcome::RowTableNotAllocated;
    // Scanline i is the picture's row i from the top.
    for (JDIMENSION i = 0; i < cinfo->output_height; ++i) {
        decode->rowTable[i] = PictureRow(*decode->image, i);
    }

    if (setjmp(point->context)) return JpegOutcome::PixelsFailed;
    while (cinfo->output_scanline < cinfo->output_height) {
        const JDIMENSION read = jpeg_read_scanlines(cinfo, decode->rowTable + cinfo->output_scanline,
                                                    cinfo->output_height - cinfo->output_scanline);
        // A stdio source never suspends; should one ever, finishing reports the missing lines.
        if (read == 0) break;
    }
    jpeg_finish_decompress(cinfo);
    return JpegOutcome::Decoded;
}

// The one release routine of every path, in a fixed order, each step only if it exists.
void ReleaseJpegDecode(JpegDecode& decode) {
    if (decode.decompressorCreated) jpeg_destroy_decompress(&decode.decompressor);
    if (decode.file != nullptr) std::fclose(decode.file);
    std::free(decode.rowTable);
    DestroyDecodedImage(decode.image);
    decode = JpegDecode{};
}

}  // namespace

DecodedImage* LoadJpegFile(const std::filesystem::path& path, int& earlyVerdict,
                           std::string& loadReason, JudgeEvidence* evidence, bool reduced) {
    earlyVerdict = kNoEarlyVerdict;
    RecoveryPoint* point = RecoveryPointForThisThread();
    if (point == nullptr) {
        loadReason = "メモリ領域の確保に失敗しました。";
        return nullptr;
    }
    JpegDecode decode{};
    decode.reduced = reduced;
    decode.file = platform::OpenStdioForRead(path);
    if (decode.file == nullptr) {
        loadReason = "ファイルの読み込みオープンに失敗しました。";
        return nullptr;
    }
    // The library reads 4 KB at a time; a larger stream buffer saves most of the system calls.
    std::setvbuf(decode.file, nullptr, _IOFBF, kStreamBufferBytes);

    const JpegOutcome outcome = DecodeJpeg(&decode, point);
    // The library's default message hook counts every warning, so knowing them costs nothing;
    // a file cut short, for one, decodes with a warning and a gray fill where data was missing.
    if (evidence != nullptr && (outcome == JpegOutcome::Decoded || outcome == JpegOutcome::Monochrome)) {
        evidence->decoderWarnings = decode.errorManager.num_warnings;
    }
    if (outcome == JpegOutcome::Decoded) {
        DecodedImage* image = decode.image;
        decode.image = nullptr;
        ReleaseJpegDecode(decode);
        return image;
    }
    ReleaseJpegDecode(decode);
    switch (outcome) {
        case JpegOutcome::Monochrome:
            earlyVerdict = kEarlyMonochrome;
            NoteEarlyRule(evidence, DecidingRule::Header, "one-component JPEG");
            break;
        case JpegOutcome::HeaderFailed: loadReason = "ヘッダ情報の読み込みに失敗しました。"; break;
        case JpegOutcome::StartFailed: loadReason = "ファイルの展開に失敗しました。"; break;
        case JpegOutcome::ImageNotCreated: loadReason = "BMPオブジェクトの作成に失敗しました。"; break;
        case JpegOutcome::RowTableNotAllocated: loadReason = "メモリ領域の確保に失敗しました。"; break;
        case JpegOutcome::PixelsFailed: loadReason = "イメージデータの取得に失敗しました。"; break;
        case JpegOutcome::Decoded: break;
    }
    return nullptr;
}

void EmptyRecoveryPointTable() {
    std::lock_guard<std::mutex> hold(RecoveryPointTableLock);
    RecoveryPointTable.clear();
}

std::size_t RecoveryPointTableSize() {
    std::lock_guard<std::mutex> hold(RecoveryPointTableLock);
    return RecoveryPointTable.size();
}

bool ReadJpegRows(const std::filesystem::path& path, RowSink& sink, int& earlyVerdict,
                  std::string& loadReason, JudgeEvidence* evidence, bool reduced) {
    DecodedImage* image = LoadJpegFile(path, earlyVerdict, loadReason, evidence, reduced);
    if (image == nullptr) return false;
    const bool sent = SendImageRows(*image, sink);
    DestroyDecodedImage(image);
    if (!sent) loadReason = "BMPオブジェクトの作成に失敗しました。";
    return sent;
}
