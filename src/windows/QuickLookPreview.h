#pragma once

#include <QImage>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QStackedWidget;

// The items a preview shows, by index (the outline offers its selected link rows).
class QuickLookDataSource {
public:
    virtual ~QuickLookDataSource() = default;
    virtual qint64 numberOfPreviewItems() = 0;
    virtual QUrl previewItemURL(qint64 index) = 0;
    // The window title for the item: the last part of its path unless the source says otherwise.
    virtual QString previewItemTitle(qint64 index);
};

// A window that can hand the preview to what it shows (the card window gives it the selected
// card's content).
class QuickLookPanelController {
public:
    virtual ~QuickLookPanelController() = default;
    virtual bool acceptsPreviewPanelControl() = 0;
    virtual void beginPreviewPanelControl(class QuickLookPreview* panel) = 0;
    virtual void endPreviewPanelControl(class QuickLookPreview* /*panel*/) {}
};

// The program's one preview window: images and plain text are shown in it, every other kind (and
// every link that is not a local file) is opened with the desktop's default program through the
// platform workspace. Left and right step through the source's items; Escape or space closes it.
// Made on first use and kept until exit. Main thread only.
class QuickLookPreview : public QWidget {
    Q_OBJECT
public:
    enum class Kind { None, Image, Text, External };

    static QuickLookPreview* shared();
    static bool exists();

    // What the item is shown as: a local image or text file in the window, other local files and
    // links by the default program, nothing for a file that is not there.
    static Kind kindOf(const QUrl& url);
    // Texts longer than this are shown cut.
    static constexpr qint64 kTextLimit = 1 << 20;

    // The source (a QObject that is a QuickLookDataSource; null clears it). Not owned; forgotten
    // when it is deleted.
    void setDataSource(QObject* source);
    QuickLookDataSource* dataSource() const;

    qint64 currentPreviewItemIndex() const { return m_index; }
    void setCurrentPreviewItemIndex(qint64 index);
    // Shows the current item again (its index kept inside the source's items).
    void reloadData();
    // Lets the window of the widget take control (when it accepts), then shows the current item.
    void makeKeyAndOrderFront(QWidget* from = nullptr);
    // Closes the window and gives control back.
    void orderOut();

    Kind shownKind() const { return m_shownKind; }
    QImage shownImage() const { return m_shownImage; }
    QString shownText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QuickLookPreview();
    void showCurrentItem();

    QPointer<QObject> m_source;
    QuickLookPanelController* m_controller = nullptr;
    QPointer<QObject> m_controllerObject;
    qint64 m_index = 0;
    Kind m_shownKind = Kind::None;
    QImage m_shownImage;
    QStackedWidget* m_pages;
    QLabel* m_imageLabel;
    QPlainTextEdit* m_textView;
};
