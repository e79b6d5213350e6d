#include "HICommonThemes.h"

#include "CGDrawing.h"
#include "CGImages.h"
#include "CGUtilities.h"

#include <QDir>
#include <cmath>

namespace HICommonThemes {

using namespace CGUtilities;

namespace {

template <size_t N>
std::array<QImage, N> loadByPath(const QString& folder, const std::array<QString, N>& names) {
    std::array<QImage, N> images;
    for (size_t i = 0; i < N; ++i) images[i] = CGImageCreateWithPath(QDir(folder).filePath(names[i]));
    return images;
}

template <size_t N>
std::array<QImage, N> loadByRef(const FSRef& folder, const std::array<QString, N>& names) {
    std::array<QImage, N> images;
    if (folder.isNull()) return images;
    for (size_t i = 0; i < N; ++i)
        images[i] = CGImageCreateWithFSRef(FSRef{QDir(folder.path).filePath(names[i])});
    return images;
}

HITheme3PartImage threeOf(const std::array<QImage, 3>& a) {
    return {a[0], a[1], a[2]};
}

int pixelWidth(const QImage& image) {
    return image.isNull() ? 0 : image.width();
}
int pixelHeight(const QImage& image) {
    return image.isNull() ? 0 : image.height();
}

} // namespace

HITheme3PartImage HIThemeLoad3PartImage(const QString& folderPath) {
    return threeOf(loadByPath(folderPath, k3PartFileNames));
}

HITheme3PartImage HIThemeLoad3PartImage(const FSRef& folder) {
    return threeOf(loadByRef(folder, k3PartFileNames));
}

HITheme9PartImage HIThemeLoad9PartImage(const QString& folderPath) {
    return {loadByPath(folderPath, k9PartFileNames)};
}

HITheme9PartImage HIThemeLoad9PartImage(const FSRef& folder) {
    return {loadByRef(folder, k9PartFileNames)};
}

HIThemePushButtonImages HIThemeLoadPushButtonImages(const FSRef& folder) {
    const auto a = loadByRef(folder, kPushButtonFileNames);
    return {a[0], a[1], a[2], a[3], a[4], a[5]};
}

HIThemeSquareButtonImages HIThemeLoadSquareButtonImages(const FSRef& folder) {
    return HIThemeLoad9PartImage(folder);
}

HITheme9PartImage HIThemeLoadGridImage(const QString& imagePath, int cellSize) {
    HITheme9PartImage record;
    const QImage image = CGImageCreateWithPath(imagePath);
    if (image.isNull()) return record;
    const int cell = cellSize > 0 ? cellSize : image.width() / 3;
    if (cell <= 0) return record;
    // Halves round to even, as the default rounding mode does.
    const int rows = static_cast<int>(std::nearbyint(static_cast<double>(image.height()) / cell));
    const int cols = static_cast<int>(std::nearbyint(static_cast<double>(image.width()) / cell));
    for (int i = 0; i < std::min(rows, 3); ++i)
        for (int j = 0; j < std::min(cols, 3); ++j)
            record.images[static_cast<size_t>(3 * i + j)] = image.copy(cell * j, cell * i, cell, cell);
    return record;
}

HITheme3PartImage HIThemeRetain3PartImage(const HITheme3PartImage& record) {
    return record;
}

HITheme9PartImage HIThemeRetain9PartImage(const HITheme9PartImage& record) {
    return record;
}

void HIThemeRelease3PartImage(HITheme3PartImage& record) {
    record = {};
}

void HIThemeRelease9PartImage(HITheme9PartImage& record) {
    record = {};
}

void HIThemeDrawImage(QPainter& context, const QRectF& rect, const QImage& image) {
    const QRectF r = CGRectTruncate(rect);
    if (image.isNull() || !(r.width() > 0) || !(r.height() > 0)) return;
    context.drawImage(r, image);
}

void HIThemeDrawCustomButton(QPainter& context, const QImage& left, const QImage& center, const QImage& right,
                             const QRectF& rect) {
    const QRectF r = CGRectTruncate(rect);
    const double lw = pixelWidth(left), rw = pixelWidth(right);
    const QRectF centerRect(r.x() + lw, r.y(), r.width() - (lw + rw), pixelHeight(center));
    HIThemeDrawImage(context, QRectF(r.x(), r.y(), lw, pixelHeight(left)), left);
    HIThemeDrawImage(context, centerRect, center);
    HIThemeDrawImage(context, QRectF(centerRect.x() + centerRect.width(), r.y(), rw, pixelHeight(right)),
                     right);
}

void HIThemeDrawCustomButtonVertically(QPainter& context, const QImage& top, const QImage& middle,
                                       const QImage& bottom, const QRectF& rect) {
    const QRectF r = CGRectTruncate(rect);
    const double th = pixelHeight(top), bh = pixelHeight(bottom);
    HIThemeDrawImage(context, QRectF(r.x(), r.y(), pixelWidth(top), th), top);
    HIThemeDrawImage(context, QRectF(r.x(), r.y() + th, pixelWidth(middle), r.height() - (th + bh)), middle);
    HIThemeDrawImage(context, QRectF(r.x(), r.y() + r.height() - bh, pixelWidth(bottom), bh), bottom);
}

void HIThemeDraw3PartImage(QPainter& context, const HITheme3PartImage& record, const QRectF& rect) {
    HIThemeDrawCustomButton(context, record.left, record.center, record.right, CGRectTruncate(rect));
}

void HIThemeDrawPushButton(QPainter& context, const HITheme3PartImage& record, const QRectF& rect) {
    HIThemeDraw3PartImage(context, record, rect);
}

void HIThemeDrawPushButtonVertically(QPainter& context, const HITheme3PartImage& record, const QRectF& rect) {
    HIThemeDrawCustomButtonVertically(context, record.left, record.center, record.right,
                                      CGRectTruncate(rect));
}

int HITheme9PartCornerSize(const HITheme9PartImage& record) {
    for (size_t slot : {0, 2, 6, 8})
        if (const int c = pixelWidth(record.images[slot])) return c;
    return 0;
}

void HIThemeDraw9PartImage(QPainter& context, const HITheme9PartImage& record, const QRectF& rect) {
    const QRectF r = CGRectTruncate(rect);
    const double c = HITheme9PartCornerSize(record);
    const double xs[3] = {r.x(), r.x() + c, r.x() + r.width() - c};
    const double ws[3] = {c, r.width() - 2 * c, c};
    const double ys[3] = {r.y(), r.y() + c, r.y() + r.height() - c};
    const double hs[3] = {c, r.height() - 2 * c, c};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            HIThemeDrawImage(context, QRectF(xs[col], ys[row], ws[col], hs[row]),
                             record.images[static_cast<size_t>(3 * row + col)]);
}

void HIThemeDrawSquareButton(QPainter& context, const HITheme9PartImage& record, const QRectF& rect) {
    HIThemeDraw9PartImage(context, record, rect);
}

void HIThemeDrawProgressRing(double fraction, const ATSURGBAlphaColor& colour, const QRectF& rect,
                             QPainter& context) {
    context.save();
    CGContextSetRGBFillColor(context, CGRGBColorSetAlpha(colour, 0.1));
    CGContextFillOval(context, rect);
    CGContextSetRGBFillColor(context, colour);
    CGContextFillArc(context, rect, 0, static_cast<qint32>(std::lround(fraction * 360)));
    QPen pen(CGColorCreateRGB(CGRGBColorSetAlpha(colour, 0.9)), 1);
    context.setPen(pen);
    CGContextStrokeOval(context, rect);
    context.restore();
}

void HIThemeDrawProgressRing(double fraction, int state, const QRectF& rect, QPainter& context) {
    context.save();
    if (state == 0)
        context.setOpacity(0.5);
    else if (state == 2)
        context.setCompositionMode(QPainter::CompositionMode_Multiply);
    else
        context.setOpacity(0.8);
    HIThemeDrawProgressRing(fraction, CGRGBColorMake(0, 0.3, 0.8, 0.5), rect, context);
    context.restore();
}

} // namespace HICommonThemes
