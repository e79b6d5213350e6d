#include "platform/calendar/ICalendarDocument.h"

#include "platform/calendar/ICalendarRecurrence.h"

#include <vector>

namespace {

// Real calendars nest four deep (VCALENDAR, VEVENT, PARTICIPANT, VLOCATION); libical frees and we
// write components recursively.
constexpr int kMaxDepth = 32;

struct ContentLine {
    QByteArray text;  // unfolded
    QByteArray lines; // as the file held it, folded lines joined by CRLF
};

// Splits the text into content lines: a line that starts with a space or a tab continues the one
// before it (RFC 5545 3.1). Lines may end in CRLF or LF; empty lines are dropped.
std::vector<ContentLine> contentLines(const QByteArray& bytes) {
    std::vector<ContentLine> result;
    qsizetype pos = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    bool canContinue = false;
    while (pos < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', pos);
        if (end < 0) end = bytes.size();
        QByteArray line = bytes.mid(pos, end - pos);
        pos = end + 1;
        if (line.endsWith('\r')) line.chop(1);
        if (line.isEmpty()) {
            canContinue = false;
            continue;
        }
        const bool indented = line[0] == ' ' || line[0] == '\t';
        if (indented && canContinue) {
            result.back().text += QByteArrayView(line).sliced(1);
            result.back().lines += "\r\n" + line;
            continue;
        }
        // An indented line after an empty one stands alone: it is written back after an empty line.
        result.push_back({line, indented ? "\r\n" + line : line});
        canContinue = true;
    }
    return result;
}

bool isNameCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

// The name of a content line in capitals, or empty when the line does not start with a name
// followed by ";" or ":".
QByteArray lineName(const QByteArray& line) {
    qsizetype i = 0;
    while (i < line.size() && isNameCharacter(line[i])) ++i;
    if (i == 0 || i == line.size() || (line[i] != ';' && line[i] != ':')) return {};
    return line.left(i).toUpper();
}

// The properties libical reads from one content line (several for a list such as EXDATE:a,b);
// none when it reports any error in it.
std::vector<icalproperty*> readProperties(const QByteArray& line) {
    std::vector<icalproperty*> properties;
    if (line.contains('\r')) return properties;
    const QByteArray text = "BEGIN:VCALENDAR\r\n" + line + "\r\nEND:VCALENDAR\r\n";
    icalcomponent* wrapper = icalparser_parse_string(text.constData());
    if (!wrapper) return properties;
    if (icalcomponent_isa(wrapper) == ICAL_VCALENDAR_COMPONENT &&
        !icalcomponent_get_first_component(wrapper, ICAL_ANY_COMPONENT) &&
        !icalcomponent_get_first_property(wrapper, ICAL_XLICERROR_PROPERTY)) {
        while (icalproperty* p = icalcomponent_get_first_property(wrapper, ICAL_ANY_PROPERTY)) {
            icalcomponent_remove_property(wrapper, p);
            properties.push_back(p);
        }
    }
    icalcomponent_free(wrapper);
    return properties;
}

bool readsBack(const QByteArray& written) {
    const std::vector<icalproperty*> properties =
        readProperties(QByteArray(written).replace("\r\n ", "").trimmed());
    for (icalproperty* p : properties) icalproperty_free(p);
    return !properties.empty();
}

bool isUnreadableOfKind(icalproperty* p, icalproperty_kind kind) {
    if (icalproperty_isa(p) != ICAL_X_PROPERTY) return false;
    const char* name = icalproperty_get_x_name(p);
    const char* kindName = icalproperty_kind_to_string(kind);
    return name && kindName && qstricmp(name, kindName) == 0;
}

} // namespace

ICalendarDocument::ICalendarDocument(icalcomponent* root) : m_root(root) {}

ICalendarDocument::~ICalendarDocument() {
    for (const auto& [tzid, zone] : m_zones) {
        if (zone) icaltimezone_free(zone, 1);
    }
    if (m_root) icalcomponent_free(m_root);
}

