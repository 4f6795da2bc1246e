#include "FormFixture.h"

#include "base/Scheduler.h"
#include "plat/Text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace plat::ui {
// The device layer's seam for how long a hand-over waits for its answer.
void set_copy_data_timeout_ms(uint32_t ms);
}

using namespace form_fixture;

namespace {

constexpr wchar_t app_name[] = L"ProbeApp";

void append(const std::string& path, const std::string& line) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd >= 0) {
        (void)!::write(fd, line.data(), line.size());
        ::close(fd);
    }
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Another start of the program: this test program running the helper below
// in the same device root, with its command line and an output file.
struct Start {
    pid_t pid = -1;
    std::string out;
};

Start start(const std::string& name, const std::string& command_line, const std::string& mode = "run",
            int timeout_ms = 0) {
    Start s;
    s.out = testing_support::process_root() + "/" + name + ".out";
    std::vector<std::string> env_text;
    for (char** e = environ; *e; ++e)
        env_text.emplace_back(*e);
    env_text.push_back("CHIMELY_TEST_SHARED_ROOT=" + testing_support::process_root());
    env_text.push_back("CHIMELY_TEST_TEXT=" + command_line);
    env_text.push_back("CHIMELY_TEST_OUT=" + s.out);
    env_text.push_back("CHIMELY_TEST_MODE=" + mode);
    env_text.push_back("CHIMELY_TEST_TIMEOUT_MS=" + std::to_string(timeout_ms));
    std::vector<char*> env;
    for (auto& e : env_text)
        env.push_back(e.data());
    env.push_back(nullptr);
    std::string exe = "/proc/self/exe", filter = "--gtest_filter=ApplicationHelper.DISABLED_Start",
                disabled = "--gtest_also_run_disabled_tests";
    char* argv[] = {exe.data(), filter.data(), disabled.data(), nullptr};
    EXPECT_EQ(posix_spawn(&s.pid, "/proc/self/exe", nullptr, nullptr, argv, env.data()), 0);
    return s;
}

// A start is quick, but a loaded machine may stretch it to many seconds: only a hang takes this long.
constexpr int hang_ms = 120000;

