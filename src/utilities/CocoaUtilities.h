#pragma once

#include "foundation/CarbonUtilities.h"
#include "platform/CoreTypes.h"

#include <QObject>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QTextOption>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <stdexcept>

class QPainter;

// Small routines at the border between the program's own code and the platform: fatal states,
// localisation with numbered placeholders, diagnostics, boxing of plain values, file references and
// the (empty) autorelease-pool routines.
namespace CocoaUtilities {

// What Fatal raises.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fatal(const QString& message);
void Fatal(bool condition, const QString& message); // raises only when condition holds

struct NSRange {
    quint64 location = 0;
    quint64 length = 0;
    friend bool operator==(const NSRange&, const NSRange&) = default;
};
NSRange NSRangeConstrain(const NSRange& range, quint64 maximum);

// The translation of the key; the key itself without one.
QString NSLocalizedString(const QString& key);
// Then each non-null argument i (from the first) replaces every "^<i+1>" in turn, so an argument
// holding "^2" is replaced again by the second. "^1" is not taken out of "^10". A null argument
// leaves its placeholder.
QString NSLocalizedString(const QString& key, const QStringList& arguments);

// Developer lines, logged as Diagnostics::line does.
void NSLog(const QString& message);
void NSShow(const QVariant& object); // its description
void NSShow(const NSRange& range);   // "location: 3, length: 5"

QVariant NSNum(qint32 value);
QVariant NSNum(float value); // widened to double, the property-list real
QVariant NSNum(double value);
QVariant NSNum(bool value);
QVariant NSNum(quint64 value);

// One element of an argument list of mixed kinds: 0 integer, 2 character, 4 short string,
// 6 character pointer, 11 string.
struct TVarRec {
    qint32 kind = 0;
    QVariant value;
};
// An invalid value, and the line "VarRecToNSObj: got undefined type of <kind>" on stdout, for any
// other kind.
QVariant VarRecToNSObj(const TVarRec& element);
QVariantList NSArr(const QList<TVarRec>& elements); // elements that convert to nothing are left out
// Alternating keys and values; an odd last key, and pairs with a part that converts to nothing,
// are dropped.
QVariantMap NSDict(const QList<TVarRec>& elements);

// File references (see FSUtilities).
QString FSCopyPath(const FSRef& ref);
bool FSConformsToUTIdentifier(const FSRef& ref, const QString& identifier);
FSRef FSGetPathRef(const QString& path);
QString FSCopyName(const FSRef& ref);

// Autorelease pools here come from the event loop (platform/AutoreleasePool.h): these do nothing.
inline void* GlobalPool = nullptr;
inline qint32 GlobalPoolDepth = 0;
void OpenPool();
void ClosePool();
void OpenPool(void*& pool); // sets the variable to null
void ClosePool(void*& pool);
bool IsPoolOpen();

} // namespace CocoaUtilities

namespace GraphicsContextUtilities {
// Mirrors the painter's coordinates top to bottom within rect; the caller saves and restores.
QPainter* flippedContext(QPainter* painter, const QRectF& rect);
} // namespace GraphicsContextUtilities

namespace ParagraphStyleUtilities {
QTextOption paragraphWithAlignment(Qt::Alignment alignment);
}

// The running program.
namespace ApplicationUtilities {
QString name();
QString sharedSupportFolder();
QString libraryFolder();
// The application delegate the shell installs (not owned); null before.
QObject* controller();
void setController(QObject* controller);
bool isSandboxed();
// Hands the files to this program's own open-files handler, through the workspace.
void openFiles(const QStringList& paths);
void openFile(const QString& path);
} // namespace ApplicationUtilities

namespace RunningApplicationUtilities {
QString bundlePath(qint64 pid); // the program's executable; null when unknown
CarbonUtilities::ProcessSerialNumber process(qint64 pid);
} // namespace RunningApplicationUtilities
