#pragma once

#include "CFUtilities.h"
#include "ToolboxAll.h"
#include "platform/CoreTypes.h"

#include <QIcon>
#include <QString>
#include <string>
#include <sys/types.h>

// Four-character codes, bounded random numbers, system version, opening URLs and documents,
// processes (over /proc), colours, icons and heap blocks.
namespace CarbonUtilities {

// The last result code of GetSystemIcon.
inline qint32 Err = 0;

using ToolboxAll::BlockMove;
using ToolboxAll::BlockZero;
using ToolboxAll::CFStr;
using ToolboxAll::NStr;
using ToolboxAll::StrN;

// Codes: the first character in the most significant byte; longer text uses its first four.
quint32 FCCToInteger(const QString& s);
quint32 FCC(const QString& s);
QString FCCToString(quint32 code);

// Uniform over low .. high inclusive (the bounds in either order), from ToolboxAll's engine.
qint32 GetRandomNumber(qint32 low, qint32 high);

double StringToFloat(const QString& s); // 0 for empty or bad text
float RoundDown(float x);               // the nearest multiple of 0.5
bool FloatEquals(double a, double b, double tolerance);
qint32 StringToNumber(const QString& s);

// System version of the running kernel, by selector 'sys1' (major), 'sys2' (minor), 'sys3' (patch).
// Returns 0, or -5551 (unknown selector).
qint32 Gestalt(quint32 selector, qint32* response);
qint32 MacOSVersion();
qint32 MacOSVersion(qint16 a, qint16 b);
qint32 MacOSFullVersion();

// Opening: 0, -1 when no URL can be made of the text, -10814 when nothing could open it.
qint32 LSOpenURL(const QString& url);
qint32 LSGetLoginItemFSRef(const QString& name, FSRef* ref); // -43 without an application folder
qint32 LSOpenWithApplication(const FSRef& document, const FSRef& application);
qint32 LSOpenURLWithApplication(const QString& url, const FSRef& application);

struct RGBColor {
    quint16 red = 0;
    quint16 green = 0;
    quint16 blue = 0;
};
ATSURGBAlphaColor RGBColorToATSUColor(const RGBColor& c); // alpha 1
RGBColor ATSUColorToRGBColor(const ATSURGBAlphaColor& c);
bool CompareRGBColor(const RGBColor& a, const RGBColor& b);
QString GetMemoryString(qint32 bytes);
void WriteLog(const QString& s);

// Icons from the icon theme by type code ('fldr', 'trsh', 'docu', 'APPL'...); null and Err -2580
// for an unknown type.
QIcon GetSystemIcon(quint32 type);
QIcon RetainIconRef(const QIcon& icon);
QIcon LoadIconRef(const FSRef& file);
QIcon LoadIconRef(const QString& path);
QIcon LoadIconFromResource(const QString& name);
QIcon LoadIconFromResource(const QString& name, const QString& folder);
QIcon RegisterIconRef(quint32 creator, quint32 type, const QString& name, const QString& folder);

// Heap blocks (ToolboxAll::NewPtr): only blocks made there are valid.
void ReleasePtr(void*& p);
void ReleaseHandle(void*& h);
bool IsPointerAllocated(const void* p);
bool IsObjectValid(const void* p);
void* NewPtrCopy(const void* src, qint64 len);
void* CloneObject(const void* p);
void* CopyPointer(const void* p);
void* NewPtrCopyRange(const void* base, qint64 offset, qint64 length);
// Offsets 0 and 1 both mean the start of the block.
void WriteByteRange(void* dst, const void* src, qint64 offset, qint64 len);
void CopyByteRange(const void* src, qint64 offset, qint64 len, void* dst);
void SwapPointer(void*& p, qint64 len);

std::u16string UStr(const QString& s);
std::u16string CreateUnicodeString(const QString& s);
std::u16string CreateUnicodeStringP(const QByteArray& s, quint32 encoding);
QString UStrP(const std::u16string& s);
QString UnicodeStringToPascal(const std::u16string& s);
using CFUtilities::CFDataGetRange;

// Processes by their id; a zero id means "no process".
struct ProcessSerialNumber {
    qint64 pid = 0;
    friend bool operator==(const ProcessSerialNumber&, const ProcessSerialNumber&) = default;
};
bool FindProcessWithBundle(const FSRef& bundle, ProcessSerialNumber* psn); // by executable path
bool FindProcessWithName(const QString& name, ProcessSerialNumber* psn);
ProcessSerialNumber FindProcessWithPID(qint64 pid);
ProcessSerialNumber GetCurrentProcess();
bool CompareProcess(const ProcessSerialNumber& a, const ProcessSerialNumber& b);
bool ProcessIsFront(const ProcessSerialNumber& psn); // this process while it is the active one
bool ProcessIsRunning(const ProcessSerialNumber& psn);
bool ProcessIsBackground(const ProcessSerialNumber& psn); // no display in its environment
bool ProcessIsHidden(const ProcessSerialNumber& psn);     // this process with no visible window
qint32 QuitProcess(const ProcessSerialNumber& psn);       // asks it to terminate; 0 or -600
qint32 ProcessHideOthers(const ProcessSerialNumber& psn); // -4: no such service on this desktop
QString CopyProcessBundlePath(const ProcessSerialNumber& psn);

} // namespace CarbonUtilities
