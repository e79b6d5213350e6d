#define PCRE2_CODE_UNIT_WIDTH 8
#include "PCRERegex.h"

#include "platform/Diagnostics.h"

#include <QMutex>
#include <algorithm>
#include <pcre2.h>

static_assert(TPCRERegex::kDefaultOptions == (PCRE2_CASELESS | PCRE2_UTF));

namespace {

QString pcreMessage(int code) {
    PCRE2_UCHAR buffer[256];
    const int length = pcre2_get_error_message(code, buffer, sizeof buffer);
    return length < 0
               ? QString::number(code)
               : QString::fromUtf8(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(length));
}

} // namespace

TPCRERegex* TPCRERegex::Create(const QString& pattern) {
    TPCRERegex* regex = Allocate();
    regex->m_expression = pattern;
    regex->Initialize();
    return regex;
}

TPCRERegex* TPCRERegex::Create(const QString& pattern, const QString& subject) {
    TPCRERegex* regex = Create(pattern);
    regex->SetSubject(subject);
    return regex;
}

void TPCRERegex::Initialize() {
    TObject::Initialize();
    m_options = kDefaultOptions;
    m_encoding = CFUtilities::kCFStringEncodingUTF8;
    SetExpression(m_expression);
}

void TPCRERegex::Deallocate() {
    ReleaseExpression();
    ReleaseSubject();
    if (m_matchData) pcre2_match_data_free(m_matchData);
    m_matchData = nullptr;
    TObject::Deallocate();
}

void TPCRERegex::SetExpression(const QString& pattern) {
    m_expression = pattern;
    ReleaseExpression();
    const QByteArray bytes = pattern.toUtf8();
    int error = 0;
    PCRE2_SIZE offset = 0;
    m_code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(bytes.constData()),
                           static_cast<PCRE2_SIZE>(bytes.size()), m_options, &error, &offset, nullptr);
    if (!m_code)
        Diagnostics::warning(QStringLiteral("PCRE failed: ") + pattern + QStringLiteral(" (") +
                             pcreMessage(error) + QStringLiteral(")"));
}

void TPCRERegex::SetSubject(const QString& subject) {
    if (m_hasSubject || subject.isNull()) return;
    QByteArray text;
    if (!subject.isEmpty()) {
        text = CFUtilities::CFStringCopyCString(subject, m_encoding);
        if (text.isNull()) {
            Diagnostics::warning(QStringLiteral("PCRE failed to copy subject string."));
            return;
        }
    }
    m_subject = subject;
    m_subjectText = text;
    m_hasSubject = true;
}

void TPCRERegex::Study() {
    if (m_code && !m_studied) {
        pcre2_jit_compile(m_code, PCRE2_JIT_COMPLETE); // without JIT support the interpreter runs
        m_studied = true;
    }
}

void TPCRERegex::AllocateVectors() {
    if (!m_code) return;
    quint32 groups = 0;
    pcre2_pattern_info(m_code, PCRE2_INFO_CAPTURECOUNT, &groups);
    if (m_matchData && pcre2_get_ovector_count(m_matchData) > groups) return;
    if (m_matchData) pcre2_match_data_free(m_matchData);
    m_matchData = pcre2_match_data_create_from_pattern(m_code, nullptr);
}

void TPCRERegex::ReleaseExpression() {
    if (m_code) pcre2_code_free(m_code);
    m_code = nullptr;
    m_studied = false;
}

void TPCRERegex::ReleaseSubject() {
    m_subject = QString();
    m_subjectText = QByteArray();
    m_hasSubject = false;
}

void TPCRERegex::ShowVectors(qint16 count) {
    QString line = QStringLiteral("matches: ");
    if (m_matchData) {
        const PCRE2_SIZE* vector = pcre2_get_ovector_pointer(m_matchData);
        const quint32 pairs =
            std::min<quint32>(std::max<qint16>(count, 0), pcre2_get_ovector_count(m_matchData));
        for (quint32 i = 0; i < 2 * pairs; ++i)
            line += (vector[i] == PCRE2_UNSET ? QStringLiteral("-1") : QString::number(vector[i])) +
                    QLatin1Char(' ');
    }
    Diagnostics::line(line.trimmed());
}

bool TPCRERegex::Match() {
    m_keepSubject = true;
    const bool matched = MatchWithSubject(m_subject);
    m_keepSubject = false;
    return matched;
}

bool TPCRERegex::Match(PCREMatchesArray& matches) {
    m_keepSubject = true;
    const bool matched = MatchWithSubject(m_subject, matches);
    m_keepSubject = false;
    return matched;
}

bool TPCRERegex::Match(const QString& pattern, const QString& subject) {
    m_keepSubject = false;
    SetExpression(pattern);
    return MatchWithSubject(subject);
}

bool TPCRERegex::Match(const QString& pattern, const QString& subject, PCREMatchesArray& matches) {
    m_keepSubject = false;
    SetExpression(pattern);
    return MatchWithSubject(subject, matches);
}

// A compiled pattern, the subject in place and vectors made; false when one is missing.
bool TPCRERegex::Prepare(const QString& subject) {
    if (!m_code) return false;
    if (!m_keepSubject) ReleaseSubject();
    SetSubject(subject);
    if (!m_hasSubject) return false;
    AllocateVectors();
    return m_matchData != nullptr;
}

