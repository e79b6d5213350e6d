#include "Array.h"
#include "NotificationCenter.h"
#include "Object.h"

// Archivable classes of the collections and notification units.
void RegisterMoreFoundationClasses() {
    RegisterClass(TTypeArray::StaticClass());
    RegisterClass(TObjectArray::StaticClass());
    RegisterClass(TNotification::StaticClass());
}
