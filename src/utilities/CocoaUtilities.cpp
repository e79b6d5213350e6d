#include "CocoaUtilities.h"

#include "FSUtilities.h"
#include "foundation/CFUtilities.h"
#include "platform/ApplicationInfo.h"
#include "platform/Diagnostics.h"
#include "platform/Workspace.h"

#include <QPainter>
#include <QPointer>
#include <QRegularExpression>

namespace CocoaUtilities {

void Fatal(const QString& message) {
    throw Exception(message.toStdString());
}

void Fatal(bool condition, const QString& message) {
    if (condition) Fatal(message);
}

NSRange NSRangeConstrain(const NSRange& range, quint64 maximum) {
    NSRange r = range;
    r.location = qMin(r.location, maximum);
    if (r.length > maximum - r.location) r.length = maximum - r.location;
    return r;
}

QString NSLocalizedString(const QString& key) {
    return CFUtilities::CFCopyLocalizedString(key);
}

QString NSLocalizedString(const QString& key, const QStringList& arguments) {
    QString text = NSLocalizedString(key);
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i).isNull()) continue;
        const QRegularExpression placeholder(QStringLiteral("\\^%1(?![0-9])").arg(i + 1));
        QString result;
        qsizetype from = 0;
        for (auto it = placeholder.globalMatch(text); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            result += QStringView(text).mid(from, m.capturedStart() - from);
            result += arguments.at(i);
            from = m.capturedEnd();
        }
        result += QStringView(text).mid(from);
        text = result;
    }
    return text;
}

void NSLog(const QString& message) {
    Diagnostics::line(message);
}

void NSShow(const QVariant& object) {
    QString text;
    if (!object.isValid())
        text = QStringLiteral("(null)");
    else if (object.canConvert<QString>())
        text = object.toString();
    else
        text = QString::fromUtf8(object.metaType().name());
    Diagnostics::line(text);
}

void NSShow(const NSRange& range) {
    Diagnostics::line(QStringLiteral("location: %1, length: %2").arg(range.location).arg(range.length));
}

QVariant NSNum(qint32 value) {
    return QVariant(value);
}
QVariant NSNum(float value) {
    return QVariant(double(value));
}
QVariant NSNum(double value) {
    return QVariant(value);
}
QVariant NSNum(bool value) {
    return QVariant(value);
}
QVariant NSNum(quint64 value) {
    return QVariant(value);
}

QVariant VarRecToNSObj(const TVarRec& element) {
    switch (element.kind) {
    case 0:
        return QVariant(element.value.toInt());
    case 2:
        return QVariant(element.value.toString().left(1));
    case 4:
    case 6:
    case 11:
        return QVariant(element.value.toString());
    default:
        Diagnostics::line(QStringLiteral("VarRecToNSObj: got undefined type of %1").arg(element.kind));
        return QVariant();
    }
}

QVariantList NSArr(const QList<TVarRec>& elements) {
    QVariantList list;
    for (const TVarRec& element : elements) {
        const QVariant v = VarRecToNSObj(element);
        if (v.isValid()) list.append(v);
    }
    return list;
}

QVariantMap NSDict(const QList<TVarRec>& elements) {
    QVariantMap dict;
    for (qsizetype i = 0; i + 1 < elements.size(); i += 2) {
        const QVariant key = VarRecToNSObj(elements.at(i));
        const QVariant value = VarRecToNSObj(elements.at(i + 1));
        if (key.isValid() && value.isValid()) dict.insert(key.toString(), value);
    }
    return dict;
}

QString FSCopyPath(const FSRef& ref) {
    return FSUtilities::FSCopyPath(ref);
}

bool FSConformsToUTIdentifier(const FSRef& ref, const QString& identifier) {
    return FSUtilities::FSConformsToUTIdentifier(ref, identifier);
}

FSRef FSGetPathRef(const QString& path) {
    return FSUtilities::FSGetPathRef(path);
}

QString FSCopyName(const FSRef& ref) {
    return FSUtilities::FSCopyName(ref);
}

void OpenPool() {}

void ClosePool() {
    if (GlobalPoolDepth <= 0) return;
    if (--GlobalPoolDepth == 0) GlobalPool = nullptr;
}

void OpenPool(void*& pool) {
    pool = nullptr;
}

void ClosePool(void*& pool) {
    pool = nullptr;
}

bool IsPoolOpen() {
    return GlobalPoolDepth > 0;
}

} // namespace CocoaUtilities

namespace GraphicsContextUtilities {

QPainter* flippedContext(QPainter* painter, const QRectF& rect) {
    if (!painter) return nullptr;
    painter->translate(0, 2 * rect.top() + rect.height());
    painter->scale(1, -1);
    return painter;
}

} // namespace GraphicsContextUtilities

namespace ParagraphStyleUtilities {

QTextOption paragraphWithAlignment(Qt::Alignment alignment) {
    return QTextOption(alignment);
}

} // namespace ParagraphStyleUtilities

namespace ApplicationUtilities {

namespace {
QPointer<QObject> g_controller;
}

QString name() {
    return ApplicationInfo::name();
}

QString sharedSupportFolder() {
    return ApplicationInfo::dataFolder();
}

QString libraryFolder() {
    return ApplicationInfo::libraryFolder();
}

QObject* controller() {
    return g_controller.data();
}

void setController(QObject* controller) {
    g_controller = controller;
}

bool isSandboxed() {
    return ApplicationInfo::isSandboxed();
}

void openFiles(const QStringList& paths) {
    Workspace::shared().openFilesWithThisApplication(paths);
}

void openFile(const QString& path) {
    openFiles(QStringList{path});
}

} // namespace ApplicationUtilities

namespace RunningApplicationUtilities {

QString bundlePath(qint64 pid) {
    return CarbonUtilities::CopyProcessBundlePath(CarbonUtilities::FindProcessWithPID(pid));
}

CarbonUtilities::ProcessSerialNumber process(qint64 pid) {
    return CarbonUtilities::FindProcessWithPID(pid);
}

} // namespace RunningApplicationUtilities
