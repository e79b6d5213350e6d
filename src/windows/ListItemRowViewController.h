#pragma once

#include "windows/CardViewController.h"
#include "windows/TextItemViewController.h"

class QLabel;
class TListItem;

// A list row: a text row with a marker before its text that follows its parent's numbering
// (bullet, number, letter, Roman numeral or outline number, with "listPrefix" and "listSuffix" from
// the settings, which it follows). The marker is the model's (ListMarker); the row shows it and
// stores it in the item. Main thread only.
class TListItemRowViewController : public TTextItemViewController, public TListItemViewController {
    Q_OBJECT
public:
    static constexpr double kMarkerAndTextMargin = 4.0;
    static constexpr double kRightMargin = 20.0;

    TListItemRowViewController(TCardItem* item, TCard* card);

    TCard* card() const override { return TTextItemViewController::card(); }
    TListItem* listItem() const;
    QLabel* markerView() const { return m_markerView; }
    QString markerString() const;
    QSizeF markerSize() const;
    qint32 parentRowNumbering() const;

    QRectF textViewFrame() const override;
    void recalculateRow() override;
    void updateMarker() override;
    void itemDidAddRow(TCardItem* item) override;
    void itemDidRemoveRow(TCardItem* item) override;

    // Numbers the children of the row and of its descendants that have children by the numbering.
    void rowNumberingChanged(qint32 numbering);
    // Enabled when the controller takes the action; a numbering item is checked for the row's own.
    bool validateMenuItem(MenuItemState& item) const;

protected:
    void awakeFromNib() override;

private:
    void afterRowChange();

    QLabel* m_markerView = nullptr; // owned by the row's view
    bool m_needsUpdateMarker = false;
    bool m_recalculatingRow = false;
    bool m_updatingMarker = false;
};
