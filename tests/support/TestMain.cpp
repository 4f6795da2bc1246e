#include "TempRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace testing_support {
namespace {
std::unique_ptr<TempRoot> g_root;
}

const std::string& process_root() { return g_root->path(); }

} // namespace testing_support

// ctest runs every test in a process of its own; each process gets its own device root.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing_support::g_root = std::make_unique<testing_support::TempRoot>();
    setenv("CHIMELY_ROOT", testing_support::g_root->path().c_str(), 1);
    setenv("CHIMELY_VIDEO", "headless", 0);
    setenv("CHIMELY_AUDIO", "null", 0);
    setenv("CHIMELY_BUILD", CHIMELY_BUILD_DIR, 1);     // tools are under $CHIMELY_BUILD/tools
    setenv("CHIMELY_SOURCE", CHIMELY_SOURCE_DIR, 1);
    int rc = RUN_ALL_TESTS();
    testing_support::g_root.reset();
    return rc;
}
