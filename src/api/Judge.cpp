// The library's entries: the settings snapshot a caller owns, and the judgment of a file or of
// bytes through the same entry operations the sorting run uses.
#include "pallidor/Judge.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "api/EvidenceFields.h"
#include "image/DecodedImage.h"
#include "image/FileHeader.h"
#include "image/ImageKind.h"
#include "platform/Files.h"
#include "platform/ScratchFile.h"
#include "platform/Text.h"
#include "settings/Settings.h"
#include "sort/Texts.h"

struct pallidor::JudgeParams::Record {
    SettingsRecord settings;
};

namespace pallidor {

namespace {

Judgment MakeJudgment(int verdict, std::string& errorText, const JudgeEvidence& evidence,
                      const ::JudgeParams& params) {
    Judgment judgment;
    if (!errorText.empty()) {
        judgment.error = std::move(errorText);
        judgment.code = ErrorCode::DecodeFailed;
        return judgment;
    }
    judgment.verdict = verdict != 0 ? Verdict::Monochrome : Verdict::Color;
    judgment.evidence = EvidenceFields(evidence, params);
    return judgment;
}

// What the header of a picture whose decode failed tells of the failure. The loaders write
// their texts in Japanese; the console translates them, the library keeps them.
ErrorCode DecodeProblem(const FileHeader& header, ImageKind chosen, const std::string& error) {
    const bool notCreated = error.find(TextIn(Language::Japanese, TextId::ReasonImageNotCreated)) != std::string::npos ||
                            error.find(TextIn(Language::Japanese, TextId::ReasonNoMemory)) != std::string::npos;
    switch (ExplainDecodeFailure(header, chosen, notCreated)) {
        case DecodeFailure::PermissionDenied: return ErrorCode::PermissionDenied;
        case DecodeFailure::WrongExtension: return ErrorCode::WrongExtension;
        case DecodeFailure::TooLarge: return ErrorCode::TooLarge;
        case DecodeFailure::Damaged: break;
    }
    return ErrorCode::DecodeFailed;
}

// What the path names, when it is no regular file.
ErrorCode PathProblem(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) return ErrorCode::NotFound;
    if (error) return ErrorCode::Unreadable;
    if (status.type() != std::filesystem::file_type::regular) return ErrorCode::NotAFile;
    return ErrorCode::None;
}

// Why a file whose decoding failed could not be had: the path, the file refusing to open, or
// what its header (read once) tells of the decode.
ErrorCode FailedFileProblem(const std::filesystem::path& path, ImageKind chosen, const std::string& error) {
    if (const ErrorCode problem = PathProblem(path); problem != ErrorCode::None) return problem;
    const FileHeader header = ReadFileHeader(path);
    if (!header.readable && !header.permissionDenied) return ErrorCode::Unreadable;
    return DecodeProblem(header, chosen, error);
}

}  // namespace

const char* Version() { return PALLIDOR_VERSION; }

JudgeParams::JudgeParams() : record_(new Record) {}
JudgeParams::JudgeParams(const JudgeParams& other) : record_(new Record(*other.record_)) {}
JudgeParams& JudgeParams::operator=(const JudgeParams& other) {
    *record_ = *other.record_;
    return *this;
}
JudgeParams::~JudgeParams() = default;

bool JudgeParams::Set(const std::string& key, const std::string& value, std::string* error) {
    if (!IsJudgmentKey(key)) {
        if (error != nullptr) *error = "no key of the judgment: " + key;
        return false;
    }
    if (SetSettingFromText(record_->settings, key, value) != SettingChange::Done) {
        if (error != nullptr) *error = key + " takes a number, not \"" + value + "\"";
        return false;
    }
    return true;
}

std::string JudgeParams::Get(const std::string& key) const {
    for (const auto& [name, text] : Keys()) {
        if (name == key) return text;
    }
    return std::string();
}

