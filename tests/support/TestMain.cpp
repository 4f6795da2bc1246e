#include "TempRoot.h"

#include "plat/Clock.h"
#include "plat/Paths.h"
#include "plat/Screen.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace testing_support {
namespace {

std::unique_ptr<TempRoot> g_root;

std::vector<std::function<void()>>& resets() {
    static std::vector<std::function<void()>> functions;  // filled before main
    return functions;
}

std::map<std::string, std::string> environment_now() {
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        std::string text = *entry;
        size_t equals = text.find('=');
        if (equals != std::string::npos)
            variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    return variables;
}

void use_fresh_root() {
    g_root = std::make_unique<TempRoot>();
    setenv("CHIMELY_ROOT", g_root->path().c_str(), 1);
    plat::set_device_root("");
}

// A test binary may run whole, in any order: every test gets a device root of its own, and the
// process-wide state that tests change (environment, root, program name, clock, screen profile)
// is put back after it, so that no test sees what another one left.
class FreshStatePerTest : public testing::EmptyTestEventListener {
public:
    void OnTestStart(const testing::TestInfo&) override {
        use_fresh_root();
        environment_ = environment_now();
        profile_ = plat::screen_profile();
    }

    void OnTestEnd(const testing::TestInfo&) override {
        for (const auto& [name, value] : environment_now())
            if (!environment_.count(name))
                unsetenv(name.c_str());
        for (const auto& [name, value] : environment_)
            setenv(name.c_str(), value.c_str(), 1);
        plat::set_device_root("");
        plat::set_module_file_name(L"");
        plat::clear_fake_clock();
        plat::set_screen_profile(profile_);
        for (const auto& reset : resets())
            reset();
    }

private:
    std::map<std::string, std::string> environment_;
    plat::ScreenProfile profile_;
};

} // namespace

const std::string& process_root() { return g_root->path(); }

void after_each_test(std::function<void()> reset) { resets().push_back(std::move(reset)); }

} // namespace testing_support

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    setenv("CHIMELY_VIDEO", "headless", 0);
    setenv("CHIMELY_AUDIO", "null", 0);
    setenv("CHIMELY_BUILD", CHIMELY_BUILD_DIR, 1);     // tools are under $CHIMELY_BUILD/tools
    setenv("CHIMELY_SOURCE", CHIMELY_SOURCE_DIR, 1);
    // The child of a death test hears no test events, so it keeps this first root.
    testing_support::use_fresh_root();
    testing::UnitTest::GetInstance()->listeners().Append(new testing_support::FreshStatePerTest);
    int rc = RUN_ALL_TESTS();
    testing_support::g_root.reset();
    return rc;
}
