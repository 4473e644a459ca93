// Pallidor as a library: judge a picture file, or a picture held in memory, as monochrome or
// colour. Every function may be called from any number of threads at once; nothing here keeps
// state between calls, and the parameters are plain values the caller owns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#if defined(PALLIDOR_BUILDING_LIBRARY) && !defined(_WIN32)
#define PALLIDOR_API __attribute__((visibility("default")))
#else
#define PALLIDOR_API
#endif

namespace pallidor {

// The library's version, "1.0.0".
PALLIDOR_API const char* Version();

// The settings the judgment depends on, by the names of their keys in the settings file
// (IS_PERCEPTUAL_JUDGE, THRESHOLD_GS, ...). A new record holds the defaults; values are
// brought into range as a settings file's are.
class PALLIDOR_API JudgeParams {
public:
    JudgeParams();
    JudgeParams(const JudgeParams& other);
    JudgeParams& operator=(const JudgeParams& other);
    ~JudgeParams();

    // Sets one key from its text ("1", "12.5"). False, with the reason in `error`, for a key
    // that is not one of the judgment's or a value that is not a number of the key's kind; the
    // record is then unchanged.
    bool Set(const std::string& key, const std::string& value, std::string* error);
    // The value of a key as the settings file writes it; empty for an unknown key.
    std::string Get(const std::string& key) const;
    // Every key with its value, in the order of the settings file.
    std::vector<std::pair<std::string, std::string>> Keys() const;

    // The library's own view of the values.
    struct Record;
    const Record& Values() const { return *record_; }

private:
    std::unique_ptr<Record> record_;
};

// Reads the judgment's keys of a settings file (other keys are ignored, missing ones keep
// their defaults). False, with the reason in `error`, when the file cannot be read.
PALLIDOR_API bool LoadJudgeParams(const std::filesystem::path& file, JudgeParams& params, std::string* error);

enum class Verdict { None, Monochrome, Color };

// Why a picture got no verdict. The names (ErrorCodeName) are stable, and those the console
// tool also gives in its JSON (not-found, unsupported, wrong-extension, decode-failed,
// too-large, permission-denied) mean the same there; the texts are not stable. New codes are
// added at the end.
enum class ErrorCode {
    None,               // "": judged
    NotFound,           // "not-found": no such file
    NotAFile,           // "not-a-file": a folder or something else that is no regular file
    Unreadable,         // "unreadable": the file exists but cannot be read
    UnsupportedFormat,  // "unsupported": no format that is read (by extension or content)
    DecodeFailed,       // "decode-failed": damaged or cut short
    WrongExtension,     // "wrong-extension": the file holds another format than its extension says
    TooLarge,           // "too-large": the picture needs more memory than one picture may take
    PermissionDenied,   // "permission-denied": the system refused to open the file
};
PALLIDOR_API const char* ErrorCodeName(ErrorCode code);

// One number or word of the evidence, as `pallidor-cli judge --json --explain` shows it.
struct EvidenceValue {
    enum class Kind { Null, Bool, Integer, Real, Text };
    Kind kind = Kind::Null;
    bool boolean = false;
    std::int64_t integer = 0;
    double real = 0.0;
    std::string text;
};

struct EvidenceField {
    std::string name;
    EvidenceValue value;
};

struct Judgment {
    Verdict verdict = Verdict::None;
    std::string error;  // empty when judged; else the message (UTF-8)
    ErrorCode code = ErrorCode::None;
    // The rule that settled the verdict and its numbers, in order; empty without a verdict.
    std::vector<EvidenceField> evidence;
};

// Judges the file at `path`, its format chosen by its extension as the sorting run does.
PALLIDOR_API Judgment JudgeFile(const std::filesystem::path& path, const JudgeParams& params);
// Judges a picture held in memory, its format chosen by its first bytes.
PALLIDOR_API Judgment JudgeBytes(const void* data, std::size_t size, const JudgeParams& params);

}  // namespace pallidor
