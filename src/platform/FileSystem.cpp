#include "platform/FileSystem.h"

namespace platform {

namespace {

class DiskFileSystem final : public FileSystem {
public:
    int Refusal(FileStep, const std::filesystem::path&) const override { return 0; }
    int Refusal(MoveStep) const override { return 0; }
};

}  // namespace

const FileSystem& RealFileSystem() {
    static const DiskFileSystem disk;
    return disk;
}

}  // namespace platform
