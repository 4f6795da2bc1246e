// The resident program as the user meets it, in a copy of the built device tree (headless,
// 240x320, null audio): time from the start to its first frame, the CPU it takes while idle and
// its resident memory. Printed, one figure per line; nothing is asserted.
//
// The first frame is seen through the program's own input script: its first line is "shot", and
// the script runs only once the program is idle with its main form up, so the moment the
// screenshot file is created is the moment the first frame was composed.
//
// Idle is measured twice, with the main form shown (its clock running) and hidden. The start is
// measured again with long alarm lists (1,000, 10,000 and 100,000 everyday alarms).
// BENCH_STARTS (default 10), BENCH_LIST_STARTS (default 3) and BENCH_IDLE_SECONDS (default 60)
// shorten a run.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double first_frame_target_ms = 50;
// Targets with long alarm lists: 10,000 alarms, and 100,000.
constexpr double first_frame_10k_target_ms = 100;
constexpr double first_frame_100k_target_ms = 1000;
constexpr double idle_cpu_target_percent = 0.1;
constexpr double memory_target_mb = 15;
// Long lists take longer to start; a start slower than this is reported as showing no frame.
constexpr int first_frame_timeout_ms = 60000;
constexpr int end_timeout_ms = 5000;
// Once the first frame is up, the program finishes its start-up before it is idle.
constexpr auto settle_time = std::chrono::seconds(2);

int environment_number(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text && std::atoi(text) > 0 ? std::atoi(text) : fallback;
}

