#pragma once
#include "base/TimeStamp.h"
#include "base/Xml.h"

#include <memory>
#include <string>
#include <tuple>

// An alarm's repeat rule: whether it falls on a date, and its next date.
class AlarmPeriodicityInterface {
public:
    virtual ~AlarmPeriodicityInterface() = default;
    // The rule's "type" and "additional" attributes on the element.
    virtual void save(const liba::XmlNode& element) const = 0;
    // Reads "additional"; a missing or unreadable one keeps the fields.
    virtual void load(const liba::XmlNode& element) = 0;
    virtual bool matches(int year, int month, int day) const = 0;
    virtual int type() const = 0;
    // The rule's next date (at 00:00) on or after from's date, or strictly
    // after it when strict. False, and `out` empty, when there is none.
    virtual bool next(liba::TimeStamp& out, const liba::TimeStamp& from, bool strict) const = 0;
    virtual bool equals(const AlarmPeriodicityInterface& other) const = 0;
    virtual std::unique_ptr<AlarmPeriodicityInterface> clone() const = 0;
};

constexpr int periodicity_everyday = 0;
constexpr int periodicity_dayofweek = 1;
constexpr int periodicity_dayofmonth = 2;
constexpr int periodicity_once = 3;

// "everyday", "dayofweek", "dayofmonth", "once"; empty for another type.
std::wstring periodicity_type_name(int type);
// A rule of that type with its default fields; null for an unknown type or name.
std::unique_ptr<AlarmPeriodicityInterface> make_periodicity(int type);
std::unique_ptr<AlarmPeriodicityInterface> make_periodicity(std::wstring_view type_name);
// A rule of that type for the given date (weekday, day of month or the date itself).
std::unique_ptr<AlarmPeriodicityInterface> make_periodicity(int type, const liba::TimeStamp& date);

// What the four rules share; Rule gives fields() as a tuple.
template <class Rule, int N>
class AlarmPeriodicityCommon : public AlarmPeriodicityInterface {
public:
    int type() const override { return N; }
    bool equals(const AlarmPeriodicityInterface& other) const override {
        auto* same = dynamic_cast<const Rule*>(&other);
        return same && same->fields() == static_cast<const Rule*>(this)->fields();
    }
    std::unique_ptr<AlarmPeriodicityInterface> clone() const override {
        return std::make_unique<Rule>(static_cast<const Rule&>(*this));
    }
};

template <int N>
class AlarmPeriodicity;

template <>
class AlarmPeriodicity<0> final : public AlarmPeriodicityCommon<AlarmPeriodicity<0>, 0> {
public:
    std::tuple<> fields() const { return {}; }
    void save(const liba::XmlNode& element) const override;
    void load(const liba::XmlNode&) override {}
    bool matches(int, int, int) const override { return true; }
    bool next(liba::TimeStamp& out, const liba::TimeStamp& from, bool strict) const override;
};

template <>
class AlarmPeriodicity<1> final : public AlarmPeriodicityCommon<AlarmPeriodicity<1>, 1> {
public:
    AlarmPeriodicity() = default;
    explicit AlarmPeriodicity(int weekday) : weekday(weekday) {}
    std::tuple<int> fields() const { return {weekday}; }
    void save(const liba::XmlNode& element) const override;
    void load(const liba::XmlNode& element) override;
    bool matches(int year, int month, int day) const override;
    bool next(liba::TimeStamp& out, const liba::TimeStamp& from, bool strict) const override;

    int weekday = 0;   // 0 = Monday .. 6 = Sunday
};

template <>
class AlarmPeriodicity<2> final : public AlarmPeriodicityCommon<AlarmPeriodicity<2>, 2> {
public:
    AlarmPeriodicity() = default;
    explicit AlarmPeriodicity(int day) : day(day) {}
    std::tuple<int> fields() const { return {day}; }
    void save(const liba::XmlNode& element) const override;
    void load(const liba::XmlNode& element) override;
    bool matches(int year, int month, int day) const override;
    bool next(liba::TimeStamp& out, const liba::TimeStamp& from, bool strict) const override;

    int day = 1;   // 1..31; months shorter than that are skipped
};

template <>
class AlarmPeriodicity<3> final : public AlarmPeriodicityCommon<AlarmPeriodicity<3>, 3> {
public:
    AlarmPeriodicity() = default;
    AlarmPeriodicity(int year, int month, int day) : year(year), month(month), day(day) {}
    std::tuple<int, int, int> fields() const { return {year, month, day}; }
    void save(const liba::XmlNode& element) const override;
    void load(const liba::XmlNode& element) override;
    bool matches(int year, int month, int day) const override;
    bool next(liba::TimeStamp& out, const liba::TimeStamp& from, bool strict) const override;

    // Not range-checked when loaded: a date the calendar lacks never occurs.
    int year = 2006;
    int month = 1;
    int day = 1;
};
