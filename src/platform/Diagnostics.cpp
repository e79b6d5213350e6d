#include "Diagnostics.h"

#include <QHash>
#include <QMutex>

namespace Diagnostics {
namespace {

Capture* g_capture = nullptr;

// The layer of "…/src/<layer>/[<part>/]File.cpp": the part where there is one.
QByteArray categoryName(const char* sourcePath) {
    const QByteArray path = QByteArray("/") + sourcePath;
    const qsizetype src = path.lastIndexOf("/src/");
    if (src < 0) return QByteArrayLiteral("jobslate");
    const QList<QByteArray> folders = path.mid(src + 5).split('/');
    if (folders.size() < 2) return QByteArrayLiteral("jobslate");
    const QByteArray& folder = folders.size() > 2 ? folders[folders.size() - 2] : folders.first();
    return QByteArrayLiteral("jobslate.") + folder;
}

void write(QtMsgType type, const QString& text, const SourceLocation& where) {
    const QLoggingCategory& category = categoryFor(where.file_name());
    if (!category.isEnabled(type)) return;
    QMessageLogger logger(where.file_name(), static_cast<int>(where.line()), where.function_name(),
                          category.categoryName());
    if (type == QtWarningMsg)
        logger.warning("%s", qUtf8Printable(text));
    else
        logger.info("%s", qUtf8Printable(text));
}

} // namespace

const QLoggingCategory& categoryFor(const char* sourcePath) {
    // A category keeps a pointer to its name, so names and categories live for the whole run.
    // Never destroyed: lines may be written while static objects end.
    static QMutex mutex;
    static auto* categories = new QHash<QByteArray, const QLoggingCategory*>;
    const QByteArray name = categoryName(sourcePath);
    QMutexLocker locker(&mutex);
    const QLoggingCategory*& category = (*categories)[name];
    if (!category) {
        // Off by default: only a logging rule turns these on.
        category = new QLoggingCategory(qstrdup(name.constData()), QtCriticalMsg);
    }
    return *category;
}

Capture::Capture() : m_outer(g_capture) {
    g_capture = this;
}
Capture::~Capture() {
    g_capture = m_outer;
}

void line(const QString& text, SourceLocation where) {
    if (g_capture) {
        g_capture->m_lines.append(text);
        return;
    }
    write(QtInfoMsg, text, where);
}

void warning(const QString& text, SourceLocation where) {
    const QString full = QStringLiteral("Warning: ") + text;
    if (g_capture) {
        g_capture->m_lines.append(full);
        return;
    }
    write(QtWarningMsg, full, where);
}

} // namespace Diagnostics
