// mksample: writes a small valid data tree for the game to run in.
//
//     mksample DIR
//     mksample --help
//
// Every kind of file the engine reads gets a small example here, written with
// the engine's own writers, so that running the game in DIR shows all that is
// built.

#include "tools/mksample/SampleTree.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    // --help: the usage on stdout; anything else but one directory that is
    // not an option: the usage on stderr. A directory named like an option
    // is given as ./-name.
    const bool asked = argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0);
    if (asked || argc != 2 || argv[1][0] == '-')
    {
        std::fprintf(asked ? stdout : stderr,
                     "usage: mksample DIR\n"
                     "Writes a small sample data tree for the game into DIR (created if missing).\n");
        return asked ? 0 : 2;
    }
    const std::string root = argv[1];
    if (!WriteSampleTree(root)) return 1;
    std::printf("mksample: sample data tree written to %s\n", root.c_str());
    return 0;
}
