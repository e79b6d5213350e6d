#pragma once

#include <QLoggingCategory>
#include <QString>
#include <QStringList>

#include <source_location>

// Lines for developers. Each goes to the logging category of the layer that writes it
// ("jobslate.model", "jobslate.windows", ...); all are off unless QT_LOGGING_RULES turns them on,
// e.g. QT_LOGGING_RULES="jobslate.*=true". Tests can capture them.
namespace Diagnostics {

void line(const QString& text, std::source_location where = std::source_location::current());
// Prefixes "Warning: ".
void warning(const QString& text, std::source_location where = std::source_location::current());

// The category of a source file: "jobslate." and the layer folder under src/ ("jobslate.calendar"
// for src/platform/calendar/); "jobslate" for anything else.
const QLoggingCategory& categoryFor(const char* sourcePath);

// Collects the lines written while it lives instead of logging them.
class Capture {
public:
    Capture();
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;
    const QStringList& lines() const { return m_lines; }
    int count(const QString& text) const { return static_cast<int>(m_lines.count(text)); }

private:
    friend void line(const QString& text, std::source_location where);
    friend void warning(const QString& text, std::source_location where);
    QStringList m_lines;
    Capture* m_outer;
};

} // namespace Diagnostics
