#include "platform/text/RTFDCodec.h"

#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using RTFCodec::AttachmentFiles;
using RTFCodec::PackageFile;

const QString kTextFile = QStringLiteral("TXT.rtf");
// The magic and the version that open the flattened form; the top folder's record follows.
const QByteArray kHeader("rtfd\0\0\0\0", 8);
constexpr quint32 kRegularFile = 1;
constexpr quint32 kFolder = 3;
constexpr quint32 kPadded = 0x80000000;
constexpr int kMaxDepth = 64;
constexpr qint64 kMaxFolderFileSize = qint64(1) << 31;

// Names that carry the folder's own name and its files' attributes, not files.
bool isSpecialName(QByteArrayView name) {
    return RTFCodec::isReservedName(QString::fromUtf8(name));
}

void appendU32(QByteArray& out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

// Reads little-endian words and runs of bytes from a part of the data.
class Cursor {
public:
    explicit Cursor(QByteArrayView data) : m_p(data.begin()), m_end(data.end()) {}
    bool u32(quint32* v) {
        if (m_end - m_p < 4) return false;
        *v = qFromLittleEndian<quint32>(m_p);
        m_p += 4;
        return true;
    }
    bool take(qint64 n, QByteArrayView* out) {
        if (m_end - m_p < n) return false;
        *out = QByteArrayView(m_p, n);
        m_p += n;
        return true;
    }
    qint64 left() const { return m_end - m_p; }

private:
    const char* m_p;
    const char* m_end;
};

// One entry of a folder record: its name, its type and its whole record.
struct Record {
    QByteArrayView name;
    quint32 type = 0;
    QByteArrayView bytes;
};

enum class Fault { None, Truncated, TooDeep };

// The bytes of a regular file's record, plain or padded; nothing when they overrun the record.
std::optional<QByteArrayView> fileContents(QByteArrayView record) {
    Cursor in(record);
    quint32 type, length;
    if (!in.u32(&type) || !in.u32(&length)) return std::nullopt;
    QByteArrayView bytes;
    if (length == kPadded) {
        quint32 padding;
        if (!in.u32(&length) || !in.u32(&padding) || !in.take(padding, &bytes)) return std::nullopt;
    }
    if (!in.take(length, &bytes)) return std::nullopt;
    return bytes;
}

// Checks a folder record (what follows its type word) and everything nested in it. With records, lists
// its files and folders; records of other types and the special names are left out.
Fault readFolderRecord(Cursor in, int depth, QList<Record>* records) {
    if (depth > kMaxDepth) return Fault::TooDeep;
    quint32 count;
    if (!in.u32(&count)) return Fault::Truncated;
    // Each entry needs at least a name length and a record length: a count beyond that cannot be real.
    if (qint64(count) * 8 > in.left()) return Fault::Truncated;
    QList<QByteArrayView> names(count);
    for (QByteArrayView& name : names) {
        quint32 length;
        if (!in.u32(&length) || !in.take(length, &name)) return Fault::Truncated;
    }
    QList<quint32> lengths(count);
    for (quint32& length : lengths)
        if (!in.u32(&length)) return Fault::Truncated;
    for (quint32 i = 0; i < count; ++i) {
        Record record{names[i], 0, {}};
        if (!in.take(lengths[i], &record.bytes)) return Fault::Truncated;
        Cursor contents(record.bytes);
        if (!contents.u32(&record.type)) return Fault::Truncated;
        if (record.type == kRegularFile) {
            if (!fileContents(record.bytes)) return Fault::Truncated;
        } else if (record.type == kFolder) {
            if (const Fault f = readFolderRecord(contents, depth + 1, nullptr); f != Fault::None) return f;
        } else {
            continue; // a link or another kind of entry: no attachment
        }
        if (records && !record.name.isEmpty() && !isSpecialName(record.name)) records->append(record);
    }
    return Fault::None;
}

bool isFlattenedFolder(const QByteArray& data) {
    if (data.size() < kHeader.size() + 4 || !data.startsWith(kHeader)) return false;
    if (qFromLittleEndian<quint32>(data.constData() + kHeader.size()) != kFolder) return false;
    return readFolderRecord(Cursor(QByteArrayView(data).sliced(kHeader.size() + 4)), 1, nullptr) ==
           Fault::None;
}

// An entry's record: a regular file, or a folder from its flattened form (kept as a file when the bytes
// are not one).
QByteArray record(const PackageFile& file) {
    if (file.isFolder && isFlattenedFolder(file.data)) return file.data.sliced(kHeader.size());
    const qsizetype size = file.data.size();
    QByteArray out;
    out.reserve(size + 16);
    appendU32(out, kRegularFile);
    if (size >= qsizetype(kPadded)) { // the plain length would read as the padded form's mark
        appendU32(out, kPadded);
        appendU32(out, quint32(size));
        appendU32(out, 0);
    } else {
        appendU32(out, quint32(size));
    }
    out += file.data;
    return out;
}

using NamedEntry = std::pair<QByteArray, const PackageFile*>;

QByteArray serialiseEntries(const QList<NamedEntry>& entries) {
    QList<QByteArray> records;
    records.reserve(entries.size());
    qsizetype total = kHeader.size() + 8;
    for (const auto& [name, file] : entries) {
        records.append(record(*file));
        total += 8 + name.size() + records.last().size();
    }
    QByteArray out;
    out.reserve(total);
    out += kHeader;
    appendU32(out, kFolder);
    appendU32(out, quint32(entries.size()));
    for (const auto& entry : entries) {
        appendU32(out, quint32(entry.first.size()));
        out += entry.first;
    }
    for (const QByteArray& r : records) appendU32(out, quint32(r.size()));
    for (const QByteArray& r : records) out += r;
    return out;
}

// Adds the entries that read back as files: special and empty names are left out.
void appendEntries(QList<NamedEntry>& list, const AttachmentFiles& entries) {
    for (auto it = entries.constBegin(); it != entries.constEnd(); ++it) {
        const QByteArray name = it.key().toUtf8();
        if (!name.isEmpty() && !isSpecialName(name)) list.append({name, &it.value()});
    }
}

// Removes the entry at path: a folder with all it holds, a link but not what it points to.
bool removeEntry(const QFileInfo& info) {
    if (info.isDir() && !info.isSymLink()) return QDir(info.filePath()).removeRecursively();
    return QFile::remove(info.filePath());
}

// Writes one file in place of what is there; a link is replaced, not written through, and a folder
// (an attached folder of an earlier save) goes.
bool saveFile(const QString& path, const QByteArray& data) {
    const QFileInfo info(path);
    if ((info.isSymLink() || info.isDir()) && !removeEntry(info)) return false;
    return AtomicFile::write(path, data);
}

// Removes from an attached folder what an earlier save put there and this one did not write, so that
// it does not come back as part of the folder. Temporaries are left to the leftover cleanup.
bool removeOthers(const QDir& dir, const QSet<QString>& written, QString* error) {
    const auto filter = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    for (const QFileInfo& info : dir.entryInfoList(filter)) {
        if (written.contains(info.fileName()) || AtomicFile::isTemporaryName(info.fileName())) continue;
        if (!removeEntry(info)) {
            if (error) *error = QStringLiteral("Cannot remove %1.").arg(info.filePath());
            return false;
        }
    }
    return true;
}

// Writes the entries into an existing folder, attached folders as folders. Names are made safe, so that
// nothing is written outside the folder; a name that two entries reduce to is written once. An attached
// folder (depth above 0) ends up holding these entries only.
bool writeEntries(const QDir& dir, const AttachmentFiles& entries, int depth, QString* error) {
    // Leftovers of interrupted saves go, also those of entries that this save no longer writes.
    AtomicFile::removeLeftoversIn(dir.path());
    QSet<QString> written;
    for (auto it = entries.constBegin(); it != entries.constEnd(); ++it) {
        const QString name = RTFCodec::safeFileName(it.key());
        if (written.contains(name)) continue;
        written.insert(name);
        const QString path = dir.filePath(name);
        std::optional<AttachmentFiles> folder;
        if (it->isFolder && depth < kMaxDepth) folder = RTFDCodec::parseFolder(it->data);
        if (!folder) {
            if (saveFile(path, it->data)) continue;
            if (error) *error = QStringLiteral("Cannot write %1.").arg(path);
            return false;
        }
        // A file or link in the folder's place is replaced.
        const QFileInfo info(path);
        if ((info.isSymLink() || (info.exists() && !info.isDir())) && !QFile::remove(path)) {
            if (error) *error = QStringLiteral("Cannot replace %1.").arg(path);
            return false;
        }
        if (!AtomicFile::makeFolder(path)) {
            if (error) *error = QStringLiteral("Cannot create the folder %1.").arg(path);
            return false;
        }
        if (!writeEntries(QDir(path), *folder, depth + 1, error)) return false;
    }
    return depth == 0 || removeOthers(dir, written, error);
}

// The bytes of the regular file at path, opened without following a link and without waiting on a FIFO
// or a device; nothing for anything else and for files over the size limit.
std::optional<QByteArray> readRegularFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    std::optional<QByteArray> data;
    struct stat st;
    QFile file;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxFolderFileSize &&
        file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        data = file.readAll();
        file.close();
    }
    ::close(fd);
    return data;
}

