#pragma once

#include "windows/CardViewController.h"

#include <QPointer>
#include <QTextEdit>
#include <QUrl>
#include <functional>

class AttributedString;
class QLineEdit;
class QMimeData;
class TMemoleaf;
class TTextSpellChecker;
class TTextStylePanelController;

// The text view of a rich-text card: the paste rule (RTF read with our own reader, the pasted range
// restyled), dropped file links and card links, clicks on links, and the find bar.
class TNoteTextView : public QTextEdit {
    Q_OBJECT
public:
    explicit TNoteTextView(QWidget* parent = nullptr);

    // Pastes the clipboard's data (paste keys and the context menu come here).
    void paste();
    // Pastes the data with the paste rule: RTF has its pasted range restyled, other data is inserted
    // as Qt gives it.
    void pasteFromMimeData(const QMimeData* source);
    // Inserts a file link or a card link of the data at the caret; false when it holds neither.
    bool readSelectionFromPasteboard(const QMimeData* source);

    // The find bar: shown above the text, Return finds the next match (from the top again at the end).
    void showFindBar();
    bool findNext(const QString& text);
    QLineEdit* findField() const { return m_findField; }
    void setFindField(QLineEdit* field);

    TTextSpellChecker* spellChecker() const { return m_spellChecker; }

signals:
    void linkClicked(const QUrl& url);
    // Ctrl+I in rich text (the main menu gives the key to Show Info, which a text card has not).
    void italicKeyPressed();

protected:
    bool event(QEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    QMimeData* createMimeDataFromSelection() const override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void insertRTF(const QMimeData* source);
    void insertLink(const QString& text, const QString& link);

    QLineEdit* m_findField = nullptr;
    TTextSpellChecker* m_spellChecker = nullptr;
    QPoint m_pressPosition;
    QString m_pressedAnchor;
};

// The content of a rich-text card's window: one editor over the card's attributed text, rich or
// plain, with the text-editing preferences applied live and the text style bar above it. Every
// change of the text is stored into the card at once.
class TMemoleafViewController : public TCardContentViewController {
    Q_OBJECT
public:
    explicit TMemoleafViewController(TCard* card, QObject* parent = nullptr);
    ~TMemoleafViewController() override;

    // Registers the controller as the content of TMemoleaf cards.
    static void registerForMemoleafCards();

    QString nibName() const { return QStringLiteral("MemoleafView"); }
    TMemoleaf* memoleaf() const;
    TNoteTextView* editor();
    QWidget* stylePanelContainer();
    TTextStylePanelController* stylePanelController();

    void cardDidBecomeActive() override;
    void makePrimaryInputFirstResponder() override;
    bool validateMenuItem(MenuItemState& item) override;
    bool performCommand(const QString& action, const QVariant& argument = {}) override;

    void textDidChange();
    // Opens the link: the program's own scheme goes to the application (false), any other to the
    // desktop (its answer).
    bool clickedOnLink(const QUrl& url);
    void toggleTextMode();
    void changeCardColor();
    void changeColor(const QColor& colour);

protected:
    QWidget* loadView() override;

private:
    void awakeFromNib();
    void preferenceChanged(const QString& key);
    void applyTypingAttributes();
    QFont fontForKey(const QString& key) const;
    void replaceText(const std::function<void(AttributedString&)>& edit);
    void performTextCommand(const QString& name, int tag);
    // Apart from the text code: the window's headers and the attributed text can't share a file.
    static void forwardBackgroundColor(TCardControllerProtocol* owner, const QColor& colour);

    QPointer<TNoteTextView> m_editor;
    QPointer<QWidget> m_stylePanelContainer;
    TTextStylePanelController* m_stylePanelController = nullptr;
    QMetaObject::Connection m_defaultsObservation;
};
