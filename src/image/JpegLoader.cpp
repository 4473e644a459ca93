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
#include <jerror.h>

#include "image/DecodedImage.h"
#include "image/MemoryBudget.h"
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

// Holds the calling thread's recovery point for one decode and removes it afterwards, so that
// no entry outlives its decode: a caller that starts a thread per picture would otherwise grow
// the table by one entry per thread for as long as the process lives. The entry is made before
// the decode's setjmp and removed after its frame is gone, so no jump ever crosses this object.
class RecoveryPointHold {
public:
    RecoveryPointHold() : point_(RecoveryPointForThisThread()) {}
    ~RecoveryPointHold() {
        if (point_ == nullptr) return;
        std::lock_guard<std::mutex> hold(RecoveryPointTableLock);
        RecoveryPointTable.erase(std::this_thread::get_id());
    }
    RecoveryPointHold(const RecoveryPointHold&) = delete;
    RecoveryPointHold& operator=(const RecoveryPointHold&) = delete;
    RecoveryPoint* Point() const { return point_; }

private:
    RecoveryPoint* point_;
};

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

// Everything a decode acquires, owned by ReadJpegRows' frame so that it is intact after a
// jump back into DecodeJpeg and is released in one place.
struct JpegDecode {
    jpeg_decompress_struct decompressor;
    jpeg_error_mgr errorManager;
    jpeg_progress_mgr progress;
    bool decompressorCreated;
    std::FILE* file;
    JSAMPLE* row;                 // one output row
    std::uint64_t reservedBytes;  // of the image memory budget, for the library's whole-picture buffers
    RowSink* sink;
    bool reduced;
    bool explaining;              // the evidence wants every row, and notes the coefficients' finding
    bool dataEnded;               // the decoder ran out of data and fills the rest
    bool beyondWholeImage;        // larger than a whole image may be (FitsWholeImage)
    bool chromaZero;              // every chroma coefficient is zero
    int scale;
};

enum class JpegOutcome {
    Decoded,
    Stopped,  // the sink had enough before the last row
    Monochrome,
    HeaderFailed,
    StartFailed,
    ImageNotCreated,
    RowTableNotAllocated,
    PixelsFailed,
};

// libjpeg's emit_message: counts warnings as the library's own does, and notes the end of the
// data, at its end or at a marker inside the picture (the library then fills the rest).
void JpegWarningHook(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace output has no reader
    ++cinfo->err->num_warnings;
    if (cinfo->err->msg_code == JWRN_JPEG_EOF || cinfo->err->msg_code == JWRN_HIT_MARKER) static_cast<JpegDecode*>(cinfo->client_data)->dataEnded = true;
}

// Rows decoded before deciding whether the chroma coefficients are worth a look: a picture
// whose first rows are exactly gray may be a gray picture stored in colour.
constexpr JDIMENSION kPeekRows = 16;

// The output the loader asks for, set again after every header read.
void ConfigureOutput(JpegDecode* decode) {
    jpeg_decompress_struct* cinfo = &decode->decompressor;
    // The library emits blue-green-red itself, so the rows need no swap after each read.
    if (cinfo->out_color_space == JCS_RGB) cinfo->out_color_space = JCS_EXT_BGR;
    decode->scale = 1;
    if (decode->reduced && cinfo->image_width <= INT32_MAX && cinfo->image_height <= INT32_MAX) {
        decode->scale = PerceptualDecodeScale(static_cast<int>(cinfo->image_width), static_cast<int>(cinfo->image_height));
        cinfo->scale_num = 1;
        cinfo->scale_denom = static_cast<unsigned>(decode->scale);
        // The criterion averages the picture into cells anyway: the fast integer transform and
        // plain chroma upsampling change nothing it can see, for less work.
        cinfo->dct_method = JDCT_IFAST;
        cinfo->do_fancy_upsampling = FALSE;
    }
}

