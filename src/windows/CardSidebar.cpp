#include "CardSidebar.h"

#include "CardWindowController.h"
#include "model/Card.h"
#include "model/Globals.h"
#include "model/Themes.h"
#include "platform/Diagnostics.h"
#include "utilities/CocoaUtilities.h"

#include <QMimeData>
#include <QPainter>
#include <QPointer>

CardListModel::CardListModel(TCardWindowController* controller)
    : QAbstractItemModel(controller), m_controller(controller) {}

TCard* CardListModel::root() const {
    return m_controller->card();
}

void CardListModel::reload() {
    beginResetModel();
    endResetModel();
}

TCard* CardListModel::cardAt(const QModelIndex& index) const {
    return index.isValid() ? static_cast<TCard*>(index.internalPointer()) : nullptr;
}

QModelIndex CardListModel::indexOfCard(const TCard* card) const {
    TCard* top = root();
    if (!card || !top) return {};
    if (card == top) return createIndex(0, 0, const_cast<TCard*>(card));
    if (!top->ContainsCard(card)) return {};
    const qint64 row = card->GetIndex() + (card->GetParent() == top ? 1 : 0);
    return createIndex(static_cast<int>(row), 0, const_cast<TCard*>(card));
}

QModelIndex CardListModel::index(int row, int column, const QModelIndex& parent) const {
    TCard* top = root();
    if (!top || column != 0 || row < 0) return {};
    if (!parent.isValid()) {
        if (row == 0) return createIndex(0, 0, top);
        TTreeNode* child = top->GetChild(row - 1);
        return child ? createIndex(row, 0, static_cast<TCard*>(child)) : QModelIndex();
    }
    TCard* card = cardAt(parent);
    if (card == top) return {};
    TTreeNode* child = card->GetChild(row);
    return child ? createIndex(row, 0, static_cast<TCard*>(child)) : QModelIndex();
}

QModelIndex CardListModel::parent(const QModelIndex& child) const {
    TCard* card = cardAt(child);
    TCard* top = root();
    if (!card || card == top || card->GetParent() == top) return {};
    return indexOfCard(static_cast<TCard*>(card->GetParent()));
}

int CardListModel::rowCount(const QModelIndex& parent) const {
    TCard* top = root();
    if (!top) return 0;
    if (!parent.isValid()) return static_cast<int>(top->ChildCount() + 1);
    TCard* card = cardAt(parent);
    return card == top ? 0 : static_cast<int>(card->ChildCount());
}

int CardListModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool CardListModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

QVariant CardListModel::data(const QModelIndex& index, int role) const {
    TCard* card = cardAt(index);
    if (!card) return {};
    auto* row = static_cast<CardRowController*>(card->GetListRepresentation());
    if (role == Qt::EditRole || (role == Qt::DisplayRole && (!row || row->captionHidden())))
        return card->GetTitle();
    if (!row) return {};
    switch (role) {
    case Qt::DisplayRole:
        return card->GetTitle() + QLatin1Char('\n') + row->captionText();
    case Qt::DecorationRole:
        return row->icon().isNull() ? QVariant() : QVariant(row->icon());
    case Qt::FontRole:
        return row->titleFont();
    case Qt::ForegroundRole:
        return row->titleColor();
    case Qt::SizeHintRole:
        return QSize(-1, row->rowHeight());
    default:
        return {};
    }
}

bool CardListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    TCard* card = cardAt(index);
    if (!card || role != Qt::EditRole || value.toString().isEmpty()) return false;
    if (auto* row = static_cast<CardRowController*>(card->GetListRepresentation())) {
        row->titleChanged(value.toString());
    } else {
        card->SetTitle(value.toString());
        m_controller->updateCardApperance(card);
    }
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags CardListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled |
           Qt::ItemIsDropEnabled;
}

QStringList CardListModel::mimeTypes() const {
    return {NSPasteboardTypeCardWrapper};
}

QMimeData* CardListModel::mimeData(const QModelIndexList& indexes) const {
    if (indexes.isEmpty()) return nullptr;
    auto* data = new QMimeData;
    TCardWindowController::writeCardToPasteboard(cardAt(indexes.first()), data);
    return data;
}

qint64 SidebarDropIndex(bool rootLevel, qint64 row) {
    if (row < 0) return -1;
    if (!rootLevel) return row;
    return row == 0 ? -2 : row - 1;
}

