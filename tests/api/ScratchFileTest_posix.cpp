// Bytes judged in memory leave nothing behind: no descriptor, no file in the temporary folder,
// however the judgment ends.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "pallidor/Judge.h"
#include "platform/ScratchFile.h"
#include "support/ImageFiles.h"

using namespace testimages;

namespace {

std::size_t OpenDescriptors() {
    std::size_t count = 0;
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd", error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        ++count;
    }
    return count;
}

}  // namespace

TEST(ScratchFile, HoldsTheBytesUnderAPathUntilClosed) {
    const std::string bytes = "\x89PNG\r\n\x1a\n and the rest";
    platform::ScratchFile file;
    ASSERT_TRUE(platform::MakeScratchFile(bytes.data(), bytes.size(), file));
    const Bytes read = ReadFileBytes(file.path);
    EXPECT_EQ(bytes, std::string(read.begin(), read.end()));
    platform::CloseScratchFile(file);
    EXPECT_TRUE(file.path.empty());
    EXPECT_EQ(-1, file.descriptor);
}

TEST(ScratchFile, JudgedBytesLeaveNoDescriptorOpen) {
    PngPicture picture;
    picture.width = picture.height = 4;
    picture.samples.assign(4 * 4 * 3, 77);
    const Bytes good = EncodePng(picture);
    const Bytes cut(good.begin(), good.begin() + 40);
    const pallidor::JudgeParams params;
    const std::size_t before = OpenDescriptors();
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(pallidor::Verdict::Monochrome, pallidor::JudgeBytes(good.data(), good.size(), params).verdict);
        EXPECT_EQ(pallidor::ErrorCode::DecodeFailed, pallidor::JudgeBytes(cut.data(), cut.size(), params).code);
    }
    EXPECT_EQ(before, OpenDescriptors());
}
