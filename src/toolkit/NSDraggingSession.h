#pragma once

#include "NSDraggingInfo.h"

#include <QPixmap>
#include <QPointF>
#include <memory>

class NSBarItem;

// Runs a drag whose source is a bar item. The source's callbacks are the item's
// draggingSessionWillBegin, draggingSessionMovedToPoint and draggingSessionEnded; a session calls
// them in that order. The real session runs a QDrag (which blocks until the drop); tests install a
// RecordingDraggingSession and drive the callbacks themselves. Main thread only.
class NSDraggingSession {
public:
    virtual ~NSDraggingSession() = default;

    // The session in force: the QDrag one unless a test installed another.
    static NSDraggingSession& shared();
    // Installs a session (not owned); null restores the real one.
    static void setShared(NSDraggingSession* session);

    // Starts a drag of the data (ownership passes to the session). slideBack: a refused drop
    // animates the image back to its source.
    virtual void beginDraggingSession(NSBarItem* source, std::unique_ptr<QMimeData> data,
                                      const QPixmap& image, bool slideBack) = 0;
};

// Keeps the data of the last drag and calls nothing: the test sends the source's callbacks.
class RecordingDraggingSession : public NSDraggingSession {
public:
    RecordingDraggingSession() { setShared(this); }
    ~RecordingDraggingSession() override { setShared(nullptr); }
    void beginDraggingSession(NSBarItem* source, std::unique_ptr<QMimeData> data, const QPixmap& image,
                              bool slideBack) override;

    NSBarItem* source = nullptr;
    std::unique_ptr<QMimeData> data;
    QPixmap image;
    bool slideBack = false;
    int count = 0;
};
