// The per-format entry operations: loader, judgment and clean-up in one fixed pattern.
#include <memory>

#include "image/DecodedImage.h"
#include "image/BitmapFile.h"
#include "image/ImageKind.h"
#include "judge/RowJudgment.h"
#include "platform/Text.h"

namespace {

using Reader = bool (*)(const std::filesystem::path&, RowSink&, int&, std::string&, JudgeEvidence*,
                        const platform::FileSystem&);

bool ReadWholeJpegRows(const std::filesystem::path& path, RowSink& sink, int& earlyVerdict, std::string& loadReason,
                       JudgeEvidence* evidence, const platform::FileSystem& files) {
    return ReadJpegRows(path, sink, earlyVerdict, loadReason, evidence, false, files);
}

bool ReadReducedJpegRows(const std::filesystem::path& path, RowSink& sink, int& earlyVerdict, std::string& loadReason,
                         JudgeEvidence* evidence, const platform::FileSystem& files) {
    return ReadJpegRows(path, sink, earlyVerdict, loadReason, evidence, true, files);
}

struct FormatMessages {
    const char* plain;
    const char* withReason;
};

// The evidence a judgment gathers: none when the caller wants the decoder's warnings alone.
JudgeEvidence* FullEvidence(JudgeEvidence* evidence) {
    return evidence != nullptr && !evidence->warningsOnly ? evidence : nullptr;
}

// The reader hands its rows to the judgment, which stops it once the verdict is settled.
int JudgeWithReader(Reader read, const FormatMessages& messages, const std::filesystem::path& path,
                    const JudgeParams& params, std::string& errorText, JudgeEvidence* evidence,
                    const platform::FileSystem& files) {
    std::string loadReason;
    int earlyVerdict = kNoEarlyVerdict;
    RowJudgment judgment(params, FullEvidence(evidence));
    const bool wasRead = read(path, judgment, earlyVerdict, loadReason, evidence, files);
    // A reason the loader may have written is dropped: the header settled the file.
    if (earlyVerdict != kNoEarlyVerdict) return earlyVerdict == kEarlyMonochrome ? 1 : 0;
    if (wasRead) return judgment.Finish(errorText);
    errorText = loadReason.empty() ? std::string(messages.plain)
                                   : FormatText(messages.withReason, loadReason.c_str());
    return 1;
}

int JudgeJpegThrough(const std::filesystem::path& path, const JudgeParams& params, std::string& errorText,
                  JudgeEvidence* evidence, const platform::FileSystem& files) {
    static const FormatMessages messages{"【ERROR】JPEGファイルの読み込みに失敗しました。",
                                         "【ERROR】JPEGファイルの読み込みに失敗しました。（%s）"};
    // The perceptual criterion averages the picture into cells anyway; a decode reduced to
    // no coarser than a cell costs a fraction of a whole one.
    const Reader read = params.IS_PERCEPTUAL_JUDGE != 0 ? ReadReducedJpegRows : ReadWholeJpegRows;
    return JudgeWithReader(read, messages, path, params, errorText, evidence, files);
}

int JudgePngThrough(const std::filesystem::path& path, const JudgeParams& params, std::string& errorText,
                  JudgeEvidence* evidence, const platform::FileSystem& files) {
    static const FormatMessages messages{"【ERROR】PNGファイルの読み込みに失敗しました。",
                                         "【ERROR】PNGファイルの読み込みに失敗しました。（%s）"};
    return JudgeWithReader(ReadPngRows, messages, path, params, errorText, evidence, files);
}

int JudgeGifThrough(const std::filesystem::path& path, const JudgeParams& params, std::string& errorText,
                  JudgeEvidence* evidence, const platform::FileSystem& files) {
    static const FormatMessages messages{"【ERROR】GIFファイルの読み込みに失敗しました。",
                                         "【ERROR】GIFファイルの読み込みに失敗しました。（%s）"};
    return JudgeWithReader(ReadGifRows, messages, path, params, errorText, evidence, files);
}

int JudgeBmpThrough(const std::filesystem::path& path, const JudgeParams& params, std::string& errorText,
                 JudgeEvidence* evidence, const platform::FileSystem& files) {
    int earlyVerdict = kNoEarlyVerdict;
    RowJudgment judgment(params, FullEvidence(evidence));
    const bool read = ReadBmpRows(path, judgment, earlyVerdict, FullEvidence(evidence), files);
    if (earlyVerdict != kNoEarlyVerdict) return earlyVerdict == kEarlyMonochrome ? 1 : 0;
    if (!read && !platform::ReadBitmapFileRows(path, judgment, files)) {
        errorText = "【ERROR】BMPファイルの読み込みに失敗しました。";
        return 1;
    }
    return judgment.Finish(errorText);
}

int JudgeWebPThrough(const std::filesystem::path& path, const JudgeParams& params, std::string& errorText,
                     JudgeEvidence* evidence, const platform::FileSystem& files) {
    static const FormatMessages messages{"【ERROR】WebPファイルの読み込みに失敗しました。",
                                         "【ERROR】WebPファイルの読み込みに失敗しました。（%s）"};
    return JudgeWithReader(ReadWebPRows, messages, path, params, errorText, evidence, files);
}

// Judges page after page until one is colour; the evidence is that of the deciding page.
class PageJudgments final : public PageRows {
public:
    PageJudgments(const JudgeParams& params, JudgeEvidence* evidence) : params_(params), evidence_(evidence) {}

