// JudgeWebPFile on arbitrary bytes: any input gives a verdict or an error text, nothing else.
#include <cstdlib>
#include <string>

#include "fuzz/FuzzInput.h"
#include "image/DecodedImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxFuzzInputBytes) return -1;
    const JudgeParams params = UseFuzzSettings();
    std::string errorText;
    const int verdict = JudgeWebPFile(WriteFuzzInput(data, size, ".webp"), params, errorText);
    // A failure is always worded; a success is 0 or 1 and nothing else.
    if (verdict != 0 && verdict != 1) std::abort();
    if (!errorText.empty() && errorText.rfind("【ERROR】", 0) != 0) std::abort();
    return 0;
}
