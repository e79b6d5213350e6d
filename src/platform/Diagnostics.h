#pragma once

#include <QString>
#include <QStringList>

// One-line diagnostics on standard output ("Warning: ..." for warnings). Tests can capture them.
namespace Diagnostics {

void line(const QString& text);
void warning(const QString& text); // prefixes "Warning: "

// Collects the lines written while it lives instead of printing them.
class Capture {
public:
    Capture();
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;
    const QStringList& lines() const { return m_lines; }
    int count(const QString& text) const { return static_cast<int>(m_lines.count(text)); }

private:
    friend void line(const QString& text);
    QStringList m_lines;
    Capture* m_outer;
};

} // namespace Diagnostics
