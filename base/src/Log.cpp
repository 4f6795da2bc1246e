#include "base/Log.h"

#include "base/Path.h"
#include "base/Registry.h"
#include "plat/MessageBox.h"
#include "plat/Paths.h"
#include "plat/Text.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace liba {
namespace {

constexpr std::wstring_view log_key = L"HKEY_CURRENT_USER\\Software\\QEVA";
constexpr std::wstring_view log_value = L"Log";
constexpr std::wstring_view log_path = L"%app_full_name%.txt";

struct LogState {
    std::mutex lock;  // guards the replacement of the stream
    std::unique_ptr<TextOStream<wchar_t>> stream;
    bool enabled = false;
    // The device root the stream was opened in: a process whose root is replaced
    // (a test binary gives each test its own) starts its log in the new one.
    std::string root;
    // Another thread may still be writing to a replaced stream, so it is
    // closed but kept; the log is switched only when someone edits the registry.
    std::vector<std::unique_ptr<TextOStream<wchar_t>>> retired;
};

LogState& state() {
    // Never destroyed: threads may still trace while the process exits.
    static LogState* s = new LogState;
    return *s;
}

std::atomic<MainWindowQuery> main_window_query{nullptr};

} // namespace

TextOStream<wchar_t>& get_log() {
    // Opening the log's own file may trace (a refused file does); that goes nowhere.
    thread_local bool opening = false;
    if (opening) {
        static auto* quiet = new TextOStreamEmpty<wchar_t>;
        return *quiet;
    }
    uint32_t value = 0;
    read_registry_dword(log_key, log_value, value);
    bool enabled = value != 0;
    std::string root = plat::device_root();

    LogState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.stream && s.enabled == enabled && s.root == root)
        return *s.stream;
    if (s.stream) {
        if (auto* file = dynamic_cast<os::TextOStreamFile<wchar_t>*>(s.stream.get()))
            file->close();
        s.retired.push_back(std::move(s.stream));
    }
    s.enabled = enabled;
    s.root = std::move(root);
    if (enabled) {
        opening = true;
        s.stream = std::make_unique<os::Log<wchar_t>>(log_path);
        opening = false;
    } else {
        s.stream = std::make_unique<TextOStreamEmpty<wchar_t>>();
    }
    return *s.stream;
}

void set_main_window_query(MainWindowQuery query) { main_window_query = query; }

void report_error(std::wstring_view place, std::wstring_view message) {
    std::wstring line = L"Gluck: ";
    line.append(message).append(L" @ ").append(place).append(L"\n");
    TextOStream<wchar_t>& log = get_log();
    log << line;
    log.flush();
    // Whatever "Log" says, the reason of the end must be visible.
    std::string narrow = plat::to_utf8(line);
    std::fwrite(narrow.data(), 1, narrow.size(), stderr);
    std::fflush(stderr);

    MainWindowQuery query = main_window_query;
    plat::message_box(query ? query() : nullptr, message, place, plat::MB_OK);
    std::fflush(stdout);
    std::_Exit(fatal_exit_code);
}

} // namespace liba
