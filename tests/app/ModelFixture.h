#pragma once
// The program's folder in the test's device root, where the model keeps its
// files, and a fake clock for the alarm queue.
#include "../alarm/AlarmTestSupport.h"
#include "TempRoot.h"
#include "base/TimeStamp.h"
#include "plat/Clock.h"
#include "plat/Paths.h"
#include "plat/Text.h"
#include "plat/WakeUp.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace model_fixture {

using alarm_test::at;

inline std::string text(const liba::TimeStamp& time) { return plat::format_local_time(time.system_time()); }

class ModelTest : public testing::Test {
protected:
    void SetUp() override {
        plat::set_module_file_name(L"\\Program Files\\Chimely\\Chimely");
        plat::set_waker_program("");
        std::filesystem::create_directories(app_file(""));
    }
    void TearDown() override {
        plat::clear_fake_clock();
        plat::set_module_file_name(L"");
    }

    static void set_now(const char* time) { plat::set_fake_clock(at(time).system_time(), false); }

    // Linux path of a file in %app_path%.
    static std::string app_file(const std::string& relative) {
        return (std::filesystem::path(testing_support::process_root()) / "Program Files/Chimely" / relative).string();
    }
    static void write(const std::string& relative, const std::string& bytes) {
        std::filesystem::path path = app_file(relative);
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string read(const std::string& relative) {
        std::ifstream in(app_file(relative), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    // alarms.ini and every copy kept aside: an earlier test of this process may have left them.
    static void clear_alarm_files() {
        for (const auto& entry : std::filesystem::directory_iterator(app_file("")))
            if (entry.path().filename().string().starts_with("alarms.ini"))
                std::filesystem::remove_all(entry.path());
    }
    static bool exists(const std::string& relative) { return std::filesystem::exists(app_file(relative)); }
    // A language file as the build makes them: UTF-16LE with a byte-order mark.
    static void write_language(const std::string& relative, const std::wstring& lines) {
        write(relative, "\xFF\xFE" + plat::to_utf16le(lines));
    }
};

} // namespace model_fixture