// The files of a folder and, flattened, its folders; symbolic links and the temporaries of interrupted
// saves are left out.
AttachmentFiles readEntries(const QString& folderPath, int depth) {
    AttachmentFiles entries;
    const QDir dir(folderPath);
    const auto filter = QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks;
    for (const QFileInfo& info : dir.entryInfoList(filter)) {
        if (AtomicFile::isTemporaryName(info.fileName())) continue; // what an interrupted save left
        if (info.isDir()) {
            if (depth < kMaxDepth)
                entries.insert(
                    info.fileName(),
                    PackageFile(RTFDCodec::serialiseFolder(readEntries(info.filePath(), depth + 1)), true));
            continue;
        }
        if (std::optional<QByteArray> data = readRegularFile(info.filePath()))
            entries.insert(info.fileName(), PackageFile(*data));
    }
    return entries;
}

} // namespace

namespace RTFDCodec {

std::optional<AttachmentFiles> parseFolder(const QByteArray& flattened, QString* error) {
    auto fail = [&](const QString& reason) -> std::optional<AttachmentFiles> {
        if (error) *error = reason;
        return std::nullopt;
    };
    if (flattened.size() < kHeader.size() + 4 || !flattened.startsWith(kHeader) ||
        qFromLittleEndian<quint32>(flattened.constData() + kHeader.size()) != kFolder)
        return fail(QStringLiteral("The data is not RTFD."));
    QList<Record> records;
    switch (readFolderRecord(Cursor(QByteArrayView(flattened).sliced(kHeader.size() + 4)), 1, &records)) {
    case Fault::None:
        break;
    case Fault::Truncated:
        return fail(QStringLiteral("The RTFD data is truncated."));
    case Fault::TooDeep:
        return fail(QStringLiteral("The RTFD data is nested too deeply."));
    }
    AttachmentFiles entries;
    for (const Record& r : records) {
        const QString name = QString::fromUtf8(r.name);
        if (entries.contains(name)) continue;
        if (r.type == kFolder)
            entries.insert(name, PackageFile(kHeader + r.bytes.toByteArray(), true));
        else
            entries.insert(name, PackageFile(fileContents(r.bytes)->toByteArray()));
    }
    return entries;
}

QByteArray serialiseFolder(const AttachmentFiles& entries) {
    QList<NamedEntry> list;
    appendEntries(list, entries);
    return serialiseEntries(list);
}

std::optional<Package> parse(const QByteArray& flattened, QString* error) {
    std::optional<AttachmentFiles> entries = parseFolder(flattened, error);
    if (!entries) return std::nullopt;
    const auto text = entries->constFind(kTextFile);
    if (text == entries->constEnd() || text->isFolder) {
        if (error) *error = QStringLiteral("The RTFD data holds no text.");
        return std::nullopt;
    }
    Package package;
    package.rtf = text->data;
    entries->erase(text);
    package.files = std::move(*entries);
    return package;
}

QByteArray serialise(const Package& package) {
    const PackageFile text(package.rtf);
    AttachmentFiles files = package.files;
    files.remove(kTextFile);
    QList<NamedEntry> list{{kTextFile.toUtf8(), &text}};
    appendEntries(list, files);
    return serialiseEntries(list);
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
    QDir dir(folderPath);
    if (!AtomicFile::makeFolder(folderPath)) {
        if (error) *error = QStringLiteral("Cannot create the folder %1.").arg(folderPath);
        return false;
    }
    Package package;
    package.rtf = RTFCodec::write(text, &package.files);
    package.files.remove(kTextFile);
    if (!writeEntries(dir, package.files, 0, error)) return false;
    if (!saveFile(dir.filePath(kTextFile), package.rtf)) {
        if (error) *error = QStringLiteral("Cannot write %1.").arg(dir.filePath(kTextFile));
        return false;
    }
    return true;
}

std::optional<AttributedString> readFolder(const QString& folderPath, QString* error) {
    // The text is a file in the folder: a link or anything else is no text of it.
    const QString textPath = QDir(folderPath).filePath(kTextFile);
    const std::optional<QByteArray> rtf = readRegularFile(textPath);
    if (!rtf) {
        if (error) *error = QStringLiteral("Cannot read %1.").arg(textPath);
        return std::nullopt;
    }
    AttachmentFiles files = readEntries(folderPath, 0);
    files.remove(kTextFile);
    return RTFCodec::read(*rtf, error, files);
}

} // namespace RTFDCodec
