#include "windows/GroupRowViewController.h"

#include "model/CardItems.h"

#include <QLabel>

QWidget* TGroupRowViewController::loadView() {
    QWidget* root = TCardItemRowViewController::loadView();
    root->resize(root->width(), kRowHeight);
    m_messageField = new QLabel(root);
    m_messageField->setTextFormat(Qt::PlainText);
    QFont font = m_messageField->font();
    font.setBold(true);
    m_messageField->setFont(font);
    return root;
}

void TGroupRowViewController::awakeFromNib() {
    TCardItemRowViewController::awakeFromNib();
    TCardItem* item = cardItem();
    if (item && item->IsMember(TTextItem::StaticClass()))
        m_messageField->setText(static_cast<TTextItem*>(item)->GetPlainText());
}

void TGroupRowViewController::recalculateRow() {
    TCardItemRowViewController::recalculateRow();
    QWidget* row = rowView();
    row->resize(row->width(), kRowHeight);
    m_messageField->setGeometry(4, 0, std::max(0, row->width() - 8), kRowHeight);
}
