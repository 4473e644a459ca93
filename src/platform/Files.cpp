// The file operations that both platforms build the same way from the seam's own.
#include "platform/Files.h"

namespace platform {

bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes, const FileSystem& files) {
    InputFile* file = OpenInputFile(path, files);
    if (file == nullptr) return false;
    char buffer[1 << 16];
    for (std::size_t got; (got = ReadInputFile(file, buffer, sizeof buffer)) > 0;) bytes.append(buffer, got);
    const bool failed = InputFileFailed(file);
    CloseInputFile(file);
    return !failed;
}

}  // namespace platform
