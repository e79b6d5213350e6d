#pragma once

#include <QDateTime>

// A reminder of an event: an offset in seconds from the event's start (negative: before it),
// or a fixed date.
class EKAlarm {
public:
    EKAlarm() = default;
    static EKAlarm alarmWithRelativeOffset(double offset) {
        EKAlarm alarm;
        alarm.m_relativeOffset = offset;
        return alarm;
    }
    static EKAlarm alarmWithAbsoluteDate(const QDateTime& date) {
        EKAlarm alarm;
        alarm.m_absoluteDate = date;
        return alarm;
    }

    // 0 for an alarm with an absolute date.
    double relativeOffset() const { return m_relativeOffset; }
    // Invalid for a relative alarm.
    QDateTime absoluteDate() const { return m_absoluteDate; }
    bool hasAbsoluteDate() const { return m_absoluteDate.isValid(); }

    friend bool operator==(const EKAlarm&, const EKAlarm&) = default;

private:
    double m_relativeOffset = 0;
    QDateTime m_absoluteDate;
};
