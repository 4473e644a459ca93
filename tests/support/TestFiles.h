// Plain file helpers that every test suite shares.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace testimages {

// `text` with each '/' spelled as the platform's separator: expected paths and messages are
// written with '/' and read as the platform writes them.
std::string NativeSeparators(std::string text);

// Writes the bytes, failing the test when the file cannot be written.
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
// The whole file; "" when it cannot be read.
std::string ReadBytes(const std::filesystem::path& path);
bool Exists(const std::filesystem::path& path);

// Every regular file below `root`, as path relative to root with '/' separators -> contents.
std::map<std::string, std::string> Tree(const std::filesystem::path& root);

}  // namespace testimages
