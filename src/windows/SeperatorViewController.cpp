#include "windows/SeperatorViewController.h"

#include <QFrame>

QWidget* TSeperatorViewController::loadView() {
    QWidget* root = TCardItemRowViewController::loadView();
    root->resize(root->width(), kRowHeight);
    auto* line = new QFrame(root);
    line->setObjectName(QStringLiteral("line"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return root;
}

void TSeperatorViewController::recalculateRow() {
    TCardItemRowViewController::recalculateRow();
    QWidget* row = rowView();
    row->resize(row->width(), kRowHeight);
    if (auto* line = row->findChild<QFrame*>(QStringLiteral("line")))
        line->setGeometry(4, kRowHeight / 2 - 1, std::max(0, row->width() - 8), 2);
}
