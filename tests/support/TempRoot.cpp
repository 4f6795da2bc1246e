#include "TempRoot.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace testing_support {

TempRoot::TempRoot() {
    char pattern[] = "/tmp/chimely-test-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempRoot::~TempRoot() {
    if (!std::getenv("CHIMELY_KEEP_ROOT")) {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
}

std::string TempRoot::file(const std::string& relative) const {
    std::filesystem::path p = std::filesystem::path(path_) / relative;
    std::filesystem::create_directories(p.parent_path());
    return p.string();
}

void TempRoot::write(const std::string& relative, const std::string& bytes) const {
    std::ofstream out(file(relative), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string TempRoot::read(const std::string& relative) const {
    std::ifstream in(std::filesystem::path(path_) / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace testing_support
