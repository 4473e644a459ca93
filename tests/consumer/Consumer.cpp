// Judges each file named on the command line, first as a file and then as bytes read into
// memory, and prints "VERDICT CODE PATH" for each (the verdict "-" on failure).
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <pallidor/Judge.h>

namespace {

const char* Word(pallidor::Verdict verdict) {
    switch (verdict) {
        case pallidor::Verdict::Monochrome: return "monochrome";
        case pallidor::Verdict::Color: return "color";
        case pallidor::Verdict::None: break;
    }
    return "-";
}

}  // namespace

int main(int argc, char** argv) {
    pallidor::JudgeParams params;
    std::string error;
    if (!params.Set("IS_PERCEPTUAL_JUDGE", argc > 1 ? argv[1] : "0", &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    std::printf("pallidor %s\n", pallidor::Version());
    for (int i = 2; i < argc; ++i) {
        const pallidor::Judgment byPath = pallidor::JudgeFile(argv[i], params);
        std::ifstream in(argv[i], std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const pallidor::Judgment byBytes = pallidor::JudgeBytes(bytes.data(), bytes.size(), params);
        std::printf("%s %s %s\n", Word(byPath.verdict), pallidor::ErrorCodeName(byPath.code), argv[i]);
        std::printf("%s %s %s\n", Word(byBytes.verdict), pallidor::ErrorCodeName(byBytes.code), argv[i]);
    }
    return 0;
}
