#include "plat/Registry.h"
#include "plat/Text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace plat;

namespace {

struct Run {
    int status = -1;
    std::string out;
};

// chimely-reg of this build: $CHIMELY_BUILD/tools, else next to tests/platform.
std::string tool_path() {
    if (const char* build = std::getenv("CHIMELY_BUILD"))
        return std::string(build) + "/tools/chimely-reg";
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return (self.parent_path().parent_path().parent_path() / "tools" / "chimely-reg").string();
}

// Runs the tool with the test's CHIMELY_ROOT.
Run run_tool(const std::string& arguments) {
    Run run;
    FILE* pipe = popen((tool_path() + " " + arguments + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return run;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe))
        run.out += buffer;
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class RegistryTool : public testing::Test {
protected:
    void SetUp() override {
        if (access(tool_path().c_str(), X_OK) != 0)
            GTEST_SKIP() << "chimely-reg is not built";
    }
};

} // namespace

TEST_F(RegistryTool, SetsWhatTheProgramReadsAndPrintsWhatItWrote) {
    EXPECT_EQ(run_tool("set 'HKEY_CURRENT_USER\\Software\\QEVA' Log dword 1").status, 0);
    RegKey key = 0;
    ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, L"Software\\QEVA", KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    uint32_t value = 0, type = 0, size = 4;
    ASSERT_EQ(reg_query_value(key, L"Log", &type, &value, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(value, 1u);

    std::string text = to_utf16le(L"\\My Documents\\Deutsch.lng");
    text.append(2, '\0');
    ASSERT_EQ(reg_set_value(key, L"Language", REG_SZ, text.data(), uint32_t(text.size())), ERROR_SUCCESS);
    value = 4000000000u;
    ASSERT_EQ(reg_set_value(key, L"Big", REG_DWORD, &value, 4), ERROR_SUCCESS);
    reg_close_key(key);

    EXPECT_EQ(run_tool("get 'HKEY_CURRENT_USER\\software\\qeva' language").out, "\\My Documents\\Deutsch.lng\n");
    EXPECT_EQ(run_tool("get 'HKEY_CURRENT_USER\\Software\\QEVA' Big").out, "4000000000\n");
    EXPECT_EQ(run_tool("del 'HKEY_CURRENT_USER\\Software\\QEVA' Big").status, 0);
    EXPECT_EQ(run_tool("get 'HKEY_CURRENT_USER\\Software\\QEVA' Big").status, 1);
}

TEST_F(RegistryTool, RefusesBadInput) {
    EXPECT_EQ(run_tool("get 'hkey_current_user\\Software\\QEVA' Flicker").status, 1);
    EXPECT_EQ(run_tool("set 'HKEY_CURRENT_USER\\Software\\QEVA' Flicker dword 4294967296").status, 1);
    EXPECT_EQ(run_tool("set 'HKEY_CURRENT_USER\\Software\\QEVA' Flicker dword 12x").status, 1);
    EXPECT_EQ(run_tool("set 'HKEY_CURRENT_USER\\Software\\QEVA' Flicker qword 1").status, 2);
    EXPECT_EQ(run_tool("get 'HKEY_CURRENT_USER\\Software\\QEVA'").status, 2);
    // Nothing was written by the refused calls.
    EXPECT_EQ(run_tool("get 'HKEY_CURRENT_USER\\Software\\QEVA' Flicker").status, 1);
}
