#include "TextSpellChecker.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTextEdit>
#include <hunspell/hunspell.h>

namespace {

class Dictionary {
public:
    Dictionary() {
        const QStringList folders{QStringLiteral("/usr/share/hunspell"),
                                  QStringLiteral("/usr/share/myspell")};
        const QStringList names{QLocale().name(), QStringLiteral("en_US"), QStringLiteral("en_GB")};
        for (const QString& name : names) {
            for (const QString& folder : folders) {
                const QString base = QDir(folder).filePath(name);
                if (!QFile::exists(base + QStringLiteral(".aff")) ||
                    !QFile::exists(base + QStringLiteral(".dic")))
                    continue;
                m_handle = Hunspell_create(QFile::encodeName(base + QStringLiteral(".aff")).constData(),
                                           QFile::encodeName(base + QStringLiteral(".dic")).constData());
                if (m_handle) {
                    const QByteArray encoding = QByteArray(Hunspell_get_dic_encoding(m_handle)).toUpper();
                    m_utf8 = encoding == "UTF-8" || encoding == "UTF8";
                    return;
                }
            }
        }
    }
    ~Dictionary() {
        if (m_handle) Hunspell_destroy(m_handle);
    }
    Dictionary(const Dictionary&) = delete;
    Dictionary& operator=(const Dictionary&) = delete;

    bool isValid() const { return m_handle != nullptr; }
    QByteArray encode(const QString& word) const { return m_utf8 ? word.toUtf8() : word.toLatin1(); }
    QString decode(const char* word) const {
        return m_utf8 ? QString::fromUtf8(word) : QString::fromLatin1(word);
    }
    bool spell(const QString& word) const { return Hunspell_spell(m_handle, encode(word).constData()) != 0; }
    QStringList suggest(const QString& word) const {
        char** list = nullptr;
        const int count = Hunspell_suggest(m_handle, &list, encode(word).constData());
        QStringList result;
        for (int i = 0; i < count; ++i) result.append(decode(list[i]));
        if (list) Hunspell_free_list(m_handle, &list, count);
        return result;
    }

private:
    Hunhandle* m_handle = nullptr;
    bool m_utf8 = true;
};

Dictionary& dictionary() {
    static Dictionary shared;
    return shared;
}

const QRegularExpression& wordPattern() {
    static const QRegularExpression pattern(QStringLiteral("[\\p{L}][\\p{L}']*"));
    return pattern;
}

} // namespace

TTextSpellChecker::TTextSpellChecker(QTextEdit* textView)
    : QSyntaxHighlighter(textView->document()), m_textView(textView) {}

bool TTextSpellChecker::isAvailable() {
    return dictionary().isValid();
}

bool TTextSpellChecker::isMisspelled(const QString& word) {
    if (!dictionary().isValid() || word.isEmpty()) return false;
    return !dictionary().spell(word);
}

QStringList TTextSpellChecker::suggestions(const QString& word) {
    if (!dictionary().isValid() || word.isEmpty()) return {};
    return dictionary().suggest(word);
}

void TTextSpellChecker::highlightBlock(const QString& text) {
    if (!m_textView->property("continuousSpellCheckingEnabled").toBool() || !isAvailable()) return;
    QTextCharFormat marked;
    marked.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    marked.setUnderlineColor(Qt::red);
    for (auto it = wordPattern().globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        QString word = match.captured();
        while (word.endsWith(QLatin1Char('\''))) word.chop(1);
        if (isMisspelled(word))
            setFormat(static_cast<int>(match.capturedStart()), static_cast<int>(word.size()), marked);
    }
}