// The start's exit code; one still running after hang_ms is killed (-1).
int wait_exit(const Start& s) {
    int status = 0;
    for (int waited = 0; waited < hang_ms; waited += 10) {
        if (::waitpid(s.pid, &status, WNOHANG) == s.pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(s.pid, SIGKILL);
    ::waitpid(s.pid, &status, 0);
    return -1;
}

bool wait_for(const Start& s, const std::string& needle) {
    for (int waited = 0; waited < hang_ms; waited += 20) {
        if (read_file(s.out).find(needle) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// A start that only hands over: it must end with "handed".
std::string hand_over(const std::string& name, const std::string& text) {
    Start s = start(name, text);
    EXPECT_EQ(wait_exit(s), 0);
    return read_file(s.out);
}

} // namespace

// The program the tests start: the bracket, then (when no instance runs)
// the main form, which writes every command line it receives.
TEST(ApplicationHelper, DISABLED_Start) {
    setenv("CHIMELY_ROOT", environment("CHIMELY_TEST_SHARED_ROOT").c_str(), 1);
    const std::string out = environment("CHIMELY_TEST_OUT");
    const std::string mode = environment("CHIMELY_TEST_MODE");
    if (int timeout = std::atoi(environment("CHIMELY_TEST_TIMEOUT_MS").c_str()))
        plat::ui::set_copy_data_timeout_ms(uint32_t(timeout));
    os::Application application(nullptr);
    if (application.show_running_instance_open_bracket(plat::from_utf8(environment("CHIMELY_TEST_TEXT")), app_name)) {
        append(out, application.gave_up() ? "gave up\n" : "handed\n");
        return;
    }
    if (mode == "hang-before-window") {
        append(out, "locked\n");
        std::this_thread::sleep_for(std::chrono::seconds(30));
        return;
    }
    skinner::Properties properties;
    properties.load_skin(L"/skins/test.skin", {240, 320});
    TestForm form(&properties, L"Main");
    form.on_text = [&](const std::wstring& text) {
        append(out, "[" + plat::to_utf8(text) + "]\n");
        if (text == L"close")
            form.close();
    };
    append(out, "running\n");
    application.show_running_instance_close_bracket();
    if (mode == "hang") {  // never answers: the test kills it
        std::this_thread::sleep_for(std::chrono::minutes(10));
        return;
    }
    form.do_modal();
}

TEST(Application, NamesTheClassAndOwnsTheScheduler) {
    {
        os::Application application(nullptr);
        EXPECT_EQ(application.get_class_name(), L"SkinnerClass_");
        EXPECT_EQ(get_active_scheduler(), os::Application::get_scheduler());
        EXPECT_NE(get_active_scheduler(), nullptr);
        EXPECT_EXIT(os::Application second(nullptr), testing::ExitedWithCode(70), "instance != 0");

        EXPECT_FALSE(application.show_running_instance_open_bracket(L"", L"Chimely"));
        EXPECT_EQ(application.get_class_name(), L"SkinnerClass_Chimely");
        application.show_running_instance_close_bracket();
        application.show_running_instance_close_bracket();  // twice is harmless

        const std::wstring longest(25, L'n');  // 38 characters in all
        EXPECT_FALSE(application.show_running_instance_open_bracket(L"", longest));
        application.show_running_instance_close_bracket();
        EXPECT_EXIT(application.show_running_instance_open_bracket(L"", longest + L"n"), testing::ExitedWithCode(70),
                    "Application name is too long. Sorry.");
    }
    EXPECT_EQ(os::Application::get_instance(), nullptr);
    EXPECT_EQ(get_active_scheduler(), nullptr);
}

TEST(Application, LaterStartsHandTheirCommandLinesToTheRunningOne) {
    write_forms_skin();
    Start first = start("first", "ignored");
    ASSERT_TRUE(wait_for(first, "running"));
    EXPECT_EQ(hand_over("empty", ""), "handed\n");
    EXPECT_EQ(hand_over("wide", "wide \xF0\x9F\x98\x80"), "handed\n");  // beyond 16 bits
    EXPECT_EQ(hand_over("close", "close"), "handed\n");
    EXPECT_EQ(wait_exit(first), 0);
    EXPECT_EQ(read_file(first.out), "running\n[]\n[wide \xF0\x9F\x98\x80]\n[close]\n");
}

TEST(Application, FiveStartsAtOnceLeaveOneInstanceThatHearsTheOtherFour) {
    write_forms_skin();
    std::vector<Start> starts;
    for (int i = 1; i <= 5; ++i)
        starts.push_back(start("s" + std::to_string(i), "t" + std::to_string(i)));
    Start* instance = nullptr;
    for (Start& s : starts)
        if (wait_for(s, "\n") && read_file(s.out).starts_with("running"))
            instance = instance ? nullptr : &s;  // exactly one
    if (!instance) {
        for (Start& s : starts)
            std::fprintf(stderr, "%s: %s", s.out.c_str(), read_file(s.out).c_str());
        for (Start& s : starts)
            ::kill(s.pid, SIGKILL), wait_exit(s);
        FAIL() << "not exactly one instance";
    }
    for (Start& s : starts)
        if (&s != instance) {
            EXPECT_EQ(wait_exit(s), 0);
            EXPECT_EQ(read_file(s.out), "handed\n");
        }
    EXPECT_EQ(hand_over("close", "close"), "handed\n");
    EXPECT_EQ(wait_exit(*instance), 0);
    const std::string heard = read_file(instance->out);
    int texts = 0;
    for (int i = 1; i <= 5; ++i)
        texts += heard.find("[t" + std::to_string(i) + "]") != std::string::npos;
    EXPECT_EQ(texts, 4) << heard;
    EXPECT_TRUE(heard.ends_with("[close]\n")) << heard;
}

TEST(Application, AKilledInstanceIsReplacedByTheNextStart) {
    write_forms_skin();
    Start first = start("first", "");
    ASSERT_TRUE(wait_for(first, "running"));
    ::kill(first.pid, SIGKILL);
    wait_exit(first);
    Start second = start("second", "");
    ASSERT_TRUE(wait_for(second, "\n"));
    EXPECT_EQ(read_file(second.out), "running\n");
    EXPECT_EQ(hand_over("close", "close"), "handed\n");
    EXPECT_EQ(wait_exit(second), 0);
}

TEST(Application, AHungInstanceStillEndsTheNextStart) {
    write_forms_skin();
    Start hung = start("hung", "", "hang");
    ASSERT_TRUE(wait_for(hung, "running"));
    // The hung instance never answers, so a next start that ends at all gave up waiting for it.
    Start next = start("next", "", "run", 300);
    EXPECT_EQ(wait_exit(next), 0);
    EXPECT_EQ(read_file(next.out), "gave up\n");
    ::kill(hung.pid, SIGKILL);
    wait_exit(hung);
}

// A start that hangs before its main window exists keeps the single-instance lock: later starts
// give up after a few seconds instead of waiting for ever.
TEST(Application, AStartHungBeforeItsWindowMakesLaterStartsGiveUp) {
    write_forms_skin();
    Start hung = start("stuck", "", "hang-before-window");
    ASSERT_TRUE(wait_for(hung, "locked"));
    const auto begin = std::chrono::steady_clock::now();
    Start next = start("late", "");
    EXPECT_EQ(wait_exit(next), 0);
    EXPECT_EQ(read_file(next.out), "gave up\n");
    const auto waited = std::chrono::steady_clock::now() - begin;
    EXPECT_GE(waited, std::chrono::milliseconds(os::Application::lock_wait_ms));
    // Only a start that never gives up takes this long, however loaded the machine.
    EXPECT_LT(waited, std::chrono::milliseconds(os::Application::lock_wait_ms + 60000));
    ::kill(hung.pid, SIGKILL);
    wait_exit(hung);
}
