#include "ImageUtilities.h"

#include "CGDrawing.h"
#include "CGUtilities.h"
#include "foundation/CarbonUtilities.h"
#include "platform/AtomicFile.h"
#include "platform/Diagnostics.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QImageWriter>
#include <QLinearGradient>

namespace ImageUtilities {

using namespace CGUtilities;

namespace {

// A copy of result with the point size and template mark of source.
QImage withPointSizeOf(QImage result, const QImage& source) {
    if (result.isNull()) return result;
    result.setDevicePixelRatio(source.devicePixelRatio() * result.width() / std::max(1, source.width()));
    result.setText(kTemplateKey, source.text(kTemplateKey));
    return result;
}

QByteArray formatOf(BitmapImageFileType type) {
    switch (type) {
    case BitmapImageFileType::TIFF:
        return "tiff";
    case BitmapImageFileType::BMP:
        return "bmp";
    case BitmapImageFileType::GIF:
        return "gif";
    case BitmapImageFileType::JPEG:
        return "jpeg";
    case BitmapImageFileType::PNG:
        return "png";
    case BitmapImageFileType::JPEG2000:
        return "jp2";
    }
    return {};
}

} // namespace

QImage CGImage(const QImage& image) {
    return image;
}

QImage CGImageWithSize(const QImage& image, const QSizeF& size) {
    if (image.isNull() || QSizeF(image.size()) == size) return image;
    return CGImageCreateCopyWithSize(image, size);
}

QImage imageWithCGImage(const QImage& image) {
    QImage copy = image;
    if (!copy.isNull()) copy.setDevicePixelRatio(1);
    return copy;
}

QImage imageByApplyingFilter(const QImage& image, const CIFilter& filter) {
    return withPointSizeOf(CGImageCopyWithFilter(image, filter), image);
}

QImage imageByApplyingFilterNamed(const QImage& image, const QString& name) {
    return imageByApplyingFilter(image, CIFilterWithName(name));
}

QImage invertedImage(const QImage& image) {
    return imageByApplyingFilterNamed(image, QStringLiteral("CIColorInvert"));
}

QImage imageWithTransparency(const QImage& image, double fraction) {
    QImage copy = CGBitmapContextCreate(image.size());
    if (copy.isNull()) return {};
    QPainter painter(&copy);
    painter.setOpacity(std::clamp(fraction, 0.0, 1.0));
    QImage source = image;
    source.setDevicePixelRatio(1);
    painter.drawImage(0, 0, source);
    painter.end();
    return withPointSizeOf(copy, image);
}

QImage imageByScalingToSize(const QImage& image, const QSizeF& size) {
    QImage copy = CGImageCreateCopyWithSize(image, size);
    if (!copy.isNull()) copy.setText(kTemplateKey, image.text(kTemplateKey));
    return copy;
}

QImage imageByApplyingColorSpace(const QImage& image, const QString& colourSpaceName) {
    if (image.isNull() || (colourSpaceName != QLatin1String("NSCalibratedWhiteColorSpace") &&
                           colourSpaceName != QLatin1String("NSDeviceWhiteColorSpace")))
        return {};
    QImage grey(image.size(), QImage::Format_Grayscale8);
    grey.fill(Qt::black);
    QPainter painter(&grey);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    QImage source = image;
    source.setDevicePixelRatio(1);
    painter.drawImage(0, 0, source);
    painter.end();
    grey.setText(kTemplateKey, image.text(kTemplateKey));
    return imageWithCGImage(grey);
}

double width(const QImage& image) {
    return image.isNull() ? 0 : image.width() / image.devicePixelRatio();
}

double height(const QImage& image) {
    return image.isNull() ? 0 : image.height() / image.devicePixelRatio();
}

bool isTemplate(const QImage& image) {
    return image.text(kTemplateKey) == QLatin1String("1");
}

QImage templateNamed(const QString& name) {
    QImage image = CGImageLoadFromResource(name);
    if (!image.isNull()) image.setText(kTemplateKey, QStringLiteral("1"));
    return image;
}

QImage initWithResource(const QString& relativePath) {
    return CGImageLoadFromResource(relativePath);
}

QImage initWithResource(const QString& name, const QString& extension) {
    return CGImageLoadFromResource(extension.isEmpty() ? name : name + '.' + extension);
}

QImage imageWithResource(const QString& relativePath) {
    return initWithResource(relativePath);
}

QImage imageWithResourceOfType(const QString& name, const QString& extension) {
    return initWithResource(name, extension);
}

QList<QImage> initRetinaImageWithContentsOfURL(const QUrl& url) {
    const QImage first = CGImageCreateWithURL(url);
    if (first.isNull()) return {};
    QList<QImage> representations{first};
    const QFileInfo file(url.toLocalFile());
    const QString suffix = file.suffix();
    const QString siblingName =
        QStringLiteral("%1@2x").arg(file.completeBaseName()) + (suffix.isEmpty() ? QString() : '.' + suffix);
    QImage sibling = CGImageCreateWithPath(file.dir().filePath(siblingName));
    if (!sibling.isNull()) {
        sibling.setDevicePixelRatio(first.devicePixelRatio() * sibling.width() / std::max(1, first.width()));
        representations.append(sibling);
    }
    return representations;
}

QImage imageWithSystemIcon(quint32 type) {
    const QIcon icon = CarbonUtilities::GetSystemIcon(type);
    if (icon.isNull() || icon.availableSizes().isEmpty()) return {};
    return icon.pixmap(128).toImage();
}

QByteArray dataForType(const QImage& image, const QString& type) {
    return CGImageCopyBytes(image, type);
}

QByteArray dataForRepresentation(const QImage& image, BitmapImageFileType type) {
    const QByteArray format = formatOf(type);
    if (image.isNull() || !QImageWriter::supportedImageFormats().contains(format)) return {};
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(100);
    if (!writer.write(image)) return {};
    return data;
}

bool writeToFile(const QImage& image, const QString& path, BitmapImageFileType type) {
    const QByteArray data = dataForRepresentation(image, type);
    if (data.isEmpty()) return false;
    QString error;
    if (AtomicFile::write(path, data, &error)) return true;
    Diagnostics::warning(QStringLiteral("could not save the image %1: %2").arg(path, error));
    return false;
}

void drawInRect(QPainter& painter, const QImage& image, const QRectF& rect, QPainter::CompositionMode mode,
                double fraction) {
    if (image.isNull()) return;
    painter.save();
    painter.setCompositionMode(mode);
    painter.setOpacity(std::clamp(fraction, 0.0, 1.0));
    painter.drawImage(rect, image);
    painter.restore();
}

double etchedHighlightOffset(double width) {
    return width <= 64 ? 1 : 2;
}

double etchedInnerShadowBlur(double width) {
    return width <= 32 ? 1 : 4;
}

void drawEtchedInRect(QPainter& painter, const QImage& image, const QRectF& rect) {
    const QImage shape = CGImageCreateCopyWithSize(image, rect.size());
    if (shape.isNull()) return;
    painter.save();
    // The light edge: a white copy of the shape just below it.
    CGContextDrawShadowOfImage(painter, rect, shape,
                               {QPointF(0, etchedHighlightOffset(rect.width())), 0, kCGRGBColorWhite});
    // The body: a grey gradient in the shape, lighter at the bottom.
    QImage body = shape;
    {
        QPainter p(&body);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        QLinearGradient gradient(0, body.height(), 0, 0);
        gradient.setColorAt(0, QColor::fromRgbF(0.5, 0.5, 0.5));
        gradient.setColorAt(1, QColor::fromRgbF(0.25, 0.25, 0.25));
        p.fillRect(body.rect(), gradient);
    }
    // The inner shadow: what lies outside the shape, blurred, moved down and kept inside the shape.
    QImage outside(shape.size(), QImage::Format_ARGB32_Premultiplied);
    outside.fill(Qt::black);
    {
        QPainter p(&outside);
        p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        p.drawImage(0, 0, shape);
    }
    const QImage blurred = CGImageCreateBlurred(outside, etchedInnerShadowBlur(rect.width()));
    QImage inner(shape.size(), QImage::Format_ARGB32_Premultiplied);
    inner.fill(Qt::transparent);
    {
        QPainter p(&inner);
        p.drawImage(QPointF(0, 1), blurred);
        p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        p.drawImage(0, 0, shape);
    }
    {
        QPainter p(&body);
        p.drawImage(0, 0, inner);
    }
    painter.drawImage(rect, body);
    painter.restore();
}

} // namespace ImageUtilities
