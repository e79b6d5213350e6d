#include "CarbonUtilities.h"

#include "platform/Diagnostics.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QSysInfo>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <csignal>
#include <cstring>
#include <limits>
#include <random>
#include <unistd.h>

namespace CarbonUtilities {

namespace {

constexpr qint32 kFileNotFound = -43;
constexpr qint32 kProcessNotFound = -600;
constexpr qint32 kNoSuchIcon = -2580;
constexpr qint32 kLSApplicationNotFound = -10814;

QString procPath(qint64 pid, const char* entry) {
    return QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(entry));
}

QList<qint64> runningPids() {
    QList<qint64> pids;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& e : entries) {
        bool ok = false;
        const qint64 pid = e.toLongLong(&ok);
        if (ok) pids << pid;
    }
    return pids;
}

qint32 kernelVersionPart(int part) {
    const QStringList parts = QSysInfo::kernelVersion().split(QLatin1Char('.'));
    if (part >= parts.size()) return 0;
    QString digits;
    for (QChar c : parts.at(part)) {
        if (!c.isDigit()) break;
        digits += c;
    }
    return digits.toInt();
}

// The text as a URL with a scheme; an invalid URL when it is none.
QUrl openableUrl(const QString& text) {
    const QUrl u(text, QUrl::StrictMode);
    if (text.isEmpty() || !u.isValid() || u.scheme().isEmpty()) return QUrl();
    return u;
}

bool validBlock(const void* p) {
    return ToolboxAll::IsPointerValid(p);
}

// An id the kernel can take as one process: wider values would wrap to another pid, 0 or -1.
bool signallablePid(qint64 pid) {
    return pid > 0 && pid <= std::numeric_limits<pid_t>::max();
}

} // namespace

quint32 FCCToInteger(const QString& s) {
    const QByteArray bytes = s.left(4).toLatin1();
    quint32 code = 0;
    for (int i = 0; i < 4; ++i)
        code = (code << 8) | (i < bytes.size() ? static_cast<quint8>(bytes.at(i)) : 0u);
    return code;
}

quint32 FCC(const QString& s) {
    return FCCToInteger(s);
}

QString FCCToString(quint32 code) {
    QString s;
    for (int shift = 24; shift >= 0; shift -= 8) s += QChar(static_cast<ushort>((code >> shift) & 0xff));
    return s;
}

qint32 GetRandomNumber(qint32 low, qint32 high) {
    std::uniform_int_distribution<qint32> distribution(std::min(low, high), std::max(low, high));
    return distribution(ToolboxAll::RandomEngine());
}

double StringToFloat(const QString& s) {
    if (s.isEmpty()) return 0;
    bool ok = false;
    const double d = s.trimmed().toDouble(&ok);
    return ok ? d : 0;
}

float RoundDown(float x) {
    return std::round(x * 2.0f) / 2.0f;
}

bool FloatEquals(double a, double b, double tolerance) {
    return std::abs(a - b) < tolerance;
}

qint32 StringToNumber(const QString& s) {
    return StrN(s);
}

qint32 Gestalt(quint32 selector, qint32* response) {
    int part = -1;
    if (selector == FCC(QStringLiteral("sys1"))) part = 0;
    if (selector == FCC(QStringLiteral("sys2"))) part = 1;
    if (selector == FCC(QStringLiteral("sys3"))) part = 2;
    if (part < 0) return -5551;
    if (response) *response = kernelVersionPart(part);
    return 0;
}

qint32 MacOSVersion() {
    qint32 minor = 0;
    Gestalt(FCC(QStringLiteral("sys2")), &minor);
    return minor;
}

qint32 MacOSVersion(qint16 a, qint16 b) {
    return static_cast<qint32>(a) + b;
}

qint32 MacOSFullVersion() {
    qint32 major = 0;
    Gestalt(FCC(QStringLiteral("sys1")), &major);
    return major + MacOSVersion();
}

qint32 LSOpenURL(const QString& url) {
    const QUrl u = openableUrl(url);
    if (!u.isValid()) return -1;
    return QDesktopServices::openUrl(u) ? 0 : kLSApplicationNotFound;
}

qint32 LSGetLoginItemFSRef(const QString& name, FSRef* ref) {
    const QString folder = QCoreApplication::applicationDirPath();
    if (folder.isEmpty()) return kFileNotFound;
    if (ref) *ref = FSRef{QDir(folder).filePath(QStringLiteral("LoginItems/") + name)};
    return 0;
}

qint32 LSOpenWithApplication(const FSRef& document, const FSRef& application) {
    if (application.isNull() || !QFileInfo(application.path).isExecutable()) return kLSApplicationNotFound;
    // An absolute path, so the program never reads a name such as "-x" as an option.
    const QString path = QFileInfo(document.path).absoluteFilePath();
    return QProcess::startDetached(application.path, {path}) ? 0 : kLSApplicationNotFound;
}

