#pragma once

#include "foundation/EventHandler.h"

#include <QList>

// A hot-key handler that records the number of every press it handles.
class TCountingHotKeys : public THotKeyHandler {
    T_OBJECT(TCountingHotKeys, THotKeyHandler)
public:
    QList<quint32> pressed;
    void EventHotKeyPressed(EventHotKeyID hotKey, qint32& result) override {
        pressed << hotKey.id;
        result = 0;
    }

protected:
    TCountingHotKeys() = default;
};
