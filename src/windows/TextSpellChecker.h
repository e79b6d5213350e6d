#pragma once

#include <QStringList>
#include <QSyntaxHighlighter>

class QTextEdit;

// Continuous spell checking of a text view: misspelt words get a wavy underline while the view's
// "continuousSpellCheckingEnabled" property is on, and the context menu offers their suggestions.
// Words are checked with hunspell against the dictionary of the user's language (English when that
// one is not installed); without any dictionary nothing is marked.
class TTextSpellChecker : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit TTextSpellChecker(QTextEdit* textView);

    // Whether a dictionary could be loaded.
    static bool isAvailable();
    static bool isMisspelled(const QString& word);
    static QStringList suggestions(const QString& word);

    // Marks again after the switch changed.
    void update() { rehighlight(); }

protected:
    void highlightBlock(const QString& text) override;

private:
    QTextEdit* m_textView;
};
