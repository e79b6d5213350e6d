#pragma once

#include <libical/ical.h>

#include <QByteArray>
#include <QString>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>

// An iCalendar text as a libical tree that writes back what this program did not change exactly as
// the file held it.
// - Each property keeps the file's text of it (its lines as folded there) until it is changed or
//   removed through this class; libical would write some values otherwise, and some so that it
//   cannot read them again.
// - A line libical cannot read becomes a property of its own name that libical does not know: absent
//   for the fields read from the tree, written back as found, replaced when that field is set.
// - Components libical does not know (X- components, newer kinds such as VLOCATION) are kept with all
//   they hold.
class ICalendarDocument {
public:
    // Takes the tree; its properties have no text of a file.
    explicit ICalendarDocument(icalcomponent* root);
    ~ICalendarDocument();
    ICalendarDocument(const ICalendarDocument&) = delete;
    ICalendarDocument& operator=(const ICalendarDocument&) = delete;

    // The VCALENDAR of the text, or null with the reason. Only the structure can make it fail: text
    // outside the calendar, unbalanced or too deeply nested components, NUL characters.
    static std::unique_ptr<ICalendarDocument> read(const QByteArray& text, QString* reason);

    icalcomponent* root() const { return m_root; }
    // Empty, with the reason, when libical writes a property this program set in a form it cannot
    // read again (a year past 9999, say).
    QByteArray text(QString* error = nullptr) const;

    // The file's VTIMEZONE of that TZID as a zone libical computes offsets in, without observances
    // it cannot expand in bounded time (ICalendarRecurrence::boundedTimezone); null when there is
    // none or nothing of it remains.
    icaltimezone* timezone(const char* tzid) const;

    // Whether the component has a property of the kind, readable or not.
    bool hasProperty(icalcomponent* component, icalproperty_kind kind) const;
    // Removes the properties of the kind, readable or not.
    void removeProperties(icalcomponent* component, icalproperty_kind kind);
    // Before a property is changed in place: it is written from its value from then on.
    void forget(icalproperty* property);
    // Before a component that was taken out of the tree is freed.
    void forgetComponent(icalcomponent* component);
    // Takes the component out of its parent and frees it.
    void removeComponent(icalcomponent* parent, icalcomponent* component);

private:
    // The lines of one line of the file; libical may make several properties of one (EXDATE:a,b).
    struct FileText {
        QByteArray lines;
        bool whole = true; // false once one of its properties changed
    };

    icalcomponent* newComponent(const QByteArray& name);
    void addLine(icalcomponent* component, const QByteArray& name, const QByteArray& line,
                 const QByteArray& fileLines);
    void write(icalcomponent* component, QByteArray& out, std::unordered_set<const FileText*>& done,
               QByteArray* unreadable) const;

    icalcomponent* m_root;
    std::unordered_map<icalproperty*, std::shared_ptr<FileText>> m_texts;
    std::unordered_map<icalcomponent*, QByteArray> m_names; // of components libical does not know
    mutable std::map<QByteArray, icaltimezone*> m_zones;    // by TZID
};
