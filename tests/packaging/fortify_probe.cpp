// Copies its argument into a fixed-size buffer. Nothing in the program itself copies into a buffer
// whose size the compiler knows, so _FORTIFY_SOURCE leaves no trace there; this shows what it does
// in code built with the same options: the copy is checked and an overrun ends the process.
#include <cstdio>
#include <cstring>

int main(int argc, char *argv[]) {
    if (argc != 2)
        return 2;
    char buffer[8];
    std::memcpy(buffer, argv[1], std::strlen(argv[1]) + 1);
    std::puts(buffer);
    return 0;
}