// The bytes of the library's coefficient arrays for the whole picture, as it lays them out.
std::uint64_t CoefficientBytes(const jpeg_decompress_struct* cinfo) {
    std::uint64_t bytes = 0;
    for (int ci = 0; ci < cinfo->num_components; ++ci) {
        const jpeg_component_info& c = cinfo->comp_info[ci];
        const std::uint64_t wide = (std::uint64_t{c.width_in_blocks} + c.h_samp_factor - 1) / c.h_samp_factor * c.h_samp_factor;
        const std::uint64_t high = (std::uint64_t{c.height_in_blocks} + c.v_samp_factor - 1) / c.v_samp_factor * c.v_samp_factor;
        bytes += wide * high * sizeof(JBLOCK);
    }
    return bytes;
}

// Takes the coefficient arrays' bytes from the budget, waiting, or (when `mayDecline`) only if
// they fit now. The library's own cap stays the hard limit.
bool ReserveCoefficients(JpegDecode* decode, bool mayDecline) {
    const std::uint64_t bytes = CoefficientBytes(&decode->decompressor);
    if (bytes > static_cast<std::uint64_t>(kJpegWorkingMemoryBytes)) return false;
    if (!(mayDecline ? TryReserveImageMemory(bytes) : ReserveImageMemory(bytes))) return false;
    decode->reservedBytes = bytes;
    return true;
}

void ReleaseCoefficients(JpegDecode* decode) {
    ReleaseImageMemory(decode->reservedBytes);
    decode->reservedBytes = 0;
}

// A YCbCr picture whose chroma coefficients are all zero decodes to Cb = Cr = 128 everywhere,
// so every pixel has red = green = blue, whatever transform and upsampling follow.
bool ChromaCoefficientsZero(jpeg_decompress_struct* cinfo, jvirt_barray_ptr* coefficients) {
    for (int ci = 1; ci < 3; ++ci) {
        const jpeg_component_info& c = cinfo->comp_info[ci];
        for (JDIMENSION y = 0; y < c.height_in_blocks; ++y) {
            JBLOCKARRAY band = (*cinfo->mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(cinfo), coefficients[ci], y, 1, FALSE);
            // One OR over the band's blocks, which the compiler turns into vector code: this
            // look at every chroma coefficient is the short-cut's only work beside the decoding.
            const JCOEF* first = band[0][0];
            const std::size_t count = std::size_t{c.width_in_blocks} * DCTSIZE2;
            unsigned any = 0;
            for (std::size_t i = 0; i < count; ++i) any |= static_cast<std::uint16_t>(first[i]);
            if (any != 0) return false;
        }
    }
    return true;
}

bool RowExactlyGray(const JSAMPLE* row, JDIMENSION width) {
    for (JDIMENSION x = 0; x < width; ++x, row += 3) {
        if (row[0] != row[1] || row[1] != row[2]) return false;
    }
    return true;
}

// Back to the start of the file with a fresh header, after the library was stopped.
void RestartJpeg(JpegDecode* decode) {
    jpeg_decompress_struct* cinfo = &decode->decompressor;
    jpeg_abort_decompress(cinfo);
    ReleaseCoefficients(decode);
    std::rewind(decode->file);
    jpeg_stdio_src(cinfo, decode->file);
    jpeg_read_header(cinfo, TRUE);
}

