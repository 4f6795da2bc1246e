// Exercises the alarm engine from the shell, inside CHIMELY_ROOT (files are
// device paths there):
//   chimely-alarm next FILE   each alarm's index and next time from now, or "none"
//   chimely-alarm sim FILE    one queue over the alarms, driven by commands on
//                             standard input, one output line per command; it
//                             writes the root's state file and wake-up
//                             registration, so it needs a device root
#include "alarm/Alarm.h"
#include "alarm/AlarmQueue.h"
#include "alarm/RunEventAt.h"
#include "alarm/TodayState.h"
#include "base/Convert.h"
#include "base/File.h"
#include "base/TimeStamp.h"
#include "base/Xml.h"
#include "plat/Clock.h"
#include "plat/Paths.h"
#include "plat/Text.h"
#include "plat/WakeUp.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

bool load_alarms(const std::wstring& path, std::vector<Alarm>& alarms) {
    liba::XmlNode root = liba::xml_find_child(liba::xml_load_document(path), L"Alarms");
    if (!root)
        return false;
    int count = liba::xml_child_count(root);
    for (int i = 0; i < count; ++i) {
        liba::XmlNode child = liba::xml_child_at(root, i);
        if (liba::xml_node_name(child) != L"Alarm")
            continue;
        alarms.emplace_back();
        alarms.back().load(child);
    }
    return true;
}

std::string utf8(const std::wstring& text) { return plat::to_utf8(text); }

bool parse_time(const std::string& text, liba::TimeStamp& time) {
    plat::SystemTime fields;
    return plat::parse_local_time(text, fields) && time.set_system_time(fields);
}

int print_next(const std::vector<Alarm>& alarms) {
    const liba::TimeStamp now = liba::TimeStamp::now();
    for (size_t i = 0; i < alarms.size(); ++i) {
        liba::TimeStamp next = alarms[i].next_time(now);
        // A once alarm dated in the past still yields its date; it will not ring again.
        bool never = Alarm::is_never(next) || next < now;
        std::printf("%zu %s\n", i, never ? "none" : utf8(next.to_text()).c_str());
    }
    return 0;
}

std::string state_line() {
    TodayState state;
    if (!state.load())
        return "error: no state file";
    std::string unviewed = " unviewed=" + std::to_string(state.unviewed);
    if (!state.has_next)
        return "next none" + unviewed;
    return "next name=\"" + utf8(state.name) + "\" time=\"" + utf8(state.time) + "\" action=\"" +
           std::to_string(state.action) + "\"" + unviewed;
}

std::string registered_line() {
    plat::SystemTime fields;
    liba::TimeStamp time;
    if (!plat::read_wake_up(wake_up_program(), fields) || !time.set_system_time(fields))
        return "none";
    return utf8(time.to_text()) + " " + utf8(wake_up_program());
}

// One command; its output line, or "error: ..." for a command it cannot run.
std::string run_command(AlarmQueue& queue, const std::string& line) {
    size_t blank = line.find(' ');
    std::string command = line.substr(0, blank);
    std::string argument = blank == std::string::npos ? std::string() : line.substr(blank + 1);
    liba::TimeStamp time;
    if (command == "now") {
        if (!parse_time(argument, time))
            return "error: bad time";
        plat::set_fake_clock(time.system_time(), false);
        return "ok";
    }
    if (command == "fill-from") {
        if (!parse_time(argument, time))
            return "error: bad time";
        queue.fill_from(time);
        return "ok";
    }
    if (command == "reset" && argument.empty()) {
        queue.reset();
        return "ok";
    }
    if (command == "missed" && argument.empty())
        return std::to_string(queue.next_missed());
    if (command == "dismiss" && argument.empty()) {
        queue.dismiss();
        return "ok";
    }
    if (command == "snooze") {
        std::wstring text = plat::from_utf8(argument);
        int32_t minutes = 0;
        const wchar_t* end = text.data() + text.size();
        if (liba::read_int(minutes, text.data(), end) != end)
            return "error: bad minutes";
        queue.hide_to_repeat(minutes);
        return "ok";
    }
    if (command == "state" && argument.empty())
        return state_line();
    if (command == "registered" && argument.empty())
        return registered_line();
    return "error: unknown command";
}

int simulate(const std::vector<Alarm>& alarms) {
    AlarmQueue queue(alarms);
    int status = 0;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        std::string out = run_command(queue, line);
        if (out.starts_with("error:"))
            status = 1;
        std::printf("%s\n", out.c_str());
        std::fflush(stdout);
    }
    return status;
}

int usage() {
    std::fputs("usage: chimely-alarm next FILE   each alarm's index and next time from now, or \"none\"\n"
               "       chimely-alarm sim FILE    an alarm queue over FILE's alarms in the device root, driven\n"
               "                                 by one command per line of standard input:\n"
               "         now YYYY-MM-DD HH:MM:SS       set the clock\n"
               "         fill-from YYYY-MM-DD HH:MM:SS fill the queue with the alarms from that time\n"
               "         reset | missed | dismiss | snooze MINUTES\n"
               "         state                         the shared state file\n"
               "         registered                    the wake-up registration\n"
               "FILE is an alarms file (alarms.ini), a device path in CHIMELY_ROOT or an ordinary path.\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const bool sim = argc == 3 && std::strcmp(argv[1], "sim") == 0;
    if (argc != 3 || (!sim && std::strcmp(argv[1], "next") != 0))
        return usage();
    // The queue writes the shared state file and the wake-up registration: device state, never into "/".
    if (const std::string problem = plat::device_root_problem(false); sim && !problem.empty()) {
        std::fprintf(stderr, "chimely-alarm sim: %s\n", problem.c_str());
        return 2;
    }
    const std::wstring file = plat::from_utf8(argv[2]);
    if (!os::FileInfo(file).exists()) {
        std::fprintf(stderr, "chimely-alarm: %s: no such file\n", argv[2]);
        return 1;
    }
    std::vector<Alarm> alarms;
    if (!load_alarms(file, alarms)) {
        std::fprintf(stderr, "chimely-alarm: %s: not an alarms file\n", argv[2]);
        return 1;
    }
    return sim ? simulate(alarms) : print_next(alarms);
}
