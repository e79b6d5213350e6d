#include "windows/ListItemRowViewController.h"

#include "model/Card.h"
#include "model/ListCard.h"
#include "model/Preferences.h"
#include "platform/Diagnostics.h"
#include "platform/UserDefaults.h"
#include "windows/CardTextView.h"

#include <QFontMetricsF>
#include <QLabel>

#include <cmath>

TListItemRowViewController::TListItemRowViewController(TCardItem* item, TCard* card)
    : TTextItemViewController(item, card) {}

TListItem* TListItemRowViewController::listItem() const {
    TCardItem* item = cardItem();
    return item && item->IsMember(TListItem::StaticClass()) ? static_cast<TListItem*>(item) : nullptr;
}

void TListItemRowViewController::awakeFromNib() {
    TTextItemViewController::awakeFromNib();
    m_markerView = new QLabel(rowView());
    m_markerView->setTextFormat(Qt::PlainText);
    m_markerView->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_markerView->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_markerView->setContentsMargins(0, 0, 0, 0);
    m_markerView->setGeometry(int(kMarkerAndTextMargin), 0, 0, 0);
    connect(&UserDefaults::standardUserDefaults(), &UserDefaults::changed, this, [this](const QString& key) {
        if (key == kPreferenceKeyListPrefix || key == kPreferenceKeyListSuffix) recalculateRow();
    });
    updateMarker();
}

QString TListItemRowViewController::markerString() const {
    return m_markerView ? m_markerView->text() : QString();
}

QSizeF TListItemRowViewController::markerSize() const {
    const QFontMetricsF metrics(m_markerView->font());
    return QSizeF(metrics.horizontalAdvance(markerString()) + 2.0, metrics.height());
}

qint32 TListItemRowViewController::parentRowNumbering() const {
    TCardItem* item = cardItem();
    const TTreeNode* parent = item ? item->GetParent() : nullptr;
    return parent && parent->IsMember(TListItem::StaticClass())
               ? static_cast<const TListItem*>(parent)->GetRowNumbering()
               : kRowNumberingNone;
}

QRectF TListItemRowViewController::textViewFrame() const {
    QRectF frame = TTextItemViewController::textViewFrame();
    if (m_markerView && !m_markerView->isHidden()) {
        const double x = m_markerView->x() + markerSize().width() + kMarkerAndTextMargin;
        frame.setWidth(frame.width() - x - kRightMargin);
        frame.moveLeft(x);
    } else {
        frame.adjust(kTextInset, 0, -kTextInset, 0);
        frame.setHeight(std::max(frame.height(), kMinimumTextHeight));
    }
    return frame;
}

void TListItemRowViewController::recalculateRow() {
    m_recalculatingRow = true;
    TTextItemViewController::recalculateRow();
    if (!m_updatingMarker) updateMarker();
    if (m_markerView && editor()) {
        const int rowHeight = rowView()->height();
        const double textY = std::floor((rowHeight - editor()->height()) / 2.0);
        editor()->move(editor()->x(), int(textY));
        m_markerView->setGeometry(m_markerView->x(), editor()->y(), int(std::ceil(markerSize().width())),
                                  editor()->height());
    }
    m_recalculatingRow = false;
}

void TListItemRowViewController::updateMarker() {
    if (!m_markerView) return;
    m_updatingMarker = true;
    const QString shown = markerString();
    const QString marker = UpdateListMarker(listItem(), shown);
    if (marker != shown) {
        m_markerView->setText(marker);
        if (editor()) m_markerView->setFont(editor()->document()->defaultFont());
    }
    if (!m_recalculatingRow && marker.size() != shown.size()) recalculateRow();
    m_updatingMarker = false;
}

void TListItemRowViewController::afterRowChange() {
    if (!m_needsUpdateMarker) return;
    updateMarker();
    m_needsUpdateMarker = false;
}

void TListItemRowViewController::itemDidAddRow(TCardItem* item) {
    TTextItemViewController::itemDidAddRow(item);
    afterRowChange();
}

void TListItemRowViewController::itemDidRemoveRow(TCardItem* item) {
    TTextItemViewController::itemDidRemoveRow(item);
    afterRowChange();
}

void TListItemRowViewController::rowNumberingChanged(qint32 numbering) {
    TListItem* item = listItem();
    if (!item) return;
    Diagnostics::line(QStringLiteral("row numbering changed to %1 for %2").arg(numbering).arg(rowIndex()));
    TObjectArray* rows = item->GetAllChildrenIncludingSelf();
    for (qint64 i = 0; i < rows->Count(); ++i) {
        TObject* row = rows->GetObjectValue(i);
        if (!row->IsMember(TListItem::StaticClass())) continue;
        auto* list = static_cast<TListItem*>(row);
        if (list->ChildCount() > 0) list->SetRowNumbering(numbering);
    }
    m_needsUpdateMarker = true;
    if (card()) card()->SetModified(true);
    if (auto* markers = dynamic_cast<TRowMarkers*>(card() ? card()->GetViewRepresentation() : nullptr))
        markers->updateMarkers(item);
}

bool TListItemRowViewController::validateMenuItem(MenuItemState& item) const {
    if (item.action != QLatin1String("rowNumberingChanged:")) return false;
    if (!card() || !card()->IsRowNumberingAvailable() || !listItem()) return false;
    item.checked = item.representedObject.toInt() == listItem()->GetRowNumbering();
    return true;
}
