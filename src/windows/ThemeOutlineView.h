#pragma once

#include "windows/ThemeViewProtocol.h"

#include <QAbstractScrollArea>

class DisclosureButton;

// The base of the program's own outlines (the outline editor, the card window's side list): a scroll
// area whose rows the subclass lays out, with the card's theme, the theme's disclosure triangles and
// the rule that the first click on a row selects it and the next one edits it. Rows open and close
// at once; nothing is animated. Owned by its parent widget; main thread only.
class TThemeOutlineView : public QAbstractScrollArea, public TThemeViewProtocol {
    Q_OBJECT
public:
    explicit TThemeOutlineView(QWidget* parent = nullptr);

    void setTheme(TCardTheme* theme) override;
    TCardTheme* theme() const override { return m_theme; }

    // A row's disclosure button (owned by the parent): with the theme's images when the theme names
    // "disclosureButtonImageOff" (closed) and "disclosureButtonImageOn" (open), else the style's
    // triangle, which is also kept when an image does not load (with a warning, Diagnostics).
    DisclosureButton* makeDisclosureButton(QWidget* parent);

    // Whether a widget of a row (its text view) may take the keyboard focus for the event (null: no
    // event): for a left or right mouse press only when the row under the press is selected; for a
    // wheel event never; otherwise yes.
    virtual bool validateProposedFirstResponder(QWidget* responder, const QEvent* event) const;
    // Puts a row's widget under that rule: a click gives it the focus only when the rule allows, and
    // a refused click goes to the outline's viewport instead (where the outline selects the row).
    // The widget is not owned; it may go before the outline.
    void guardFirstResponder(QWidget* responder);

    // The subclass's rows: the row at a point of the viewport (-1 for none), and its selection.
    virtual qint64 rowAtPoint(const QPoint& viewportPoint) const = 0;
    virtual bool isRowSelected(qint64 row) const = 0;

protected:
    // A left or right mouse press (or double click).
    static bool isMouseDown(const QEvent* event);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TCardTheme* m_theme = nullptr;
};