double ms_between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// A fresh device root holding the program's folder of the built tree, without user state.
class Root {
public:
    bool make(const fs::path& tree) {
        char pattern[] = "/tmp/chimely-bench-XXXXXX";
        if (!mkdtemp(pattern))
            return false;
        path_ = pattern;
        std::error_code ec;
        fs::copy(tree / "Program Files", path_ / "Program Files",
                 fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
        if (ec)
            return false;
        for (const char* state : {"alarms.ini", "alarms.ini.bad", "settings.ini", "Chimely.txt"})
            fs::remove(program_folder() / state, ec);
        fs::create_directories(path_ / "shots", ec);
        return !ec;
    }
    ~Root() {
        std::error_code ec;
        if (!path_.empty())
            fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }
    fs::path program_folder() const { return path_ / "Program Files" / "Chimely"; }
    fs::path program() const { return program_folder() / "Chimely"; }

private:
    fs::path path_;
};

// The program with the bench's switches; 0 when it cannot be started.
pid_t start_program(const Root& root, const std::vector<std::string>& args, const std::string& input,
                    const std::string& video = "headless") {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry(*e);
        if (!entry.starts_with("CHIMELY_"))
            env.push_back(entry);
    }
    env.push_back("CHIMELY_ROOT=" + root.path().string());
    env.push_back("CHIMELY_VIDEO=" + video);
    env.push_back("CHIMELY_AUDIO=null");
    env.push_back("CHIMELY_SCREEN=240x320");
    env.push_back("CHIMELY_PLATFORM=pocketpc");
    if (!input.empty())
        env.push_back("CHIMELY_INPUT=" + input);
    std::vector<std::string> argv_text{root.program().string()};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv, envp;
    for (auto& a : argv_text)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
        pid = 0;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits for the process to end; false (and it is killed) when it outlives the time-out.
bool wait_end(pid_t pid, int timeout_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (Clock::now() < deadline) {
        int status = 0;
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return false;
}

// Ends the resident program as a second start does, with "close".
bool end_program(const Root& root, pid_t pid) {
    pid_t closer = start_program(root, {"close"}, "");
    bool closer_ended = closer && wait_end(closer, end_timeout_ms);
    return wait_end(pid, end_timeout_ms) && closer_ended;
}

// Milliseconds from the start to the first frame; negative when none came.
// after: input lines applied once the first frame is taken.
double time_to_first_frame(const Root& root, int run, pid_t& pid, const std::string& after = "",
                           const std::string& video = "headless") {
    const fs::path shot = root.path() / "shots" / ("frame" + std::to_string(run) + ".png");
    const fs::path input = root.path() / ("input" + std::to_string(run) + ".txt");
    std::ofstream(input) << "shot " << shot.string() << "\n" << after;

    int watch = inotify_init1(IN_CLOEXEC);
    if (watch < 0 || inotify_add_watch(watch, (root.path() / "shots").c_str(), IN_CREATE | IN_MOVED_TO) < 0) {
        if (watch >= 0)
            close(watch);
        return -1;
    }
    const auto start = Clock::now();
    pid = start_program(root, {}, input.string(), video);
    double result = -1;
    while (pid && result < 0) {
        pollfd fd{watch, POLLIN, 0};
        const int left = first_frame_timeout_ms - int(ms_between(start, Clock::now()));
        if (left <= 0 || poll(&fd, 1, left) <= 0)
            break;
        const auto seen = Clock::now();
        alignas(inotify_event) char buffer[4096];
        const ssize_t got = read(watch, buffer, sizeof buffer);
        if (got > 0)
            result = ms_between(start, seen);
    }
    close(watch);
    return result;
}

struct ProcessFigures {
    double cpu_seconds = 0;     // utime + stime of every thread
    double sched_seconds = 0;   // the scheduler's own count, in nanoseconds, of every thread
    long switches = 0;          // voluntary context switches of every thread: wake-ups
    double rss_mb = 0, hwm_mb = 0;
    double pss_mb = 0, private_mb = 0;  // shared pages counted by their share; pages of this process alone
};

ProcessFigures read_figures(pid_t pid) {
    ProcessFigures figures;
    const fs::path proc = "/proc/" + std::to_string(pid);
    std::ifstream stat_file(proc / "stat");
    std::string stat_text((std::istreambuf_iterator<char>(stat_file)), std::istreambuf_iterator<char>());
    // The fields after the command's closing parenthesis; utime and stime are fields 14 and 15.
    std::istringstream fields(stat_text.substr(stat_text.rfind(')') + 2));
    std::vector<std::string> field;
    for (std::string f; fields >> f;)
        field.push_back(f);
    const double tick = double(sysconf(_SC_CLK_TCK));
    if (field.size() > 12)
        figures.cpu_seconds = (std::stod(field[11]) + std::stod(field[12])) / tick;

    std::error_code ec;
    for (const auto& task : fs::directory_iterator(proc / "task", ec)) {
        double run_ns = 0;
        if (std::ifstream(task.path() / "schedstat") >> run_ns)
            figures.sched_seconds += run_ns / 1e9;
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);)
            if (line.starts_with("voluntary_ctxt_switches:"))
                figures.switches += std::stol(line.substr(line.find(':') + 1));
    }
    std::ifstream status(proc / "status");
    for (std::string line; std::getline(status, line);) {
        const double kb = line.size() > 7 ? std::atof(line.c_str() + 7) : 0;
        if (line.starts_with("VmRSS:"))
            figures.rss_mb = kb / 1024;
        else if (line.starts_with("VmHWM:"))
            figures.hwm_mb = kb / 1024;
    }
    std::ifstream rollup(proc / "smaps_rollup");
    for (std::string line; std::getline(rollup, line);) {
        const size_t colon = line.find(':');
        const double kb = colon == std::string::npos ? 0 : std::atof(line.c_str() + colon + 1);
        if (line.starts_with("Pss:"))
            figures.pss_mb = kb / 1024;
        else if (line.starts_with("Private_Clean:") || line.starts_with("Private_Dirty:"))
            figures.private_mb += kb / 1024;
    }
    return figures;
}

