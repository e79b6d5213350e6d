#include "Array.h"
#include "Dictionary.h"
#include "NotificationCenter.h"
#include "Object.h"
#include "TreeNode.h"

// Archivable classes of the collections, the tree node and the notification unit.
void RegisterMoreFoundationClasses() {
    RegisterClass(TTypeArray::StaticClass());
    RegisterClass(TObjectArray::StaticClass());
    RegisterClass(TReferenceArray::StaticClass());
    RegisterClass(TObjectDictionary::StaticClass());
    RegisterClass(TTypeDictionary::StaticClass());
    RegisterClass(TReferenceDictionary::StaticClass());
    RegisterClass(TPropertyList::StaticClass());
    RegisterClass(TTreeNode::StaticClass());
    RegisterClass(TNotification::StaticClass());
}
