#include "plat/Paths.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <set>

#include <chrono>
#include <filesystem>
#include <thread>

using namespace plat;
using testing_support::process_root;

namespace {

// Restores the process root after tests that move it.
struct RootGuard {
    ~RootGuard() {
        set_device_root(process_root());
        set_module_file_name(L"");
    }
};

} // namespace

TEST(DeviceRoot, ComesFromTheEnvironment) {
    EXPECT_EQ(device_root(), process_root());
    EXPECT_TRUE(device_root_found());
}

TEST(DeviceRoot, FolderAboveProgramFilesOfTheProgram) {
    EXPECT_EQ(root_from_program_path("/opt/dev/Program Files/Chimely/Chimely"), "/opt/dev");
    EXPECT_EQ(root_from_program_path("/a/Program Files/b/Program Files/Chimely/Chimely"),
              "/a/Program Files/b");
    EXPECT_EQ(root_from_program_path("/Program Files/Chimely/Chimely"), "/");
    EXPECT_EQ(root_from_program_path("/usr/bin/chimely-base"), "");
}

TEST(NativePath, BothSeparatorsAndCaseFallbackPerComponent) {
    testing_support::TempRoot temp;
    RootGuard guard;
    set_device_root(temp.path() + "/");
    EXPECT_EQ(device_root(), temp.path());
    temp.write("Program Files/Chimely/alarms.ini", "x");
    temp.write("windows/Start Menu/a.lnk", "x");

    EXPECT_EQ(native_path(L"\\Program Files\\Chimely\\alarms.ini"), temp.path() + "/Program Files/Chimely/alarms.ini");
    EXPECT_EQ(native_path(L"/program files/CHIMELY\\Alarms.INI"), temp.path() + "/Program Files/Chimely/alarms.ini");
    EXPECT_EQ(native_path(L"\\WINDOWS\\start menu\\A.LNK"), temp.path() + "/windows/Start Menu/a.lnk");
    // A missing name keeps its case, and so does everything after it.
    EXPECT_EQ(native_path(L"\\Windows\\New\\File.TXT"), temp.path() + "/windows/New/File.TXT");
    EXPECT_EQ(native_path(L"\\"), temp.path());
    EXPECT_EQ(native_path(L""), "");
}

TEST(NativePath, ExactCaseWinsOverOtherSpellings) {
    testing_support::TempRoot temp;
    RootGuard guard;
    set_device_root(temp.path());
    temp.write("data/Readme", "1");
    temp.write("data/README", "2");
    EXPECT_EQ(native_path(L"\\data\\README"), temp.path() + "/data/README");
    EXPECT_EQ(native_path(L"\\data\\Readme"), temp.path() + "/data/Readme");
    // Neither spelling matches exactly: the first in byte order, the same every time.
    EXPECT_EQ(native_path(L"\\data\\readme"), temp.path() + "/data/README");
}

// The folder listings behind the case fallback are kept; whatever changes in a folder, by this
// process or another, is seen at the next lookup.
TEST(NativePath, CaseFallbackFollowsChangesToTheFolder) {
    testing_support::TempRoot temp;
    RootGuard guard;
    set_device_root(temp.path());
    const std::string pics = temp.path() + "/pics/";
    temp.write("pics/Sky.png", "x");
    // Long enough after the last change for the listing to be kept.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(native_path(L"\\pics\\sky_x2.png"), pics + "sky_x2.png");
    EXPECT_EQ(native_path(L"\\PICS\\SKY.PNG"), pics + "Sky.png");

    temp.write("pics/Sky_X2.png", "x");
    EXPECT_EQ(native_path(L"\\pics\\sky_x2.png"), pics + "Sky_X2.png");
    std::filesystem::remove(pics + "Sky.png");
    EXPECT_EQ(native_path(L"\\pics\\sky.png"), pics + "sky.png");
    EXPECT_EQ(native_path(L"\\pics\\sky_x2.PNG\\a"), pics + "Sky_X2.png/a");  // under a file
    // Two changes in a row, each looked up at once, fall within one tick of the file clock.
    temp.write("pics/Moon.png", "x");
    EXPECT_EQ(native_path(L"\\pics\\moon.png"), pics + "Moon.png");
    temp.write("pics/Star.png", "x");
    EXPECT_EQ(native_path(L"\\pics\\STAR.png"), pics + "Star.png");

    // Another folder put in the place of a kept one.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(native_path(L"\\pics\\MOON.png"), pics + "Moon.png");
    std::filesystem::rename(pics, temp.path() + "/old");
    temp.write("pics/Comet.png", "x");
    EXPECT_EQ(native_path(L"\\pics\\comet.PNG"), pics + "Comet.png");
    EXPECT_EQ(native_path(L"\\pics\\moon.png"), pics + "moon.png");

    // More folders than are kept at once: every lookup still answers.
    for (int i = 0; i < 40; ++i)
        temp.write("many/F" + std::to_string(i) + "/Name", "x");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 40; ++i)
            EXPECT_EQ(native_path(L"\\MANY\\f" + std::to_wstring(i) + L"\\name"),
                      temp.path() + "/many/F" + std::to_string(i) + "/Name");
}

TEST(NativePath, DotDotStopsAtTheRoot) {
    testing_support::TempRoot temp;
    RootGuard guard;
    set_device_root(temp.path());
    EXPECT_EQ(native_path(L"\\..\\..\\etc\\passwd"), temp.path() + "/etc/passwd");
    EXPECT_EQ(native_path(L"\\a\\.\\b\\..\\c"), temp.path() + "/a/c");
    EXPECT_EQ(native_path(L"x\\..\\..\\y"), "../y");  // relative paths stay relative
}