std::vector<std::pair<std::string, std::string>> JudgeParams::Keys() const {
    std::vector<std::pair<std::string, std::string>> keys;
    for (auto& key : SettingsAsText(record_->settings)) {
        if (IsJudgmentKey(key.first)) keys.push_back(std::move(key));
    }
    return keys;
}

bool LoadJudgeParams(const std::filesystem::path& file, JudgeParams& params, std::string* error) {
    // A missing file would read as all defaults; a caller who names one means that file.
    platform::InputFile* opened = PathProblem(file) == ErrorCode::None ? platform::OpenInputFile(file) : nullptr;
    if (opened == nullptr) {
        if (error != nullptr) *error = "cannot read the settings file " + platform::PathToUtf8(file);
        return false;
    }
    platform::CloseInputFile(opened);
    const SettingsRecord read = ReadSettingsFile(file);
    JudgeParams loaded;
    for (const auto& [name, text] : SettingsAsText(read)) {
        if (IsJudgmentKey(name) && !loaded.Set(name, text, error)) return false;
    }
    params = loaded;
    return true;
}

const char* ErrorCodeName(ErrorCode code) {
    switch (code) {
        case ErrorCode::None: return "";
        case ErrorCode::NotFound: return "not-found";
        case ErrorCode::NotAFile: return "not-a-file";
        case ErrorCode::Unreadable: return "unreadable";
        case ErrorCode::UnsupportedFormat: return "unsupported";
        case ErrorCode::DecodeFailed: return "decode-failed";
        case ErrorCode::WrongExtension: return "wrong-extension";
        case ErrorCode::TooLarge: return "too-large";
        case ErrorCode::PermissionDenied: return "permission-denied";
    }
    return "";
}

Judgment JudgeFile(const std::filesystem::path& path, const JudgeParams& params) {
    const ::JudgeParams judgeParams = MakeJudgeParams(params.Values().settings);
    std::string errorText;
    JudgeEvidence evidence;
    const int verdict = JudgeFileByExtension(path, judgeParams, errorText, &evidence);
    Judgment judgment = MakeJudgment(verdict, errorText, evidence, judgeParams);
    if (judgment.code == ErrorCode::None) return judgment;
    const ImageKind chosen = ImageKindFromExtension(ExtensionOf(path));
    if (chosen == ImageKind::Unsupported) {
        judgment.code = ErrorCode::UnsupportedFormat;
    } else {
        judgment.code = FailedFileProblem(path, chosen, judgment.error);
    }
    return judgment;
}

Judgment JudgeBytes(const void* data, std::size_t size, const JudgeParams& params) {
    const ::JudgeParams judgeParams = MakeJudgeParams(params.Values().settings);
    std::string errorText;
    JudgeEvidence evidence;
    const ImageKind kind = ImageKindFromContent(data, size);
    if (kind == ImageKind::Unsupported) {
        JudgeFileOfKind(kind, std::filesystem::path(), judgeParams, errorText, nullptr);
        Judgment judgment;
        judgment.error = errorText;
        judgment.code = ErrorCode::UnsupportedFormat;
        return judgment;
    }
    platform::ScratchFile file;
    if (!platform::MakeScratchFile(data, size, file)) {
        Judgment judgment;
        judgment.error = "【ERROR】画像データを読み込むための一時ファイルを作れませんでした。";
        judgment.code = ErrorCode::Unreadable;
        return judgment;
    }
    const int verdict = JudgeFileOfKind(kind, file.path, judgeParams, errorText, &evidence);
    platform::CloseScratchFile(file);
    Judgment judgment = MakeJudgment(verdict, errorText, evidence, judgeParams);
    if (judgment.code != ErrorCode::None) {
        const std::string head(static_cast<const char*>(data), std::min<std::size_t>(size, 1 << 16));
        judgment.code = DecodeProblem(HeaderFromBytes(head), kind, judgment.error);
    }
    return judgment;
}

}  // namespace pallidor
