#include "TaskTitles.h"

#include "utilities/StringUtilities.h"

namespace TaskTitles {
QString rowTitle(const QString& text) {
    return StringUtilities::stringByTruncatingCharacters(text, 100);
}
QString eventTitle(const QString& text) {
    return StringUtilities::stringWithMaximumLength(text, 128);
}
} // namespace TaskTitles