std::unique_ptr<ICalendarDocument> ICalendarDocument::read(const QByteArray& text, QString* reason) {
    if (text.contains('\0')) {
        *reason = QStringLiteral("NUL character in the text");
        return nullptr;
    }
    std::unique_ptr<ICalendarDocument> document(new ICalendarDocument(nullptr));
    struct Open {
        icalcomponent* component; // not yet in its parent
        QByteArray name;
    };
    std::vector<Open> open;
    auto fail = [&](const QString& why) {
        for (const Open& o : open) icalcomponent_free(o.component);
        *reason = why;
        return nullptr;
    };
    for (const ContentLine& line : contentLines(text)) {
        if (document->m_root) return fail(QStringLiteral("text after the end of the calendar"));
        const QByteArray name = lineName(line.text);
        if (name == "BEGIN" || name == "END") {
            const QByteArray value = line.text.mid(line.text.indexOf(':') + 1).trimmed();
            if (name == "BEGIN") {
                if (open.empty() && value.toUpper() != "VCALENDAR")
                    return fail(QStringLiteral("no VCALENDAR"));
                if (value.isEmpty()) return fail(QStringLiteral("BEGIN without a name"));
                if (open.size() >= kMaxDepth) return fail(QStringLiteral("components nested too deeply"));
                open.push_back({document->newComponent(value), value});
                continue;
            }
            if (open.empty() || value.compare(open.back().name, Qt::CaseInsensitive) != 0)
                return fail(QStringLiteral("END:%1 does not close the component that is open")
                                .arg(QString::fromUtf8(value)));
            const Open closed = open.back();
            open.pop_back();
            // Added when complete: libical reads a VTIMEZONE's TZID when it is added.
            if (open.empty())
                document->m_root = closed.component;
            else
                icalcomponent_add_component(open.back().component, closed.component);
            continue;
        }
        if (open.empty()) return fail(QStringLiteral("text outside the calendar"));
        document->addLine(open.back().component, name, line.text, line.lines);
    }
    if (!document->m_root)
        return fail(open.empty() ? QStringLiteral("not iCalendar data")
                                 : QStringLiteral("the calendar does not end"));
    return document;
}

icalcomponent* ICalendarDocument::newComponent(const QByteArray& name) {
    const QByteArray upper = name.toUpper();
    const icalcomponent_kind kind = icalcomponent_string_to_kind(upper.constData());
    switch (kind) {
    case ICAL_NO_COMPONENT:
    case ICAL_ANY_COMPONENT:
    case ICAL_XROOT_COMPONENT:
    case ICAL_X_COMPONENT:
    case ICAL_XLICINVALID_COMPONENT:
    case ICAL_XLICMIMEPART_COMPONENT:
        break;
    default:
        return icalcomponent_new(kind);
    }
    icalcomponent* component = icalcomponent_new_x(upper.constData());
    m_names[component] = name;
    return component;
}

void ICalendarDocument::addLine(icalcomponent* component, const QByteArray& name, const QByteArray& line,
                                const QByteArray& fileLines) {
    auto text = std::make_shared<FileText>(FileText{fileLines});
    std::vector<icalproperty*> properties;
    if (!name.isEmpty()) properties = readProperties(line);
    if (properties.empty()) {
        icalproperty* unreadable = icalproperty_new(ICAL_X_PROPERTY);
        icalproperty_set_x_name(unreadable, name.isEmpty() ? "X-" : name.constData());
        icalproperty_set_value(unreadable, icalvalue_new_x(""));
        properties.push_back(unreadable);
    }
    for (icalproperty* p : properties) {
        icalcomponent_add_property(component, p);
        m_texts[p] = text;
    }
}

