#include "Archiver.h"

#include "platform/AtomicFile.h"
#include "platform/Diagnostics.h"
#include "platform/PlistCodec.h"
#include "platform/VariantKinds.h"

#include <QBuffer>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_set>
#include <vector>

using VariantKinds::isNumber;
using VariantKinds::isReal;

namespace {

// A nested archive stored by reference: the child archiver's own dictionary, which the codec writes
// in place without copying it.
using ArchiveLink = PlistCodec::SharedDictionary;

bool isLink(const QVariant& v) {
    return v.metaType() == QMetaType::fromType<ArchiveLink>();
}

bool isContainer(const QVariant& v) {
    const int id = v.metaType().id();
    return id == QMetaType::QVariantMap || id == QMetaType::QVariantList || isLink(v);
}

// The plain value of v, with every shared nested archive replaced by its current contents. A link
// back into a dictionary being resolved (an archive stored inside itself) resolves to nothing, and
// its entry is left out.
QVariant resolved(const QVariant& v, std::vector<const QVariantMap*>& path) {
    if (isLink(v)) {
        const QVariantMap* dict = v.value<ArchiveLink>().dictionary.get();
        if (std::find(path.begin(), path.end(), dict) != path.end()) return QVariant();
        path.push_back(dict);
        QVariant plain = resolved(QVariant(*dict), path);
        path.pop_back();
        return plain;
    }
    const int id = v.metaType().id();
    if (id == QMetaType::QVariantMap) {
        QVariantMap map = v.toMap();
        for (auto it = map.begin(); it != map.end();) {
            if (isContainer(it.value())) it.value() = resolved(it.value(), path);
            it = it.value().isValid() ? std::next(it) : map.erase(it);
        }
        return map;
    }
    if (id == QMetaType::QVariantList) {
        QVariantList list = v.toList();
        for (qsizetype i = 0; i < list.size();) {
            if (isContainer(list[i])) list[i] = resolved(list[i], path);
            if (list[i].isValid())
                ++i;
            else
                list.removeAt(i);
        }
        return list;
    }
    return v;
}

// Whether target is dictionary or lies anywhere inside it, through nested containers and links.
bool holds(const QVariantMap& dictionary, const QVariantMap* target) {
    if (&dictionary == target) return true;
    std::vector<const QVariant*> pending;
    std::unordered_set<const QVariantMap*> seen{&dictionary};
    auto addValues = [&pending](const QVariantMap& map) {
        for (auto it = map.cbegin(); it != map.cend(); ++it) pending.push_back(&it.value());
    };
    addValues(dictionary);
    while (!pending.empty()) {
        const QVariant& v = *pending.back();
        pending.pop_back();
        if (isLink(v)) {
            const QVariantMap* linked = static_cast<const ArchiveLink*>(v.constData())->dictionary.get();
            if (linked == target) return true;
            if (seen.insert(linked).second) addValues(*linked);
        } else if (v.metaType().id() == QMetaType::QVariantMap) {
            addValues(*static_cast<const QVariantMap*>(v.constData()));
        } else if (v.metaType().id() == QMetaType::QVariantList) {
            for (const QVariant& element : *static_cast<const QVariantList*>(v.constData()))
                pending.push_back(&element);
        }
    }
    return false;
}

QVariant resolved(const QVariant& v, const std::shared_ptr<QVariantMap>& root) {
    if (!isContainer(v)) return v; // a plain value: nothing to resolve, no path to build
    std::vector<const QVariantMap*> path{root.get()};
    return resolved(v, path);
}

// A container's map, looking through a link.
const QVariantMap* mapOf(const QVariant& v, QVariantMap& scratch) {
    if (isLink(v)) return v.value<ArchiveLink>().dictionary.get();
    if (v.metaType().id() == QMetaType::QVariantMap) {
        scratch = v.toMap();
        return &scratch;
    }
    return nullptr;
}

bool isComponentNumber(const QString& s) {
    for (QChar c : s)
        if (!c.isDigit() && c != u'-' && c != u'.') return false;
    return true;
}

qint64 leadingInteger(const QString& s) {
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && s[i] == u'-') {
        negative = true;
        ++i;
    }
    qint64 value = 0;
    for (; i < s.size() && s[i].isDigit(); ++i) {
        value = value * 10 + s[i].digitValue();
        if (value > std::numeric_limits<qint32>::max()) break;
    }
    return negative ? -value : value;
}

