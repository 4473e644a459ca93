#include "fuzz/FuzzInput.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <system_error>

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
        // Random rather than the process id, which the portable library does not offer.
        const std::string name = "pallidor-fuzz-" + std::to_string(std::random_device{}()) + extension;
        found = files.emplace(extension, ScratchFolder() / name).first;
    }
    std::ofstream file(found->second, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    file.close();
    if (!file) {
        std::fprintf(stderr, "cannot write %s\n", found->second.string().c_str());
        std::abort();
    }
    return found->second;
}

JudgeParams UseFuzzSettings() {
    SetImageMemoryBudget(std::uint64_t{16} << 20);
    JudgeParams params;
    params.IS_ALL_PIXEL_JUDGE = 0;
    return params;
}

int FuzzJudgeEntry(JudgeEntry judge, const std::uint8_t* data, std::size_t size, const char* extension) {
    if (size > kMaxFuzzInputBytes) return -1;
    const JudgeParams params = UseFuzzSettings();
    std::string errorText;
    const int verdict = judge(WriteFuzzInput(data, size, extension), params, errorText, nullptr);
    // A failure is always worded; a success is 0 or 1 and nothing else.
    if (verdict != 0 && verdict != 1) std::abort();
    if (!errorText.empty() && errorText.rfind("【ERROR】", 0) != 0) std::abort();
    return 0;
}
