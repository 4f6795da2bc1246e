// Loading an alarm file and computing every alarm's next time, for growing lists, printed with
// the machine's figures. The files are written by the alarm record's own save first. Then the
// alarm queue of long lists: its first fill, and an edit (one alarm added: the queue recalculated
// and the file saved, as the program does it).
#include "alarm/Alarm.h"
#include "alarm/AlarmQueue.h"
#include "base/TimeStamp.h"
#include "base/Xml.h"
#include "plat/WakeUp.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string cpu_name() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("model name", 0) == 0)
            return line.substr(line.find(':') + 2);
    return "unknown CPU";
}

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Every rule in turn, three exception dates each.
bool write_alarms(const std::wstring& path, int count) {
    liba::TimeStamp date;
    date.set_date(2027, 3, 1);
    liba::XmlNode document = liba::xml_create_document();
    liba::XmlNode root = liba::xml_add_child(document, L"Alarms");
    for (int i = 0; i < count; ++i) {
        Alarm alarm;
        alarm.set_periodicity(i % 4, date);
        alarm.set_time(i % 24, (i * 7) % 60);
        alarm.set_subject(L"alarm " + std::to_wstring(i));
        for (int k = 0; k < 3; ++k)
            alarm.add_exception(AlarmPeriodicity<3>(2027, 1 + (i + k) % 12, 1 + (i + 9 * k) % 28));
        alarm.save(root);
    }
    return liba::xml_save_document(document, path);
}

void run(int count) {
    const std::wstring path = L"\\alarms.ini";
    if (!write_alarms(path, count)) {
        std::printf("%7d alarms: could not be written\n", count);
        return;
    }
    const auto start = Clock::now();
    std::vector<Alarm> alarms;
    liba::XmlNode root = liba::xml_find_child(liba::xml_load_document(path), L"Alarms");
    const int children = liba::xml_child_count(root);
    for (int i = 0; i < children; ++i) {
        liba::XmlNode child = liba::xml_child_at(root, i);
        if (liba::xml_node_name(child) != L"Alarm")
            continue;
        alarms.emplace_back();
        alarms.back().load(child);
    }
    const double loaded = ms_since(start);
    liba::TimeStamp from;
    from.set_date(2027, 2, 10);
    int ringing = 0;
    for (const Alarm& alarm : alarms)
        ringing += Alarm::is_never(alarm.next_time(from)) ? 0 : 1;
    const double total = ms_since(start);
    std::printf("%7d alarms (3 exceptions each): load %8.2f ms, next times %7.2f ms, total %8.2f ms, %5.2f us per alarm"
                " (%d ring)\n",
                count, loaded, total - loaded, total, 1000 * total / count, ringing);
}

// One alarm with a long exception list, written element by element.
void run_exceptions(int count) {
    liba::XmlNode document = liba::xml_create_document();
    Alarm alarm;
    alarm.set_periodicity(0, liba::TimeStamp());
    alarm.save(liba::xml_add_child(document, L"Alarms"));
    liba::XmlNode exceptions = liba::xml_find_child(
        liba::xml_child_at(liba::xml_find_child(document, L"Alarms"), 0), L"Exeptions");
    for (int i = 0; i < count; ++i)
        AlarmPeriodicity<3>(2030 + i / 336, 1 + i / 28 % 12, 1 + i % 28).save(liba::xml_add_child(exceptions, L"Exeption"));
    if (!liba::xml_save_document(document, L"\\exceptions.ini")) {
        std::printf("%7d exceptions: could not be written\n", count);
        return;
    }
    const auto start = Clock::now();
    Alarm loaded;
    loaded.load(liba::xml_child_at(liba::xml_find_child(liba::xml_load_document(L"\\exceptions.ini"), L"Alarms"), 0));
    std::printf("%7d exceptions of one alarm:       load %8.2f ms (%zu read)\n", count, ms_since(start),
                loaded.get_exceptions().size());
}

// count everyday alarms spread over the day's minutes.
std::vector<Alarm> everyday_alarms(int count) {
    std::vector<Alarm> alarms(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        alarms[size_t(i)].set_periodicity(0, liba::TimeStamp());
        alarms[size_t(i)].set_time(i % 24, (i * 7) % 60);
        alarms[size_t(i)].set_subject(L"alarm " + std::to_wstring(i));
    }
    return alarms;
}

bool save_alarms(const std::vector<Alarm>& alarms, const std::wstring& path) {
    liba::XmlNode document = liba::xml_create_document();
    liba::XmlNode root = liba::xml_add_child(document, L"Alarms");
    for (const Alarm& alarm : alarms)
        alarm.save(root);
    return liba::xml_save_document(document, path);
}

void run_queue(int count) {
    std::vector<Alarm> alarms = everyday_alarms(count);
    AlarmQueue queue(alarms);
    auto start = Clock::now();
    queue.reset();
    const double filled = ms_since(start);
    start = Clock::now();
    queue.reset();
    const double again = ms_since(start);
    // An edit: the list changes, the queue is recalculated and the file rewritten.
    start = Clock::now();
    alarms.push_back(alarms.front());
    queue.reset();
    const double recalculated = ms_since(start);
    const bool saved = save_alarms(alarms, L"\\alarms.ini");
    const double edit = ms_since(start);
    std::printf("%7d everyday alarms: queue filled %8.2f ms (%zu entries), again %8.2f ms; an edit %8.2f ms "
                "(queue %.2f ms, file save %.2f ms%s)\n",
                count, filled, queue.entries().size(), again, edit, recalculated, edit - recalculated,
                saved ? "" : ", not saved");
}

} // namespace

int main() {
    char root[] = "/tmp/chimely-bench-XXXXXX";
    if (!mkdtemp(root))
        return 1;
    setenv("CHIMELY_ROOT", root, 1);
    // The queue registers its next alarm; no wake-up service is started for that here.
    plat::set_waker_program("");
    std::printf("Alarm file load and next times on %s, %u hardware threads (one used)\n", cpu_name().c_str(),
                std::thread::hardware_concurrency());
    for (int count : {1000, 10000, 100000})
        run(count);
    for (int count : {3000, 30000})
        run_exceptions(count);
    for (int count : {1000, 10000, 100000})
        run_queue(count);
    std::filesystem::remove_all(root);
    return 0;
}
