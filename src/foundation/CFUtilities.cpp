#include "CFUtilities.h"

#include "platform/ApplicationInfo.h"
#include "platform/Diagnostics.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <limits>

namespace CFUtilities {

QString CFCopyLocalizedString(const QString& key) {
    return QCoreApplication::translate("Localizable", key.toUtf8().constData());
}

QString CFCopyLocalizedString(const QString& key, const QStringList& args) {
    const QString text = CFCopyLocalizedString(key);
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('^')) {
            result += text.at(i);
            continue;
        }
        qsizetype digits = 0;
        while (i + 1 + digits < text.size() && text.at(i + 1 + digits).isDigit()) ++digits;
        // The longest run of digits that names an argument: "^12" is the twelfth when there is one.
        for (; digits > 0; --digits) {
            bool ok = false;
            const qsizetype position = text.mid(i + 1, digits).toLongLong(&ok);
            if (ok && position >= 1 && position <= args.size()) {
                result += args.at(position - 1);
                i += digits;
                break;
            }
        }
        if (digits == 0) result += text.at(i);
    }
    return result;
}

QString CFStringAppendPathComponent(const QString& path, const QString& component) {
    if (path.isEmpty()) return component;
    if (component.isEmpty()) return path;
    QString result = path;
    if (!result.endsWith(QLatin1Char('/'))) result += QLatin1Char('/');
    QString tail = component;
    while (tail.startsWith(QLatin1Char('/'))) tail.remove(0, 1);
    return result + tail;
}

int CFStringFindAndReplace(QString& s, const QString& find, const QString& replacement) {
    if (find.isEmpty()) return 0;
    int count = 0;
    QString result;
    qsizetype from = 0;
    for (qsizetype at = s.indexOf(find); at >= 0; at = s.indexOf(find, from)) {
        result += QStringView(s).mid(from, at - from);
        result += replacement;
        from = at + find.size();
        ++count;
    }
    if (count == 0) return 0;
    result += QStringView(s).mid(from);
    s = result;
    return count;
}

bool CFStringFind(const QString& s, const QString& find) {
    return !find.isEmpty() && s.contains(find, Qt::CaseSensitive);
}

bool CFStringFind(const QString& s, const QStringList& finds) {
    for (const QString& find : finds)
        if (CFStringFind(s, find)) return true;
    return false;
}

QString CFStringCreateWithPascalString(const QString& s) {
    return s;
}

QString CFStringCreateFromNumber(const QVariant& number) {
    return number.toString();
}

QString CFStringCreateWithInteger(qint32 n) {
    return QString::number(n);
}

const QString& CFNStr(qint32 n) {
    return CFStr(QString::number(n));
}

bool CFStringIsLineEnding(const QString& s) {
    return s.isEmpty() || s.at(0) == QLatin1Char('\r') || s.at(0) == QLatin1Char('\n');
}

QChar CFStringGetLineEnding(const QString& s) {
    for (QChar c : s)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) return c;
    return QChar();
}

