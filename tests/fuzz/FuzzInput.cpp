#include "fuzz/FuzzInput.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <system_error>

#include "app/Settings.h"
#include "image/MemoryBudget.h"

namespace {

std::map<std::string, std::filesystem::path>& ScratchFiles() {
    static std::map<std::string, std::filesystem::path> files;
    return files;
}

void RemoveScratchFiles() {
    std::error_code error;
    for (const auto& entry : ScratchFiles()) std::filesystem::remove(entry.second, error);
}

std::filesystem::path ScratchFolder() {
    std::error_code error;
    if (std::filesystem::is_directory("/dev/shm", error)) return "/dev/shm";
    return std::filesystem::temp_directory_path(error);
}

}  // namespace

const std::filesystem::path& WriteFuzzInput(const std::uint8_t* data, std::size_t size,
                                            const char* extension) {
    auto& files = ScratchFiles();
    auto found = files.find(extension);
    if (found == files.end()) {
        if (files.empty()) std::atexit(RemoveScratchFiles);
        const std::string name = "pallidor-fuzz-" + std::to_string(::getpid()) + extension;
        found = files.emplace(extension, ScratchFolder() / name).first;
    }
    std::FILE* file = std::fopen(found->second.c_str(), "wb");
    if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size)) {
        std::perror(found->second.c_str());
        std::abort();
    }
    std::fclose(file);
    return found->second;
}

void UseFuzzSettings() {
    Settings = SettingsRecord{};
    Settings.IS_ALL_PIXEL_JUDGE = 0;
    SetImageMemoryBudget(std::uint64_t{64} << 20);
}