// A file path the archiver can read or write: absolute, not a folder.
bool usablePath(const QString& path) {
    if (path.isEmpty() || !QDir::isAbsolutePath(path) || path.endsWith(u'/')) return false;
    return !QFileInfo(path).isDir();
}

} // namespace

TArchiver::TArchiver() : m_dict(std::make_shared<QVariantMap>()) {}
TArchiver::TArchiver(Dict dictionary, void* context) : m_dict(std::move(dictionary)), m_context(context) {}
TArchiver::~TArchiver() = default;

TArchiver* TArchiver::Create() {
    return new TArchiver();
}

TArchiver* TArchiver::CreateWithDictionary(const QVariantMap& dictionary) {
    return new TArchiver(std::make_shared<QVariantMap>(dictionary), nullptr);
}

TArchiver* TArchiver::CreateWithXMLData(const QByteArray& data) {
    const QVariant parsed = PlistCodec::decode(data);
    return CreateWithDictionary(parsed.metaType().id() == QMetaType::QVariantMap ? parsed.toMap()
                                                                                 : QVariantMap());
}

TArchiver* TArchiver::CreateWithPath(const QString& path) {
    auto* archiver = new TArchiver();
    archiver->m_path = path;
    return archiver;
}

TArchiver* TArchiver::CreateWithFile(const FSRef& file) {
    return CreateWithPath(file.path);
}

void TArchiver::Release() {
    delete this;
}

int TArchiver::Load() {
    if (!usablePath(m_path)) return -1;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return -1;
    const QVariant parsed = PlistCodec::decode(bytes);
    if (parsed.metaType().id() != QMetaType::QVariantMap) {
        // Not a property list, or one whose root is not a dictionary.
        m_dict = std::make_shared<QVariantMap>();
        return -1;
    }
    m_dict = std::make_shared<QVariantMap>(parsed.toMap());
    return 0;
}

int TArchiver::Save(const QString& path, bool /*atomically*/) {
    if (!usablePath(path)) return -3;
    const QByteArray bytes = CopyXMLData();
    if (bytes.isNull()) return -2;
    // Always written whole to a temporary file that then replaces the target.
    return AtomicFile::write(path, bytes) ? 0 : -1;
}

int TArchiver::Save(const QString& path) {
    return Save(path, false);
}
int TArchiver::Save(const char* path) {
    return Save(QString::fromUtf8(path), false);
}
int TArchiver::Save() {
    return Save(m_path, false);
}
int TArchiver::Save(bool atomically) {
    return Save(m_path, atomically);
}

int TArchiver::Save(const FSRef& file) {
    if (file.isNull()) return -3;
    return Save(file.path, false);
}

QByteArray TArchiver::CopyXMLData() const {
    return encoded(PlistCodec::Format::Xml);
}

QByteArray TArchiver::CopyBinaryData() const {
    return encoded(PlistCodec::Format::Binary);
}

QByteArray TArchiver::encoded(PlistCodec::Format format) const {
    // Written in place: nested archives are read through their links, nothing is copied.
    QByteArray out;
    if (!PlistCodec::encode(QVariant::fromValue(ArchiveLink{m_dict}), &out, format)) return QByteArray();
    return out;
}

void TArchiver::SetPath(const QString& path) {
    m_path = path;
}

