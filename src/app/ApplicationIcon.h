#pragma once

#include <QIcon>

// The program's icon (a card with ticked rows), painted at the usual sizes; the same picture as the
// installed desktop icon, drawn here so no image plugin is needed.
QIcon ApplicationIcon();
