// skindump FILE.skin: prints a compiled skin back as skin source.
#include "plat/Text.h"
#include "skinner/SkinDump.h"
#include "skinner/SkinFile.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: skindump FILE.skin\n");
        return 2;
    }
    skinner::SkinFile skin;
    bool complete = skin.load_path(plat::from_utf8(argv[1]));
    if (!complete)
        std::fprintf(stderr, "skindump: %s could not be read completely\n", argv[1]);
    if (!skin.valid()) {
        std::fprintf(stderr, "skindump: %s is not a valid skin\n", argv[1]);
        return 1;
    }
    std::fputs(skinner::dump_skin(skin).c_str(), stdout);
    return complete ? 0 : 1;
}
