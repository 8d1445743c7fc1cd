// Writes its working folder and each argument, one per line, into the file
// named by ARGDUMP_OUT (relaunch tests read it back).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const char* out = std::getenv("ARGDUMP_OUT");
    if (!out)
        return 1;
    char cwd[4096] = {};
    if (!getcwd(cwd, sizeof cwd))
        return 1;
    const char* tmp = std::getenv("ARGDUMP_TMP");
    FILE* f = std::fopen(tmp ? tmp : out, "w");
    if (!f)
        return 1;
    std::fprintf(f, "%s\n", cwd);
    for (int i = 0; i < argc; ++i)
        std::fprintf(f, "%s\n", argv[i]);
    std::fclose(f);
    // Written under another name first, so a reader never sees half a file.
    if (tmp)
        std::rename(tmp, out);
    return 0;
}
