#include "base/Log.h"

#include "EndsInTime.h"
#include "TempRoot.h"
#include "base/File.h"
#include "base/TextStream.h"
#include "base/Xml.h"
#include "base/Registry.h"
#include "base/TimeStamp.h"
#include "plat/MessageBox.h"
#include "plat/Paths.h"
#include "plat/Text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cwchar>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace {

using testing_support::process_root;

constexpr std::wstring_view qeva = L"HKEY_CURRENT_USER\\Software\\QEVA";

class LogTest : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(process_root() + "/Program Files/Chimely");
        plat::set_module_file_name(L"\\Program Files\\Chimely\\Chimely");
        log_file = process_root() + "/Program Files/Chimely/Chimely.txt";
        std::filesystem::remove(log_file);
        set_log(0);
        liba::get_log();  // the switch below always starts from "off"
    }
    void TearDown() override { set_log(0); }

    static void set_log(uint32_t value) {
        plat::RegKey key = 0;
        plat::reg_create_key(plat::HKEY_CURRENT_USER, L"Software\\QEVA", plat::KEY_ALL_ACCESS, &key);
        plat::reg_set_value(key, L"Log", plat::REG_DWORD, &value, 4);
        plat::reg_close_key(key);
    }

    std::string raw() const {
        std::ifstream in(log_file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // The file's text after its byte-order mark, which it must have.
    std::wstring text() const {
        std::string bytes = raw();
        EXPECT_GE(bytes.size(), 2u);
        EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
        return bytes.size() < 2 ? L"" : plat::from_utf16le(bytes.data() + 2, bytes.size() - 2);
    }

    std::string log_file;
};

TEST_F(LogTest, MissingOrZeroValueWritesNoFile) {
    plat::RegKey key = 0;
    plat::reg_create_key(plat::HKEY_CURRENT_USER, L"Software\\QEVA", plat::KEY_ALL_ACCESS, &key);
    plat::reg_delete_value(key, L"Log");
    plat::reg_close_key(key);
    liba::get_log() << "FormMain::activate_form_event " << 0 << "\n";
    set_log(0);
    liba::get_log() << "Document::save\n";
    EXPECT_FALSE(std::filesystem::exists(log_file));
}

TEST_F(LogTest, SwitchedOnLogIsUtf16WithMark) {
    set_log(1);
    liba::TimeStamp ts;
    ts.set_system_time(plat::SystemTime{2026, 3, 0, 7, 6, 5, 0, 0});
    liba::get_log() << "caf\xe9 " << L"\u20ac\U0001F514 " << -12 << " " << 2.5 << " " << ts << "\n";
    EXPECT_EQ(text(), L"caf\u00e9 \u20ac\U0001F514 -12 2.500000 2026 03 07 06 05 00\n");
    // The bell takes a surrogate pair: the byte count follows the UTF-16 length.
    EXPECT_EQ(raw().size(), 2 + 2 * plat::utf16_length(text()));
}

TEST_F(LogTest, SwitchingOffAndOnStartsANewEmptyFile) {
    set_log(1);
    liba::get_log() << "first run\n";
    set_log(0);
    liba::get_log() << "while off\n";
    EXPECT_EQ(text(), L"first run\n");
    set_log(1);
    liba::get_log() << "second run\n";
    EXPECT_EQ(text(), L"second run\n");
}

TEST_F(LogTest, ParallelWritersKeepWholeWritesWhileTheLogSwitches) {
    set_log(1);
    std::atomic<bool> stop{false};
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([t, &stop] {
            for (int i = 0; !stop; ++i)
                liba::get_log() << (L"writer " + std::to_wstring(t) + L" line " + std::to_wstring(i) + L"\n");
        });
    for (int i = 0; i < 6; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        set_log(i % 2 ? 1 : 2);  // 1 and 2 are both "on": no switch
        liba::get_log();
        set_log(0);
        liba::get_log();
        set_log(1);
        liba::get_log();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    stop = true;
    for (auto& w : writers)
        w.join();
    std::wistringstream lines(text());
    int count = 0;
    for (std::wstring line; std::getline(lines, line); ++count)
        EXPECT_TRUE(line.starts_with(L"writer ") && line.find(L" line ") != std::wstring::npos) << plat::to_utf8(line);
    EXPECT_GT(count, 0);
}

// The resident program and later starts write one log at once, each through a file of its own:
// every line arrives whole, none is lost, and the text of one line may come in several pieces.
TEST_F(LogTest, SeveralProcessesWritingAtOnceLoseAndSpliceNoLine) {
    constexpr wchar_t path[] = L"\\Program Files\\Chimely\\Chimely.txt";
    constexpr int writers = 6, lines = 300;
    os::Log<wchar_t> resident(path);
    resident << "resident\n";
    std::vector<pid_t> children;
    for (int w = 0; w < writers; ++w) {
        const pid_t child = fork();
        if (child == 0) {
            os::Log<wchar_t> log(path);
            for (int i = 0; i < lines; ++i)
                log << "writer " << w << " line " << i << std::string(size_t(i % 40), '.') << "\n";
            log.close();
            _exit(0);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    resident.close();

    std::wistringstream text_lines(text());
    std::vector<int> next(writers, 0);
    int count = 0;
    for (std::wstring line; std::getline(text_lines, line); ++count) {
        if (count == 0) {
            EXPECT_EQ(line, L"resident");
            continue;
        }
        int w = -1, i = -1;
        ASSERT_EQ(swscanf(line.c_str(), L"writer %d line %d", &w, &i), 2) << plat::to_utf8(line);
        ASSERT_TRUE(w >= 0 && w < writers) << plat::to_utf8(line);
        EXPECT_EQ(i, next[size_t(w)]++) << "a line of writer " << w << " is missing";
        EXPECT_EQ(line, L"writer " + std::to_wstring(w) + L" line " + std::to_wstring(i) +
                            std::wstring(size_t(i % 40), L'.'));
    }
    EXPECT_EQ(count, 1 + writers * lines);
}

// A FIFO in place of a file the program reads is refused at once, with one log line per refusal.
TEST_F(LogTest, FileThatIsNoRegularFileIsRefusedWithOneLine) {
    set_log(1);
    const std::string fifo = process_root() + "/settings.ini";
    std::filesystem::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(testing_support::ends_in_time(
        [] {
            os::File file(L"\\settings.ini", os::File::mode_read);
            EXPECT_TRUE(file.has_error());
            EXPECT_FALSE(liba::xml_load_document(L"\\settings.ini"));
            EXPECT_FALSE(liba::xml_load_document(L"\\missing.ini"));
        },
        fifo));
    const std::wstring line = L"os::File refused {\\settings.ini}: not a regular file\n";
    EXPECT_EQ(text(), line + line);
}

TEST_F(LogTest, FatalReportLogsShowsAndEndsWithCode70) {
    set_log(1);
    EXPECT_EXIT(
        {
            plat::set_message_box_handler([](plat::HWND, std::wstring_view text, std::wstring_view caption, uint32_t type) {
                std::fprintf(stderr, "box [%s] [%s] %u\n", plat::to_utf8(caption).c_str(), plat::to_utf8(text).c_str(),
                             type);
                return plat::IDOK;
            });
            liba::report_error(L"Singleton::Singleton()", L"Singleton is already instantiated");
        },
        testing::ExitedWithCode(70),
        "Gluck: Singleton is already instantiated @ Singleton::Singleton\\(\\)\n"
        "box \\[Singleton::Singleton\\(\\)\\] \\[Singleton is already instantiated\\] 0");
    EXPECT_EQ(text(), L"Gluck: Singleton is already instantiated @ Singleton::Singleton()\n");
}

TEST_F(LogTest, FatalReportReachesStandardErrorWithTheLogOff) {
    EXPECT_EXIT(liba::report_error(L"Form::register_menu_main", L"Menu main is already exists"),
                testing::ExitedWithCode(70), "Gluck: Menu main is already exists @ Form::register_menu_main");
    EXPECT_FALSE(std::filesystem::exists(log_file));
}

TEST_F(LogTest, UnwritableLogFileIsSilent) {
    plat::set_module_file_name(L"\\No Such Folder\\Chimely");
    set_log(1);
    liba::get_log() << "nowhere to go\n";
    liba::get_log().flush();
    EXPECT_FALSE(std::filesystem::exists(process_root() + "/No Such Folder"));
}

// Started as a child process by the test below: sound threads still trace while the program exits.
TEST_F(LogTest, DISABLED_TracingThreadsDuringExit) {
    set_log(1);
    for (int t = 0; t < 8; ++t)
        std::thread([] {
            for (;;)
                liba::get_log() << "PlayerPCM::run\n";
        }).detach();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::exit(0);
}

// What the log reads on every line (the registry, the device root) must outlive the threads
// that trace, or a normal exit crashes now and then.
TEST_F(LogTest, ThreadsTracingWhileTheProcessExitsDoNotCrashIt) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    const std::string command = "'" + self + "' --gtest_also_run_disabled_tests"
                                " --gtest_filter=LogTest.DISABLED_TracingThreadsDuringExit >/dev/null 2>&1";
    for (int run = 0; run < 50; ++run) {
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "run " << run << " status " << status;
    }
}

} // namespace
