#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/Text.h"

namespace testimages {

std::string NativeSeparators(std::string text) {
    for (char& c : text) {
        if (c == '/') c = platform::PathSeparator();
    }
    return text;
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

std::map<std::string, std::string> Tree(const std::filesystem::path& root) {
    std::map<std::string, std::string> files;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_regular_file(error)) {
            files[std::filesystem::relative(it->path(), root, error).generic_string()] = ReadBytes(it->path());
        }
    }
    return files;
}

}  // namespace testimages
