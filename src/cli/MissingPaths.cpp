#include "cli/MissingPaths.h"

#include <cstdio>
#include <string>
#include <system_error>

#include "cli/JsonText.h"
#include "platform/Text.h"
#include "sort/Texts.h"

bool IsMissingPath(const std::filesystem::path& path) {
    std::error_code error;
    // Not following a final link would keep a dangling one, which names nothing to judge.
    return std::filesystem::status(path, error).type() == std::filesystem::file_type::not_found;
}

std::vector<std::filesystem::path> DropMissingPaths(const std::vector<std::filesystem::path>& paths,
                                                    const MissingPathOutput& output) {
    std::vector<std::filesystem::path> existing;
    const std::string message = Text(TextId::NoSuchPath);
    for (const auto& path : paths) {
        if (!IsMissingPath(path)) {
            existing.push_back(path);
            continue;
        }
        const std::string text = platform::PathToUtf8(path);
        std::string line;
        if (output.json) {
            JsonObject json;
            json.AddPath("path", text);
            json.Add("error", message);
            json.Add("code", "not-found");
            if (output.withMessage) json.Add("message", message);
            line = json.Text() + "\n";
        } else {
            line = "error\t" + text + "\t" + message + "\n";
        }
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    std::fflush(stdout);
    return existing;
}
