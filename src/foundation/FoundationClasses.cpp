#include "Object.h"

// Archivable classes of the collections and notification units.
void RegisterMoreFoundationClasses() {}
