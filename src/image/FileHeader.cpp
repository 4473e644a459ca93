#include "image/FileHeader.h"

#include <cerrno>
#include <cstdio>

#include "image/DecodedImage.h"
#include "platform/Files.h"

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

std::uint64_t DecodedBytesNeeded(const FileHeader& header) {
    return std::uint64_t{header.width} * header.height * 3;
}

DecodeFailure ExplainDecodeFailure(const FileHeader& header, ImageKind chosen, bool notCreated) {
    if (header.permissionDenied) return DecodeFailure::PermissionDenied;
    if (!header.format.empty() && chosen != ImageKind::Unsupported && header.format != ImageKindName(chosen)) {
        return DecodeFailure::WrongExtension;
    }
    if (notCreated && DecodedBytesNeeded(header) > kMaxImageBytes) return DecodeFailure::TooLarge;
    return DecodeFailure::Damaged;
}
