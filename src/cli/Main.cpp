#include <cstdio>

int main() {
    std::puts("pallidor-cli " PALLIDOR_VERSION);
    return 0;
}
