#pragma once

#include <QColor>
#include <QFont>
#include <QPointF>
#include <Qt>
#include <optional>

// A shadow behind drawn text or shapes. The defaults are the platform's: no blur, no offset,
// black at one third opacity.
struct Shadow {
    double blurRadius = 0;
    QPointF offset;
    QColor color = QColor::fromRgbF(0, 0, 0, 1.0f / 3.0f);
    friend bool operator==(const Shadow&, const Shadow&) = default;
};

// What a string is measured and drawn with. Unset fields take the defaults: the application's
// font, black, no shadow; paragraphs are left-aligned and wrap at words. In a namespace of its own
// so that it never shares a linker name with the attributed strings' TextAttributes.
namespace DrawingText {
struct TextAttributes {
    std::optional<QFont> font;
    std::optional<QColor> foregroundColor;
    std::optional<Shadow> shadow;
    Qt::Alignment alignment = Qt::AlignLeft;
    bool wordWrap = true;
};
} // namespace DrawingText
using DrawingText::TextAttributes;