TEST(NativePath, SlashRootLeavesLinuxPathsAsTheyAre) {
    RootGuard guard;
    set_device_root("/");
    EXPECT_EQ(native_path(L"/usr/lib"), "/usr/lib");
    EXPECT_EQ(native_path(L"\\USR\\lib"), "/usr/lib");
    EXPECT_EQ(native_path(L"relative/name"), "relative/name");
    EXPECT_EQ(device_path("/usr/lib"), L"\\usr\\lib");
}

TEST(DevicePath, InsideAndOutsideTheRoot) {
    EXPECT_EQ(device_path(process_root() + "/Program Files/Chimely/Chimely"), L"\\Program Files\\Chimely\\Chimely");
    EXPECT_EQ(device_path(process_root()), L"\\");
    EXPECT_EQ(device_path(process_root() + "-other/x"), L"" + std::filesystem::path(process_root() + "-other/x").wstring());
}

TEST(ModuleFileName, MapsTheProgramAndCanBeReplaced) {
    RootGuard guard;
    // The test program lives outside the temporary root: its Linux path as it is.
    char buffer[4096] = {};
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    ASSERT_GT(n, 0);
    EXPECT_EQ(module_file_name(), std::filesystem::path(buffer).wstring());

    set_module_file_name(L"\\Program Files\\Chimely\\Chimely");
    EXPECT_EQ(module_file_name(), L"\\Program Files\\Chimely\\Chimely");

    // Seen from a root that holds it, the program has a device path.
    set_module_file_name(L"");
    std::string folder = std::filesystem::path(buffer).parent_path().string();
    set_device_root(folder);
    EXPECT_EQ(module_file_name(), L"\\" + std::filesystem::path(buffer).filename().wstring());
}

TEST(SpecialFolders, DeviceFolders) {
    EXPECT_EQ(special_folder(CSIDL_PERSONAL), L"\\My Documents");
    EXPECT_EQ(special_folder(CSIDL_WINDOWS), L"\\windows");
    EXPECT_EQ(special_folder(CSIDL_STARTUP), L"\\windows\\StartUp");
    EXPECT_EQ(special_folder(CSIDL_PROGRAMS), L"\\windows\\Start Menu\\Programs");
    EXPECT_EQ(special_folder(CSIDL_STARTMENU), L"\\windows\\Start Menu");
    EXPECT_EQ(special_folder(CSIDL_PROGRAM_FILES), L"\\Program Files");
    EXPECT_EQ(special_folder(99), L"");
}

TEST(RuntimeDir, PrivateAndOnePerRoot) {
    RootGuard guard;
    std::string mine = runtime_dir();
    ASSERT_FALSE(mine.empty());
    struct stat st{};
    ASSERT_EQ(stat(mine.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    set_device_root(process_root() + "//");
    EXPECT_EQ(runtime_dir(), mine);  // another spelling of the same root

    testing_support::TempRoot other;
    set_device_root(other.path());
    std::string theirs = runtime_dir();
    EXPECT_NE(theirs, mine);
    std::filesystem::remove_all(theirs);
}

// A root's runtime folder lives as long as a process of that root: the first process to enter a
// folder under the same base removes the folders whose processes all ended (killed ones too, and
// folders nothing ever held), never one in use.
TEST(RuntimeDir, FoldersOfEndedProcessesGoAtTheNextStart) {
    RootGuard guard;
    testing_support::TempRoot runtime, live_root, killed_root;
    const std::string saved = getenv("XDG_RUNTIME_DIR") ? getenv("XDG_RUNTIME_DIR") : "";
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    const std::string base = runtime.path() + "/chimely";
    const auto folders = [&] {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(base))
            names.insert(entry.path().string());
        return names;
    };

    int release[2], entered[2];
    ASSERT_EQ(pipe(release), 0);
    ASSERT_EQ(pipe(entered), 0);
    const pid_t live = fork();
    if (live == 0) {
        set_device_root(live_root.path());
        char byte = 0;
        _exit(runtime_dir().empty() || write(entered[1], "x", 1) != 1 || read(release[0], &byte, 1) != 1 ? 1 : 0);
    }
    char byte = 0;
    ASSERT_EQ(read(entered[0], &byte, 1), 1);
    const std::set<std::string> in_use = folders();
    ASSERT_EQ(in_use.size(), 1u);

    const pid_t killed = fork();
    if (killed == 0) {
        set_device_root(killed_root.path());
        if (!runtime_dir().empty())
            std::filesystem::create_directories(runtime_dir() + "/windows");
        kill(getpid(), SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(waitpid(killed, &status, 0), killed);
    ASSERT_TRUE(WIFSIGNALED(status));
    std::filesystem::create_directories(base + "/00000000000000ab/windows");
    std::ofstream(base + "/00000000000000ab/mutex-x.lock") << "";
    std::filesystem::create_directories(base + "/not-a-root-folder");
    EXPECT_EQ(folders().size(), 4u);

    const std::string mine = runtime_dir();
    EXPECT_EQ(folders(), (std::set<std::string>{mine, *in_use.begin(), base + "/not-a-root-folder"}));

    ASSERT_EQ(write(release[1], "x", 1), 1);
    ASSERT_EQ(waitpid(live, &status, 0), live);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (int fd : {release[0], release[1], entered[0], entered[1]})
        close(fd);
    if (saved.empty())
        unsetenv("XDG_RUNTIME_DIR");
    else
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
}
