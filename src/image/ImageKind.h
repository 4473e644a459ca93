// The decoder chosen by a file's extension.
#pragma once

#include <string>

enum class ImageKind { Bmp = 0, Jpeg = 1, Png = 2, Gif = 3, Unsupported = 4 };

// `extension` includes its dot (".PNG"); ASCII letters compare without case.
ImageKind ImageKindFromExtension(const std::string& extension);

#include <filesystem>

#include "judge/JudgeEvidence.h"
#include "judge/JudgeParams.h"
#include "platform/FileSystem.h"

// The final component's last dot and what follows ("" without a dot): ".png" of "a/.png".
std::string ExtensionOf(const std::filesystem::path& path);

// Decodes and judges one file by the loader its extension selects: 1 monochrome, 0 colour.
// A failure, an unsupported extension included, leaves its message in errorText. With
// `evidence`, also why the verdict was reached. The file is read through `files`.
int JudgeFileByExtension(const std::filesystem::path& path, const JudgeParams& params,
                         std::string& errorText,
                         JudgeEvidence* evidence = nullptr, const platform::FileSystem& files = platform::RealFileSystem());
