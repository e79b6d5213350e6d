#pragma once

#include "toolkit/NSViewController.h"

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QRectF>
#include <QWidget>

class NSLabelField;
class QLabel;
class QPainter;
class SheetBrowserWindowController;
class TSheetManagerItem;

// The rows of the sheet browser: a row view around each row, a preview cell's background, and the
// four row controllers (sheet preview cell, sheet list line, group, separator). A row controller is
// made by the browser for one tree item and kept by the browser as long as the item is in its tree;
// the row view belongs to the outline. Main thread only.

// Fills rect with the list selection in colour: a vertical gradient from the colour lightened by
// 0.1 at the top to darkened by 0.1 at the bottom, dark lines at both ends and a shade over the
// lower half.
void DrawListSelection(QPainter& painter, const QRectF& rect, const QColor& colour);

// The background of a preview cell: the selected or plain cell image, only in cell mode.
class TSheetCellView : public QWidget {
    Q_OBJECT
public:
    explicit TSheetCellView(QWidget* parent = nullptr);
    // Set by the row controller (not owned).
    void setBrowser(SheetBrowserWindowController* browser) { m_browser = browser; }
    bool isSelected() const;
    bool isTrackingDrop() const { return false; }
    // The cell images, drawn by hand ("SheetCell", "SheetCellSelected").
    static QImage cellImage(bool selected);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<SheetBrowserWindowController> m_browser;
};

// The row controller of a sheet shown as a preview cell: its title in a label field that renames
// the sheet when an edit ends, and the sheet's preview.
class TSheetCellViewController : public NSViewController {
    Q_OBJECT
public:
    // item is not retained; the browser drops the controller before the item goes.
    TSheetCellViewController(TSheetManagerItem* item, SheetBrowserWindowController* browser);
    ~TSheetCellViewController() override;

    // Null once the item left the browser's tree.
    TSheetManagerItem* item() const { return m_item; }
    // The item leaves the tree: the controller lets go of it and ignores its label field.
    void detach();
    virtual QString nibName() const { return QStringLiteral("SheetCellView"); }
    // The row's height: the height of the controller's view.
    virtual int rowHeight() const { return 96; }
    void setPreviewImage(const QImage& image);
    // Starts editing the title.
    void editTitle();
    // Null for a separator.
    NSLabelField* labelField() const { return m_labelField; }
    QLabel* imageView() const { return m_imageView; }
    TSheetCellView* cellView() const { return m_contentView; }
    // Where a card window (frame on a screen, both in global coordinates) lands in the preview,
    // in global coordinates.
    QRectF scaledRectForWindow(const QRectF& windowFrame, const QRectF& screenFrame) const;
    // The label field's edit ended: the item is renamed to the field's text.
    void titleChanged();

protected:
    QWidget* loadView() override;
    // The row's background view, of the row's height.
    void makeContentView();
    // The label's look, once the view is made.
    virtual void awakeFromNib();

    TSheetManagerItem* m_item;
    QPointer<SheetBrowserWindowController> m_browser;
    NSLabelField* m_labelField = nullptr;
    QLabel* m_imageView = nullptr;
    TSheetCellView* m_contentView = nullptr;
};

// A sheet as one list line: its title left-aligned.
class TSheetListViewController : public TSheetCellViewController {
    Q_OBJECT
public:
    using TSheetCellViewController::TSheetCellViewController;
    QString nibName() const override { return QStringLiteral("SheetListView"); }
    int rowHeight() const override { return 24; }

protected:
    QWidget* loadView() override;
    void awakeFromNib() override;
};

// A group: a list line with the folder image.
class TSheetGroupViewController : public TSheetListViewController {
    Q_OBJECT
public:
    using TSheetListViewController::TSheetListViewController;
    QString nibName() const override { return QStringLiteral("SheetGroupView"); }
};

// A separator: a thin line, no label.
class TSheetSeperatorViewController : public TSheetCellViewController {
    Q_OBJECT
public:
    using TSheetCellViewController::TSheetCellViewController;
    QString nibName() const override { return QStringLiteral("SheetSeperatorView"); }
    int rowHeight() const override { return 9; }

protected:
    QWidget* loadView() override;
};

// The controller for an item's row: a separator's, a group's, else a list line or a cell. Owned by
// the caller.
TSheetCellViewController* makeSheetRowController(TSheetManagerItem* item, bool list,
                                                 SheetBrowserWindowController* browser);

// One row of the outline around its controller's view: draws the selection in list mode and a
// frame while it is the target of a drop.
class TSheetTableRowView : public QWidget {
    Q_OBJECT
public:
    enum Mode : qint32 { List = 0, Cells = 1 };
    static TSheetTableRowView* viewWithMode(qint32 mode, QWidget* parent = nullptr);

    qint32 mode() const { return m_mode; }
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }
    void setDropTarget(bool target);
    bool isDropTarget() const { return m_dropTarget; }
    // Puts the row controller's view into this row (the row owns it until it is taken back).
    void setContent(QWidget* view);
    QWidget* content() const { return m_content; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    explicit TSheetTableRowView(qint32 mode, QWidget* parent);
    qint32 m_mode;
    bool m_selected = false;
    bool m_dropTarget = false;
    QPointer<QWidget> m_content;
};
