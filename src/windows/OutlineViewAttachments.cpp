// The outline controller's attachment rows (files, pictures, links), their preview and the card
// colour.

#include "windows/OutlineViewController.h"

#include "model/Card.h"
#include "model/CardItems.h"
#include "model/Globals.h"
#include "platform/PanelPresenter.h"
#include "platform/Scheduler.h"
#include "windows/CardItemRowViewController.h"
#include "windows/CardWindowController.h"

#include <QColorDialog>
#include <QFileInfo>
#include <QImageReader>

namespace {

const QString kShowLinkInfo = QStringLiteral("showLinkInfo");
// Edited at once in the link popover.
const QUrl kPlaceholderURL(QStringLiteral("https://www.example.com/"));

OpenPanel attachmentPanel() {
    OpenPanel panel;
    panel.canChooseFiles = true;
    panel.allowsMultipleSelection = true;
    panel.canCreateDirectories = false;
    return panel;
}

} // namespace

QList<TCardItem*> TOutlineViewController::selectedItems() {
    QList<TCardItem*> items;
    for (qint32 row : browser()->selectedRows())
        if (TCardItem* item = m_browser->itemAtRow(row)) items << item;
    return items;
}

QList<TCardItem*> TOutlineViewController::styledItems() {
    QList<TCardItem*> items = selectedItems();
    if (items.isEmpty())
        if (TCardItem* focused = itemForFirstResponder()) items << focused;
    return items;
}

void TOutlineViewController::insertChosenPaths(OpenPanel& panel,
                                               const std::function<TCardItem*(const QString&)>& make) {
    QPointer<TOutlineViewController> self(this);
    const int answer = PanelPresenter::shared().runModal(panel, view());
    // The panel ran its own event loop: the card may have closed or a filter come up meanwhile.
    if (!self || answer != NSModalResponseOK || !isBrowserEditable()) return;
    for (const QString& path : panel.chosenPaths) {
        Ref<TCardItem> item = Ref<TCardItem>::adopt(make(path));
        // Each row goes after the one inserted before it, which now has the focus.
        if (item) insertItem(item.get(), insertionParent(), insertionIndex() + 1);
    }
}

void TOutlineViewController::addFile() {
    if (refuseWhenNotEditable()) return;
    OpenPanel panel = attachmentPanel();
    panel.canChooseDirectories = true;
    insertChosenPaths(panel, [](const QString& path) -> TCardItem* { return TFileAttachment::Create(path); });
}

void TOutlineViewController::addImage() {
    if (refuseWhenNotEditable()) return;
    OpenPanel panel = attachmentPanel();
    panel.canChooseDirectories = false;
    for (const QByteArray& type : QImageReader::supportedMimeTypes())
        panel.allowedMimeTypes << QString::fromLatin1(type);
    insertChosenPaths(panel, [](const QString& path) -> TCardItem* {
        // Only a regular file is read: a pipe or a device would block or never end.
        if (!QFileInfo(path).isFile()) return nullptr;
        const QImage image = QImageReader(path).read();
        return image.isNull() ? nullptr : TImageAttachment::Create(image);
    });
}

void TOutlineViewController::addURL() {
    if (refuseWhenNotEditable()) return;
    Ref<TCardItem> item = Ref<TCardItem>::adopt(TURLAttachment::Create(kPlaceholderURL));
    insertItem(item.get(), insertionParent(), insertionIndex() + 1);
    selectItem(item.get());
    QPointer<TOutlineViewController> self(this);
    Scheduler::shared().performAfterDelay(this, kShowLinkInfo, 0.0, [self, item] {
        if (!self || self->browser()->rowForItem(item.get()) < 0) return;
        if (TCardItemRowViewController* row = self->browser()->ensureController(item.get())) row->showInfo();
    });
}

void TOutlineViewController::changeColor(const QColor& color) {
    const QList<TCardItem*> items = selectedItems();
    for (TCardItem* item : items) changeColor(color, item);
    if (!items.isEmpty() || !card()) return;
    if (auto* window = dynamic_cast<TCardWindowController*>(owner()))
        window->changeBackgroundColor(QVariant::fromValue(color));
}

void TOutlineViewController::changeCardColor() {
    browser()->deselectAll();
    auto* panel = new QColorDialog(card() ? card()->GetColor() : QColor(Qt::white), view());
    panel->setOption(QColorDialog::ShowAlphaChannel);
    panel->setOption(QColorDialog::NoButtons);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    connect(panel, &QColorDialog::currentColorChanged, this,
            [this](const QColor& color) { changeColor(color); });
    panel->show();
}

void TOutlineViewController::previewSelectedRows() {
    QuickLookPreview* panel = QuickLookPreview::shared();
    // A card window hands the preview to its content, which is this outline; the same outside one.
    panel->setDataSource(this);
    panel->setCurrentPreviewItemIndex(0);
    panel->makeKeyAndOrderFront(browser());
}

qint64 TOutlineViewController::numberOfPreviewItems() {
    qint64 count = 0;
    for (TCardItem* item : selectedItems())
        if (dynamic_cast<TURLAttachment*>(item)) ++count;
    return count;
}

QUrl TOutlineViewController::previewItemURL(qint64 index) {
    for (TCardItem* item : selectedItems()) {
        auto* link = dynamic_cast<TURLAttachment*>(item);
        if (link && index-- == 0) return link->GetURL();
    }
    return QUrl();
}
