#pragma once

#include "model/ModelContracts.h"
#include "toolkit/NSKeyboardDeletableOutlineView.h"
#include "windows/SidebarRowView.h"

#include <QAbstractItemModel>
#include <QPointer>

class TCard;
class TCardTheme;
class TCardWindowController;

// The sidebar's rows over a card window's card tree: the window's card first, then its child cards,
// each with their own children below them. Rows carry the card (not owned; the tree owns it). Drags
// carry the card's safe payload; drops go to the window controller. Rebuilt by reload().
class CardListModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit CardListModel(TCardWindowController* controller);

    void reload();
    TCard* cardAt(const QModelIndex& index) const;
    QModelIndex indexOfCard(const TCard* card) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction | Qt::CopyAction; }
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

private:
    TCard* root() const;
    TCardWindowController* m_controller;
};

// The sidebar's outline: restores the cards' expanded flags after every reload and writes them back
// when rows expand or collapse. Delete sends the window's remove command; a click on the selected
// row (or F2) edits its title.
class CardSidebarView : public NSKeyboardDeletableOutlineView {
    Q_OBJECT
public:
    explicit CardSidebarView(QWidget* parent = nullptr);
    void restoreExpandedState();
    // The window card's theme: rows show its selection, and its disclosure triangles where it names
    // them ("disclosureButtonImageOff", "disclosureButtonImageOn"; else the style's).
    void setTheme(TCardTheme* theme);
    QImage disclosureImage(bool open) const { return open ? m_openImage : m_closedImage; }

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;

    // Tells the window's controller while a row drag runs (Qt's drag loop blocks in here).
    void startDrag(Qt::DropActions supportedActions) override;

private:
    QImage m_closedImage;
    QImage m_openImage;
};

// A card's row in its window's sidebar; the window that made it owns it.
class CardRowController : public TSidebarRowViewController {
    Q_OBJECT
public:
    CardRowController(TCard* card, TCardWindowController* owner);
    TCardControllerProtocol* owner() const override;

protected:
    void makeSelectedCardFirstResponder() override;

private:
    QPointer<QObject> m_ownerObject;
    TCardWindowController* m_owner;
};

// Where a dropped card goes among the children of its new parent: the row counts the sidebar's top
// rows (the window's card is row 0) at the root level, the parent's own children elsewhere. -1 means
// at the end; -2 refuses the drop (above the window's own row).
qint64 SidebarDropIndex(bool rootLevel, qint64 row);
