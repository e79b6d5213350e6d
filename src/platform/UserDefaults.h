#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <functional>
#include <optional>

// The program's settings: registered defaults under one persistent domain of set values. A value set
// hides the registered default of its key until it is removed. The persistent domain is an XML
// property list, "defaults.plist" in $XDG_CONFIG_HOME/<application name>/, replaced atomically on
// every change, so a setting is on disk when the setter returns. A change is made to the file as it
// is then (under a lock file beside it), so instances sharing the file keep each other's settings;
// the values another instance wrote are taken in (and signalled) at this object's next change.
//
// changed(key) is emitted once for each key whose visible value changes (set, removed, registered,
// or the domain removed), after the change. Main thread only. A file that can't be read is moved
// aside to "defaults.plist.unreadable" (one line on stdout, Diagnostics::warning) and the domain
// starts empty; it is never overwritten.
class UserDefaults : public QObject {
    Q_OBJECT
public:
    // The defaults of this program, made on first use for the application name of that moment.
    static UserDefaults& standardUserDefaults();
    // Installs the defaults standardUserDefaults() answers (not owned; null: the real one again).
    static void setStandardUserDefaults(UserDefaults* defaults);
    // The file of the application's persistent domain.
    static QString defaultFilePath();

    explicit UserDefaults(const QString& filePath, QObject* parent = nullptr);

    QString filePath() const { return m_filePath; }

    // Registration domain: kept in memory only; later registrations replace earlier ones by key.
    void registerDefaults(const QVariantMap& defaults);
    QVariantMap registeredDefaults() const { return m_registered; }

    // The set value, else the registered one; invalid when neither.
    QVariant objectForKey(const QString& key) const;
    // Stores a property-list value (an invalid one removes the key), kept in the form it reads back
    // from the file (a QStringList as a list, a float as a double). False, with nothing changed,
    // for a value no property list can hold or when the file can't be written.
    bool setObjectForKey(const QVariant& value, const QString& key, QString* error = nullptr);
    bool removeObjectForKey(const QString& key, QString* error = nullptr);

    // Typed readers, converting as the platform's defaults do: numbers from numeric strings,
    // booleans from numbers and from "YES"/"true"/"1" texts; 0, false or empty otherwise.
    QString stringForKey(const QString& key) const;
    bool boolForKey(const QString& key) const;
    qint64 integerForKey(const QString& key) const;
    double doubleForKey(const QString& key) const;
    float floatForKey(const QString& key) const;
    QVariantList arrayForKey(const QString& key) const;
    QVariantMap dictionaryForKey(const QString& key) const;
    QByteArray dataForKey(const QString& key) const;
    QStringList stringArrayForKey(const QString& key) const; // empty unless every element is a string

    bool setBoolForKey(bool value, const QString& key) { return setObjectForKey(value, key); }
    bool setIntegerForKey(qint64 value, const QString& key) { return setObjectForKey(value, key); }
    bool setDoubleForKey(double value, const QString& key) { return setObjectForKey(value, key); }
    bool setFloatForKey(float value, const QString& key) { return setObjectForKey(double(value), key); }

    // The set values alone; removing the domain drops all of them and its file.
    QVariantMap persistentDomain() const { return m_values; }
    bool removePersistentDomain(QString* error = nullptr);
    // Every visible key and value: registered ones under set ones.
    QVariantMap dictionaryRepresentation() const;

    // Calls fn after each change of the key's visible value while context lives.
    QMetaObject::Connection observe(const QString& key, const QObject* context, std::function<void()> fn);

signals:
    void changed(const QString& key);

private:
    // Applies edit to the values on disk (another instance's changes kept), stores and signals.
    bool change(const std::function<void(QVariantMap&)>& edit, QString* error);
    bool save(const QVariantMap& values, QString* error);
    void emitChanges(const QVariantMap& before);
    // The values in the file (none without one); null when it can't be read, after moving it aside.
    std::optional<QVariantMap> readFile() const;

    QString m_filePath;
    QVariantMap m_registered;
    QVariantMap m_values;
};
