#include "MemoleafViewController.h"

#include "windows/CardWindow.h"
#include "windows/CardWindowController.h"

void TMemoleafViewController::forwardBackgroundColor(TCardControllerProtocol* owner, const QColor& colour) {
    if (auto* controller = dynamic_cast<TCardWindowController*>(owner))
        controller->changeBackgroundColor(QVariant::fromValue(colour));
}
