// chimely-base: exercises the base library from the shell. Paths are device
// paths in CHIMELY_ROOT (outside a device tree, ordinary Linux paths).
#include "base/File.h"
#include "base/Finder.h"
#include "base/Log.h"
#include "base/Path.h"
#include "base/Scheduler.h"
#include "base/StringTranslator.h"
#include "base/Thread.h"
#include "base/TimeStamp.h"
#include "base/Timer.h"
#include "base/Xml.h"
#include "base/ZipFile.h"
#include "plat/Messages.h"
#include "plat/Text.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

int usage() {
    std::fputs("usage: chimely-base lng FILE KEY...\n"
               "       chimely-base xml-copy IN OUT\n"
               "       chimely-base zip-list ARCHIVE\n"
               "       chimely-base zip-cat ARCHIVE NAME [OFFSET]\n"
               "       chimely-base find FOLDER FILEMASK FOLDERMASK [-r]\n"
               "       chimely-base lock NAME SECONDS\n"
               "       chimely-base timers SECONDS...\n"
               "       chimely-base expand PATH\n"
               "       chimely-base relpath FROM TO\n"
               "       chimely-base ts Y M D h m s [add-days N | add-minutes N | add-months N]\n"
               "       chimely-base dow Y M D\n"
               "       chimely-base log TEXT\n"
               "       chimely-base fatal PLACE MESSAGE\n",
               stderr);
    return 2;
}

int fail(const std::string& text) {
    std::fprintf(stderr, "chimely-base: %s\n", text.c_str());
    return 1;
}

std::wstring wide(const char* text) { return plat::from_utf8(text); }

// A file argument that cannot be read: missing, or not what the command takes.
int fail_to_read(const char* path, const std::string& what) {
    return fail(std::string(path) + ": " + (os::FileInfo(wide(path)).exists() ? what : "no such file"));
}

void print_line(std::wstring_view text) { std::printf("%s\n", plat::to_utf8(text).c_str()); }

// A whole decimal number; false for anything else.
bool parse_number(const char* text, long long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text, &end, 10);
    return *text && end && *end == '\0' && errno == 0;
}

int lng(int argc, char** argv) {
    liba::StringTranslator translator;
    if (!translator.load_file(wide(argv[2])))
        return fail_to_read(argv[2], "not a readable language file");
    for (int i = 3; i < argc; ++i) {
        std::wstring key = wide(argv[i]);
        print_line(key + L"=" + translator.translate(key, L"<default>"));
    }
    return 0;
}

int xml_copy(char** argv) {
    liba::XmlNode document = liba::xml_load_document(wide(argv[2]));
    if (!document)
        return fail_to_read(argv[2], "not a readable XML document");
    if (!liba::xml_save_document(document, wide(argv[3])))
        return fail(std::string("can't write ") + argv[3]);
    return 0;
}

int zip_list(char** argv) {
    liba::ZipFile zip(wide(argv[2]));
    if (zip.has_error())
        return fail_to_read(argv[2], "not a zip archive this program can read");
    for (std::wstring name = zip.read_entry_header(); !name.empty(); name = zip.read_entry_header())
        std::printf("%s\t%u\n", plat::to_utf8(name).c_str(), zip.get_size());
    return 0;
}

int zip_cat(int argc, char** argv) {
    liba::ZipFile zip(wide(argv[2]));
    if (zip.has_error())
        return fail_to_read(argv[2], "not a zip archive this program can read");
    if (!zip.find_entry(wide(argv[3])))
        return fail(std::string("no stored entry ") + argv[3]);
    if (argc > 4) {
        long long offset = 0;
        if (!parse_number(argv[4], offset) || offset < 0 || offset > 0xFFFFFFFFll || !zip.seek(uint32_t(offset)))
            return fail(std::string("offset outside the entry: ") + argv[4]);
    }
    char buffer[4096];
    for (uint32_t n; (n = zip.read(buffer, sizeof buffer)) > 0;)
        std::fwrite(buffer, 1, n, stdout);
    return 0;
}

class PrintingFinder : public os::Finder {
public:
    bool on_file(const std::wstring& path) override {
        print_line(L"F " + path);
        return true;
    }
    bool on_directory(const std::wstring& path) override {
        print_line(L"D " + path);
        return true;
    }
};

int find(int argc, char** argv) {
    bool recursive = argc == 6 && std::string(argv[5]) == "-r";
    if (argc == 6 && !recursive)
        return usage();
    PrintingFinder printer;
    os::Finder::find(printer, wide(argv[2]), wide(argv[3]), wide(argv[4]), recursive);
    return 0;
}

