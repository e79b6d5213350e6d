#pragma once

#include "platform/CoreTypes.h"

#include <QString>

// A calendar of the store. The store owns its calendars and updates them when the folder changes;
// callers hold them through shared pointers.
class EKCalendar {
public:
    EKCalendar(const QString& identifier, const QString& title, const ATSURGBAlphaColor& color,
               bool allowsContentModifications)
        : m_identifier(identifier), m_title(title), m_color(color),
          m_allowsContentModifications(allowsContentModifications) {}

    QString calendarIdentifier() const { return m_identifier; }
    QString title() const { return m_title; }
    ATSURGBAlphaColor color() const { return m_color; }
    bool allowsContentModifications() const { return m_allowsContentModifications; }

    // For the stores only.
    void update(const QString& title, const ATSURGBAlphaColor& color, bool allowsContentModifications) {
        m_title = title;
        m_color = color;
        m_allowsContentModifications = allowsContentModifications;
    }

private:
    QString m_identifier;
    QString m_title;
    ATSURGBAlphaColor m_color;
    bool m_allowsContentModifications;
};
