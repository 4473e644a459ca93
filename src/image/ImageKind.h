// The decoder chosen by a file's extension, or by its first bytes.
#pragma once

#include <cstddef>
#include <string>

enum class ImageKind { Bmp = 0, Jpeg = 1, Png = 2, Gif = 3, Unsupported = 4, Tiff = 5, WebP = 6 };

// `extension` includes its dot (".PNG"); ASCII letters compare without case.
ImageKind ImageKindFromExtension(const std::string& extension);

// The format a file's first bytes announce (its signature); Unsupported for anything else.
ImageKind ImageKindFromContent(const void* data, std::size_t size);

// The format's name as the loaders' texts spell it ("JPEG", "TIFF", "WebP"); "" for Unsupported.
const char* ImageKindName(ImageKind kind);

#include <filesystem>

#include "judge/JudgeEvidence.h"
#include "judge/JudgeParams.h"
#include "platform/FileSystem.h"

// The final component's last dot and what follows ("" without a dot): ".png" of "a/.png".
std::string ExtensionOf(const std::filesystem::path& path);

// Decodes and judges one file by the loader `kind` names: 1 monochrome, 0 colour. A failure,
// Unsupported included, leaves its message in errorText. With `evidence`, also why the
// verdict was reached. The file is read through `files`.
int JudgeFileOfKind(ImageKind kind, const std::filesystem::path& path, const JudgeParams& params,
                    std::string& errorText, JudgeEvidence* evidence = nullptr,
                    const platform::FileSystem& files = platform::RealFileSystem());

// The same by the loader the file's extension selects.
int JudgeFileByExtension(const std::filesystem::path& path, const JudgeParams& params,
                         std::string& errorText,
                         JudgeEvidence* evidence = nullptr, const platform::FileSystem& files = platform::RealFileSystem());