FSRef TArchiver::GetFile() const {
    if (m_path.isEmpty() || !QFileInfo::exists(m_path)) return FSRef();
    return FSRef{QFileInfo(m_path).absoluteFilePath()};
}

void TArchiver::SetValue(const QString& key, const QVariant& value) {
    if (!value.isValid()) return;
    m_dict->insert(key, value);
}

QVariant TArchiver::rawValue(const QString& key) const {
    if (!key.startsWith(u'/') || m_dict->isEmpty()) return m_dict->value(key);
    const QStringList components = key.split(u'/');
    QVariant container = QVariant::fromValue(ArchiveLink{m_dict});
    QVariant result;
    for (qsizetype i = 0; i < components.size(); ++i) {
        const QString& component = components[i];
        QVariant value;
        QVariantMap scratch;
        if (container.metaType().id() == QMetaType::QVariantList) {
            const QVariantList list = container.toList();
            if (!isComponentNumber(component)) return result;
            const qint64 index = leadingInteger(component);
            if (index < 0 || index >= list.size()) return result;
            value = list.at(index);
        } else if (const QVariantMap* map = mapOf(container, scratch)) {
            auto it = map->constFind(component);
            if (it == map->constEnd()) continue; // passed over: next component, same container
            value = it.value();
        } else {
            return result;
        }
        const int id = value.metaType().id();
        if (id == QMetaType::QVariantMap || id == QMetaType::QVariantList || isLink(value))
            container = value;
        else
            result = value;
        if (i == components.size() - 1) result = value;
    }
    return result;
}

QVariant TArchiver::GetValue(const QString& key) const {
    return resolved(rawValue(key), m_dict);
}

bool TArchiver::ContainsKey(const QString& key) const {
    return m_dict->contains(key);
}
void TArchiver::Remove(const QString& key) {
    m_dict->remove(key);
}
qint64 TArchiver::Count() const {
    return m_dict->size();
}
QVariantMap TArchiver::CFType() const {
    return resolved(QVariant(*m_dict), m_dict).toMap();
}

QStringList TArchiver::Keys() const {
    return m_dict->keys();
}

QVariant TArchiver::GetKeyValue(const QString& key) const {
    return resolved(m_dict->value(key), m_dict);
}

QVariant TArchiver::GetPlainValue(const QString& key) const {
    const QVariant value = m_dict->value(key);
    return isContainer(value) ? QVariant() : value;
}

void TArchiver::ForEachStoredValue(
    const std::function<void(const QString& key, const QVariant& stored)>& visit) const {
    for (auto it = m_dict->cbegin(); it != m_dict->cend(); ++it) visit(it.key(), it.value());
}

void TArchiver::Show() const {
    Diagnostics::line(QString::fromUtf8(CopyXMLData()));
}

void TArchiver::SetBooleanValue(const QString& key, bool value) {
    SetValue(key, QVariant(value));
}

bool TArchiver::GetBooleanValue(const QString& key) const {
    const QVariant v = GetValue(key);
    if (!v.isValid()) return false;
    if (v.metaType().id() == QMetaType::Bool) return v.toBool();
    if (isNumber(v)) return v.toDouble() != 0.0;
    return true;
}

void TArchiver::SetIntegerValue(const QString& key, qint32 value) {
    SetValue(key, QVariant(value));
}

qint32 TArchiver::GetIntegerValue(const QString& key) const {
    const QVariant v = GetValue(key);
    if (v.metaType().id() == QMetaType::Bool) return v.toBool() ? 1 : 0;
    if (!isNumber(v)) return 0;
    if (isReal(v)) {
        const double d = std::trunc(v.toDouble());
        if (!std::isfinite(d) || d < std::numeric_limits<qint32>::min() ||
            d > std::numeric_limits<qint32>::max())
            return 0;
        return static_cast<qint32>(d);
    }
    const qint64 n = v.toLongLong();
    if (n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max()) return 0;
    return static_cast<qint32>(n);
}

