// The platform's general bitmap-file loader.
#pragma once

#include <filesystem>

#include "platform/FileSystem.h"

struct DecodedImage;
class RowSink;

namespace platform {

// Reads a Windows bitmap file into an image of the file's own bit depth and colour table;
// nullptr when the file cannot be read as a bitmap.
DecodedImage* LoadBitmapFile(const std::filesystem::path& path);
// The same, handing the rows to `sink`; false when the file cannot be read as a bitmap. The
// file is read through `files`.
bool ReadBitmapFileRows(const std::filesystem::path& path, RowSink& sink, const FileSystem& files = RealFileSystem());

}  // namespace platform
