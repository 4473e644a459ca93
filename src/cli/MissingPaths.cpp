#include "cli/MissingPaths.h"

#include <cstdio>
#include <string>
#include <system_error>

#include "cli/JsonText.h"
#include "platform/Text.h"

const char* const NoSuchPathText = "no such file or folder";

std::vector<std::filesystem::path> DropMissingPaths(const std::vector<std::filesystem::path>& paths,
                                                    const MissingPathOutput& output) {
    std::vector<std::filesystem::path> existing;
    for (const auto& path : paths) {
        std::error_code error;
        // Not following a final link would keep a dangling one, which names nothing to judge.
        if (std::filesystem::status(path, error).type() != std::filesystem::file_type::not_found) {
            existing.push_back(path);
            continue;
        }
        const std::string text = platform::PathToUtf8(path);
        std::string line;
        if (output.json) {
            JsonObject json;
            json.AddPath("path", text);
            json.Add("error", NoSuchPathText);
            if (output.withMessage) json.Add("message", NoSuchPathText);
            line = json.Text() + "\n";
        } else {
            line = "error\t" + text + "\t" + NoSuchPathText + "\n";
        }
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    std::fflush(stdout);
    return existing;
}
