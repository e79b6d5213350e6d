#pragma once

#include "foundation/Object.h"
#include "toolkit/NSViewController.h"

#include <QFont>
#include <QPalette>
#include <QPointer>
#include <QWidget>

class NSItemBar;
class QAbstractButton;
class QLabel;
class QLineEdit;
class QToolButton;
class TAttachment;
class TDashboardGroupRowItem;
class TDashboardOutlineView;
class TDashboardRowItem;
class TJobslate;
class TSheet;
class TTask;

class TDashboardCellViewController;

// Declared without the model's text headers: the drawn-text attributes of the toolkit and the
// model's attributed text can't be named in one source file.

// The root view of a dashboard cell: tells its controller when the pointer enters and leaves.
class TDashboardCellView : public QWidget {
    Q_OBJECT
public:
    explicit TDashboardCellView(QWidget* parent = nullptr);
    TDashboardCellViewController* controller() const;
    void setController(TDashboardCellViewController* controller);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPointer<TDashboardCellViewController> m_controller;
};

// The controller of one dashboard row's cell. Its view is made on first use and named after the
// controller's class; the row item owns the controller. The row item and the outline view are
// not owned. Main thread only.
class TDashboardCellViewController : public NSViewController {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 24;

    TDashboardRowItem* dashboardItem() const { return m_rowItem; }
    void setRowItem(TDashboardRowItem* item) { m_rowItem = item; }
    TDashboardOutlineView* outlineView() const { return m_outlineView; }
    void setOutlineView(TDashboardOutlineView* view) { m_outlineView = view; }
    bool isExpanded() const;
    bool isDraggable() const { return m_draggable; }
    void setDraggable(bool draggable) { m_draggable = draggable; }

    // Headers are drawn in the palette's subdued text colour, rows in its window text colour, so
    // both follow the theme.
    static QFont headerTextFont();
    static QFont standardRowTextFont();

    virtual void mouseEntered();
    virtual void mouseExited();
    virtual void itemDidExpand() {}
    virtual void itemDidCollapse() {}
    virtual void updateLayout();
    // The height of the row; the cell view takes it.
    virtual int rowHeight() const { return kRowHeight; }
    // What the row says, for its accessible name.
    virtual QString accessibleText() const { return {}; }
    // The hover bar of the row; null for kinds without one.
    NSItemBar* itemBar() const { return m_itemBar; }

protected:
    explicit TDashboardCellViewController(QObject* parent = nullptr);
    QWidget* loadView() override;
    // Fills the cell view (a new TDashboardCellView, named after the class).
    virtual void awakeFromNib(TDashboardCellView* view) = 0;
    // Makes the hidden hover bar and fills it.
    void setUpItemBar(TDashboardCellView* view);
    virtual void updateItemBar() {}
    QToolButton* makeButton(const QString& text, const QString& toolTip, int width = 24);
    static QLabel* makeLabel(QWidget* parent, const QString& text, const QFont& font,
                             QPalette::ColorRole role = QPalette::WindowText);

    NSItemBar* m_itemBar = nullptr;

private:
    TDashboardRowItem* m_rowItem = nullptr;
    QPointer<TDashboardOutlineView> m_outlineView;
    bool m_draggable = false;
};

// A group header: its title in upper case and a bar of an action, an add-folder and a show/hide
// button.
class TDashboardGroupCellViewController : public TDashboardCellViewController {
    Q_OBJECT
public:
    explicit TDashboardGroupCellViewController(TDashboardGroupRowItem* group);

    QLabel* textField() const { return m_textField; }
    QToolButton* toggleButton() const { return m_toggleButton; }
    void toggleState();
    // Makes the folder "Untitled" in the sheet folder; an alert tells why it could not.
    void addFolder();
    void itemDidExpand() override { updateItemBar(); }
    void itemDidCollapse() override { updateItemBar(); }
    QString accessibleText() const override;

protected:
    void awakeFromNib(TDashboardCellView* view) override;
    void updateItemBar() override;

private:
    TDashboardGroupRowItem* m_group;
    QLabel* m_textField = nullptr;
    QToolButton* m_toggleButton = nullptr;
};

