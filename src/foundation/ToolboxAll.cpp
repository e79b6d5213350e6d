#include "ToolboxAll.h"

#include <QDateTime>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sys/time.h>
#include <unordered_map>

namespace ToolboxAll {

namespace {

std::unordered_map<const void*, quint32>& liveBlocks() {
    static std::unordered_map<const void*, quint32> blocks;
    return blocks;
}

} // namespace

void BlockZero(void* p, qint64 len) {
    if (p && len > 0) std::memset(p, 0, static_cast<size_t>(len));
}

void BlockMove(const void* src, void* dst, qint64 len) {
    if (src && dst && len > 0) std::memmove(dst, src, static_cast<size_t>(len));
}

const QString& CFStr(const QString& s) {
    static std::set<QString> strings;
    return *strings.insert(s).first;
}

QString CFStringToPascal(const QString& s) {
    return s;
}

QString NStr(qint32 n) {
    return QString::number(n);
}

qint32 StrN(const QString& s, bool* ok) {
    bool parsed = false;
    const qint32 n = s.trimmed().toInt(&parsed);
    if (ok) *ok = parsed;
    return parsed ? n : 0;
}

quint32 Microseconds() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    return static_cast<quint32>(static_cast<quint64>(tv.tv_sec) * 1000000u +
                                static_cast<quint64>(tv.tv_usec));
}

quint32 Ticks() {
    return Microseconds() / 33333u;
}

void* NewPtr(quint32 size) {
    void* p = std::calloc(size ? size : 1, 1);
    if (p) liveBlocks()[p] = size;
    return p;
}

qint64 GetPtrSize(const void* p) {
    auto it = liveBlocks().find(p);
    return it == liveBlocks().end() ? -1 : it->second;
}

bool IsPointerValid(const void* p) {
    return p && liveBlocks().count(p) > 0;
}

void DisposePtr(void* p) {
    if (!IsPointerValid(p)) return;
    liveBlocks().erase(p);
    std::free(p);
}

void ReleasePtr(void*& p) {
    DisposePtr(p);
    p = nullptr;
}

std::mt19937& RandomEngine() {
    static std::mt19937 engine(
        static_cast<quint32>(std::chrono::steady_clock::now().time_since_epoch().count()));
    return engine;
}

void Randomize() {
    RandomEngine().seed(static_cast<quint32>(QDateTime::currentMSecsSinceEpoch()));
}

void SeedRandom(quint32 seed) {
    RandomEngine().seed(seed);
}

} // namespace ToolboxAll
