// The platform's general bitmap-file loader.
#pragma once

#include <filesystem>

struct DecodedImage;
class RowSink;

namespace platform {

// Reads a Windows bitmap file into an image of the file's own bit depth and colour table;
// nullptr when the file cannot be read as a bitmap.
DecodedImage* LoadBitmapFile(const std::filesystem::path& path);
// The same, handing the rows to `sink`; false when the file cannot be read as a bitmap.
bool ReadBitmapFileRows(const std::filesystem::path& path, RowSink& sink);

}  // namespace platform
