// skinc SOURCE.xml OUT.skin [PICTURES]: compiles a skin source into the binary
// skin format. Included files are read beside SOURCE.xml; the pictures whose
// size the source leaves open are read in PICTURES (default: beside SOURCE.xml).
#include "plat/Paths.h"
#include "plat/Text.h"
#include "skinner/SkinCompiler.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: skinc SOURCE.xml OUT.skin [PICTURES]\n");
        return 2;
    }
    std::filesystem::path source = plat::native_path(plat::from_utf8(argv[1]));
    std::filesystem::path target = plat::native_path(plat::from_utf8(argv[2]));
    std::ifstream in(source, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "skinc: cannot read %s\n", argv[1]);
        return 2;
    }
    std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    skinner::SkinCompiler compiler;
    std::string folder = source.parent_path().empty() ? "." : source.parent_path().string();
    std::string pictures = argc == 4 ? plat::native_path(plat::from_utf8(argv[3])) : folder;
    if (!compiler.compile(xml, pictures, folder)) {
        std::fprintf(stderr, "skinc: %s: %s\n", argv[1], compiler.error().c_str());
        return 1;
    }
    // Written beside the target and renamed over it, so a failure never leaves half a skin.
    std::filesystem::path temporary = target;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(compiler.output().data()), std::streamsize(compiler.output().size()));
        out.close();
        if (!out) {
            std::fprintf(stderr, "skinc: cannot write %s\n", argv[2]);
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return 2;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::fprintf(stderr, "skinc: cannot write %s: %s\n", argv[2], error.message().c_str());
        return 2;
    }
    return 0;
}
