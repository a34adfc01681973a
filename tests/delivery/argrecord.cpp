// Test program: writes its arguments, each followed by a NUL, to $BLENVAR_ARGREC_OUT, or
// to a file of its own in the folder $BLENVAR_ARGREC_DIR, named "args.<name>.<PID>" after
// the name it was started as (links to it stand in for other programs).
// It is started directly by the code under test, so what it records is exactly the
// argument list that reached it.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    std::string out;
    if (const char* file = std::getenv("BLENVAR_ARGREC_OUT")) {
        out = file;
    } else if (const char* dir = std::getenv("BLENVAR_ARGREC_DIR")) {
        std::string name = argv[0];
        name = name.substr(name.rfind('/') + 1);
        out = std::string(dir) + "/args." + name + "." + std::to_string(getpid());
    } else {
        return 2;
    }
    std::string tmp = out + ".part";
    std::FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return 3;
    for (int i = 1; i < argc; ++i) {
        std::fputs(argv[i], f);
        std::fputc('\0', f);
    }
    std::fclose(f);
    // Appears complete or not at all.
    return std::rename(tmp.c_str(), out.c_str()) == 0 ? 0 : 4;
}
