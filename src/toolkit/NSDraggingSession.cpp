#include "NSDraggingSession.h"

#include "NSBarItem.h"

#include <QCursor>
#include <QDrag>
#include <QPointer>

namespace {

// Runs a QDrag; the item's callbacks bracket it, with moves reported as the target changes.
class QtDraggingSession : public NSDraggingSession {
public:
    void beginDraggingSession(NSBarItem* source, std::unique_ptr<QMimeData> data, const QPixmap& image,
                              bool) override {
        QPointer<NSBarItem> item(source);
        auto* drag = new QDrag(source);
        drag->setMimeData(data.release());
        if (!image.isNull()) drag->setPixmap(image);
        QObject::connect(drag, &QDrag::targetChanged, source, [item] {
            if (item) item->draggingSessionMovedToPoint(QCursor::pos());
        });
        source->draggingSessionWillBegin(QCursor::pos());
        const Qt::DropAction action = drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
        drag->deleteLater();
        if (!item) return;
        quint64 operation = NSDragOperationNone;
        if (action == Qt::MoveAction || action == Qt::TargetMoveAction)
            operation = NSDragOperationMove;
        else if (action == Qt::CopyAction || action == Qt::LinkAction)
            operation = NSDragOperationCopy;
        item->draggingSessionEnded(QCursor::pos(), operation);
    }
};

NSDraggingSession* installed = nullptr;

} // namespace

NSDraggingSession& NSDraggingSession::shared() {
    static QtDraggingSession real;
    return installed ? *installed : real;
}

void NSDraggingSession::setShared(NSDraggingSession* session) {
    installed = session;
}

void RecordingDraggingSession::beginDraggingSession(NSBarItem* item, std::unique_ptr<QMimeData> mimeData,
                                                    const QPixmap& pixmap, bool slides) {
    source = item;
    data = std::move(mimeData);
    image = pixmap;
    slideBack = slides;
    ++count;
}