// A sheet: its preview and title, with a delete and a favourite button.
class TDashboardSheetCellViewController : public TDashboardCellViewController {
    Q_OBJECT
public:
    explicit TDashboardSheetCellViewController(TSheet* sheet);
    ~TDashboardSheetCellViewController() override;

    TSheet* sheet() const { return m_sheet.get(); }
    QLabel* labelField() const { return m_labelField; }
    QToolButton* favoriteButton() const { return m_favoriteButton; }
    void toggleFavorite();
    // Asks, then moves the sheet bundle to the Trash; only then the sheet's events are let go,
    // the sheet unregistered and the sheet browser and dashboard reloaded.
    void deleteSheet();
    QString accessibleText() const override;

protected:
    void awakeFromNib(TDashboardCellView* view) override;
    void updateItemBar() override;

private:
    void updateFavoriteButton();

    Ref<TSheet> m_sheet;
    QLabel* m_labelField = nullptr;
    QToolButton* m_favoriteButton = nullptr;
};

// A folder of the sheet folder; its name is edited in place to rename the folder.
class TDashboardFolderCellViewController : public TDashboardCellViewController {
    Q_OBJECT
public:
    explicit TDashboardFolderCellViewController(const QString& path);

    QString path() const { return m_path; }
    QLineEdit* labelField() const { return m_labelField; }
    // Renames the folder; refuses names that are empty, hidden or not one path component, and
    // keeps the paths of the registered sheets inside it in step. False, with an alert, when the
    // folder was not renamed (a refused name restores the field).
    bool titleChanged(const QString& name);
    QString accessibleText() const override;

protected:
    void awakeFromNib(TDashboardCellView* view) override;

private:
    QString m_path;
    QLineEdit* m_labelField = nullptr;
};

// A dated task: its text, "Due ..." and the card it is in, with a button that shows it.
class TDashboardTaskCellViewController : public TDashboardCellViewController {
    Q_OBJECT
public:
    TDashboardTaskCellViewController(TTask* task, TJobslate* card);
    ~TDashboardTaskCellViewController() override;

    TTask* task() const { return m_task.get(); }
    QLabel* textField() const { return m_textField; }
    QLabel* statusField() const { return m_statusField; }
    QLabel* labelField() const { return m_labelField; }
    void updateDate();
    // Opens the program's own "goto" link of the task.
    void gotoEvent();
    QString accessibleText() const override;
    int rowHeight() const override { return 52; }

protected:
    void awakeFromNib(TDashboardCellView* view) override;

private:
    Ref<TTask> m_task;
    Ref<TJobslate> m_card;
    QLabel* m_textField = nullptr;
    QLabel* m_statusField = nullptr;
    QLabel* m_labelField = nullptr;
};

// An attachment row of a list card: a file or link with its icon and text, and a reveal button.
class TDashboardAttachmentCellViewController : public TDashboardCellViewController {
    Q_OBJECT
public:
    explicit TDashboardAttachmentCellViewController(TAttachment* attachment);
    ~TDashboardAttachmentCellViewController() override;

    TAttachment* attachment() const { return m_attachment.get(); }
    QLabel* imageView() const { return m_imageView; }
    QLabel* textField() const { return m_textField; }
    // Shows a file in the file manager, opens a link.
    void reveal();
    QString accessibleText() const override;

protected:
    void awakeFromNib(TDashboardCellView* view) override;
    void updateItemBar() override;

private:
    Ref<TAttachment> m_attachment;
    QLabel* m_imageView = nullptr;
    QLabel* m_textField = nullptr;
};

// The search field over the attachments.
class TDashboardFilterCellViewController : public TDashboardCellViewController {
    Q_OBJECT
public:
    TDashboardFilterCellViewController();
    QLineEdit* searchField() const { return m_searchField; }
    QStringList recentSearches() const { return m_recentSearches; }
    QString accessibleText() const override { return QStringLiteral("Search"); }

protected:
    void awakeFromNib(TDashboardCellView* view) override;

private:
    QLineEdit* m_searchField = nullptr;
    QStringList m_recentSearches;
};
