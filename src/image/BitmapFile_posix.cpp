#include "image/BitmapFile.h"

#include "image/BmpReader.h"
#include "platform/Files.h"

namespace platform {

// POSIX has no system bitmap loader: our own reader stands in for it.
DecodedImage* LoadBitmapFile(const std::filesystem::path& path) {
    InputFile* file = OpenInputFile(path);
    if (file == nullptr) return nullptr;
    DecodedImage* image = ReadBitmapFile(file);
    CloseInputFile(file);
    return image;
}

bool ReadBitmapFileRows(const std::filesystem::path& path, RowSink& sink, const FileSystem& files) {
    InputFile* file = OpenInputFile(path, files);
    if (file == nullptr) return false;
    const bool read = ReadBitmapRows(file, sink);
    CloseInputFile(file);
    return read;
}

}  // namespace platform
