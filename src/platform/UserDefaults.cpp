#include "UserDefaults.h"

#include "AtomicFile.h"
#include "Diagnostics.h"
#include "PlistCodec.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <memory>

namespace {

UserDefaults* g_installed = nullptr;

bool textIsTrue(const QString& text) {
    const QString t = text.trimmed();
    return t.compare(QLatin1String("YES"), Qt::CaseInsensitive) == 0 ||
           t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || t.toLongLong() != 0;
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
    load();
}

void UserDefaults::load() {
    QFile file(m_filePath);
    if (!file.exists()) return;
    QString why;
    QVariant root;
    if (file.open(QIODevice::ReadOnly))
        root = PlistCodec::decode(file.readAll(), &why);
    else
        why = file.errorString();
    file.close();
    if (root.metaType().id() == QMetaType::QVariantMap) {
        m_values = root.toMap();
        return;
    }
    const QString aside = m_filePath + QStringLiteral(".unreadable");
    QFile::remove(aside);
    QFile::rename(m_filePath, aside);
    Diagnostics::warning(
        QStringLiteral("the defaults in %1 could not be read (%2); kept as %3")
            .arg(m_filePath, why.isEmpty() ? QStringLiteral("not a dictionary") : why, aside));
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
        if (before.value(key) != after.value(key) || before.contains(key) != after.contains(key))
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
    if (!PlistCodec::isPropertyListValue(value)) {
        if (error) *error = QStringLiteral("not a property-list value");
        return false;
    }
    if (m_values.contains(key) && m_values.value(key) == value) return true;
    QVariantMap values = m_values;
    values.insert(key, value);
    if (!save(values, error)) return false;
    const QVariantMap before = dictionaryRepresentation();
    m_values = values;
    emitChanges(before);
    return true;
}

bool UserDefaults::removeObjectForKey(const QString& key, QString* error) {
    if (!m_values.contains(key)) return true;
    QVariantMap values = m_values;
    values.remove(key);
    if (!save(values, error)) return false;
    const QVariantMap before = dictionaryRepresentation();
    m_values = values;
    emitChanges(before);
    return true;
}

bool UserDefaults::removePersistentDomain(QString* error) {
    if (!save({}, error)) return false;
    const QVariantMap before = dictionaryRepresentation();
    m_values.clear();
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
    switch (v.metaType().id()) {
    case QMetaType::QString:
        return v.toString();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
        return v.toString();
    default:
        return QString();
    }
}

bool UserDefaults::boolForKey(const QString& key) const {
    const QVariant v = objectForKey(key);
    switch (v.metaType().id()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
        return v.toDouble() != 0;
    case QMetaType::QString:
        return textIsTrue(v.toString());
    default:
        return false;
    }
}

qint64 UserDefaults::integerForKey(const QString& key) const {
    const QVariant v = objectForKey(key);
    switch (v.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::LongLong:
        return v.toLongLong();
    case QMetaType::Double:
        return qint64(v.toDouble());
    case QMetaType::QString:
        return qint64(v.toString().trimmed().toDouble());
    default:
        return 0;
    }
}

double UserDefaults::doubleForKey(const QString& key) const {
    const QVariant v = objectForKey(key);
    switch (v.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
        return v.toDouble();
    case QMetaType::QString:
        return v.toString().trimmed().toDouble();
    default:
        return 0;
    }
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
