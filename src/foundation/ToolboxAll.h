#pragma once

#include <QString>
#include <QtGlobal>
#include <random>

// Memory, string, number and clock shims used across the object foundation.
namespace ToolboxAll {

void BlockZero(void* p, qint64 len);
// Copies len bytes; the blocks may overlap.
void BlockMove(const void* src, void* dst, qint64 len);

// The one shared string of that text for the life of the process: equal texts give the same object.
const QString& CFStr(const QString& s);
// Text stays whole (no 255-character cut).
QString CFStringToPascal(const QString& s);

QString NStr(qint32 n);
// The decimal number in the text; 0 (and ok false) for text that is not one.
qint32 StrN(const QString& s, bool* ok = nullptr);

// Time of day in microseconds, kept to 32 bits (it wraps); Ticks are 1/30 s of it.
quint32 Microseconds();
quint32 Ticks();

// Heap blocks whose size can be asked. Only blocks made here count as valid.
void* NewPtr(quint32 size);
qint64 GetPtrSize(const void* p); // -1 for a block not made by NewPtr
bool IsPointerValid(const void* p);
void DisposePtr(void* p); // ignores blocks not made by NewPtr
void ReleasePtr(void*& p);

// The random generator: seeded from the clock at start, or with a fixed seed for tests.
std::mt19937& RandomEngine();
void Randomize();
void SeedRandom(quint32 seed);

} // namespace ToolboxAll
