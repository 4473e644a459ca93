// Until the judgment is linked into this branch, the image tests only need the symbol. Weak,
// so the real definition wins wherever it is linked.
#include "judge/JudgeImage.h"

__attribute__((weak)) int JudgeImage(const PixelView&, const RgbQuad*, int, std::string&) {
    return 1;
}
