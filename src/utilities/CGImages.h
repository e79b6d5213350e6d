#pragma once

#include "platform/CoreTypes.h"

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QSizeF>
#include <QString>
#include <QUrl>
#include <functional>

// The image half of CGUtilities: loading images from files, the program's resources and memory;
// encoding them as PNG, TIFF or JPEG and saving them; converting, filtering, resizing and sizing.
// Images are QImage values; a null image means "none" (every loader answers null on any failure).
// Main thread only where the resources folder is read; otherwise any thread.
namespace CGUtilities {

// Type identifiers of the encodings.
inline const QString kUTTypePNG = QStringLiteral("public.png");
inline const QString kUTTypeTIFF = QStringLiteral("public.tiff");
inline const QString kUTTypeJPEG = QStringLiteral("public.jpeg");
// The type of a file name extension other than "png", "tiff" and "jpg" (compared case-sensitively).
inline const QString defaultfileUTType;
QString CGImageTypeForExtension(const QString& extension);

// Result codes of the save routines.
enum : qint32 {
    kCGImageNoErr = 0,
    kCGImageNothingEncoded = -1, // no bytes for the type (an unknown type, an image that cannot be encoded)
    kCGImageIOErr = -36,         // the file could not be written
    kCGImageFnfErr = -43,        // no such folder or file
    kCGImageDupFNErr = -48,      // the file to create exists already
};

// Loading: the first image of the file (a local file URL; a folder or anything else gives null).
QImage CGImageCreateWithURL(const QUrl& url);
QImage CGImageCreateWithPath(const QString& path);
QImage CGImageCreateWithFSRef(const FSRef& fileRef);
// A file of the program's resources folder (ApplicationInfo::resourcesFolder) by name (a relative
// path may be given), or by name in a subfolder of it.
QImage CGImageLoadFromResource(const QString& name);
QImage CGImageLoadFromResource(const QString& name, const QString& subfolder);
QImage CGImageCreateWithData(const QByteArray& data);
QImage CGImageCreateWithBytes(const void* block, qint64 length);
QImage CGImageCreateWithBytes(const void* block); // a block of NewPtr: its recorded size
// The icon centred in an image of the size, on transparent (flipped is kept for callers).
QImage CGImageCreateWithIcon(const QIcon& icon, const QSizeF& size, bool flipped = false);

// Encoding. CGImageCopyData answers null on an encoding failure and empty data for a type with no
// encoder; CGImageCopyBytes answers null for both.
QByteArray CGImageCopyData(const QImage& image, const QString& type);
QByteArray CGImageCopyBytes(const QImage& image, const QString& type);
// The raw pixels as the image holds them, no encoding; null for a null image.
QByteArray CGImageCopyBytes(const QImage& image);
// Saving, the type chosen by the file's extension: 0; kCGImageNothingEncoded (nothing is written)
// for an extension with no type; kCGImageIOErr when the file cannot be written. Files are replaced
// whole (AtomicFile).
qint32 CGImageSaveToFile(const QImage& image, const QString& path);
qint32 CGImageSaveToFile(const QImage& image, const FSRef& fileRef); // kCGImageFnfErr for a null reference
// Creates the file in the folder first: kCGImageFnfErr without the folder, kCGImageDupFNErr when a
// file of the name is there.
qint32 CGImageSaveToFile(const QImage& image, const FSRef& folderRef, const QString& name);
// Encoded with the type and decoded again; null when either fails.
QImage CGImageConvertType(const QImage& image, const QString& type);

// Image filters, the stand-in for Core Image filters: a function from an image to the filtered
// image. Known by name: "CIColorInvert" (red, green and blue inverted, alpha kept) and
// "CIGaussianBlur" (radius 10). An empty filter for any other name.
using CIFilter = std::function<QImage(const QImage&)>;
CIFilter CIFilterWithName(const QString& name);
// The image run through the filter into a new image of its pixel size; flipped mirrors the result
// top to bottom. Null, with the line "Warning: CGImageCopyWithFilter failed to allocate context.",
// when no bitmap can be made (a null or empty image); null for an empty filter.
QImage CGImageCopyWithFilter(const QImage& image, const CIFilter& filter, bool flipped = false);

QSizeF CGImageGetSize(const QImage& image); // pixels; (0, 0) for a null image
// The image stretched into a new image of the size; null for a side of 0 or less or a null image.
QImage CGImageCreateCopyWithSize(const QImage& image, const QSizeF& size);

} // namespace CGUtilities
