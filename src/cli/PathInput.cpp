#include "cli/PathInput.h"

std::vector<std::string> SplitPathList(const std::string& input, bool nulSeparated) {
    const char separator = nulSeparated ? '\0' : '\n';
    std::vector<std::string> paths;
    std::size_t start = 0;
    while (start < input.size()) {
        std::size_t end = input.find(separator, start);
        if (end == std::string::npos) end = input.size();
        std::string path = input.substr(start, end - start);
        // A list written on Windows ends its lines in CR LF.
        if (!nulSeparated && !path.empty() && path.back() == '\r') path.pop_back();
        if (!path.empty()) paths.push_back(std::move(path));
        start = end + 1;
    }
    return paths;
}
