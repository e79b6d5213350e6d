#include "StackImageView.h"

#include "model/Card.h"
#include "model/Globals.h"
#include "model/Sheet.h"
#include "model/Stack.h"
#include "utilities/CocoaUtilities.h"
#include "utilities/PasteboardUtilities.h"
#include "utilities/StackImageGenerator.h"

#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace {
bool carriesCard(const QMimeData* data) {
    return data && data->hasFormat(PasteboardUtilities::mimeTypeForType(NSPasteboardTypeCardWrapper));
}
} // namespace

void StackWindow::DrawStackedCardsCallback(QPainter& context, const QRectF& rect, const TArrayValue& item,
                                           void* /*userData*/) {
    const TCard* card = item;
    if (!card) return;
    const QImage preview = card->GetPreviewImage();
    if (!preview.isNull()) context.drawImage(rect, preview);
}

TStackImageView::TStackImageView(TStack* stack, QWidget* parent) : QWidget(parent), m_stack(stack) {
    setAcceptDrops(true);
    setFocusPolicy(Qt::ClickFocus);
}

void TStackImageView::reloadImage() {
    m_stackImage = QImage();
    update();
    // The window's shadow follows the picture on its own under a compositor.
    if (window() != this) window()->update();
}

void TStackImageView::makeStackImage() {
    TSheet* sheet = m_stack ? m_stack->GetSheet() : nullptr;
    if (!sheet) return;
    const qreal ratio = devicePixelRatioF();
    m_stackImage = StackImageGenerator::CompositeStackImageFromItems(
        StackImageGenerator::kStackLayoutPile, sheet->GetCards(), true, StackWindow::DrawStackedCardsCallback,
        m_stack, QSizeF(size()) * ratio);
    if (!m_stackImage.isNull()) m_stackImage.setDevicePixelRatio(ratio);
}

void TStackImageView::paintEvent(QPaintEvent* /*event*/) {
    if (m_stackImage.isNull()) makeStackImage();
    if (m_stackImage.isNull()) return;
    QPainter painter(this);
    painter.drawImage(QRectF(rect()), m_stackImage);
    if (m_dragOperation != NSDragOperationNone) {
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        painter.setOpacity(0.5);
        painter.drawImage(QRectF(rect()), m_stackImage);
        painter.restore();
    }
}

NSDragOperation TStackImageView::draggingEntered(const NSDraggingInfo& info) {
    m_dragOperation =
        m_delegate ? m_delegate->stackImageViewDraggingEntered(this, info) : NSDragOperationNone;
    update();
    return static_cast<NSDragOperation>(m_dragOperation);
}

NSDragOperation TStackImageView::draggingUpdated(const NSDraggingInfo& /*info*/) const {
    return static_cast<NSDragOperation>(m_dragOperation);
}

void TStackImageView::draggingExited() {
    m_dragOperation = NSDragOperationNone;
    update();
}

bool TStackImageView::performDragOperation(const NSDraggingInfo& info) {
    const bool accepted = m_delegate && m_delegate->stackImageViewPerformDragOperation(this, info);
    m_dragOperation = NSDragOperationNone;
    update();
    return accepted;
}

void TStackImageView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && window()->windowHandle())
        window()->windowHandle()->startSystemMove();
    QWidget::mousePressEvent(event);
}

void TStackImageView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit doubleClicked();
}

void TStackImageView::keyPressEvent(QKeyEvent* event) {
    CocoaUtilities::NSShow(QStringLiteral("key %1 \"%2\" modifiers %3")
                               .arg(event->key())
                               .arg(event->text())
                               .arg(event->modifiers().toInt()));
}

void TStackImageView::dragEnterEvent(QDragEnterEvent* event) {
    if (!carriesCard(event->mimeData())) return event->ignore();
    const NSDragOperation operation = draggingEntered(NSDraggingInfo{event->mimeData(), event->position()});
    if (operation == NSDragOperationNone) return event->ignore();
    event->acceptProposedAction();
}

void TStackImageView::dragMoveEvent(QDragMoveEvent* event) {
    if (draggingUpdated(NSDraggingInfo{event->mimeData(), event->position()}) == NSDragOperationNone)
        return event->ignore();
    event->acceptProposedAction();
}

void TStackImageView::dragLeaveEvent(QDragLeaveEvent* /*event*/) {
    draggingExited();
}

void TStackImageView::dropEvent(QDropEvent* event) {
    if (performDragOperation(NSDraggingInfo{event->mimeData(), event->position()}))
        event->acceptProposedAction();
    else
        event->ignore();
}
