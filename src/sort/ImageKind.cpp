#include "sort/ImageKind.h"

namespace {

bool EqualsIgnoringAsciiCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return i == a.size() && b[i] == '\0';
}

}  // namespace

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
        if (EqualsIgnoringAsciiCase(extension, row.extension)) return row.kind;
    }
    return ImageKind::Unsupported;
}
