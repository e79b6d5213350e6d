#pragma once

#include "windows/CardItemRowViewController.h"

// A separator row: a thin line across the row. Main thread only.
class TSeperatorViewController : public TCardItemRowViewController {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 12;
    using TCardItemRowViewController::TCardItemRowViewController;
    void recalculateRow() override;

protected:
    QWidget* loadView() override;
};
