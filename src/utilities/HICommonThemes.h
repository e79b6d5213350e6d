#pragma once

#include "platform/CoreTypes.h"

#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <array>

// Image skins stretched over rectangles: 3-part skins (two caps and a stretched middle, laid out
// across or down), 9-part skins (four corners, four stretched edges and a stretched centre), button
// skins with pressed images, and a progress ring. Skins load from a folder of PNG files, one per
// part; a missing file leaves its part null and loading never fails as a whole. Records hold their
// images by value. Drawing is top-down: the "top" row lies at the rect's top edge.
namespace HICommonThemes {

struct HITheme3PartImage {
    QImage left, center, right; // top, middle and bottom in the vertical layout
};

// Top left, top centre, top right, middle left, ..., bottom right.
struct HITheme9PartImage {
    std::array<QImage, 9> images;
};
using HIThemeSquareButtonImages = HITheme9PartImage;

struct HIThemePushButtonImages {
    QImage left, center, right, leftPressed, centerPressed, rightPressed;
};

// The file names of the parts, in record order.
inline const std::array<QString, 3> k3PartFileNames{QStringLiteral("left.png"), QStringLiteral("center.png"),
                                                    QStringLiteral("right.png")};
inline const std::array<QString, 9> k9PartFileNames{
    QStringLiteral("top_left.png"),      QStringLiteral("top_center.png"),
    QStringLiteral("top_right.png"),     QStringLiteral("middle_left.png"),
    QStringLiteral("middle_center.png"), QStringLiteral("middle_right.png"),
    QStringLiteral("bottom_left.png"),   QStringLiteral("bottom_center.png"),
    QStringLiteral("bottom_right.png")};
inline const std::array<QString, 6> kPushButtonFileNames{
    QStringLiteral("left.png"),           QStringLiteral("center.png"),
    QStringLiteral("right.png"),          QStringLiteral("left_pressed.png"),
    QStringLiteral("center_pressed.png"), QStringLiteral("right_pressed.png")};

// Loading from a folder, by path or by reference.
HITheme3PartImage HIThemeLoad3PartImage(const QString& folderPath);
HITheme3PartImage HIThemeLoad3PartImage(const FSRef& folder);
HITheme9PartImage HIThemeLoad9PartImage(const QString& folderPath);
HITheme9PartImage HIThemeLoad9PartImage(const FSRef& folder);
HIThemePushButtonImages HIThemeLoadPushButtonImages(const FSRef& folder);
HIThemeSquareButtonImages HIThemeLoadSquareButtonImages(const FSRef& folder);
// One image cut into square cells from its top-left corner (cell size 0: a third of its width); the
// first three rows and columns fill the record, the rest is dropped. Empty when the image cannot be
// read or a cell would be empty.
HITheme9PartImage HIThemeLoadGridImage(const QString& imagePath, int cellSize);

// Images are shared values: retaining copies the record, releasing empties it.
HITheme3PartImage HIThemeRetain3PartImage(const HITheme3PartImage& record);
HITheme9PartImage HIThemeRetain9PartImage(const HITheme9PartImage& record);
void HIThemeRelease3PartImage(HITheme3PartImage& record);
void HIThemeRelease9PartImage(HITheme9PartImage& record);

// Drawing. Rects are truncated to whole numbers; a part whose rect has no width or height is left
// out; a null part draws nothing.
void HIThemeDrawImage(QPainter& context, const QRectF& rect, const QImage& image);
// Across: the caps keep their own sizes (the right one ends at the rect's right edge), the centre
// stretches between them; every piece keeps its image's own height.
void HIThemeDrawCustomButton(QPainter& context, const QImage& left, const QImage& center, const QImage& right,
                             const QRectF& rect);
// Down: the top and bottom keep their heights, the middle stretches; widths are the images' own.
void HIThemeDrawCustomButtonVertically(QPainter& context, const QImage& top, const QImage& middle,
                                       const QImage& bottom, const QRectF& rect);
void HIThemeDraw3PartImage(QPainter& context, const HITheme3PartImage& record, const QRectF& rect);
void HIThemeDrawPushButton(QPainter& context, const HITheme3PartImage& record, const QRectF& rect);
void HIThemeDrawPushButtonVertically(QPainter& context, const HITheme3PartImage& record, const QRectF& rect);
// Corners of c x c, c the pixel width of the top-left image (else of the top-right, bottom-left,
// bottom-right one); edges and centre stretched.
void HIThemeDraw9PartImage(QPainter& context, const HITheme9PartImage& record, const QRectF& rect);
void HIThemeDrawSquareButton(QPainter& context, const HITheme9PartImage& record, const QRectF& rect);
int HITheme9PartCornerSize(const HITheme9PartImage& record);

// A faint disc, a pie of fraction x 360 whole degrees clockwise from twelve o'clock in the colour,
// and a ring around it. The state form: 0 at half opacity, 2 multiplied, else at 0.8 opacity, in
// the colour (0, 0.3, 0.8, 0.5).
void HIThemeDrawProgressRing(double fraction, const ATSURGBAlphaColor& colour, const QRectF& rect,
                             QPainter& context);
void HIThemeDrawProgressRing(double fraction, int state, const QRectF& rect, QPainter& context);

} // namespace HICommonThemes