// One resident run left idle for the given seconds: its CPU, wake-ups and (when asked) memory.
bool idle_run(const Root& root, int run, const std::string& after, const char* state, int seconds, bool memory) {
    pid_t pid = 0;
    if (time_to_first_frame(root, run, pid, after) < 0) {
        std::printf("startup: the idle run (%s) showed no frame\n", state);
        if (pid)
            end_program(root, pid);
        return false;
    }
    std::this_thread::sleep_for(settle_time);
    const ProcessFigures before = read_figures(pid);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const ProcessFigures figures = read_figures(pid);
    const double cpu = (figures.cpu_seconds - before.cpu_seconds) / seconds * 100;
    const double sched = (figures.sched_seconds - before.sched_seconds) / seconds * 100;
    std::printf("idle CPU, %s, over %d s, utime+stime: %.3f %% (target < %.1f %%)\n", state, seconds, cpu,
                idle_cpu_target_percent);
    std::printf("idle CPU, %s, over %d s, scheduler run time: %.3f %%\n", state, seconds, sched);
    std::printf("idle wake-ups, %s: %.1f per second\n", state, double(figures.switches - before.switches) / seconds);
    if (memory) {
        std::printf("resident memory, %s, after %d s idle: VmRSS %.1f MB (target < %.0f MB)\n", state, seconds,
                    figures.rss_mb, memory_target_mb);
        std::printf("resident memory peak, %s: VmHWM %.1f MB (target < %.0f MB)\n", state, figures.hwm_mb,
                    memory_target_mb);
        std::printf("resident memory, %s, shared pages by their share: Pss %.1f MB\n", state, figures.pss_mb);
        std::printf("resident memory of this process alone, %s: Private %.1f MB\n", state, figures.private_mb);
    }
    if (!end_program(root, pid)) {
        std::printf("startup: the idle program (%s) did not end on \"close\"\n", state);
        return false;
    }
    return true;
}