bool CFStringLineBreakOffset(const QString& s, qint64 index) {
    if (index < 0 || index >= s.size()) return false;
    const QChar c = s.at(index);
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

qint64 CFStringConstrainIndex(const QString& s, qint64& index) {
    index = s.isEmpty() ? 0 : std::clamp<qint64>(index, 0, s.size() - 1);
    return index;
}

CFRange CFStringGetRange(const QString& s) {
    return CFRange{0, s.size()};
}

bool CFStringCompare(const QString& a, const QString& b) {
    return !a.isNull() && !b.isNull() && a == b;
}

QString CFStringToPascalRange(const QString& s, const CFRange& range) {
    const CFRange r = CFRangeConstrain(range, static_cast<quint32>(s.size()));
    return s.mid(r.location, r.length);
}

QString CFStringToPascal(const QString& s) {
    return ToolboxAll::CFStringToPascal(s);
}

QString PCFStr(const QString& s) {
    return CFStringToPascal(s);
}

void CFStringAppendLine(QString& s, const QString& line) {
    s += line;
    s += QLatin1Char('\n');
}

void CFStringWriteln(QString& s, const QString& line) {
    CFStringAppendLine(s, line);
}

QByteArray CFStringCopyData(const QString& s) {
    return QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
}

std::u16string CFStringCopyUnicodeString(const QString& s) {
    return s.toStdU16String();
}

QByteArray CFStringCopyCString(const QString& s, quint32 encoding) {
    if (s.isEmpty()) return QByteArray();
    switch (encoding) {
    case kCFStringEncodingASCII:
    case kCFStringEncodingISOLatin1: {
        const ushort limit = encoding == kCFStringEncodingASCII ? 0x7f : 0xff;
        for (QChar c : s)
            if (c.unicode() > limit) return QByteArray();
        return s.toLatin1();
    }
    default:
        return s.toUtf8();
    }
}

CFRange CFDataGetRange(const QByteArray& d) {
    return CFRange{0, d.size()};
}

QByteArray CFDataCopyBytes(const QByteArray& d) {
    return d;
}

QByteArray CFDataCopyBytes(const QByteArray& d, const CFRange& range) {
    return CFDataCreateWithDataRange(d, range);
}

bool CFDataGetBytes(const QByteArray& d, void* buffer, qsizetype capacity) {
    if (!buffer || capacity <= 0) return d.isEmpty();
    const qsizetype n = std::min(d.size(), capacity);
    if (n > 0) std::memcpy(buffer, d.constData(), static_cast<size_t>(n));
    return n == d.size();
}

void CFDataAppendData(QByteArray& d, const QByteArray& more) {
    d.append(more);
}

QByteArray CFDataCreateWithDataRange(const QByteArray& d, const CFRange& range) {
    const CFRange r = CFRangeConstrain(range, static_cast<quint32>(d.size()));
    return d.mid(r.location, r.length);
}

bool CFDictionaryGetPointerValue(const QVariantMap& dictionary, const QString& key, void* buffer,
                                 qsizetype capacity) {
    auto it = dictionary.constFind(key);
    if (it == dictionary.constEnd()) return false;
    if (it.value().metaType().id() == QMetaType::VoidStar) {
        const void* pointer = it.value().value<void*>();
        return CFDataGetBytes(QByteArray(reinterpret_cast<const char*>(&pointer), sizeof pointer), buffer,
                              capacity);
    }
    return CFDataGetBytes(it.value().toByteArray(), buffer, capacity);
}

void CFDictionaryCreateIndexedCopy(const QVariantMap& dictionary, QVariantList* keys, QVariantList* values) {
    if (keys) keys->clear();
    if (values) values->clear();
    for (auto it = dictionary.constBegin(); it != dictionary.constEnd(); ++it) {
        if (keys) keys->append(it.key());
        if (values) values->append(it.value());
    }
}

qint32 CFNumberGetValue(const QVariant& number) {
    const qint64 n = number.toLongLong();
    return static_cast<qint32>(
        std::clamp<qint64>(n, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

QVariantList CFArrayCreateCopyFromSet(const QVariantList& set) {
    return set;
}

QVariantList CFSetCreateCopyFromArray(const QVariantList& array) {
    QVariantList set;
    CFSetAddArray(set, array);
    return set;
}

void CFSetAddArray(QVariantList& set, const QVariantList& array) {
    for (const QVariant& v : array)
        if (!set.contains(v)) set.append(v);
}

int CFArrayCompareAlphaOrder(const QVariant& a, const QVariant& b, void*) {
    if (a.metaType().id() != QMetaType::QString || b.metaType().id() != QMetaType::QString) return -1;
    const int c = QString::compare(a.toString(), b.toString());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool CFURLCompareCFURLRefs(const QUrl& a, const QUrl& b) {
    return CFStringCompare(a.toString(), b.toString());
}

QString CFBundleGetResourcePath(const QString& name) {
    return ApplicationInfo::resourcePath(name);
}

QString CFBundleCopyResourcePath(const QString& name) {
    return CFBundleGetResourcePath(name);
}

CFLimit CFLimitMake(qint64 minimum, qint64 maximum) {
    return CFLimit{minimum, maximum};
}

CFLimitFloat CFLimitFloatMake(double minimum, double maximum) {
    return CFLimitFloat{minimum, maximum};
}

bool CFLimitEmpty(const CFLimit& limit) {
    return limit.minimum == 0 && limit.maximum == 0;
}

bool CFLimitFloatEmpty(const CFLimitFloat& limit) {
    return limit.minimum == 0 && limit.maximum == 0;
}

bool CFRangeValidBounds(const CFRange& range, quint32 length) {
    if (range.location < 0 || range.length < 0) return false;
    qint64 end = 0;
    if (__builtin_add_overflow(range.location, range.length, &end)) return false;
    return end <= static_cast<qint64>(length);
}

CFRange CFRangeConstrain(const CFRange& range, quint32 length) {
    CFRange r = range;
    if (r.location < 0) r.location = 0;
    if (r.location > static_cast<qint64>(length)) r.location = length;
    if (r.length > static_cast<qint64>(length) - r.location)
        r.length = static_cast<qint64>(length) - r.location;
    if (r.length < 0) r.length = 0;
    return r;
}

bool CFRangeEmpty(const CFRange& range) {
    if (range.location < 1 && range.length < 1) return false;
    return range.length >= range.location;
}

void CFRangeShow(const CFRange& range) {
    Diagnostics::line(QString::number(range.location) + QStringLiteral(", ") + QString::number(range.length));
}

} // namespace CFUtilities
