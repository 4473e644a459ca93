// A file system that fails where a test says, as a disk would, and lets everything else through
// to the disk: the double of platform::RealFileSystem() for tests of unreadable files,
// read-only folders, full disks and moves across file systems.
#pragma once

#include <filesystem>
#include <functional>

#include "platform/FileSystem.h"

namespace testsupport {

class FaultyFileSystem final : public platform::FileSystem {
public:
    // The refusal of each operation (0: none), taken as FileSystem::Refusal describes; empty
    // refuses nothing. Set while no run uses the file system: workers call them at once.
    std::function<int(platform::FileStep step, const std::filesystem::path& path)> files;
    std::function<int(platform::MoveStep step)> moves;

    int Refusal(platform::FileStep step, const std::filesystem::path& path) const override {
        return files ? files(step, path) : 0;
    }
    int Refusal(platform::MoveStep step) const override { return moves ? moves(step) : 0; }
};

}  // namespace testsupport
