#include "platform/text/RTFDCodec.h"

#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <cstring>

namespace {

constexpr char kMagic[4] = {'r', 't', 'f', 'd'};
const QString kTextFile = QStringLiteral("TXT.rtf");
constexpr qint64 kMaxFolderFileSize = qint64(1) << 31;

void appendU32(QByteArray& out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

class Cursor {
public:
    explicit Cursor(const QByteArray& data) : m_data(data) {}
    bool u32(quint32* v) {
        if (m_data.size() - m_pos < 4) return false;
        *v = qFromLittleEndian<quint32>(m_data.constData() + m_pos);
        m_pos += 4;
        return true;
    }
    bool bytes(quint32 n, QByteArray* out) {
        if (m_data.size() - m_pos < qint64(n)) return false;
        *out = m_data.mid(m_pos, n);
        m_pos += n;
        return true;
    }
    qint64 left() const { return m_data.size() - m_pos; }

private:
    const QByteArray& m_data;
    qint64 m_pos = 0;
};

} // namespace

namespace RTFDCodec {

std::optional<Package> parse(const QByteArray& flattened, QString* error) {
    auto fail = [&](const QString& reason) -> std::optional<Package> {
        if (error) *error = reason;
        return std::nullopt;
    };
    if (flattened.size() < 12 || std::memcmp(flattened.constData(), kMagic, 4) != 0)
        return fail(QStringLiteral("The data is not RTFD."));
    Cursor in(flattened);
    quint32 magic, version, count;
    in.u32(&magic);
    in.u32(&version);
    in.u32(&count);
    // Each entry needs at least two lengths: a count beyond that cannot be real.
    if (qint64(count) * 8 > in.left()) return fail(QStringLiteral("The RTFD data is truncated."));
    QList<quint32> nameLengths(count), contentLengths(count);
    for (quint32& n : nameLengths)
        if (!in.u32(&n)) return fail(QStringLiteral("The RTFD data is truncated."));
    QList<QByteArray> names(count);
    for (quint32 i = 0; i < count; ++i)
        if (!in.bytes(nameLengths[i], &names[i])) return fail(QStringLiteral("The RTFD data is truncated."));
    for (quint32& n : contentLengths)
        if (!in.u32(&n)) return fail(QStringLiteral("The RTFD data is truncated."));
    Package package;
    bool haveText = false;
    for (quint32 i = 0; i < count; ++i) {
        QByteArray content;
        if (!in.bytes(contentLengths[i], &content))
            return fail(QStringLiteral("The RTFD data is truncated."));
        QByteArray rawName = names[i];
        while (rawName.endsWith('\0')) rawName.chop(1);
        const QString name = QString::fromUtf8(rawName);
        if (name == QLatin1String(".") || name.isEmpty()) continue;
        if (name == kTextFile) {
            package.rtf = content;
            haveText = true;
        } else if (!package.files.contains(name)) {
            package.files.insert(name, content);
        }
    }
    if (!haveText) return fail(QStringLiteral("The RTFD data holds no text."));
    return package;
}

QByteArray serialise(const Package& package) {
    QList<QByteArray> names{kTextFile.toUtf8()};
    QList<const QByteArray*> contents{&package.rtf};
    for (auto it = package.files.constBegin(); it != package.files.constEnd(); ++it) {
        if (it.key() == kTextFile) continue;
        names.append(it.key().toUtf8());
        contents.append(&it.value());
    }
    qsizetype total = 12;
    for (qsizetype i = 0; i < names.size(); ++i) total += 8 + names[i].size() + 1 + contents[i]->size();
    QByteArray out;
    out.reserve(total);
    out.append(kMagic, 4);
    appendU32(out, 0);
    appendU32(out, quint32(names.size()));
    for (const QByteArray& n : names) appendU32(out, quint32(n.size() + 1));
    for (const QByteArray& n : names) {
        out.append(n);
        out.append('\0');
    }
    for (const QByteArray* c : contents) appendU32(out, quint32(c->size()));
    for (const QByteArray* c : contents) out.append(*c);
    return out;
}

QByteArray write(const AttributedString& text) {
    Package package;
    package.rtf = RTFCodec::write(text, &package.files);
    return serialise(package);
}

std::optional<AttributedString> read(const QByteArray& flattened, QString* error) {
    std::optional<Package> package = parse(flattened, error);
    if (!package) return std::nullopt;
    return RTFCodec::read(package->rtf, error, package->files);
}

bool writeFolder(const AttributedString& text, const QString& folderPath, QString* error) {
    auto fail = [&](const QString& reason) {
        if (error) *error = reason;
        return false;
    };
    QDir dir(folderPath);
    if (!AtomicFile::makeFolder(folderPath))
        return fail(QStringLiteral("Cannot create the folder %1.").arg(folderPath));
    // Leftovers of interrupted saves go, also those of attachments that this save no longer writes.
    AtomicFile::removeLeftoversIn(folderPath);
    Package package;
    package.rtf = RTFCodec::write(text, &package.files);
    auto save = [&](const QString& name, const QByteArray& data) {
        // Names come from the writer's safe names; check again that they stay in the folder.
        if (RTFCodec::safeFileName(name) != name) return false;
        // A link in the folder is replaced, not written through.
        const QString path = dir.filePath(name);
        if (QFileInfo(path).isSymLink() && !QFile::remove(path)) return false;
        return AtomicFile::write(path, data);
    };
    for (auto it = package.files.constBegin(); it != package.files.constEnd(); ++it)
        if (!save(it.key(), it.value()))
            return fail(QStringLiteral("Cannot write %1.").arg(dir.filePath(it.key())));
    if (!save(kTextFile, package.rtf))
        return fail(QStringLiteral("Cannot write %1.").arg(dir.filePath(kTextFile)));
    return true;
}

std::optional<AttributedString> readFolder(const QString& folderPath, QString* error) {
    const QDir dir(folderPath);
    QFile textFile(dir.filePath(kTextFile));
    if (!textFile.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("Cannot read %1.").arg(textFile.fileName());
        return std::nullopt;
    }
    const QByteArray rtf = textFile.readAll();
    RTFCodec::AttachmentFiles files;
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::Hidden)) {
        if (info.fileName() == kTextFile || info.size() > kMaxFolderFileSize) continue;
        QFile f(info.filePath());
        if (f.open(QIODevice::ReadOnly)) files.insert(info.fileName(), f.readAll());
    }
    return RTFCodec::read(rtf, error, files);
}

} // namespace RTFDCodec
