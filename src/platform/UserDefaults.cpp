#include "UserDefaults.h"

#include "AtomicFile.h"
#include "Diagnostics.h"
#include "PlistCodec.h"
#include "VariantKinds.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <cmath>
#include <limits>
#include <memory>

namespace {

UserDefaults* g_installed = nullptr;

bool textIsTrue(const QString& text) {
    const QString t = text.trimmed();
    return t.compare(QLatin1String("YES"), Qt::CaseInsensitive) == 0 ||
           t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || t.toLongLong() != 0;
}

// Equal and of the same kinds: a boolean is not the number 1, nor an integer the equal double.
bool sameValue(const QVariant& a, const QVariant& b) {
    if (a.metaType() != b.metaType()) return false;
    switch (a.metaType().id()) {
    case QMetaType::QVariantMap: {
        const QVariantMap x = a.toMap(), y = b.toMap();
        if (x.size() != y.size()) return false;
        for (auto i = x.begin(), j = y.begin(); i != x.end(); ++i, ++j)
            if (i.key() != j.key() || !sameValue(*i, *j)) return false;
        return true;
    }
    case QMetaType::QVariantList: {
        const QVariantList x = a.toList(), y = b.toList();
        if (x.size() != y.size()) return false;
        for (qsizetype i = 0; i < x.size(); ++i)
            if (!sameValue(x[i], y[i])) return false;
        return true;
    }
    default:
        return a == b;
    }
}

// Cut toward zero and held to the range (no NaN or overflow reaches the cast).
qint64 toInteger(double d) {
    if (std::isnan(d)) return 0;
    if (d >= 9223372036854775807.0) return std::numeric_limits<qint64>::max();
    if (d <= -9223372036854775808.0) return std::numeric_limits<qint64>::min();
    return qint64(d);
}

bool sameValues(const QVariantMap& a, const QVariantMap& b) {
    return sameValue(QVariant(a), QVariant(b));
}

} // namespace

UserDefaults& UserDefaults::standardUserDefaults() {
    if (g_installed) return *g_installed;
    static std::unique_ptr<UserDefaults> real;
    if (!real) real = std::make_unique<UserDefaults>(defaultFilePath());
    return *real;
}

void UserDefaults::setStandardUserDefaults(UserDefaults* defaults) {
    g_installed = defaults;
}

QString UserDefaults::defaultFilePath() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config + QLatin1Char('/') + QCoreApplication::applicationName() +
           QStringLiteral("/defaults.plist");
}

UserDefaults::UserDefaults(const QString& filePath, QObject* parent) : QObject(parent), m_filePath(filePath) {
    m_values = readFile().value_or(QVariantMap());
}

std::optional<QVariantMap> UserDefaults::readFile() const {
    QFile file(m_filePath);
    if (!file.exists()) return QVariantMap();
    QString why;
    QVariant root;
    if (file.open(QIODevice::ReadOnly))
        root = PlistCodec::decode(file.readAll(), &why);
    else
        why = file.errorString();
    file.close();
    if (root.metaType().id() == QMetaType::QVariantMap) return root.toMap();
    const QString aside = m_filePath + QStringLiteral(".unreadable");
    QFile::remove(aside);
    QFile::rename(m_filePath, aside);
    Diagnostics::warning(
        QStringLiteral("the defaults in %1 could not be read (%2); kept as %3")
            .arg(m_filePath, why.isEmpty() ? QStringLiteral("not a dictionary") : why, aside));
    return std::nullopt;
}

bool UserDefaults::save(const QVariantMap& values, QString* error) {
    if (values.isEmpty()) {
        if (!QFileInfo::exists(m_filePath) || QFile::remove(m_filePath)) return true;
        if (error) *error = QStringLiteral("the defaults file could not be removed");
        return false;
    }
    QByteArray bytes;
    if (!PlistCodec::encode(values, &bytes, PlistCodec::Format::Xml, error)) return false;
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    return AtomicFile::write(m_filePath, bytes, error);
}

void UserDefaults::emitChanges(const QVariantMap& before) {
    const QVariantMap after = dictionaryRepresentation();
    QStringList keys = before.keys() + after.keys();
    keys.removeDuplicates();
    for (const QString& key : keys)
        if (before.contains(key) != after.contains(key) || !sameValue(before.value(key), after.value(key)))
            emit changed(key);
}

void UserDefaults::registerDefaults(const QVariantMap& defaults) {
    const QVariantMap before = dictionaryRepresentation();
    for (auto it = defaults.begin(); it != defaults.end(); ++it) m_registered.insert(it.key(), it.value());
    emitChanges(before);
}

