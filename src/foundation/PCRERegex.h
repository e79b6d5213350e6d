#pragma once

#include "CFUtilities.h"
#include "Object.h"
#include "platform/CoreTypes.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

struct pcre2_real_code_8;
struct pcre2_real_match_data_8;

// One captured group: its text, its range in the subject (in UTF-16 characters, as QString counts
// them) and, once RegexMatchesCopyStrings ran, the subject's text of that range.
struct PCREMatch {
    QString text;
    CFRange range;
    QString string;
};
// Entry 0 is reserved; a match appends one entry per captured group that took part, group 1 first.
using PCREMatchesArray = std::vector<PCREMatch>;

// One compiled PCRE2 pattern and one subject. Patterns compile caseless and UTF-8 by default;
// a pattern that does not compile says so in one warning line and matches nothing afterwards.
// Not thread-safe. Diagnostics: Diagnostics::line.
class TPCRERegex : public TObject {
    T_OBJECT(TPCRERegex, TObject)
public:
    // PCRE2 compile options (PCRE2_CASELESS | PCRE2_UTF).
    static constexpr quint32 kDefaultOptions = 0x00000008u | 0x00080000u;

    static TPCRERegex* Create(const QString& pattern);
    static TPCRERegex* Create(const QString& pattern, const QString& subject);
    void Initialize() override;

    // Compiles the pattern with the options; on failure the warning line and no compiled pattern.
    virtual void SetExpression(const QString& pattern);
    // Keeps the subject and its text in the encoding; nothing when one is set or the argument is null.
    virtual void SetSubject(const QString& subject);
    // CFUtilities encodings; acts at the next SetSubject.
    virtual void SetEncoding(quint32 encoding) { m_encoding = encoding; }
    // PCRE2 compile options; act at the next SetExpression.
    virtual void SetOptions(quint32 options) { m_options = options; }

    // Matching the current subject.
    virtual bool Match();
    virtual bool Match(PCREMatchesArray& matches);
    // Compiling the pattern, then matching the subject.
    virtual bool Match(const QString& pattern, const QString& subject);
    virtual bool Match(const QString& pattern, const QString& subject, PCREMatchesArray& matches);
    // Matching a new subject: true on a match; the array gets entry 0 and one entry per group.
    virtual bool MatchWithSubject(const QString& subject);
    virtual bool MatchWithSubject(const QString& subject, PCREMatchesArray& matches);

    // Compiles the pattern to machine code where PCRE2 can.
    virtual void Study();
    virtual void AllocateVectors();
    virtual void ReleaseExpression();
    virtual void ReleaseSubject();
    // Prints the offsets of the first count pairs of the last match, headed "matches: ".
    virtual void ShowVectors(qint16 count);

    bool IsCompiled() const { return m_code != nullptr; }
    QString GetExpression() const { return m_expression; }
    quint32 GetOptions() const { return m_options; }
    quint32 GetEncoding() const { return m_encoding; }

protected:
    TPCRERegex() = default;
    void Deallocate() override;

private:
    bool Prepare(const QString& subject);
    qint64 CharacterOffset(quint64 byteOffset) const;

    pcre2_real_code_8* m_code = nullptr;
    bool m_studied = false;
    QString m_expression;
    QString m_subject;
    bool m_hasSubject = false;
    QByteArray m_subjectText;
    pcre2_real_match_data_8* m_matchData = nullptr;
    bool m_keepSubject = false;
    quint32 m_encoding = CFUtilities::kCFStringEncodingUTF8;
    quint32 m_options = kDefaultOptions;
};

// Matching with one shared TPCRERegex, made on first use; its options and encoding stay for later calls.
namespace PCRERegex {
// False for an empty or null subject; else compiles the pattern and matches the subject.
bool Regex(const QString& pattern, const QString& subject, PCREMatchesArray& matches);
bool Regex(const QString& pattern, const QString& subject);
// The same array with each entry's string set to the subject's text of its range.
PCREMatchesArray& RegexMatchesCopyStrings(const QString& subject, PCREMatchesArray& matches);
void RegexMatchesRelease(PCREMatchesArray& matches);
// "No matches", or one line "#n: text" per entry from 1.
void RegexMatchesShow(const PCREMatchesArray& matches);
using CFUtilities::CFStringCopyCString;
} // namespace PCRERegex

// The shared matcher on strings.
namespace PCREStringUtilities {
bool regex(const QString& s, const QString& pattern);
// On a match the list receives the text of every entry's range, entry 0 (empty) first; else it is emptied.
bool regexWithMatches(const QString& s, const QString& pattern, QStringList* matches);
// The string with the range of each captured group replaced; groups are taken in order, one lying
// inside a group already taken is left alone, and each range is that of the original string.
// Nothing when the pattern does not match or the string is empty.
std::optional<QString> stringByReplacingStringWithPattern(const QString& s, const QString& pattern,
                                                          const QString& replacement);
} // namespace PCREStringUtilities
