#include "Diagnostics.h"

#include <cstdio>

namespace Diagnostics {
namespace {
Capture* g_capture = nullptr;
}

Capture::Capture() : m_outer(g_capture) {
    g_capture = this;
}
Capture::~Capture() {
    g_capture = m_outer;
}

void line(const QString& text) {
    if (g_capture) {
        g_capture->m_lines.append(text);
        return;
    }
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void warning(const QString& text) {
    line(QStringLiteral("Warning: ") + text);
}

} // namespace Diagnostics
