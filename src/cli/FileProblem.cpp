#include "cli/FileProblem.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "image/DecodedImage.h"
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

std::uint32_t BigEndian32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8 |
           static_cast<unsigned char>(b[at + 3]);
}

std::uint32_t BigEndian16(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 8 | static_cast<unsigned char>(b[at + 1]);
}

std::uint32_t LittleEndian16(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 | static_cast<unsigned char>(b[at]);
}

// The size of a JPEG picture: its first start-of-frame marker among the first bytes.
void JpegSize(const std::string& b, FileHeader& header) {
    std::size_t at = 2;
    while (at + 9 < b.size()) {
        if (static_cast<unsigned char>(b[at]) != 0xFF) return;
        const unsigned marker = static_cast<unsigned char>(b[at + 1]);
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            header.height = BigEndian16(b, at + 5);
            header.width = BigEndian16(b, at + 7);
            return;
        }
        at += 2 + BigEndian16(b, at + 2);
    }
}

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

FileHeader HeaderFromBytes(const std::string& b) {
    FileHeader header;
    header.readable = true;
    const ImageKind kind = ImageKindFromContent(b.data(), b.size());
    header.format = ImageKindName(kind);
    if (kind == ImageKind::Png) {
        if (b.size() >= 24 && b.compare(12, 4, "IHDR") == 0) {
            header.width = BigEndian32(b, 16);
            header.height = BigEndian32(b, 20);
        }
    } else if (kind == ImageKind::Gif) {
        if (b.size() >= 10) {
            header.width = LittleEndian16(b, 6);
            header.height = LittleEndian16(b, 8);
        }
    } else if (kind == ImageKind::Jpeg) {
        JpegSize(b, header);
    } else if (kind == ImageKind::Bmp && b.size() >= 26) {
        const std::uint32_t width = LittleEndian16(b, 18) | LittleEndian16(b, 20) << 16;
        const std::uint32_t height = LittleEndian16(b, 22) | LittleEndian16(b, 24) << 16;
        header.width = width;
        // A negative height is a picture stored top row first.
        header.height = static_cast<std::int32_t>(height) < 0 ? 0u - height : height;
    }
    return header;
}

FileHeader ReadFileHeader(const std::filesystem::path& path) {
    std::FILE* file = platform::OpenStdioForRead(path);
    if (file == nullptr) {
        FileHeader header;
        header.permissionDenied = errno == EACCES || errno == EPERM;
        return header;
    }
    std::string bytes(1 << 16, '\0');
    bytes.resize(std::fread(&bytes[0], 1, bytes.size(), file));
    std::fclose(file);
    return HeaderFromBytes(bytes);
}

FileProblem UnjudgedProblem(const std::filesystem::path& path, const std::string& message) {
    FileProblem problem;
    if (message == Text(TextId::UnsupportedFormat)) {
        problem.code = "unsupported";
        return problem;
    }
    const FileHeader header = ReadFileHeader(path);
    if (header.permissionDenied) {
        problem.code = "permission-denied";
        problem.reason = Text(TextId::SystemPermissionDenied);
        return problem;
    }
    const std::string extension = ExtensionOf(path);
    const ImageKind expected = ImageKindFromExtension(extension);
    const bool known = expected != ImageKind::Unsupported;
    if (!header.format.empty() && known && header.format != ImageKindName(expected)) {
        problem.code = "wrong-extension";
        problem.reason = FormatText(Text(TextId::WrongExtension), header.format.c_str());
        return problem;
    }
    const bool notCreated = message.find(Text(TextId::ReasonImageNotCreated)) != std::string::npos ||
                            message.find(Text(TextId::ReasonNoMemory)) != std::string::npos;
    // Three bytes a pixel: the smallest form a colour picture is decoded into.
    const std::uint64_t needed = std::uint64_t{header.width} * header.height * 3;
    if (notCreated && needed > kMaxImageBytes) {
        problem.code = "too-large";
        problem.reason = FormatText(Text(TextId::TooLarge), header.width, header.height,
                                    static_cast<unsigned long long>(MiB(needed)),
                                    static_cast<unsigned long long>(MiB(kMaxImageBytes)));
        return problem;
    }
    problem.code = "decode-failed";
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