qint64 TPCRERegex::CharacterOffset(quint64 byteOffset) const {
    if (m_encoding != CFUtilities::kCFStringEncodingUTF8 &&
        m_encoding != CFUtilities::kCFStringEncodingMacRoman)
        return static_cast<qint64>(byteOffset); // one byte per character
    return QString::fromUtf8(m_subjectText.constData(), static_cast<qsizetype>(byteOffset)).size();
}

bool TPCRERegex::MatchWithSubject(const QString& subject) {
    if (!Prepare(subject)) return false;
    const int result = pcre2_match(m_code, reinterpret_cast<PCRE2_SPTR>(m_subjectText.constData()),
                                   static_cast<PCRE2_SIZE>(m_subjectText.size()), 0, 0, m_matchData, nullptr);
    if (result < 0 && result != PCRE2_ERROR_NOMATCH)
        Diagnostics::warning(QStringLiteral("PCRE failed to match: ") + pcreMessage(result));
    return result >= 0;
}

bool TPCRERegex::MatchWithSubject(const QString& subject, PCREMatchesArray& matches) {
    if (!Prepare(subject)) return false;
    matches.resize(1);
    const int result = pcre2_match(m_code, reinterpret_cast<PCRE2_SPTR>(m_subjectText.constData()),
                                   static_cast<PCRE2_SIZE>(m_subjectText.size()), 0, 0, m_matchData, nullptr);
    if (result < 0 && result != PCRE2_ERROR_NOMATCH)
        Diagnostics::warning(QStringLiteral("PCRE failed to match: ") + pcreMessage(result));
    const PCRE2_SIZE* vector = pcre2_get_ovector_pointer(m_matchData);
    for (int group = 1; group < result; ++group) {
        const PCRE2_SIZE start = vector[2 * group];
        const PCRE2_SIZE end = vector[2 * group + 1];
        if (start == PCRE2_UNSET || end < start) continue; // a group that took no part
        const qint64 location = CharacterOffset(start);
        const qint64 length = CharacterOffset(end) - location;
        matches.push_back({m_subject.mid(location, length), CFRange{location, length}, QString()});
    }
    return result > 0;
}

// --- unit routines ---------------------------------------------------------------------------------

namespace PCRERegex {
namespace {

constexpr bool GThreadSafe = false;

TPCRERegex* shared() {
    static TPCRERegex* GPCRE = TPCRERegex::Create(); // lives as long as the process
    return GPCRE;
}

QMutex& criticalRegion() {
    static QMutex region;
    return region;
}

template <class Run> bool guarded(Run run) {
    if constexpr (GThreadSafe) {
        QMutexLocker lock(&criticalRegion());
        return run();
    } else {
        return run();
    }
}

} // namespace

bool Regex(const QString& pattern, const QString& subject, PCREMatchesArray& matches) {
    if (subject.isEmpty()) return false;
    return guarded([&] {
        shared()->SetExpression(pattern);
        return shared()->MatchWithSubject(subject, matches);
    });
}

bool Regex(const QString& pattern, const QString& subject) {
    if (subject.isEmpty()) return false;
    return guarded([&] {
        shared()->SetExpression(pattern);
        return shared()->MatchWithSubject(subject);
    });
}

PCREMatchesArray& RegexMatchesCopyStrings(const QString& subject, PCREMatchesArray& matches) {
    for (PCREMatch& match : matches) match.string = subject.mid(match.range.location, match.range.length);
    return matches;
}

void RegexMatchesRelease(PCREMatchesArray& matches) {
    for (PCREMatch& match : matches) match = PCREMatch();
}

void RegexMatchesShow(const PCREMatchesArray& matches) {
    if (matches.size() <= 1) {
        Diagnostics::line(QStringLiteral("No matches"));
        return;
    }
    for (size_t i = 1; i < matches.size(); ++i)
        Diagnostics::line(QStringLiteral("#") + QString::number(i) + QStringLiteral(": ") + matches[i].text);
}

} // namespace PCRERegex

// --- string utilities ------------------------------------------------------------------------------

namespace PCREStringUtilities {

bool regex(const QString& s, const QString& pattern) {
    return PCRERegex::Regex(pattern, s);
}

bool regexWithMatches(const QString& s, const QString& pattern, QStringList* matches) {
    PCREMatchesArray entries;
    const bool matched = PCRERegex::Regex(pattern, s, entries);
    if (matches) {
        matches->clear();
        if (matched)
            for (const PCREMatch& entry : entries)
                matches->append(s.mid(entry.range.location, entry.range.length));
    }
    return matched;
}

std::optional<QString> stringByReplacingStringWithPattern(const QString& s, const QString& pattern,
                                                          const QString& replacement) {
    PCREMatchesArray entries;
    if (!PCRERegex::Regex(pattern, s, entries)) return std::nullopt;
    std::vector<CFRange> taken;
    for (size_t i = 1; i < entries.size(); ++i) {
        const CFRange& range = entries[i].range;
        const bool inside = std::any_of(taken.begin(), taken.end(), [&](const CFRange& t) {
            return range.location < t.location + t.length && t.location < range.location + range.length;
        });
        if (!inside) taken.push_back(range);
    }
    // From the end, so each range still points at the original text; at one place, the longer first.
    std::sort(taken.begin(), taken.end(), [](const CFRange& a, const CFRange& b) {
        return a.location != b.location ? a.location > b.location : a.length > b.length;
    });
    QString result = s;
    for (const CFRange& range : taken) result.replace(range.location, range.length, replacement);
    return result;
}

} // namespace PCREStringUtilities
