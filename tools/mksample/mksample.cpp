// mksample: writes a small valid data tree for the game to run in.
//
//     mksample DIR
//
// Every kind of file the engine reads gets a small example here, written with
// the engine's own writers, so that running the game in DIR shows all that is
// built.

#include "tools/mksample/SampleTree.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: mksample DIR\n");
        return 2;
    }
    const std::string root = argv[1];
    if (!WriteSampleTree(root)) return 1;
    std::printf("mksample: sample data tree written to %s\n", root.c_str());
    return 0;
}