    RowSink& PageSink(int) override {
        pageEvidence_ = JudgeEvidence{};
        judgment_ = std::make_unique<RowJudgment>(params_, evidence_ != nullptr ? &pageEvidence_ : nullptr);
        return *judgment_;
    }
    JudgeEvidence* PageEvidence() override { return evidence_ != nullptr ? &pageEvidence_ : nullptr; }
    bool PageDone(int page, int earlyVerdict) override {
        verdict_ = earlyVerdict != kNoEarlyVerdict ? (earlyVerdict == kEarlyMonochrome ? 1 : 0)
                                                   : judgment_->Finish(errorText_);
        if (evidence_ != nullptr) {
            *evidence_ = pageEvidence_;
            evidence_->page = page;
            evidence_->pagesJudged = page;
        }
        return errorText_.empty() && verdict_ != 0;
    }

    int verdict_ = 1;
    std::string errorText_;

private:
    JudgeParams params_;
    JudgeEvidence* evidence_;
    JudgeEvidence pageEvidence_;
    std::unique_ptr<RowJudgment> judgment_;
};

int JudgeTiffThrough(const std::filesystem::path& path, const JudgeParams& params, std::string& errorText,
                     JudgeEvidence* evidence, const platform::FileSystem& files) {
    PageJudgments pages(params, FullEvidence(evidence));
    std::string loadReason;
    if (!ReadTiffPages(path, pages, loadReason, files)) {
        errorText = FormatText("【ERROR】TIFFファイルの読み込みに失敗しました。（%s）", loadReason.c_str());
        return 1;
    }
    if (!pages.errorText_.empty()) {
        errorText = pages.errorText_;
        return 1;
    }
    return pages.verdict_;
}

}  // namespace

int JudgeJpegFile(const std::filesystem::path& path, const JudgeParams& params, std::string& errorText,
                  JudgeEvidence* evidence) {
    return JudgeJpegThrough(path, params, errorText, evidence, platform::RealFileSystem());
}

int JudgePngFile(const std::filesystem::path& path, const JudgeParams& params, std::string& errorText,
                 JudgeEvidence* evidence) {
    return JudgePngThrough(path, params, errorText, evidence, platform::RealFileSystem());
}

int JudgeGifFile(const std::filesystem::path& path, const JudgeParams& params, std::string& errorText,
                 JudgeEvidence* evidence) {
    return JudgeGifThrough(path, params, errorText, evidence, platform::RealFileSystem());
}

int JudgeBmpFile(const std::filesystem::path& path, const JudgeParams& params, std::string& errorText,
                 JudgeEvidence* evidence) {
    return JudgeBmpThrough(path, params, errorText, evidence, platform::RealFileSystem());
}

int JudgeWebPFile(const std::filesystem::path& path, const JudgeParams& params, std::string& errorText,
                  JudgeEvidence* evidence) {
    return JudgeWebPThrough(path, params, errorText, evidence, platform::RealFileSystem());
}

int JudgeTiffFile(const std::filesystem::path& path, const JudgeParams& params, std::string& errorText,
                  JudgeEvidence* evidence) {
    return JudgeTiffThrough(path, params, errorText, evidence, platform::RealFileSystem());
}

int JudgeFileOfKind(ImageKind kind, const std::filesystem::path& path, const JudgeParams& params,
                    std::string& errorText, JudgeEvidence* evidence, const platform::FileSystem& files) {
    switch (kind) {
        case ImageKind::Bmp: return JudgeBmpThrough(path, params, errorText, evidence, files);
        case ImageKind::Jpeg: return JudgeJpegThrough(path, params, errorText, evidence, files);
        case ImageKind::Png: return JudgePngThrough(path, params, errorText, evidence, files);
        case ImageKind::Gif: return JudgeGifThrough(path, params, errorText, evidence, files);
        case ImageKind::Tiff: return JudgeTiffThrough(path, params, errorText, evidence, files);
        case ImageKind::WebP: return JudgeWebPThrough(path, params, errorText, evidence, files);
        case ImageKind::Unsupported: break;
    }
    errorText = "【ERROR】非対応のファイル形式です。";
    return 1;
}

int JudgeFileByExtension(const std::filesystem::path& path, const JudgeParams& params, std::string& errorText,
                         JudgeEvidence* evidence, const platform::FileSystem& files) {
    return JudgeFileOfKind(ImageKindFromExtension(ExtensionOf(path)), path, params, errorText, evidence, files);
}
