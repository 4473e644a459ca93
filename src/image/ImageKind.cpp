#include "image/ImageKind.h"

#include <cstring>

#include "image/DecodedImage.h"
#include "platform/Text.h"

ImageKind ImageKindFromExtension(const std::string& extension) {
    static const struct {
        const char* extension;
        ImageKind kind;
    } table[] = {
        {".png", ImageKind::Png},   {".gif", ImageKind::Gif},   {".bmp", ImageKind::Bmp},
        {".dib", ImageKind::Bmp},   {".jpg", ImageKind::Jpeg},  {".jpeg", ImageKind::Jpeg},
        {".jpe", ImageKind::Jpeg},  {".jfif", ImageKind::Jpeg}, {".jfi", ImageKind::Jpeg},
        {".jif", ImageKind::Jpeg},  {".tif", ImageKind::Tiff},  {".tiff", ImageKind::Tiff},
        {".webp", ImageKind::WebP},
    };
    for (const auto& row : table) {
        if (platform::EqualsIgnoringAsciiCase(extension, row.extension)) return row.kind;
    }
    return ImageKind::Unsupported;
}

ImageKind ImageKindFromContent(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    const auto holds = [&](std::size_t at, const char* magic, std::size_t length) {
        return size >= at + length && std::memcmp(bytes + at, magic, length) == 0;
    };
    if (holds(0, "\x89PNG\r\n\x1a\n", 8)) return ImageKind::Png;
    if (holds(0, "GIF87a", 6) || holds(0, "GIF89a", 6)) return ImageKind::Gif;
    if (holds(0, "\xff\xd8\xff", 3)) return ImageKind::Jpeg;
    if (holds(0, "BM", 2)) return ImageKind::Bmp;
    // Classic TIFF (42) and BigTIFF (43), in either byte order.
    if (holds(0, "II*\0", 4) || holds(0, "MM\0*", 4) || holds(0, "II+\0", 4) || holds(0, "MM\0+", 4)) {
        return ImageKind::Tiff;
    }
    if (holds(0, "RIFF", 4) && holds(8, "WEBP", 4)) return ImageKind::WebP;
    return ImageKind::Unsupported;
}

const char* ImageKindName(ImageKind kind) {
    switch (kind) {
        case ImageKind::Bmp: return "BMP";
        case ImageKind::Jpeg: return "JPEG";
        case ImageKind::Png: return "PNG";
        case ImageKind::Gif: return "GIF";
        case ImageKind::Tiff: return "TIFF";
        case ImageKind::WebP: return "WebP";
        case ImageKind::Unsupported: break;
    }
    return "";
}

std::string ExtensionOf(const std::filesystem::path& path) {
    // Not path::extension(): it calls ".png" a name without an extension, but the worker's rule
    // takes everything from the last dot of the final component.
    const std::string text = platform::PathToUtf8(path);
    std::size_t nameStart = text.find_last_of(std::string("/") + platform::PathSeparator());
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    const std::size_t dot = text.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart) return std::string();
    return text.substr(dot);
}
