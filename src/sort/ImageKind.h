// The decoder chosen by a file's extension.
#pragma once

#include <string>

enum class ImageKind { Bmp = 0, Jpeg = 1, Png = 2, Gif = 3, Unsupported = 4 };

// `extension` includes its dot (".PNG"); ASCII letters compare without case.
ImageKind ImageKindFromExtension(const std::string& extension);
