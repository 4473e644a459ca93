// Units that other work provides, stood in for until it reaches this branch, so that the
// image tests link. Weak: the real definitions win wherever they are linked. The judgment's
// -1 (never a verdict) lets tests that need real verdicts skip meanwhile.
#include "image/DecodedImage.h"
#include "judge/JudgeImage.h"
#include "platform/BitmapFile.h"

__attribute__((weak)) int JudgeImage(const PixelView&, const RgbQuad*, int, std::string&) {
    return -1;
}

__attribute__((weak)) DecodedImage* LoadBmpFile(const std::filesystem::path&, int& earlyVerdict) {
    earlyVerdict = kNoEarlyVerdict;
    return nullptr;
}

namespace platform {
__attribute__((weak)) DecodedImage* LoadBitmapFile(const std::filesystem::path&) {
    return nullptr;
}
}  // namespace platform
