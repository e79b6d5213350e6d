#pragma once

#include <QString>

// The texts a task gives its row and its calendar event.
namespace TaskTitles {
QString rowTitle(const QString& text);   // cut to 100 characters, then "..."
QString eventTitle(const QString& text); // a longer text keeps its first 127 characters
} // namespace TaskTitles
