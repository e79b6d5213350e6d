#include "CGImages.h"

#include "CGDrawing.h"
#include "foundation/CarbonUtilities.h"
#include "platform/ApplicationInfo.h"
#include "platform/AtomicFile.h"
#include "platform/Diagnostics.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <limits>

namespace CGUtilities {

namespace {

QByteArray formatOfType(const QString& type) {
    if (type == kUTTypePNG) return "png";
    if (type == kUTTypeTIFF) return "tiff";
    if (type == kUTTypeJPEG) return "jpeg";
    return {};
}

QImage readFrom(QIODevice* device) {
    QImageReader reader(device);
    QImage image = reader.read();
    return image;
}

} // namespace

QString CGImageTypeForExtension(const QString& extension) {
    if (extension == QLatin1String("png")) return kUTTypePNG;
    if (extension == QLatin1String("tiff")) return kUTTypeTIFF;
    if (extension == QLatin1String("jpg")) return kUTTypeJPEG;
    return defaultfileUTType;
}

QImage CGImageCreateWithURL(const QUrl& url) {
    if (!url.isLocalFile()) return {};
    return CGImageCreateWithPath(url.toLocalFile());
}

QImage CGImageCreateWithPath(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isFile()) return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return readFrom(&file);
}

QImage CGImageCreateWithFSRef(const FSRef& fileRef) {
    if (fileRef.isNull() || !QFileInfo::exists(fileRef.path)) return {};
    return CGImageCreateWithPath(fileRef.path);
}

QImage CGImageLoadFromResource(const QString& name) {
    const QString folder = ApplicationInfo::resourcesFolder();
    if (folder.isEmpty() || name.isEmpty()) return {};
    return CGImageCreateWithPath(folder + '/' + name);
}

QImage CGImageLoadFromResource(const QString& name, const QString& subfolder) {
    if (subfolder.isEmpty()) return CGImageLoadFromResource(name);
    return CGImageLoadFromResource(subfolder + '/' + name);
}

QImage CGImageCreateWithData(const QByteArray& data) {
    if (data.isEmpty()) return {};
    QByteArray copy = data;
    QBuffer buffer(&copy);
    if (!buffer.open(QIODevice::ReadOnly)) return {};
    return readFrom(&buffer);
}

QImage CGImageCreateWithBytes(const void* block, qint64 length) {
    if (!block || length <= 0 || length > std::numeric_limits<int>::max()) return {};
    return CGImageCreateWithData(QByteArray(static_cast<const char*>(block), static_cast<int>(length)));
}

QImage CGImageCreateWithBytes(const void* block) {
    return CGImageCreateWithBytes(block, ToolboxAll::GetPtrSize(block));
}

QImage CGImageCreateWithIcon(const QIcon& icon, const QSizeF& size, bool) {
    QImage image = CGBitmapContextCreate(size);
    if (image.isNull() || icon.isNull()) return {};
    QPainter painter(&image);
    icon.paint(&painter, image.rect(), Qt::AlignCenter);
    return image;
}

QByteArray CGImageCopyData(const QImage& image, const QString& type) {
    const QByteArray format = formatOfType(type);
    if (format.isEmpty() || !QImageWriter::supportedImageFormats().contains(format)) return QByteArray("");
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (image.isNull() || !writer.write(image)) return {};
    return data;
}

QByteArray CGImageCopyBytes(const QImage& image, const QString& type) {
    const QByteArray data = CGImageCopyData(image, type);
    return data.isEmpty() ? QByteArray() : data;
}

QByteArray CGImageCopyBytes(const QImage& image) {
    if (image.isNull()) return {};
    return QByteArray(reinterpret_cast<const char*>(image.constBits()),
                      static_cast<int>(image.sizeInBytes()));
}

qint32 CGImageSaveToFile(const QImage& image, const QString& path) {
    const QByteArray bytes = CGImageCopyBytes(image, CGImageTypeForExtension(QFileInfo(path).suffix()));
    if (bytes.isNull()) return kCGImageNothingEncoded;
    QString error;
    if (!AtomicFile::write(path, bytes, &error)) {
        Diagnostics::warning(QStringLiteral("could not save the image %1: %2").arg(path, error));
        return kCGImageIOErr;
    }
    return kCGImageNoErr;
}

qint32 CGImageSaveToFile(const QImage& image, const FSRef& fileRef) {
    if (fileRef.isNull() || !QFileInfo(fileRef.path).isFile()) return kCGImageFnfErr;
    return CGImageSaveToFile(image, fileRef.path);
}

qint32 CGImageSaveToFile(const QImage& image, const FSRef& folderRef, const QString& name) {
    if (folderRef.isNull() || !QFileInfo(folderRef.path).isDir() || name.isEmpty() || name.contains('/'))
        return kCGImageFnfErr;
    const QString path = QDir(folderRef.path).filePath(name);
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) return kCGImageDupFNErr;
    return CGImageSaveToFile(image, path);
}

QImage CGImageConvertType(const QImage& image, const QString& type) {
    return CGImageCreateWithData(CGImageCopyBytes(image, type));
}

CIFilter CIFilterWithName(const QString& name) {
    if (name == QLatin1String("CIColorInvert"))
        return [](const QImage& image) {
            QImage straight = image.convertToFormat(QImage::Format_ARGB32);
            straight.invertPixels(QImage::InvertRgb);
            return straight.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        };
    if (name == QLatin1String("CIGaussianBlur"))
        return [](const QImage& image) { return CGImageCreateBlurred(image, 10); };
    return {};
}

QImage CGImageCopyWithFilter(const QImage& image, const CIFilter& filter, bool flipped) {
    QImage bitmap = CGBitmapContextCreate(CGImageGetSize(image));
    if (bitmap.isNull()) {
        Diagnostics::warning(QStringLiteral("CGImageCopyWithFilter failed to allocate context."));
        return {};
    }
    if (!filter) return {};
    QImage output = filter(image);
    output.setDevicePixelRatio(1);
    QPainter painter(&bitmap);
    const QRectF full(QPointF(0, 0), CGImageGetSize(image));
    if (flipped) CGContextFlipVertically(painter, full);
    CGContextDrawCIImage(painter, full, output);
    painter.end();
    return bitmap;
}

QSizeF CGImageGetSize(const QImage& image) {
    return image.isNull() ? QSizeF(0, 0) : QSizeF(image.width(), image.height());
}

QImage CGImageCreateCopyWithSize(const QImage& image, const QSizeF& size) {
    if (image.isNull() || !(size.width() > 0) || !(size.height() > 0)) return {};
    QImage copy = CGBitmapContextCreate(size);
    if (copy.isNull()) return {};
    QPainter painter(&copy);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(copy.rect()), image);
    return copy;
}

} // namespace CGUtilities
