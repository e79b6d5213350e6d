#pragma once

#include "toolkit/DelegatePointer.h"
#include "toolkit/NSDraggingInfo.h"

#include <QImage>
#include <QWidget>

class QPainter;
class TArrayValue;
class TStack;
class TStackImageView;

// What a stack image view asks about card drags over it.
class TStackImageViewDelegate {
public:
    virtual ~TStackImageViewDelegate() = default;
    virtual NSDragOperation stackImageViewDraggingEntered(TStackImageView* view,
                                                          const NSDraggingInfo& info) = 0;
    virtual bool stackImageViewPerformDragOperation(TStackImageView* view, const NSDraggingInfo& info) = 0;
};

// The face of a stack window: the cards of the stack's sheet piled on one another, each drawn from
// its preview image. The picture is made on the first paint and kept until reloadImage. Takes drags
// of cards ("TCard.wrapper") and asks its delegate about them; while the delegate offers an
// operation the picture is highlighted. A double click emits doubleClicked; dragging the view moves
// its window. The stack is not retained (its window's controller holds it); the delegate is not
// owned. Main thread only.
class TStackImageView : public QWidget {
    Q_OBJECT
public:
    explicit TStackImageView(TStack* stack, QWidget* parent = nullptr);

    TStack* stack() const { return m_stack; }
    void setDelegate(TStackImageViewDelegate* delegate) { m_delegate = delegate; }
    // The picture as last made; null before the first paint and when the sheet has no cards.
    QImage stackImage() const { return m_stackImage; }
    quint64 dragOperation() const { return m_dragOperation; }
    // Drops the picture, so the next paint makes it again from the cards as they are now.
    void reloadImage();

    // The drag protocol; Qt's drag events come through here.
    NSDragOperation draggingEntered(const NSDraggingInfo& info);
    NSDragOperation draggingUpdated(const NSDraggingInfo& info) const;
    void draggingExited();
    bool performDragOperation(const NSDraggingInfo& info);

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void makeStackImage();

    TStack* m_stack;
    QImage m_stackImage;
    quint64 m_dragOperation = NSDragOperationNone;
    DelegatePointer<TStackImageViewDelegate> m_delegate;
};

namespace StackWindow {
// Draws the item card's preview image into the rect.
void DrawStackedCardsCallback(QPainter& context, const QRectF& rect, const TArrayValue& item, void* userData);
} // namespace StackWindow
