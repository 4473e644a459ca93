// JudgeGifFile on arbitrary bytes: any input gives a verdict or an error text, nothing else.
#include "fuzz/FuzzInput.h"
#include "image/DecodedImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return FuzzJudgeEntry(JudgeGifFile, data, size, ".gif");
}
