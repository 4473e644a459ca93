// pallidor-manpage FILE: writes the manual page of pallidor-cli, made from its --help, at
// build time.
#include <cstdio>
#include <string>

#include "cli/HelpText.h"
#include "cli/ManPage.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: pallidor-manpage FILE\n", stderr);
        return 2;
    }
    const std::string page = ManPageFromHelp(HelpText(), PALLIDOR_VERSION);
    std::FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr || std::fwrite(page.data(), 1, page.size(), file) != page.size() || std::fclose(file) != 0) {
        std::fprintf(stderr, "pallidor-manpage: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