// The SDL window on an X server, as on a desktop: the first window (the first frame, which the
// window shows as it is composed) and the resident memory while the window is shown. On the
// session's display, else on an Xvfb of the bench's own; skipped when neither is there.
namespace sdl_window {

constexpr double first_window_target_ms = 150;
constexpr double memory_target_mb = 20;

// An Xvfb started for the bench, ended with it; its display becomes the bench's DISPLAY.
class OwnDisplay {
public:
    bool start() {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        const std::string fd_text = std::to_string(fds[1]);
        std::vector<std::string> args{"Xvfb", "-displayfd", fd_text, "-screen", "0", "640x480x24", "-nolisten", "tcp"};
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ) != 0)
            pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        // Xvfb writes its display number once it accepts clients.
        std::string number;
        char c = 0;
        pollfd fd{fds[0], POLLIN, 0};
        while (pid_ && poll(&fd, 1, 5000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (number.empty())
            return false;
        setenv("DISPLAY", (":" + number).c_str(), 1);
        return true;
    }
    ~OwnDisplay() {
        if (pid_) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }

private:
    pid_t pid_ = 0;
};

bool run(const Root& root, int starts, int first_run) {
    OwnDisplay own;
    const char* display = std::getenv("DISPLAY");
    if ((!display || !*display) && !own.start()) {
        std::printf("SDL window: no X display and no Xvfb here, skipped\n");
        return true;
    }
    std::vector<double> times;
    ProcessFigures figures;
    // The first start only warms the file cache; the last one stays for the memory.
    for (int run = 0; run <= starts; ++run) {
        pid_t pid = 0;
        const double ms = time_to_first_frame(root, first_run + run, pid, "", "sdl");
        if (ms >= 0 && run == starts) {
            std::this_thread::sleep_for(settle_time);
            figures = read_figures(pid);
        }
        const bool ended = pid && end_program(root, pid);
        if (ms < 0 || !ended) {
            std::printf("SDL window: run %d %s\n", run, ms < 0 ? "showed no window" : "did not end on \"close\"");
            return false;
        }
        if (run > 0)
            times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("start to first window, 240x320 SDL window on X (zoom 2): median %.1f ms, min %.1f, max %.1f over "
                "%d starts (target < %.0f ms)\n",
                times[times.size() / 2], times.front(), times.back(), starts, first_window_target_ms);
    std::printf("resident memory, SDL window shown: VmRSS %.1f MB, VmHWM %.1f MB (target < %.0f MB), Pss %.1f MB\n",
                figures.rss_mb, figures.hwm_mb, memory_target_mb, figures.pss_mb);
    return true;
}

} // namespace sdl_window

// Starts the program starts + 1 times (the first only warms the file cache) and prints the median
// time to the first frame, the target when there is one; false when a start failed.
bool first_frames(const Root& root, const std::string& what, int starts, double target_ms, int& run) {
    std::vector<double> times;
    for (int i = 0; i <= starts; ++i, ++run) {
        pid_t pid = 0;
        const double ms = time_to_first_frame(root, run, pid);
        const bool ended = pid && end_program(root, pid);
        if (ms < 0 || !ended) {
            std::printf("startup%s: run %d %s\n", what.c_str(), run,
                        ms < 0 ? "showed no frame" : "did not end on \"close\"");
            return false;
        }
        if (i > 0)
            times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("start to first frame, 240x320 headless%s: median %.1f ms, min %.1f, max %.1f over %d starts",
                what.c_str(), times[times.size() / 2], times.front(), times.back(), starts);
    if (target_ms > 0)
        std::printf(" (target < %.0f ms)", target_ms);
    std::printf("\n");
    return true;
}

// count everyday alarms spread over the day's minutes, as a user's long list would be.
void write_everyday_alarms(const fs::path& path, int count) {
    std::ofstream out(path);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Alarms>\n";
    for (int i = 0; i < count; ++i)
        out << "\t<Alarm>\n\t\t<AlarmType type=\"everyday\" />\n\t\t<Properties time=\"" << i % 24 << ' '
            << i * 7 % 60 << "\" subject=\"alarm " << i << "\" note=\"\" />\n"
            << "\t\t<Events attention=\"true\" time=\"true\" pause=\"false\" />\n\t\t<Exeptions />\n\t</Alarm>\n";
    out << "</Alarms>\n";
}

} // namespace

int main() {
    // The run takes minutes: each figure shows as soon as it is known.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const fs::path tree = CHIMELY_DEVICE_TREE;
    Root root;
    if (!fs::exists(tree / "Program Files" / "Chimely" / "Chimely") || !root.make(tree)) {
        std::printf("startup: no program in the device tree %s\n", tree.c_str());
        return 1;
    }
    const int starts = environment_number("BENCH_STARTS", 10);
    const int idle_seconds = environment_number("BENCH_IDLE_SECONDS", 60);

    int run = 0;
    if (!first_frames(root, "", starts, first_frame_target_ms, run))
        return 1;

    // What the process costs before it builds anything: "close" as its own text ends it at once.
    std::vector<double> bare;
    for (int run = 0; run < starts; ++run) {
        const auto start = Clock::now();
        const pid_t pid = start_program(root, {"close"}, "");
        if (!pid || !wait_end(pid, end_timeout_ms)) {
            std::printf("startup: \"close\" alone did not end\n");
            return 1;
        }
        bare.push_back(ms_between(start, Clock::now()));
    }
    std::sort(bare.begin(), bare.end());
    std::printf("start and end with \"close\" alone (nothing built): median %.1f ms\n", bare[bare.size() / 2]);

    // The idle runs keep an alarm list of a few entries.
    std::ofstream(root.program_folder() / "alarms.ini")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Alarms>\n"
           "<Alarm><AlarmType type=\"everyday\"/><Properties time=\"6 30\" subject=\"Up\" note=\"\"/></Alarm>\n"
           "<Alarm><AlarmType type=\"dayofweek\" additional=\"4\"/><Properties time=\"18 0\" subject=\"Gym\" "
           "note=\"\"/></Alarm>\n"
           "<Alarm><AlarmType type=\"once\" additional=\"2099 1 1\"/><Properties time=\"0 0\" subject=\"Far\" "
           "note=\"\"/></Alarm>\n</Alarms>\n";
    // Shown, its clock running; then hidden by the "Hide" soft key, as it mostly stays.
    bool ok = idle_run(root, ++run, "", "shown", idle_seconds, true);
    ok = ok && idle_run(root, ++run, "soft 1\n", "hidden", idle_seconds, true);
    ok = sdl_window::run(root, starts, ++run) && ok;
    run += starts;

    const int list_starts = environment_number("BENCH_LIST_STARTS", 3);
    for (int count : {1000, 10000, 100000}) {
        write_everyday_alarms(root.program_folder() / "alarms.ini", count);
        const double target = count >= 100000 ? first_frame_100k_target_ms
                              : count >= 10000 ? first_frame_10k_target_ms
                                               : 0;
        ok = ok && first_frames(root, ", " + std::to_string(count) + " alarms", list_starts, target, run);
    }
    return ok ? 0 : 1;
}