QVariant UserDefaults::objectForKey(const QString& key) const {
    const auto it = m_values.find(key);
    if (it != m_values.end()) return *it;
    return m_registered.value(key);
}

bool UserDefaults::setObjectForKey(const QVariant& value, const QString& key, QString* error) {
    if (!value.isValid()) return removeObjectForKey(key, error);
    // Kept as it reads back from the file, so a value reads the same before and after a restart.
    QByteArray bytes;
    if (!PlistCodec::isPropertyListValue(value) ||
        !PlistCodec::encode(value, &bytes, PlistCodec::Format::Xml, error)) {
        if (error) *error = QStringLiteral("not a property-list value");
        return false;
    }
    const QVariant stored = PlistCodec::decode(bytes);
    return change([&](QVariantMap& values) { values.insert(key, stored); }, error);
}

bool UserDefaults::removeObjectForKey(const QString& key, QString* error) {
    return change([&](QVariantMap& values) { values.remove(key); }, error);
}

bool UserDefaults::removePersistentDomain(QString* error) {
    return change([](QVariantMap& values) { values.clear(); }, error);
}

bool UserDefaults::change(const std::function<void(QVariantMap&)>& edit, QString* error) {
    // Another instance may have written the file meanwhile: the edit applies to what is there.
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QLockFile lock(m_filePath + QStringLiteral(".lock"));
    lock.setStaleLockTime(10000);
    lock.tryLock(5000); // without the lock (a stuck peer, a read-only folder) the change goes on
    QVariantMap values = readFile().value_or(m_values);
    const QVariantMap current = values;
    edit(values);
    if (!sameValues(values, current) && !save(values, error)) return false;
    const QVariantMap before = dictionaryRepresentation();
    m_values = values;
    // Observers may change the defaults in turn: the file is free again before they hear of it.
    lock.unlock();
    emitChanges(before);
    return true;
}

QVariantMap UserDefaults::dictionaryRepresentation() const {
    QVariantMap all = m_registered;
    for (auto it = m_values.begin(); it != m_values.end(); ++it) all.insert(it.key(), it.value());
    return all;
}

QString UserDefaults::stringForKey(const QString& key) const {
    const QVariant v = objectForKey(key);
    if (v.metaType().id() == QMetaType::QString || VariantKinds::isNumber(v)) return v.toString();
    return QString();
}

bool UserDefaults::boolForKey(const QString& key) const {
    const QVariant v = objectForKey(key);
    if (v.metaType().id() == QMetaType::Bool) return v.toBool();
    if (VariantKinds::isNumber(v)) return v.toDouble() != 0;
    if (v.metaType().id() == QMetaType::QString) return textIsTrue(v.toString());
    return false;
}

qint64 UserDefaults::integerForKey(const QString& key) const {
    const QVariant v = objectForKey(key);
    if (v.metaType().id() == QMetaType::Bool || VariantKinds::isInteger(v)) return v.toLongLong();
    if (VariantKinds::isReal(v)) return toInteger(v.toDouble());
    if (v.metaType().id() == QMetaType::QString) return toInteger(v.toString().trimmed().toDouble());
    return 0;
}

double UserDefaults::doubleForKey(const QString& key) const {
    const QVariant v = objectForKey(key);
    if (v.metaType().id() == QMetaType::Bool || VariantKinds::isNumber(v)) return v.toDouble();
    if (v.metaType().id() == QMetaType::QString) return v.toString().trimmed().toDouble();
    return 0;
}

float UserDefaults::floatForKey(const QString& key) const {
    return float(doubleForKey(key));
}

QVariantList UserDefaults::arrayForKey(const QString& key) const {
    const QVariant v = objectForKey(key);
    return v.metaType().id() == QMetaType::QVariantList ? v.toList() : QVariantList();
}

QVariantMap UserDefaults::dictionaryForKey(const QString& key) const {
    const QVariant v = objectForKey(key);
    return v.metaType().id() == QMetaType::QVariantMap ? v.toMap() : QVariantMap();
}

QByteArray UserDefaults::dataForKey(const QString& key) const {
    const QVariant v = objectForKey(key);
    return v.metaType().id() == QMetaType::QByteArray ? v.toByteArray() : QByteArray();
}

QStringList UserDefaults::stringArrayForKey(const QString& key) const {
    QStringList strings;
    for (const QVariant& v : arrayForKey(key)) {
        if (v.metaType().id() != QMetaType::QString) return {};
        strings.append(v.toString());
    }
    return strings;
}

QMetaObject::Connection UserDefaults::observe(const QString& key, const QObject* context,
                                              std::function<void()> fn) {
    return connect(this, &UserDefaults::changed, context,
                   [key, fn = std::move(fn)](const QString& changedKey) {
                       if (changedKey == key) fn();
                   });
}
