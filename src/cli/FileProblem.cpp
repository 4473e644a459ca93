#include "cli/FileProblem.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "image/DecodedImage.h"
#include "image/FileHeader.h"
#include "image/ImageKind.h"
#include "platform/Files.h"
#include "platform/FolderAccess.h"
#include "platform/Text.h"
#include "sort/Messages.h"
#include "sort/SortPath.h"
#include "sort/Texts.h"

const ProblemCode kProblemCodes[] = {
    {"not-found", "the PATH does not exist"},
    {"unsupported", "the extension is none of a supported format"},
    {"wrong-extension", "the file holds another format than its extension says"},
    {"decode-failed", "the picture could not be decoded (damaged or not a picture)"},
    {"too-large", "the picture needs more memory than one picture may take"},
    {"permission-denied", "the system refused access to the file or a folder"},
    {"read-only", "the destination lies on a read-only file system"},
    {"no-space", "no space left on the destination's device"},
    {"name-taken", "a file of the same name is where the file was to go"},
    {"not-recorded", "a move to another file system could not be recorded first"},
    {"move-failed", "the move failed for a reason the system did not tell"},
    {"interrupted", "the run was stopped before the file was done"},
};
const std::size_t kProblemCodeCount = sizeof kProblemCodes / sizeof kProblemCodes[0];

namespace {

std::uint64_t MiB(std::uint64_t bytes) { return (bytes + (std::uint64_t{1} << 20) - 1) >> 20; }

const char* SystemReason(platform::WriteProblem problem, const char*& code) {
    switch (problem) {
        case platform::WriteProblem::PermissionDenied: code = "permission-denied"; return Text(TextId::SystemPermissionDenied);
        case platform::WriteProblem::ReadOnly: code = "read-only"; return Text(TextId::SystemReadOnly);
        case platform::WriteProblem::NoSpace: code = "no-space"; return Text(TextId::SystemNoSpace);
        case platform::WriteProblem::NotFound: code = "move-failed"; return Text(TextId::SystemNotFound);
        case platform::WriteProblem::None: break;
    }
    return nullptr;
}

bool Exists(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

}  // namespace

FileProblem UnjudgedProblem(const std::filesystem::path& path, const std::string& message) {
    FileProblem problem;
    if (message == Text(TextId::UnsupportedFormat)) {
        problem.code = "unsupported";
        return problem;
    }
    const FileHeader header = ReadFileHeader(path);
    const bool notCreated = message.find(Text(TextId::ReasonImageNotCreated)) != std::string::npos ||
                            message.find(Text(TextId::ReasonNoMemory)) != std::string::npos;
    switch (ExplainDecodeFailure(header, ImageKindFromExtension(ExtensionOf(path)), notCreated)) {
        case DecodeFailure::PermissionDenied:
            problem.code = "permission-denied";
            problem.reason = Text(TextId::SystemPermissionDenied);
            break;
        case DecodeFailure::WrongExtension:
            problem.code = "wrong-extension";
            problem.reason = FormatText(Text(TextId::WrongExtension), header.format.c_str());
            break;
        case DecodeFailure::TooLarge:
            problem.code = "too-large";
            problem.reason = FormatText(Text(TextId::TooLarge), header.width, header.height,
                                        static_cast<unsigned long long>(MiB(DecodedBytesNeeded(header))),
                                        static_cast<unsigned long long>(MiB(kMaxImageBytes)));
            break;
        case DecodeFailure::Damaged:
            problem.code = "decode-failed";
            break;
    }
    return problem;
}

FileProblem UnmovedProblem(const std::string& path, const std::string& target, bool monochrome,
                           const std::string& message) {
    FileProblem problem;
    if (!target.empty() && message == messages::MoveNotJournaled(monochrome, target)) {
        problem.code = "not-recorded";
        return problem;
    }
    const std::filesystem::path source = platform::PathFromUtf8(path);
    std::filesystem::path folder;
    if (target.empty()) {
        // The sub-folder beside the file could not be made: a file may hold its name.
        const std::filesystem::path sub = source.parent_path() / (monochrome ? "monochrome" : "color");
        std::error_code error;
        if (Exists(sub) && !std::filesystem::is_directory(sub, error)) {
            problem.code = "name-taken";
            problem.reason = Text(TextId::SystemNameTaken);
            return problem;
        }
        folder = source.parent_path();
    } else {
        if (Exists(platform::PathFromUtf8(target))) {
            problem.code = "name-taken";
            problem.reason = Text(TextId::SystemNameTaken);
            return problem;
        }
        folder = platform::PathFromUtf8(target).parent_path();
    }
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(source, error);
    const char* code = "move-failed";
    const char* reason = SystemReason(platform::FolderWriteProblem(folder, error ? 0 : size), code);
    // The file's own folder loses its name: it must be writable too.
    if (reason == nullptr) reason = SystemReason(platform::FolderWriteProblem(source.parent_path(), 0), code);
    problem.code = code;
    if (reason != nullptr) problem.reason = reason;
    return problem;
}

std::string WithReason(const std::string& message, const FileProblem& problem) {
    return problem.reason.empty() ? message : message + " (" + problem.reason + ")";
}