void TArchiver::SetFloatValue(const QString& key, float value) {
    SetValue(key, QVariant(value));
}

float TArchiver::GetFloatValue(const QString& key) const {
    const QVariant v = GetValue(key);
    if (!isNumber(v)) return 0.0f;
    const double d = v.toDouble();
    if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()) return 0.0f;
    return static_cast<float>(d);
}

void TArchiver::SetStringValue(const QString& key, const QString& value) {
    SetValue(key, QVariant(value));
}

QString TArchiver::GetStringValue(const QString& key) const {
    const QVariant v = GetValue(key);
    return v.metaType().id() == QMetaType::QString ? v.toString() : QString();
}

void TArchiver::SetDataValue(const QString& key, const QByteArray& bytes) {
    SetValue(key, QVariant(bytes.isNull() ? QByteArray("") : bytes));
}

bool TArchiver::GetDataValue(const QString& key, QByteArray* bytes) const {
    const QVariant v = GetValue(key);
    if (v.metaType().id() != QMetaType::QByteArray) return false;
    if (bytes) *bytes = v.toByteArray();
    return true;
}

namespace {

QByteArray pngData(const QImage& image) {
    QByteArray png;
    if (image.isNull()) return png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) png.clear();
    return png;
}

} // namespace

void TArchiver::SetImageValue(const QString& key, const QImage& image) {
    const QByteArray png = pngData(image);
    if (!png.isEmpty()) SetValue(key, QVariant(png));
}

QImage TArchiver::CopyImageValue(const QString& key) const {
    QByteArray bytes;
    if (!GetDataValue(key, &bytes)) return QImage();
    return QImage::fromData(bytes);
}

void TArchiver::SetPointValue(const QString& key, const QPointF& point) {
    SetFloatValue(key + ".x", static_cast<float>(point.x()));
    SetFloatValue(key + ".y", static_cast<float>(point.y()));
}

QPointF TArchiver::GetPointValue(const QString& key) const {
    return QPointF(GetFloatValue(key + ".x"), GetFloatValue(key + ".y"));
}

void TArchiver::SetSizeValue(const QString& key, const QSizeF& size) {
    SetFloatValue(key + ".width", static_cast<float>(size.width()));
    SetFloatValue(key + ".height", static_cast<float>(size.height()));
}

QSizeF TArchiver::GetSizeValue(const QString& key) const {
    return QSizeF(GetFloatValue(key + ".width"), GetFloatValue(key + ".height"));
}

void TArchiver::SetRectValue(const QString& key, const QRectF& rect) {
    SetPointValue(key + ".origin", rect.topLeft());
    SetSizeValue(key + ".size", rect.size());
}

QRectF TArchiver::GetRectValue(const QString& key) const {
    return QRectF(GetPointValue(key + ".origin"), GetSizeValue(key + ".size"));
}

void TArchiver::SetRangeValue(const QString& key, const CFRange& range) {
    SetIntegerValue(key + ".location",
                    static_cast<qint32>(static_cast<quint32>(range.location & 0xffffffff)));
    SetIntegerValue(key + ".length", static_cast<qint32>(static_cast<quint32>(range.length & 0xffffffff)));
}

CFRange TArchiver::GetRangeValue(const QString& key) const {
    return CFRange{GetIntegerValue(key + ".location"), GetIntegerValue(key + ".length")};
}

void TArchiver::SetColorValue(const QString& key, const ATSURGBAlphaColor& color) {
    SetFloatValue(key + ".red", color.red);
    SetFloatValue(key + ".green", color.green);
    SetFloatValue(key + ".blue", color.blue);
    SetFloatValue(key + ".alpha", color.alpha);
}

ATSURGBAlphaColor TArchiver::GetColorValue(const QString& key) const {
    return ATSURGBAlphaColor{GetFloatValue(key + ".red"), GetFloatValue(key + ".green"),
                             GetFloatValue(key + ".blue"), GetFloatValue(key + ".alpha")};
}

