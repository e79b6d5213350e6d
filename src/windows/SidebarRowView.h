#pragma once

#include "foundation/Object.h"
#include "model/ModelContracts.h"
#include "toolkit/NSViewController.h"

#include <QColor>
#include <QFont>
#include <QImage>

class QLabel;
class QLineEdit;
class TCard;

// The row of one card in a card window's sidebar: the card's kind icon, its editable title and,
// when "showDatesInSideBar" is on, the card's creation date as a caption. The sidebar's list shows
// what the row answers (icon, title font and colour, caption, height); the row's own view is made
// on first use. The card names the row as its list representation; the row keeps the card
// retained. Main thread only.
class TSidebarRowViewController : public NSViewController, public TCardRowViewController {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 22;
    static constexpr int kRowHeightWithCaption = 34;

    explicit TSidebarRowViewController(TCard* card);
    ~TSidebarRowViewController() override;

    TCard* card() const { return m_card.get(); }
    // The window controller showing the row; none outside a window.
    TCardControllerProtocol* owner() const override { return nullptr; }
    bool captionHidden() const { return m_captionHidden; }
    void setCaptionHidden(bool hidden);
    int rowHeight() const { return m_captionHidden ? kRowHeight : kRowHeightWithCaption; }

    // Renews icon, title and caption from the card.
    void update();
    QImage icon() const { return m_icon; }
    QFont titleFont() const { return m_titleFont; }
    QColor titleColor() const { return m_titleColor; }
    // The creation date, relative where the day allows ("Today at 9:05 AM").
    QString captionText() const { return m_caption; }

    void editTitle();
    // Renames the card (an empty title is refused), redraws its tab and title, and gives the
    // keyboard back to the selected card's content. False when refused.
    bool titleChanged(const QString& title);

    QLineEdit* labelField() { return m_labelField; }
    QLabel* noteField() { return m_noteField; }
    QLabel* imageView() { return m_imageView; }

protected:
    QWidget* loadView() override;
    // Gives the keyboard back to the selected card's content; the window's row does.
    virtual void makeSelectedCardFirstResponder() {}

private:
    void showInView(QWidget* view);

    Ref<TCard> m_card;
    bool m_captionHidden = true;
    QImage m_icon;
    QFont m_titleFont;
    QColor m_titleColor;
    QString m_caption;
    QLabel* m_imageView = nullptr;     // owned by the view
    QLineEdit* m_labelField = nullptr; // owned by the view
    QLabel* m_noteField = nullptr;     // owned by the view
};
