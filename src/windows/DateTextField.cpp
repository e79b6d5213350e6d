#include "windows/DateTextField.h"

#include "utilities/CocoaUtilities.h"

#include <QFontMetricsF>
#include <QLocale>
#include <cmath>

NSDateTextField::NSDateTextField(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    connect(this, &QLineEdit::textChanged, this, [this] { textDidChange(); });
    connect(this, &QLineEdit::editingFinished, this, [this] { textShouldEndEditing(); });
}

void NSDateTextField::textDidChange() {
    const double width = QFontMetricsF(font()).horizontalAdvance(text()) + 4.0;
    setGeometry(x(), y(), int(std::ceil(width)), height());
}

bool NSDateTextField::textShouldEndEditing() {
    const QLocale locale;
    CocoaUtilities::NSShow(QVariant(text()));
    CocoaUtilities::NSShow(QVariant(locale.toDateTime(text(), QLocale::ShortFormat)));
    return true;
}
