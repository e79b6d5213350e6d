#pragma once

#include <QRectF>
#include <QSet>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <utility>

class TArchiver;
class TTreeNode;
struct TObjectClassInfo;
using TObjectClass = const TObjectClassInfo*;

// The keys of an object's archive that this version does not read, so that data written by a newer
// version survives a load and save here, and the numbers of the known keys as they were stored.
// Nothing that holds nested archives (rows, tabs) is kept unless it could not be read.
class KeptArchiveKeys {
public:
    // Keeps every key of the archive that is not among the known ones.
    void take(const TArchiver* archiver, const QSet<QString>& known);
    // The same with the keys objects of the class read, gathered by addKeys at the class's first
    // object and remembered (main thread only).
    void take(const TArchiver* archiver, TObjectClass objectClass,
              const std::function<void(QSet<QString>& keys)>& addKeys);
    // Writes the kept keys back (before the object writes its own).
    void restore(TArchiver* archiver) const;
    bool isEmpty() const { return m_unknown.isEmpty(); }
    // Keeps a known key whose value could not be read (an object of a class this version lacks), so
    // restore writes it back as it was.
    void keep(const TArchiver* archiver, const QString& key);
    bool keeps(const QString& key) const { return m_unknown.contains(key); }
    // Writes a real as the archive held it when it still reads as the same float, so an unchanged
    // value is written back exactly; otherwise the float. unit: the value is held clamped to 0..1,
    // so a stored value beyond that reads as its clamped one.
    void writeReal(TArchiver* archiver, const QString& key, double value, bool unit = false) const;
    // Writes a date as the archive held it (a binary list's date finer than a millisecond) when it
    // still reads as the same date; otherwise the date.
    void writeDate(TArchiver* archiver, const QString& key, const QDateTime& value) const;
    void writeRect(TArchiver* archiver, const QString& key, const QRectF& rect) const;
    void writeSize(TArchiver* archiver, const QString& key, const QSizeF& size) const;

private:
    // known: sorted as the archive's keys are.
    void takeSorted(const TArchiver* archiver, const QStringList& known);
    QVariant storedValue(const QString& key) const;

    // The unknown keys' values and the known keys' numbers and dates, in key order: a row keeps a
    // few, and a list costs one allocation where a map costs one per key.
    QList<std::pair<QString, QVariant>> m_values;
    QStringList m_unknown;
};

// Takes the decoded children of the node that are not of the class out again, each with a warning:
// a card's tabs are cards and a row's children rows, and callers rely on it.
void DropChildrenNotOf(TTreeNode* node, TObjectClass cls);

// A new identity: an upper-case UUID string.
QString NewUUIDString();

// Enters every archivable class of the model (and of the foundation) in the class registry.
void RegisterModelClasses();
