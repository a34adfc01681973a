// Test program: writes its arguments, each followed by a NUL, to $BLENVAR_ARGREC_OUT.
// It is started directly by the code under test, so what it records is exactly the
// argument list that reached it.
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const char* out = std::getenv("BLENVAR_ARGREC_OUT");
    if (!out) return 2;
    std::string tmp = std::string(out) + ".part";
    std::FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return 3;
    for (int i = 1; i < argc; ++i) {
        std::fputs(argv[i], f);
        std::fputc('\0', f);
    }
    std::fclose(f);
    // Appears complete or not at all.
    return std::rename(tmp.c_str(), out) == 0 ? 0 : 4;
}