int lock(char** argv) {
    long long seconds = 0;
    if (!parse_number(argv[3], seconds) || seconds < 0)
        return usage();
    liba::NamedMutexLock held(wide(argv[2]));
    std::printf("locked\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    std::printf("released\n");
    return 0;
}

// Prints the index of each timer as it fires; the loop ends after the last.
class TimerPrinter : public liba::Timer::Listener {
public:
    explicit TimerPrinter(size_t count) {
        for (size_t i = 0; i < count; ++i)
            timers_.push_back(std::make_unique<liba::Timer>(this));
    }
    liba::Timer& timer(size_t i) { return *timers_[i]; }

    void on_timer(liba::Timer* timer) override {
        for (size_t i = 0; i < timers_.size(); ++i)
            if (timers_[i].get() == timer)
                std::printf("%zu\n", i);
        std::fflush(stdout);
        if (++fired_ == timers_.size())
            plat::post_quit_message(0);
    }

private:
    std::vector<std::unique_ptr<liba::Timer>> timers_;
    size_t fired_ = 0;
};

int timers(int argc, char** argv) {
    std::vector<double> seconds;
    for (int i = 2; i < argc; ++i) {
        char* end = nullptr;
        double s = std::strtod(argv[i], &end);
        if (!*argv[i] || *end || !(s >= 0))
            return usage();
        seconds.push_back(s);
    }
    auto scheduler = std::make_unique<CActiveScheduler>();
    set_active_scheduler(scheduler.get());
    {
        TimerPrinter printer(seconds.size());
        for (size_t i = 0; i < seconds.size(); ++i)
            printer.timer(i).start(seconds[i]);
        plat::MSG msg;
        while (plat::get_message(msg, nullptr, 0, 0) > 0)
            plat::dispatch_message(msg);
    }
    set_active_scheduler(nullptr);
    return 0;
}

int timestamp(int argc, char** argv) {
    long long f[6] = {};
    for (int i = 0; i < 6; ++i)
        if (!parse_number(argv[2 + i], f[i]) || f[i] < 0 || f[i] > 65535)
            return usage();
    plat::SystemTime st;
    st.year = uint16_t(f[0]), st.month = uint16_t(f[1]), st.day = uint16_t(f[2]);
    st.hour = uint16_t(f[3]), st.minute = uint16_t(f[4]), st.second = uint16_t(f[5]);
    liba::TimeStamp ts;
    if (!ts.set_system_time(st))
        return fail("not a valid date and time");
    if (argc == 10) {
        long long n = 0;
        std::string op = argv[8];
        if (!parse_number(argv[9], n) || n < INT32_MIN || n > INT32_MAX)
            return usage();
        const std::string before = plat::to_utf8(ts.to_text());
        bool done = false;
        if (op == "add-days")
            done = ts.add_days(int32_t(n));
        else if (op == "add-minutes")
            done = ts.add_minutes(int32_t(n));
        else if (op == "add-months")
            done = ts.add_months(int(n));
        else
            return usage();
        // A refused step leaves the time as it was; a month step keeps the day, so its
        // calendar fields then name a day that does not exist (31 February), never shown as a result.
        if (!done) {
            const std::string asked = plat::to_utf8(ts.to_text());
            return fail(op + " " + argv[9] + " refused: " +
                        (asked == before ? std::string("the result lies outside the calendar")
                                         : asked + " is no date of the calendar") +
                        "; the time stays " + before);
        }
    } else if (argc != 8) {
        return usage();
    }
    std::printf("%s %llu\n", plat::to_utf8(ts.to_text()).c_str(), (unsigned long long)ts.ticks());
    return 0;
}

int day_of_week(char** argv) {
    long long y = 0, m = 0, d = 0;
    if (!parse_number(argv[2], y) || !parse_number(argv[3], m) || !parse_number(argv[4], d))
        return usage();
    liba::TimeStamp ts;
    // Checked before narrowing: 65539 must not pass as month 3.
    if (y < 1601 || y > 30827 || m < 1 || m > 12 || d < 1 || d > 31 || !ts.set_date(int(y), int(m), int(d)))
        return fail("not a valid date");
    std::printf("%d\n", ts.day_of_week());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return usage();
    std::string command = argv[1];
    if (command == "lng" && argc >= 3)
        return lng(argc, argv);
    if (command == "xml-copy" && argc == 4)
        return xml_copy(argv);
    if (command == "zip-list" && argc == 3)
        return zip_list(argv);
    if (command == "zip-cat" && (argc == 4 || argc == 5))
        return zip_cat(argc, argv);
    if (command == "find" && (argc == 5 || argc == 6))
        return find(argc, argv);
    if (command == "lock" && argc == 4)
        return lock(argv);
    if (command == "timers" && argc >= 3)
        return timers(argc, argv);
    if (command == "expand" && argc == 3) {
        print_line(liba::expand_path_macros(wide(argv[2])));
        return 0;
    }
    if (command == "relpath" && argc == 4) {
        print_line(liba::relative_path(wide(argv[2]), wide(argv[3])));
        return 0;
    }
    if (command == "ts" && (argc == 8 || argc == 10))
        return timestamp(argc, argv);
    if (command == "dow" && argc == 5)
        return day_of_week(argv);
    if (command == "log" && argc == 3) {
        liba::get_log() << wide(argv[2]) << L"\n";
        return 0;
    }
    if (command == "fatal" && argc == 4)
        liba::report_error(wide(argv[2]), wide(argv[3]));
    return usage();
}