QByteArray ICalendarDocument::text(QString* error) const {
    QByteArray out;
    QByteArray unreadable;
    std::unordered_set<const FileText*> written;
    if (m_root) write(m_root, out, written, &unreadable);
    if (unreadable.isEmpty()) return out;
    if (error)
        *error = QStringLiteral("libical cannot read what it writes: %1").arg(QString::fromUtf8(unreadable));
    return {};
}

void ICalendarDocument::write(icalcomponent* component, QByteArray& out,
                              std::unordered_set<const FileText*>& written, QByteArray* unreadable) const {
    QByteArray name;
    if (icalcomponent_isa(component) == ICAL_X_COMPONENT) {
        auto known = m_names.find(component);
        name = known != m_names.end() ? known->second : QByteArray("X-UNNAMED");
    } else {
        name = icalcomponent_kind_to_string(icalcomponent_isa(component));
    }
    out += "BEGIN:" + name + "\r\n";
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(component, ICAL_ANY_PROPERTY)) {
        auto text = m_texts.find(p);
        if (text != m_texts.end() && text->second->whole) {
            if (written.insert(text->second.get()).second) out += text->second->lines + "\r\n";
            continue;
        }
        char* s = icalproperty_as_ical_string_r(p);
        const QByteArray line(s);
        icalmemory_free_buffer(s);
        if (unreadable->isEmpty() && !readsBack(line)) *unreadable = line.trimmed();
        out += line;
    }
    for (icalcomponent* c = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT))
        write(c, out, written, unreadable);
    out += "END:" + name + "\r\n";
}

icaltimezone* ICalendarDocument::timezone(const char* tzid) const {
    const QByteArray id(tzid);
    auto known = m_zones.find(id);
    if (known != m_zones.end()) return known->second;
    icaltimezone* zone = nullptr;
    for (icalcomponent* c = icalcomponent_get_first_component(m_root, ICAL_VTIMEZONE_COMPONENT); c && !zone;
         c = icalcomponent_get_next_component(m_root, ICAL_VTIMEZONE_COMPONENT)) {
        icalproperty* p = icalcomponent_get_first_property(c, ICAL_TZID_PROPERTY);
        if (!p || id != icalproperty_get_tzid(p)) continue;
        icalcomponent* bounded = ICalendarRecurrence::boundedTimezone(c);
        if (!bounded) break;
        zone = icaltimezone_new();
        if (!icaltimezone_set_component(zone, bounded)) {
            icaltimezone_free(zone, 1);
            icalcomponent_free(bounded);
            zone = nullptr;
        }
    }
    m_zones[id] = zone;
    return zone;
}

bool ICalendarDocument::hasProperty(icalcomponent* component, icalproperty_kind kind) const {
    if (icalcomponent_get_first_property(component, kind)) return true;
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(component, ICAL_X_PROPERTY)) {
        if (isUnreadableOfKind(p, kind)) return true;
    }
    return false;
}

void ICalendarDocument::removeProperties(icalcomponent* component, icalproperty_kind kind) {
    std::vector<icalproperty*> found;
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(component, ICAL_ANY_PROPERTY)) {
        if (icalproperty_isa(p) == kind || isUnreadableOfKind(p, kind)) found.push_back(p);
    }
    for (icalproperty* p : found) {
        forget(p);
        icalcomponent_remove_property(component, p);
        icalproperty_free(p);
    }
}

void ICalendarDocument::forget(icalproperty* property) {
    auto text = m_texts.find(property);
    if (text == m_texts.end()) return;
    text->second->whole = false;
    m_texts.erase(text);
}

void ICalendarDocument::forgetComponent(icalcomponent* component) {
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(component, ICAL_ANY_PROPERTY))
        forget(p);
    m_names.erase(component);
    for (icalcomponent* c = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT))
        forgetComponent(c);
}

void ICalendarDocument::removeComponent(icalcomponent* parent, icalcomponent* component) {
    forgetComponent(component);
    icalcomponent_remove_component(parent, component);
    icalcomponent_free(component);
}