bool CardListModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int row, int,
                                    const QModelIndex& parent) const {
    TCard* card = TCardWindowController::cardFromPasteboard(data);
    if (!card || !m_controller->canReceiveCard(card)) return false;
    TCard* target = parent.isValid() ? cardAt(parent) : nullptr;
    if (target == root()) return false; // into or onto the window's own row
    if (target && (target == card || card->ContainsCard(target))) return false;
    return SidebarDropIndex(!parent.isValid(), row) != -2;
}

bool CardListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                 const QModelIndex& parent) {
    if (!canDropMimeData(data, action, row, column, parent)) return false;
    const qint64 index = SidebarDropIndex(!parent.isValid(), row);
    return m_controller->acceptSidebarDrop(data, parent.isValid() ? cardAt(parent) : nullptr, index,
                                           action == Qt::CopyAction);
}

CardSidebarView::CardSidebarView(QWidget* parent) : NSKeyboardDeletableOutlineView(parent) {
    setHeaderHidden(true);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (auto* model = qobject_cast<CardListModel*>(this->model()))
            if (TCard* card = model->cardAt(index)) card->SetExpanded(true);
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (auto* model = qobject_cast<CardListModel*>(this->model()))
            if (TCard* card = model->cardAt(index)) card->SetExpanded(false);
    });
}

void CardSidebarView::setTheme(TCardTheme* theme) {
    m_closedImage = m_openImage = QImage();
    const QString off = QStringLiteral("disclosureButtonImageOff");
    if (theme && theme->ContainsProperty(off)) {
        try {
            m_closedImage = theme->GetImage(off);
            m_openImage = theme->GetImage(QStringLiteral("disclosureButtonImageOn"));
        } catch (const CocoaUtilities::Exception& error) {
            Diagnostics::warning(QString::fromUtf8(error.what()));
            m_closedImage = m_openImage = QImage();
        }
    }
    // The theme draws the selection: the style's highlight is left clear.
    QPalette colours = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        colours.setColor(group, QPalette::Highlight, Qt::transparent);
        colours.setColor(group, QPalette::HighlightedText, colours.color(group, QPalette::Text));
    }
    setPalette(colours);
    viewport()->update();
}

void CardSidebarView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    if (selectionModel() && selectionModel()->isSelected(index))
        TCardTheme::DrawSelection(*painter,
                                  QRectF(0, option.rect.y(), viewport()->width(), option.rect.height()),
                                  isActiveWindow(), 1);
    NSKeyboardDeletableOutlineView::drawRow(painter, option, index);
}

void CardSidebarView::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const {
    if (m_closedImage.isNull() || !model()->hasChildren(index))
        return NSKeyboardDeletableOutlineView::drawBranches(painter, rect, index);
    // The triangle stands in the last indentation step, before the row's own content.
    const QImage& image = isExpanded(index) ? m_openImage : m_closedImage;
    const QRect cell(rect.right() - indentation() + 1, rect.top(), indentation(), rect.height());
    QSizeF size = image.deviceIndependentSize();
    if (size.width() > cell.width()) size.scale(cell.size(), Qt::KeepAspectRatio);
    const QRectF target(cell.x() + (cell.width() - size.width()) / 2,
                        cell.y() + (cell.height() - size.height()) / 2, size.width(), size.height());
    painter->drawImage(target, image);
}

void CardSidebarView::startDrag(Qt::DropActions supportedActions) {
    QPointer<TCardWindowController> controller =
        dynamic_cast<TCardWindowController*>(TGenericCardWindowController::controllerOfWidget(this));
    if (controller) controller->sourceDragBegan();
    NSKeyboardDeletableOutlineView::startDrag(supportedActions);
    if (controller) controller->sourceDragEnded();
}

void CardSidebarView::restoreExpandedState() {
    auto* list = qobject_cast<CardListModel*>(model());
    if (!list) return;
    QList<QModelIndex> pending;
    for (int row = 0; row < list->rowCount(); ++row) pending << list->index(row, 0);
    while (!pending.isEmpty()) {
        const QModelIndex index = pending.takeFirst();
        TCard* card = list->cardAt(index);
        if (!card || !card->IsExpanded()) continue;
        if (!isExpanded(index)) expand(index);
        for (int row = 0; row < list->rowCount(index); ++row) pending << list->index(row, 0, index);
    }
}

CardRowController::CardRowController(TCard* card, TCardWindowController* owner)
    : TSidebarRowViewController(card), m_ownerObject(owner), m_owner(owner) {}

TCardControllerProtocol* CardRowController::owner() const {
    return m_ownerObject ? m_owner : nullptr;
}

void CardRowController::makeSelectedCardFirstResponder() {
    if (m_ownerObject) m_owner->makeSelectedCardFirstResponder();
}
