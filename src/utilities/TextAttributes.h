#pragma once

#include <QColor>
#include <QFont>
#include <QPointF>
#include <Qt>
#include <optional>

// The types live in a namespace of their own: the rich-text attributes of platform/text are also
// called TextAttributes, and two classes of one name in one program would share their inline members.
namespace StringDrawing {

// A shadow behind drawn text or shapes. The defaults are the platform's: no blur, no offset,
// black at one third opacity.
struct Shadow {
    double blurRadius = 0;
    QPointF offset;
    QColor color = QColor::fromRgbF(0, 0, 0, 1.0f / 3.0f);
    friend bool operator==(const Shadow&, const Shadow&) = default;
};

// What a string is measured and drawn with. Unset fields take the defaults: the application's
// font, black, no shadow; paragraphs are left-aligned and wrap at words.
struct TextAttributes {
    std::optional<QFont> font;
    std::optional<QColor> foregroundColor;
    std::optional<Shadow> shadow;
    Qt::Alignment alignment = Qt::AlignLeft;
    bool wordWrap = true;
};

} // namespace StringDrawing

using StringDrawing::Shadow;
using StringDrawing::TextAttributes;
