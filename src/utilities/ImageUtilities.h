#pragma once

#include "CGImages.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QUrl>

// What the program needs of its images beyond CGUtilities: filtered copies (the colour inversion of
// icons on dark card styles), copies at an opacity, scaled and grey copies, loading from the
// resources and with a double-resolution sibling, system icons, encoding, blended and etched drawing.
//
// An image's point size is its pixel size divided by its device pixel ratio; copies keep the point
// size. A "template" image (one the system tints) carries the text key "template" = "1". Null images
// mean "none". Stateless.
namespace ImageUtilities {

inline const QString kTemplateKey = QStringLiteral("template");

// Conversions and copies.
QImage CGImage(const QImage& image); // the pixels as they are
QImage CGImageWithSize(const QImage& image, const QSizeF& size);
QImage imageWithCGImage(const QImage& image); // point size = pixel size
// Null when the filter copy fails or the filter is unknown.
QImage imageByApplyingFilter(const QImage& image, const CGUtilities::CIFilter& filter);
QImage imageByApplyingFilterNamed(const QImage& image, const QString& name);
QImage invertedImage(const QImage& image);
QImage imageWithTransparency(const QImage& image, double fraction);
QImage imageByScalingToSize(const QImage& image, const QSizeF& size); // pixel size = size; template kept
// A grey copy without alpha (transparent parts turn black) for the grey colour spaces
// ("NSCalibratedWhiteColorSpace", "NSDeviceWhiteColorSpace"); null for any other name.
QImage imageByApplyingColorSpace(const QImage& image, const QString& colourSpaceName);
double width(const QImage& image);  // points
double height(const QImage& image); // points
bool isTemplate(const QImage& image);
QImage templateNamed(const QString& name); // a resource image by file name, marked template

// Loading. The relative path or name and extension name a file of the resources folder.
QImage initWithResource(const QString& relativePath);
QImage initWithResource(const QString& name, const QString& extension);
QImage imageWithResource(const QString& relativePath);
QImage imageWithResourceOfType(const QString& name, const QString& extension);
// The image of the URL, then, when "<name>@2x.<extension>" lies beside it, that image as a second
// representation of the same point size (device pixel ratio = its width / the first's width).
// Empty when the first cannot be read.
QList<QImage> initRetinaImageWithContentsOfURL(const QUrl& url);
// The icon theme's icon of a four-character type ('fldr', 'docu', ...) at 128 pixels; null when the
// type has no icon.
QImage imageWithSystemIcon(quint32 type);

// Encoding and drawing. Null on any failure (an unknown type included).
QByteArray dataForType(const QImage& image, const QString& type);
enum class BitmapImageFileType { TIFF, BMP, GIF, JPEG, PNG, JPEG2000 };
QByteArray dataForRepresentation(const QImage& image, BitmapImageFileType type); // best quality
// Writes the file whole; false when there is nothing to write or the write fails.
bool writeToFile(const QImage& image, const QString& path, BitmapImageFileType type);
void drawInRect(QPainter& painter, const QImage& image, const QRectF& rect, QPainter::CompositionMode mode,
                double fraction);
// The shape of the image's alpha drawn etched: a grey gradient, a light edge below and a shadow
// inside at the top.
void drawEtchedInRect(QPainter& painter, const QImage& image, const QRectF& rect);
// The values drawEtchedInRect picks for a rect width: the highlight's distance below the shape and
// the inner shadow's blur.
double etchedHighlightOffset(double width);
double etchedInnerShadowBlur(double width);

} // namespace ImageUtilities