bool TArchiver::IsStringValue(const QString& key) const {
    return GetValue(key).metaType().id() == QMetaType::QString;
}

bool TArchiver::IsNumberValue(const QString& key) const {
    return isNumber(GetValue(key));
}

bool TArchiver::IsDataValue(const QString& key) const {
    return GetValue(key).metaType().id() == QMetaType::QByteArray;
}

bool TArchiver::wouldHoldItself(const TArchiver* archive) const {
    // Only a dictionary that something links to can be reached from another one.
    if (archive->m_dict == m_dict) return true;
    return m_dict.use_count() > 1 && holds(*archive->m_dict, m_dict.get());
}

void TArchiver::SetArchive(const QString& key, TArchiver* archive) {
    if (!archive || wouldHoldItself(archive)) return;
    m_dict->insert(key, QVariant::fromValue(ArchiveLink{archive->m_dict}));
}

TArchiver* TArchiver::archiveOver(const QVariant& value) const {
    QVariantMap scratch;
    const QVariantMap* map = mapOf(value, scratch);
    if (!map) return nullptr;
    // One level copied: the new archiver's keys are its own, nested values are shared.
    return new TArchiver(std::make_shared<QVariantMap>(*map), m_context);
}

TArchiver* TArchiver::CopyArchive(const QString& key) const {
    return archiveOver(rawValue(key));
}

void TArchiver::AppendArchive(TArchiver* archive) {
    if (!archive || wouldHoldItself(archive)) return;
    // The list is taken out of its slot while it grows, so appending does not copy it each time.
    QVariant& slot = (*m_dict)[kObjectsKey];
    QVariantList list = slot.toList();
    slot = QVariant();
    list.append(QVariant::fromValue(ArchiveLink{archive->m_dict}));
    slot = QVariant(list);
}

QVariant TArchiver::elementAt(qint64 index) const {
    auto it = m_dict->constFind(kObjectsKey);
    if (it == m_dict->constEnd() || it.value().metaType().id() != QMetaType::QVariantList) return QVariant();
    const QVariantList list = it.value().toList();
    if (index < 0 || index >= list.size()) return QVariant();
    return list.at(index);
}

TArchiver* TArchiver::CopyArchive(qint64 index) const {
    return archiveOver(elementAt(index));
}

qint64 TArchiver::Limit() const {
    auto it = m_dict->constFind(kObjectsKey);
    if (it == m_dict->constEnd()) return -1;
    if (it.value().metaType().id() != QMetaType::QVariantList) return -1;
    return it.value().toList().size() - 1;
}

void TArchiver::SetIndexedValue(const QVariantList& values) {
    m_dict->insert(kObjectsKey, values);
}

QVariantList TArchiver::GetIndexedObjects() const {
    return resolved(m_dict->value(kObjectsKey), m_dict).toList();
}

QVariant TArchiver::GetIndexedValue(qint64 index) const {
    return resolved(elementAt(index), m_dict);
}

void TArchiver::RemoveArchivedObjects() {
    m_dict->remove(kObjectsKey);
}

void EncodedImage::set(const QImage& image) {
    m_data = pngData(image);
}

QImage EncodedImage::image() const {
    return m_data.isEmpty() ? QImage() : QImage::fromData(m_data);
}

void EncodedImage::read(const TArchiver* archiver, const QString& key) {
    m_data.clear();
    if (!archiver->GetDataValue(key, &m_data)) return;
    // Only the header is read here; the picture is decoded when it is drawn.
    QBuffer buffer(&m_data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const bool readable = reader.canRead() && reader.size().isValid();
    buffer.close();
    if (!readable) m_data.clear();
}

void EncodedImage::write(TArchiver* archiver, const QString& key) const {
    if (m_data.isEmpty())
        archiver->Remove(key);
    else
        archiver->SetDataValue(key, m_data);
}
