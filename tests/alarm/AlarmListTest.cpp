// A generated alarm list survives a save and a load with every time, rule and exception.
#include "AlarmTestSupport.h"

#include "base/Xml.h"

#include <gtest/gtest.h>

#include <vector>

using namespace alarm_test;

namespace {

// Loads every "Alarm" child of the root, as the alarm tool and the document do.
std::vector<Alarm> load_list(const wchar_t* path) {
    std::vector<Alarm> alarms;
    liba::XmlNode root = liba::xml_find_child(liba::xml_load_document(path), L"Alarms");
    const int count = liba::xml_child_count(root);
    for (int i = 0; i < count; ++i) {
        liba::XmlNode child = liba::xml_child_at(root, i);
        if (liba::xml_node_name(child) != L"Alarm")
            continue;
        alarms.emplace_back();
        EXPECT_TRUE(alarms.back().load(child)) << i;
    }
    return alarms;
}

} // namespace

TEST(AlarmList, GeneratedListLoadsBackAlarmByAlarm) {
    root_file("lists/x");
    const char* dates[] = {"2027-01-05 00:00:00", "2027-02-14 00:00:00", "2027-03-31 00:00:00", "2028-02-29 00:00:00"};
    std::vector<Alarm> saved;
    for (int i = 0; i < 3000; ++i) {
        Alarm alarm = make_alarm(i % 4, dates[i % 4], i % 24, (i * 7) % 60, (L"alarm " + std::to_wstring(i)).c_str());
        for (int k = 0; k < i % 5; ++k)
            alarm.add_exception(AlarmPeriodicity<3>(2027, 1 + (i + k) % 12, 1 + (i * 3 + k) % 28));
        saved.push_back(alarm);
    }
    liba::XmlNode document = liba::xml_create_document();
    liba::XmlNode root = liba::xml_add_child(document, L"Alarms");
    for (size_t i = 0; i < saved.size(); ++i) {
        saved[i].save(root);
        if (i % 100 == 0)
            liba::xml_add_child(root, L"Other");  // other elements between alarms are skipped
    }
    ASSERT_TRUE(liba::xml_save_document(document, L"\\lists\\alarms.ini"));

    const std::vector<Alarm> loaded = load_list(L"\\lists\\alarms.ini");
    ASSERT_EQ(loaded.size(), saved.size());
    const liba::TimeStamp from = at("2027-01-01 12:00:00");
    for (size_t i = 0; i < saved.size(); ++i) {
        const Alarm& a = saved[i];
        const Alarm& b = loaded[i];
        ASSERT_EQ(b.hour(), a.hour()) << i;
        ASSERT_EQ(b.minute(), a.minute()) << i;
        ASSERT_EQ(b.get_subject(), a.get_subject()) << i;
        ASSERT_TRUE(b.get_periodicity()->equals(*a.get_periodicity())) << i;
        ASSERT_EQ(b.get_exceptions().size(), a.get_exceptions().size()) << i;
        for (size_t k = 0; k < a.get_exceptions().size(); ++k)
            ASSERT_TRUE(b.get_exceptions()[k].equals(a.get_exceptions()[k])) << i << " " << k;
        ASSERT_EQ(text(b.next_time(from)), text(a.next_time(from))) << i;
    }
}