qint32 LSOpenURLWithApplication(const QString& url, const FSRef& application) {
    if (url.isEmpty()) return 0;
    // Only a URL goes to the program: it begins with its scheme, never with an option's "-".
    const QUrl u = openableUrl(url);
    if (!u.isValid()) return -1;
    if (application.isNull() || !QFileInfo(application.path).isExecutable()) return kLSApplicationNotFound;
    return QProcess::startDetached(application.path, {u.toString(QUrl::FullyEncoded)})
               ? 0
               : kLSApplicationNotFound;
}

ATSURGBAlphaColor RGBColorToATSUColor(const RGBColor& c) {
    return ATSURGBAlphaColor{c.red / 65535.0f, c.green / 65535.0f, c.blue / 65535.0f, 1.0f};
}

RGBColor ATSUColorToRGBColor(const ATSURGBAlphaColor& c) {
    auto scale = [](float v) { return static_cast<quint16>(std::clamp(v, 0.0f, 1.0f) * 65535.0f); };
    return RGBColor{scale(c.red), scale(c.green), scale(c.blue)};
}

bool CompareRGBColor(const RGBColor& a, const RGBColor& b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

QString GetMemoryString(qint32 bytes) {
    if (bytes < 1024) return QString::number(bytes) + QLatin1Char('b');
    const qint32 kilo = bytes / 1024;
    if (kilo > 1024) return QString::number(kilo / 1024) + QLatin1Char('M');
    return QString::number(kilo) + QLatin1Char('k');
}

void WriteLog(const QString& s) {
    Diagnostics::line(s);
}

QIcon GetSystemIcon(quint32 type) {
    static const QHash<QString, QString> names{
        {QStringLiteral("fldr"), QStringLiteral("folder")},
        {QStringLiteral("trsh"), QStringLiteral("user-trash")},
        {QStringLiteral("docu"), QStringLiteral("text-x-generic")},
        {QStringLiteral("APPL"), QStringLiteral("application-x-executable")},
        {QStringLiteral("hdsk"), QStringLiteral("drive-harddisk")},
        {QStringLiteral("caut"), QStringLiteral("dialog-warning")},
        {QStringLiteral("note"), QStringLiteral("dialog-information")},
        {QStringLiteral("stop"), QStringLiteral("dialog-error")},
    };
    const QString name = names.value(FCCToString(type));
    if (name.isEmpty()) {
        Err = kNoSuchIcon;
        return QIcon();
    }
    Err = 0;
    return QIcon::fromTheme(name);
}

QIcon RetainIconRef(const QIcon& icon) {
    return icon;
}

QIcon LoadIconRef(const FSRef& file) {
    return LoadIconRef(file.path);
}

QIcon LoadIconRef(const QString& path) {
    return QFileInfo::exists(path) ? QIcon(path) : QIcon();
}

QIcon LoadIconFromResource(const QString& name) {
    return LoadIconRef(CFUtilities::CFBundleGetResourcePath(name));
}

QIcon LoadIconFromResource(const QString& name, const QString& folder) {
    return LoadIconRef(CFUtilities::CFBundleGetResourcePath(folder + QLatin1Char('/') + name));
}

QIcon RegisterIconRef(quint32, quint32, const QString& name, const QString& folder) {
    return LoadIconFromResource(name, folder);
}

void ReleasePtr(void*& p) {
    ToolboxAll::ReleasePtr(p);
}

void ReleaseHandle(void*& h) {
    ToolboxAll::ReleasePtr(h);
}

bool IsPointerAllocated(const void* p) {
    return validBlock(p);
}

bool IsObjectValid(const void* p) {
    return p != nullptr;
}

void* NewPtrCopy(const void* src, qint64 len) {
    if (!src || len < 0 || len > 0xffffffffLL) return nullptr;
    void* p = ToolboxAll::NewPtr(static_cast<quint32>(len));
    BlockMove(src, p, len);
    return p;
}

void* CloneObject(const void* p) {
    return validBlock(p) ? NewPtrCopy(p, ToolboxAll::GetPtrSize(p)) : nullptr;
}

void* CopyPointer(const void* p) {
    return CloneObject(p);
}

void* NewPtrCopyRange(const void* base, qint64 offset, qint64 length) {
    if (!base || offset < 0) return nullptr;
    if (validBlock(base)) length = std::min(length, ToolboxAll::GetPtrSize(base) - offset);
    if (length < 0) return nullptr;
    return NewPtrCopy(static_cast<const char*>(base) + offset, length);
}

void WriteByteRange(void* dst, const void* src, qint64 offset, qint64 len) {
    if (!dst || !src || len <= 0) return;
    const qint64 start = offset <= 1 ? 0 : offset;
    if (validBlock(dst)) len = std::min(len, ToolboxAll::GetPtrSize(dst) - start);
    BlockMove(src, static_cast<char*>(dst) + start, len);
}

void CopyByteRange(const void* src, qint64 offset, qint64 len, void* dst) {
    if (!dst || !src || len <= 0) return;
    const qint64 start = offset <= 1 ? 0 : offset;
    if (validBlock(src)) len = std::min(len, ToolboxAll::GetPtrSize(src) - start);
    BlockMove(static_cast<const char*>(src) + start, dst, len);
}

void SwapPointer(void*& p, qint64 len) {
    if (!p || validBlock(p)) return;
    p = NewPtrCopy(p, len);
}

std::u16string UStr(const QString& s) {
    return s.toStdU16String();
}

std::u16string CreateUnicodeString(const QString& s) {
    return s.toStdU16String();
}

std::u16string CreateUnicodeStringP(const QByteArray& s, quint32 encoding) {
    const bool latin = encoding == CFUtilities::kCFStringEncodingISOLatin1 ||
                       encoding == CFUtilities::kCFStringEncodingASCII;
    return (latin ? QString::fromLatin1(s) : QString::fromUtf8(s)).toStdU16String();
}

QString UStrP(const std::u16string& s) {
    return QString::fromStdU16String(s);
}

QString UnicodeStringToPascal(const std::u16string& s) {
    return UStrP(s);
}

bool FindProcessWithBundle(const FSRef& bundle, ProcessSerialNumber* psn) {
    if (bundle.isNull()) return false;
    const QString wanted = QFileInfo(bundle.path).canonicalFilePath();
    if (wanted.isEmpty()) return false; // a missing path would match every executable under "/"
    for (qint64 pid : runningPids()) {
        const QString exe = QFileInfo(procPath(pid, "exe")).symLinkTarget();
        if (!exe.isEmpty() && (exe == wanted || exe.startsWith(wanted + QLatin1Char('/')))) {
            if (psn) psn->pid = pid;
            return true;
        }
    }
    return false;
}

bool FindProcessWithName(const QString& name, ProcessSerialNumber* psn) {
    for (qint64 pid : runningPids()) {
        QFile comm(procPath(pid, "comm"));
        if (!comm.open(QIODevice::ReadOnly)) continue;
        if (QString::fromUtf8(comm.readAll()).trimmed() == name) {
            if (psn) psn->pid = pid;
            return true;
        }
    }
    return false;
}

ProcessSerialNumber FindProcessWithPID(qint64 pid) {
    return pid > 0 && QFileInfo::exists(procPath(pid, "")) ? ProcessSerialNumber{pid} : ProcessSerialNumber{};
}

ProcessSerialNumber GetCurrentProcess() {
    return ProcessSerialNumber{static_cast<qint64>(::getpid())};
}

bool CompareProcess(const ProcessSerialNumber& a, const ProcessSerialNumber& b) {
    return a.pid != 0 && a == b;
}

bool ProcessIsFront(const ProcessSerialNumber& psn) {
    return CompareProcess(psn, GetCurrentProcess()) &&
           qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
           QGuiApplication::applicationState() == Qt::ApplicationActive;
}

bool ProcessIsRunning(const ProcessSerialNumber& psn) {
    return psn.pid > 0 && QFileInfo::exists(procPath(psn.pid, ""));
}

bool ProcessIsBackground(const ProcessSerialNumber& psn) {
    QFile environ(procPath(psn.pid, "environ"));
    if (psn.pid <= 0 || !environ.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& entry : environ.readAll().split('\0'))
        if (entry.startsWith("DISPLAY=") || entry.startsWith("WAYLAND_DISPLAY=")) return false;
    return true;
}

bool ProcessIsHidden(const ProcessSerialNumber& psn) {
    if (!CompareProcess(psn, GetCurrentProcess()) ||
        !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    const QWindowList windows = QGuiApplication::topLevelWindows();
    return std::none_of(windows.begin(), windows.end(), [](QWindow* w) { return w->isVisible(); });
}

qint32 QuitProcess(const ProcessSerialNumber& psn) {
    if (!signallablePid(psn.pid) || ::kill(static_cast<pid_t>(psn.pid), SIGTERM) != 0)
        return kProcessNotFound;
    return 0;
}

qint32 ProcessHideOthers(const ProcessSerialNumber&) {
    return -4;
}

QString CopyProcessBundlePath(const ProcessSerialNumber& psn) {
    if (psn.pid <= 0) return QString();
    return QFileInfo(procPath(psn.pid, "exe")).symLinkTarget();
}

} // namespace CarbonUtilities