// Runs the library from creation to the row that settles the verdict, or the last. Every
// acquisition goes into `decode`, and no object with a destructor lives in this frame, so a
// jump back here skips nothing.
JpegOutcome DecodeJpeg(JpegDecode* decode, RecoveryPoint* point) {
    jpeg_decompress_struct* cinfo = &decode->decompressor;
    RowSink* sink = decode->sink;

    // Armed before the decompressor is created: its memory manager can fail already.
    if (setjmp(point->context)) return JpegOutcome::HeaderFailed;
    cinfo->err = jpeg_std_error(&decode->errorManager);
    decode->errorManager.error_exit = JpegFatalErrorHook;
    decode->errorManager.output_message = JpegSilentOutputHook;
    decode->errorManager.emit_message = JpegWarningHook;
    decode->decompressorCreated = true;  // destroying a half-made decompressor is safe
    jpeg_create_decompress(cinfo);
    cinfo->client_data = decode;
    cinfo->mem->max_memory_to_use = kJpegWorkingMemoryBytes;
    decode->progress.progress_monitor = JpegScanLimitHook;
    cinfo->progress = &decode->progress;
    jpeg_stdio_src(cinfo, decode->file);
    jpeg_read_header(cinfo, TRUE);

    if (setjmp(point->context)) return JpegOutcome::StartFailed;
    ConfigureOutput(decode);
    // Progressive and multi-scan files are gathered whole by the library before the first row.
    if (jpeg_has_multiple_scans(cinfo) && !ReserveCoefficients(decode, false)) return JpegOutcome::StartFailed;
    jpeg_start_decompress(cinfo);

    if (cinfo->output_components == 1) return JpegOutcome::Monochrome;
    if (cinfo->output_width > INT32_MAX || cinfo->output_height > INT32_MAX) {
        return JpegOutcome::ImageNotCreated;
    }
    RowFormat format;
    format.width = static_cast<std::int32_t>(cinfo->output_width);
    format.height = static_cast<std::int32_t>(cinfo->output_height);
    format.bitsPerPixel = static_cast<std::uint16_t>(8 * cinfo->output_components);
    format.sourceScale = decode->scale;
    decode->beyondWholeImage = !FitsWholeImage(format.width, format.height, format.bitsPerPixel);
    if (!sink->BeginRows(format)) return JpegOutcome::ImageNotCreated;
    if (sink->Satisfied()) return JpegOutcome::Stopped;
    decode->row = static_cast<JSAMPLE*>(std::malloc(std::size_t{cinfo->output_width} * cinfo->output_components));
    if (decode->row == nullptr) return JpegOutcome::RowTableNotAllocated;

    // The chroma coefficients are worth reading only for a colour picture stored as YCbCr whose
    // first rows are exactly gray, and only where their arrays fit the budget beside the rest.
    // Locals that change after the setjmp below are volatile, as the jump requires.
    const volatile bool mayProbe = (sink->SettlesExactlyGray() || decode->explaining) && cinfo->jpeg_color_space == JCS_YCbCr &&
                          cinfo->num_components == 3 && cinfo->output_components == 3 && !jpeg_has_multiple_scans(cinfo) &&
                          cinfo->output_height > kPeekRows;
    volatile bool exactlyGray = mayProbe;

    if (setjmp(point->context)) return JpegOutcome::PixelsFailed;
    volatile JDIMENSION fed = 0;  // rows handed to the sink
    volatile JDIMENSION limit = mayProbe ? kPeekRows : cinfo->output_height;
    for (;;) {
        while (cinfo->output_scanline < limit) {
            JSAMPROW rows[1] = {decode->row};
            // A stdio source never suspends; should one ever, finishing reports the missing lines.
            if (jpeg_read_scanlines(cinfo, rows, 1) == 0) break;
            const JDIMENSION r = cinfo->output_scanline - 1;
            // A picture too large to have been decoded whole fails as it would have, rather
            // than filling millions of rows the file does not hold.
            if (decode->dataEnded && decode->beyondWholeImage) return JpegOutcome::ImageNotCreated;
            if (r < fed) continue;  // handed over before a restart
            if (exactlyGray) exactlyGray = RowExactlyGray(decode->row, cinfo->output_width);
            fed = fed + 1;
            if (!sink->TakeRow(static_cast<std::int32_t>(r), decode->row)) return JpegOutcome::Stopped;
        }
        if (limit == cinfo->output_height) break;
        limit = cinfo->output_height;
        if (!exactlyGray) continue;
        exactlyGray = false;
        // Entropy decoding alone, into the coefficient arrays, when they fit the budget now.
        RestartJpeg(decode);
        if (ReserveCoefficients(decode, true)) {
            jvirt_barray_ptr* coefficients = jpeg_read_coefficients(cinfo);
            decode->chromaZero = ChromaCoefficientsZero(cinfo, coefficients);
            if (decode->chromaZero && !decode->explaining) {
                sink->TakeExactlyGray();
                return JpegOutcome::Stopped;
            }
            RestartJpeg(decode);
        }
        // Decoded again from the top; the rows already handed over are skipped.
        ConfigureOutput(decode);
        jpeg_start_decompress(cinfo);
    }
    jpeg_finish_decompress(cinfo);
    return JpegOutcome::Decoded;
}

