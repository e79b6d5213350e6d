#pragma once

#include <QDateTime>
#include <optional>

enum EKRecurrenceFrequency {
    EKRecurrenceFrequencyDaily = 0,
    EKRecurrenceFrequencyWeekly = 1,
    EKRecurrenceFrequencyMonthly = 2,
    EKRecurrenceFrequencyYearly = 3,
};

// Where a repetition stops: at a date or after a number of occurrences.
class EKRecurrenceEnd {
public:
    static EKRecurrenceEnd recurrenceEndWithEndDate(const QDateTime& date) {
        EKRecurrenceEnd end;
        end.m_endDate = date;
        return end;
    }
    static EKRecurrenceEnd recurrenceEndWithOccurrenceCount(int count) {
        EKRecurrenceEnd end;
        end.m_occurrenceCount = count;
        return end;
    }
    // Invalid when the end is a count.
    QDateTime endDate() const { return m_endDate; }
    // 0 when the end is a date.
    int occurrenceCount() const { return m_occurrenceCount; }

    friend bool operator==(const EKRecurrenceEnd&, const EKRecurrenceEnd&) = default;

private:
    QDateTime m_endDate;
    int m_occurrenceCount = 0;
};

// A simple repetition: every `interval` days, weeks, months or years, optionally ending.
class EKRecurrenceRule {
public:
    EKRecurrenceRule(EKRecurrenceFrequency frequency, int interval,
                     std::optional<EKRecurrenceEnd> end = std::nullopt)
        : m_frequency(frequency), m_interval(interval < 1 ? 1 : interval), m_end(end) {}

    EKRecurrenceFrequency frequency() const { return m_frequency; }
    int interval() const { return m_interval; }
    std::optional<EKRecurrenceEnd> recurrenceEnd() const { return m_end; }

    friend bool operator==(const EKRecurrenceRule&, const EKRecurrenceRule&) = default;

private:
    EKRecurrenceFrequency m_frequency;
    int m_interval;
    std::optional<EKRecurrenceEnd> m_end;
};
