#pragma once

#include <QMimeData>
#include <QPointF>
#include <QtGlobal>

// Drag operations, with the values the bars and their delegates exchange.
enum NSDragOperation : quint64 {
    NSDragOperationNone = 0,
    NSDragOperationCopy = 1,
    NSDragOperationMove = 16,
    NSDragOperationDelete = 32,
};

// What a drop target learns of a drag: its data (not owned; valid during the call) and the pointer
// in the receiving bar's coordinates. Qt's drag events are turned into this; tests make their own.
struct NSDraggingInfo {
    const QMimeData* pasteboard = nullptr;
    QPointF location;
};
