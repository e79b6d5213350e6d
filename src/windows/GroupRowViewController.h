#pragma once

#include "windows/CardItemRowViewController.h"

class QLabel;

// The header row of a group: the item's plain text in a label. Main thread only.
class TGroupRowViewController : public TCardItemRowViewController {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 22;
    using TCardItemRowViewController::TCardItemRowViewController;
    QLabel* messageField() const { return m_messageField; }
    void recalculateRow() override;

protected:
    QWidget* loadView() override;
    void awakeFromNib() override;

private:
    QLabel* m_messageField = nullptr; // owned by the row's view
};
