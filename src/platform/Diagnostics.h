#pragma once

#include <QLoggingCategory>
#include <QString>
#include <QStringList>

// Lines for developers. Each goes to the logging category of the layer that writes it
// ("jobslate.model", "jobslate.windows", ...); all are off unless QT_LOGGING_RULES turns them on,
// e.g. QT_LOGGING_RULES="jobslate.*=true". Tests can capture them.
namespace Diagnostics {

// Where a line was written: what SourceLocation gives, from builtins every compiler we build
// with has (clang 14 has no SourceLocation).
struct SourceLocation {
    static constexpr SourceLocation current(const char* file = __builtin_FILE(), int line = __builtin_LINE(),
                                            const char* function = __builtin_FUNCTION()) {
        return {file, line, function};
    }
    constexpr const char* file_name() const { return m_file; }
    constexpr int line() const { return m_line; }
    constexpr const char* function_name() const { return m_function; }

    const char* m_file = "";
    int m_line = 0;
    const char* m_function = "";
};

void line(const QString& text, SourceLocation where = SourceLocation::current());
// Prefixes "Warning: ".
void warning(const QString& text, SourceLocation where = SourceLocation::current());

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
    friend void line(const QString& text, SourceLocation where);
    friend void warning(const QString& text, SourceLocation where);
    QStringList m_lines;
    Capture* m_outer;
};

} // namespace Diagnostics
