#include "image/ImageKind.h"

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
        {".jif", ImageKind::Jpeg},
    };
    for (const auto& row : table) {
        if (platform::EqualsIgnoringAsciiCase(extension, row.extension)) return row.kind;
    }
    return ImageKind::Unsupported;
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