// The one release routine of every path, in a fixed order, each step only if it exists.
void ReleaseJpegDecode(JpegDecode& decode) {
    if (decode.decompressorCreated) jpeg_destroy_decompress(&decode.decompressor);
    if (decode.file != nullptr) std::fclose(decode.file);
    std::free(decode.row);
    ReleaseCoefficients(&decode);
    decode = JpegDecode{};
}

}  // namespace

bool ReadJpegRows(const std::filesystem::path& path, RowSink& sink, int& earlyVerdict,
                  std::string& loadReason, JudgeEvidence* evidence, bool reduced, const platform::FileSystem& files) {
    earlyVerdict = kNoEarlyVerdict;
    const RecoveryPointHold recovery;
    RecoveryPoint* point = recovery.Point();
    if (point == nullptr) {
        loadReason = "メモリ領域の確保に失敗しました。";
        return false;
    }
    JpegDecode decode{};
    decode.reduced = reduced;
    decode.sink = &sink;
    decode.explaining = evidence != nullptr && !evidence->warningsOnly;
    decode.file = platform::OpenStdioForRead(path, files);
    if (decode.file == nullptr) {
        loadReason = "ファイルの読み込みオープンに失敗しました。";
        return false;
    }
    // The library reads 4 KB at a time; a larger stream buffer saves most of the system calls.
    std::setvbuf(decode.file, nullptr, _IOFBF, kStreamBufferBytes);

    const JpegOutcome outcome = DecodeJpeg(&decode, point);
    // Our warning hook counts every warning, so knowing them costs nothing; a file cut short,
    // for one, decodes with a warning and a gray fill where data was missing.
    if (evidence != nullptr && (outcome == JpegOutcome::Decoded || outcome == JpegOutcome::Stopped ||
                                outcome == JpegOutcome::Monochrome)) {
        evidence->decoderWarnings = decode.errorManager.num_warnings;
        evidence->settledByCoefficients = decode.chromaZero;
    }
    ReleaseJpegDecode(decode);
    switch (outcome) {
        case JpegOutcome::Decoded:
        case JpegOutcome::Stopped: return true;
        case JpegOutcome::Monochrome:
            earlyVerdict = kEarlyMonochrome;
            NoteEarlyRule(evidence, DecidingRule::Header, "one-component JPEG");
            break;
        case JpegOutcome::HeaderFailed: loadReason = "ヘッダ情報の読み込みに失敗しました。"; break;
        case JpegOutcome::StartFailed: loadReason = "ファイルの展開に失敗しました。"; break;
        case JpegOutcome::ImageNotCreated: loadReason = "BMPオブジェクトの作成に失敗しました。"; break;
        case JpegOutcome::RowTableNotAllocated: loadReason = "メモリ領域の確保に失敗しました。"; break;
        case JpegOutcome::PixelsFailed: loadReason = "イメージデータの取得に失敗しました。"; break;
    }
    return false;
}

DecodedImage* LoadJpegFile(const std::filesystem::path& path, int& earlyVerdict,
                           std::string& loadReason, JudgeEvidence* evidence, bool reduced) {
    ImageBuilder builder;
    return ReadJpegRows(path, builder, earlyVerdict, loadReason, evidence, reduced) ? builder.Release() : nullptr;
}

void EmptyRecoveryPointTable() {
    std::lock_guard<std::mutex> hold(RecoveryPointTableLock);
    RecoveryPointTable.clear();
}

std::size_t RecoveryPointTableSize() {
    std::lock_guard<std::mutex> hold(RecoveryPointTableLock);
    return RecoveryPointTable.size();
}

