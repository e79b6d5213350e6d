#include "FileCreationUtilities.h"

#include "AlertUtilities.h"
#include "FileObjectUtilities.h"
#include "StringPathUtilities.h"
#include "TypeIdentifiers.h"
#include "foundation/BinaryResource.h"
#include "platform/AtomicFile.h"
#include "platform/Diagnostics.h"
#include "platform/PlistCodec.h"
#include "platform/text/RTFCodec.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMimeData>
#include <QRegularExpression>
#include <QStringConverter>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <sys/stat.h>

namespace FileCreationUtilities {

namespace {

using namespace StringPathUtilities;

constexpr qint64 defaultIndex = 0;
constexpr qint16 kClippingID = 256;
const QString kUntitled = QStringLiteral("Untitled");

// Taken when anything is there, a symbolic link that leads nowhere included.
bool isTaken(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// The base with its next number: white space and a number at its end give that number plus one,
// anything else 2.
QString numbered(const QString& base) {
    static const QRegularExpression trailing(QStringLiteral("\\s+(\\d*)$"));
    const QRegularExpressionMatch match = trailing.match(base);
    qint64 index = defaultIndex;
    bool hasNumber = false;
    if (match.hasMatch() && !match.captured(1).isEmpty()) index = match.captured(1).toInt(&hasNumber);
    if (!hasNumber) index = 1;
    // A number too long to count on stays part of the name.
    const QString kept = match.hasMatch() && (hasNumber || match.captured(1).isEmpty())
                             ? base.left(match.capturedStart())
                             : base;
    return kept + QStringLiteral(" %1").arg(index + 1);
}

// A name over the file system's limit loses the end of its stem, before the number or "copy" it
// was given.
QString fitted(const QString& stem, const QString& extensions) {
    constexpr qsizetype kNameMax = 255;
    const qsizetype over = (stem + extensions).toUtf8().size() - kNameMax;
    if (over <= 0) return stem + extensions;
    static const QRegularExpression tail(QStringLiteral("(\\s+copy)?(\\s+\\d+)?$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const qsizetype start = tail.match(stem).capturedStart();
    // Not StringUtilities (its text attributes and the RTF reader's share a name): whole characters.
    QString head = stem.left(start);
    const qsizetype keep = std::max<qsizetype>(head.toUtf8().size() - over, 0);
    while (head.toUtf8().size() > keep) head.chop(head.size() > 1 && head.back().isLowSurrogate() ? 2 : 1);
    return head + stem.mid(start) + extensions;
}

QString folderPath(const FSRef& dir) {
    return StringFileObjectUtilities::stringWithFSRef(dir);
}

QString safeName(const QString& name) {
    const QString safe = fileSystemSafeName(name).trimmed();
    return safe.isEmpty() ? kUntitled : safe;
}

QString reportFailure(const QString& path, const QString& reason) {
    AlertUtilities::runModal(AlertUtilities::alertWithMessageError(
        QStringLiteral("The file \"%1\" couldn't be saved.").arg(lastPathComponent(path)), reason));
    return QString();
}

// Tries make at free names from name and ext until it makes the item: another writer may take a
// name between choosing and making it, and what it made is never replaced.
constexpr int kMakeAttempts = 100;

QString makeAtFreeName(const FSRef& dir, const QString& name, const QString& ext,
                       const std::function<bool(const QString& path, QString* error, bool* taken)>& make) {
    QString path;
    QString error;
    for (int attempt = 0; attempt < kMakeAttempts; ++attempt) {
        path = QDir(folderPath(dir)).filePath(UniqueFileNameForDirectory(dir, name, ext));
        bool taken = false;
        if (make(path, &error, &taken)) return path;
        if (!taken) break;
    }
    return reportFailure(path, error);
}

// A new file at a free name from name and ext in the folder, written atomically.
QString writeNewFile(const FSRef& dir, const QByteArray& data, const QString& name, const QString& ext) {
    return makeAtFreeName(dir, name, fileSystemSafeName(ext),
                          [&](const QString& path, QString* error, bool* taken) {
                              StringFileObjectUtilities::setExtensionHidden(path, true);
                              return AtomicFile::create(path, data, error, taken);
                          });
}

struct Resource {
    quint32 type;
    QByteArray data;
};

// Writes the resources into the file's fork; on failure the file goes and the answer is null.
QString addResources(const QString& path, const QList<Resource>& resources) {
    qint32 status = ResourceStatus::noErr;
    Ref<TBinaryResource> fork = Ref<TBinaryResource>::adopt(TBinaryResource::Create(FSRef{path}, &status));
    if (status == ResourceStatus::noErr) {
        for (const Resource& r : resources)
            if (status == ResourceStatus::noErr) status = fork->Write(r.data, r.type, kClippingID, QString());
        if (status == ResourceStatus::noErr) status = fork->Update();
    }
    if (status == ResourceStatus::noErr) return path;
    fork->Close();
    QFile::remove(path);
    Diagnostics::line(QStringLiteral("Can't write the resources of %1: %2").arg(path).arg(status));
    return QString();
}

QString plainTextOfRTF(const QByteArray& rtf) {
    if (rtf.isEmpty()) return QString();
    const std::optional<AttributedString> text = RTFCodec::read(rtf);
    return text ? text->plainText() : QString();
}

// Half of a surrogate pair alone stands for no character: no encoding can hold it.
bool hasLoneSurrogate(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return true;
    }
    return false;
}

QByteArray encode(const QString& text, quint64 encoding, bool* ok) {
    *ok = !hasLoneSurrogate(text);
    switch (encoding) {
    case 1: // ASCII
        for (const QChar c : text)
            if (c.unicode() > 0x7f) *ok = false;
        return text.toLatin1();
    case 4: // UTF-8
        return text.toUtf8();
    case 5: // ISO Latin 1
        for (const QChar c : text)
            if (c.unicode() > 0xff) *ok = false;
        return text.toLatin1();
    case 10: { // UTF-16, with a byte-order mark
        QStringEncoder encoder(QStringConverter::Utf16, QStringConverter::Flag::WriteBom);
        return encoder.encode(text);
    }
    default:
        *ok = false;
        return QByteArray();
    }
}

QByteArray imageBytes(const QMimeData& item) {
    if (item.hasFormat(QStringLiteral("image/png"))) return item.data(QStringLiteral("image/png"));
    for (const QString& format : item.formats())
        if (format.startsWith(QLatin1String("image/"))) return item.data(format);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    qvariant_cast<QImage>(item.imageData()).save(&buffer, "PNG");
    return png;
}

bool isImageExtension(const QString& extension) {
    return !extension.isEmpty() &&
           TypeIdentifiers::conformsTo(TypeIdentifiers::preferredIdentifierForExtension(extension),
                                       TypeIdentifiers::kUTTypeImage);
}

// The title a browser gives a dragged link ("url\ntitle" in UTF-16); null when none.
QString urlName(const QMimeData& item) {
    const QByteArray bytes = item.data(QStringLiteral("text/x-moz-url"));
    if (bytes.isEmpty()) return QString();
    const QStringList lines =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2)
            .split(QLatin1Char('\n'));
    return lines.size() > 1 ? lines[1].trimmed() : QString();
}

} // namespace

QString UniqueFileNameForDirectory(const FSRef& dir, const QString& name, const QString& ext) {
    return UniqueFileNameForDirectory(dir, name, ext, false);
}

QString UniqueFileNameForDirectory(const FSRef& dir, const QString& name, const QString& ext, bool copyMode,
                                   const QStringList& avoid) {
    const QString ownExtension = pathExtension(name);
    QString base = stringByDeletingPathExtension(name);
    const bool addsExt = !ext.isEmpty() && ownExtension.compare(ext, Qt::CaseInsensitive) != 0;
    Diagnostics::line(ownExtension);
    Diagnostics::line(base);
    Diagnostics::line(ext);
    static const QRegularExpression copied(QStringLiteral("(^|\\s)copy(\\s*(\\d*))$"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QString folder = folderPath(dir);
    const auto withExtensions = [&](const QString& stem) {
        QString extensions;
        if (!ownExtension.isEmpty()) extensions += QLatin1Char('.') + ownExtension;
        if (addsExt) extensions += QLatin1Char('.') + ext;
        return fitted(stem, extensions);
    };
    const auto isFree = [&](const QString& candidate) {
        const QString path = QDir(folder).filePath(candidate);
        return !isTaken(path) && !avoid.contains(path);
    };
    // Numbering starts with the name as it is; a copy always gets "copy".
    QString candidate = withExtensions(base);
    if (!copyMode && isFree(candidate)) return candidate;
    do {
        if (!copyMode) {
            base = numbered(base);
        } else if (const QRegularExpressionMatch match = copied.match(base); match.hasMatch()) {
            base = numbered(base.left(match.capturedStart(2)) + QLatin1Char(' ') + match.captured(3));
            copyMode = false;
        } else {
            base += QStringLiteral(" copy");
        }
        candidate = withExtensions(base);
    } while (!isFree(candidate));
    return candidate;
}

QString GetPreviewNameFromText(const QString& text) {
    // Not StringUtilities: its text attributes and the RTF reader's share a name.
    qsizetype end = std::min<qsizetype>(text.size(), 24);
    if (end < text.size() && end > 0 && text[end - 1].isHighSurrogate()) --end;
    QString name = text.left(end).trimmed();
    if (name.startsWith(QLatin1Char('.'))) name = name.mid(1).trimmed();
    return name.isEmpty() ? kUntitled : name;
}

QString CreateNewFolder(const FSRef& dir) {
    return makeAtFreeName(dir, kUntitled, QString(), [](const QString& path, QString* error, bool* taken) {
        if (::mkdir(QFile::encodeName(path).constData(), 0777) == 0) return true;
        *taken = errno == EEXIST;
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    });
}

QString CreateNewFile(const FSRef& dir, const QByteArray& data, const QString& name, const QString& ext) {
    return writeNewFile(dir, data, safeName(name), ext);
}

QString CreateNewTextFile(const FSRef& dir, const QString& text, const QString& name, quint64 encoding) {
    const QString preview = GetPreviewNameFromText(name.isEmpty() ? text : name);
    bool ok = false;
    const QByteArray bytes = encode(text, encoding, &ok);
    if (!ok)
        return reportFailure(preview + QStringLiteral(".txt"),
                             QStringLiteral("The text can't be written in the chosen encoding."));
    return writeNewFile(dir, bytes, safeName(preview), QStringLiteral("txt"));
}

QString CreateNewRichTextFile(const FSRef& dir, const QByteArray& rtf) {
    return writeNewFile(dir, rtf, safeName(GetPreviewNameFromText(plainTextOfRTF(rtf))),
                        QStringLiteral("rtf"));
}

QString CreateNewClipping(const FSRef& dir, const QString& text, const QByteArray& rtf, const QString& name) {
    const QString rtfText = plainTextOfRTF(rtf);
    const QString content = rtfText.isEmpty() ? text : rtfText;
    const QString path =
        writeNewFile(dir, QByteArray(), safeName(name.isEmpty() ? GetPreviewNameFromText(content) : name),
                     QStringLiteral("textClipping"));
    if (path.isEmpty()) return path;
    QList<Resource> resources{
        {FourCharCode("utf8"), content.toUtf8()},
        {FourCharCode("TEXT"), content.toUtf8()},
        {FourCharCode("utex"),
         QByteArray(reinterpret_cast<const char*>(content.utf16()), content.size() * 2)}};
    if (!rtf.isEmpty()) resources.append({FourCharCode("RTF "), rtf});
    return addResources(path, resources);
}

QString CreateNewURL(const FSRef& dir, const QString& url, const QString& name) {
    const QString path = writeNewFile(dir, PlistCodec::toXml(QVariantMap{{QStringLiteral("URL"), url}}),
                                      safeName(name), QStringLiteral("webloc"));
    if (path.isEmpty()) return path;
    return addResources(path, {{FourCharCode("url "), url.toUtf8()},
                               {FourCharCode("TEXT"), url.toUtf8()},
                               {FourCharCode("urln"), name.toUtf8()}});
}

QVariantMap FileCreationAttributesForPasteboardItem(const QMimeData& item) {
    const auto has = [&](std::initializer_list<const char*> types) {
        for (const char* type : types)
            if (item.hasFormat(QLatin1String(type))) return true;
        return false;
    };
    const auto promised = [](qint32 type) {
        return QVariantMap{{kFileCreationKeyType, type}, {kFileCreationKeyPromisedContent, true}};
    };
    if (has({"message/rfc822"})) return promised(kFileCreationMailMessage);
    if (has({"text/calendar"})) return promised(kFileCreationCalendarFile);
    if (has({"text/vcard", "text/x-vcard", "text/directory"})) return promised(kFileCreationContactCard);
    if (has({"text/rtf", "application/rtf"})) {
        const QString format = item.hasFormat(QStringLiteral("text/rtf")) ? QStringLiteral("text/rtf")
                                                                          : QStringLiteral("application/rtf");
        return {{kFileCreationKeyType, kFileCreationText},
                {kFileCreationKeyRichText, item.data(format)},
                {kFileCreationKeyPlainText, item.text()}};
    }
    const QList<QUrl> urls = item.urls();
    const QStringList formats = item.formats();
    const bool isImage = item.hasImage() ||
                         std::any_of(formats.cbegin(), formats.cend(),
                                     [](const QString& f) { return f.startsWith(QLatin1String("image/")); });
    if (isImage) {
        QVariantMap attributes{{kFileCreationKeyType, kFileCreationImage},
                               {kFileCreationKeyData, imageBytes(item)}};
        if (urls.isEmpty()) {
            attributes.insert(kFileCreationKeyFileName, kUntitled);
            attributes.insert(kFileCreationKeyExtension, QStringLiteral("png"));
            return attributes;
        }
        const QString fileName = fileSystemSafeName(lastPathComponent(urls.first().path()));
        const QString own = pathExtension(fileName);
        const QString extension = isImageExtension(own) ? own : QStringLiteral("png");
        attributes.insert(kFileCreationKeyFileName, fileName);
        if (extension != own) attributes.insert(kFileCreationKeyExtension, extension);
        return attributes;
    }
    if (!urls.isEmpty()) {
        const QString title = urlName(item);
        return {{kFileCreationKeyType, kFileCreationURL},
                {kFileCreationKeyURL, urls.first().toString()},
                {kFileCreationKeyFileName,
                 !title.isEmpty()
                     ? title
                     : fileSystemSafeName(lastPathComponentWithoutExtension(urls.first().path()))}};
    }
    if (item.hasText())
        return {{kFileCreationKeyType, kFileCreationText}, {kFileCreationKeyPlainText, item.text()}};
    return {};
}

} // namespace FileCreationUtilities
