#include "SheetConverter.h"

#include "Globals.h"
#include "Memoleaf.h"
#include "Preferences.h"
#include "Sheet.h"
#include "Task.h"
#include "platform/Diagnostics.h"
#include "platform/PlistCodec.h"
#include "platform/UserDefaults.h"
#include "platform/text/RTFDCodec.h"
#include "utilities/StringPathUtilities.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QRandomGenerator>
#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace {

QVariantList objectsOf(const QVariant& container) {
    const QVariant objects = container.toMap().value(QStringLiteral("system.objects"));
    return objects.typeId() == QMetaType::QVariantList ? objects.toList() : QVariantList();
}

QVariantList topObjects(const QVariantMap& root) {
    const QVariant objects = root.value(QStringLiteral("system.objects"));
    return objects.typeId() == QMetaType::QVariantList ? objects.toList() : QVariantList();
}

QString stringOf(const QVariantMap& map, const QString& key, bool* present = nullptr) {
    const QVariant value = map.value(key);
    const bool isString = value.typeId() == QMetaType::QString;
    if (present) *present = isString;
    return isString ? value.toString() : QString();
}

std::optional<bool> boolOf(const QVariantMap& map, const QString& key) {
    const QVariant value = map.value(key);
    if (value.typeId() == QMetaType::Bool) return value.toBool();
    return std::nullopt;
}

// Larger legacy files are refused rather than read whole into memory.
constexpr qint64 kMaximumSourceSize = qint64(256) * 1024 * 1024;

std::optional<QVariantMap> readPlist(const QString& path, QString* error) {
    const QFileInfo info(path);
    if (info.exists() && (!info.isFile() || info.size() > kMaximumSourceSize)) {
        if (error)
            *error = QStringLiteral("Cannot convert ") + path + QStringLiteral(": not a file of a sane size");
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("Cannot read ") + path + QStringLiteral(": ") + file.errorString();
        return std::nullopt;
    }
    QString reason;
    const QVariant value = PlistCodec::decode(file.readAll(), &reason);
    if (value.typeId() != QMetaType::QVariantMap) {
        if (error)
            *error = QStringLiteral("Cannot convert ") + path + QStringLiteral(": ") +
                     (reason.isEmpty() ? QStringLiteral("not a sheet of the previous version") : reason);
        return std::nullopt;
    }
    return value.toMap();
}

// Whether the list is a sheet of the previous generation: its "system.objects" is a list holding no
// card or at least one (of a project: a dictionary with a title, a frame or rows; of the rich-text
// edition: a card or a stack). Any other property list converts into nothing.
bool isLegacySheet(const QVariantMap& root, bool richText) {
    if (root.value(QStringLiteral("system.objects")).typeId() != QMetaType::QVariantList) return false;
    const QVariantList objects = topObjects(root);
    if (objects.isEmpty()) return true;
    return std::any_of(objects.cbegin(), objects.cend(), [richText](const QVariant& entry) {
        if (entry.typeId() != QMetaType::QVariantMap) return false;
        const QVariantMap card = entry.toMap();
        if (richText) {
            const QString cls = stringOf(card, QStringLiteral("system.class"));
            return cls == QLatin1String("TMemoleaf") || cls == QLatin1String("TStack");
        }
        return card.contains(QStringLiteral("browser")) || card.contains(QStringLiteral("title")) ||
               card.contains(QStringLiteral("frame.origin.x"));
    });
}

std::optional<QVariantMap> readLegacySheet(const QString& path, bool richText, QString* error) {
    std::optional<QVariantMap> root = readPlist(path, error);
    if (root && !isLegacySheet(*root, richText)) {
        if (error)
            *error = QStringLiteral("Cannot convert ") + path +
                     QStringLiteral(": not a sheet of the previous version");
        return std::nullopt;
    }
    return root;
}

// The new sheet at the destination; null when something is there already (a sheet converted into
// another one would take its info.plist, and its cards would go to the Trash as strays).
TSheet* makeSheet(const QString& destination, QString* error) {
    if (QFileInfo::exists(destination) || QFileInfo(destination).isSymLink()) {
        if (error) *error = destination + QStringLiteral(" exists already.");
        return nullptr;
    }
    return TSheet::Create(destination);
}

void setUpCard(TCard* card, const QVariantMap& legacy) {
    bool hasTitle = false;
    const QString title = stringOf(legacy, QStringLiteral("title"), &hasTitle);
    if (hasTitle) card->SetTitle(title);
    const QVariantList colours = DefaultCardColors();
    const int index = QRandomGenerator::global()->bounded(int(colours.size()) - 1); // never the last
    card->SetColor(colours[index].toMap().value(QStringLiteral("color")).value<QColor>());
    card->SetFrame(ConvertFrameToRect(legacy));
}

TCardItem* makeItem(const QVariantMap& row) {
    const QString cls = stringOf(row, QStringLiteral("system.class"));
    if (cls == QLatin1String("TTask")) {
        TTask* task = TTask::Create(QString());
        if (const auto completed = boolOf(row, QStringLiteral("completed"))) task->SetCompleted(*completed);
        return task;
    }
    const QString url =
        StringPathUtilities::stringByExpandingTildeInPath(stringOf(row, QStringLiteral("url")));
    if (cls == QLatin1String("TFileAttachment")) {
        Diagnostics::line(QStringLiteral("urlString: ") + url);
        return TFileAttachment::Create(url);
    }
    if (cls == QLatin1String("TImageAttachment")) {
        QByteArray data = row.value(QStringLiteral("image")).toByteArray();
        QBuffer buffer(&data);
        QImageReader reader(&buffer);
        const QImage image = reader.read();
        if (image.isNull()) return nullptr;
        return TImageAttachment::Create(image);
    }
    if (cls == QLatin1String("TSeperator")) return TSeperatorItem::Create();
    if (cls == QLatin1String("TURLAttachment")) return TURLAttachment::Create(QUrl(url));
    if (cls == QLatin1String("TMailAttachment")) return TMailAttachment::Create(QUrl(url));
    return nullptr; // card attachments and unknown rows are left out with their children
}

void convertTasks(const QVariantList& rows, TTreeNode* parent) {
    for (const QVariant& entry : rows) {
        const QVariantMap row = entry.toMap();
        TCardItem* item = makeItem(row);
        if (!item) continue;
        bool hasText = false;
        const QString text = stringOf(row, QStringLiteral("text"), &hasText);
        if (hasText && item->IsMember(TTextItem::StaticClass())) static_cast<TTextItem*>(item)->SetText(text);
        if (const auto open = boolOf(row, QStringLiteral("open"))) item->SetExpanded(*open);
        parent->AddChild(item);
        item->Release();
        const QVariant children = row.value(QStringLiteral("system.objects"));
        if (children.typeId() == QMetaType::QVariantList) convertTasks(children.toList(), item);
    }
}

void convertPage(const QVariantMap& page, TMemoleaf* card) {
    bool hasPlain = false;
    const QString plain = stringOf(page, QStringLiteral("plainText"), &hasPlain);
    if (hasPlain) {
        card->SetText(plain);
        return;
    }
    const QVariant rtfd = page.value(QStringLiteral("rtfd"));
    if (rtfd.typeId() == QMetaType::QByteArray)
        if (const std::optional<AttributedString> text = RTFDCodec::read(rtfd.toByteArray()))
            card->SetText(*text);
}

void convertMemoleaf(const QVariantMap& legacy, TMemoleaf* card, int depth) {
    setUpCard(card, legacy);
    const QVariantList pages = objectsOf(legacy.value(QStringLiteral("pages")));
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (i == 0) {
            convertPage(pages[i].toMap(), card);
            continue;
        }
        Ref<TMemoleaf> page = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("Page %1").arg(i + 1)));
        page->SetFrame(card->GetFrame());
        convertPage(pages[i].toMap(), page.get());
        card->AddChild(page.get());
        card->AddTabIdentifier(page->GetUUID());
    }
    if (depth >= 64) return; // embedded cards nested beyond any real sheet
    for (const QVariant& entry : objectsOf(legacy.value(QStringLiteral("embeddedCards")))) {
        const QVariant embedded = entry.toMap().value(QStringLiteral("card"));
        if (embedded.typeId() != QMetaType::QVariantMap) continue;
        Ref<TMemoleaf> child = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("Untitled")));
        convertMemoleaf(embedded.toMap(), child.get(), depth + 1);
        card->AddChild(child.get());
        card->AddTabIdentifier(child->GetUUID());
    }
}

} // namespace

QRectF ConvertFrameToRect(const QVariantMap& card) {
    const QRectF defaults(0, 0, 400, 300);
    const auto value = [&](const char* key, double fallback) {
        const QVariant data = card.value(QString::fromLatin1(key));
        if (data.typeId() != QMetaType::QByteArray || data.toByteArray().size() < 4) return fallback;
        const float number = qFromBigEndian<float>(data.toByteArray().constData());
        return std::isfinite(number) ? static_cast<double>(number) : fallback;
    };
    double x = value("frame.origin.x", defaults.x()), y = value("frame.origin.y", defaults.y());
    double width = value("frame.size.width", defaults.width()),
           height = value("frame.size.height", defaults.height());
    if (width < 216) width = 216;
    if (height < 80) height = 80;
    if (y <= 0) y = 40;
    if (y > 780) y = 780;
    return {x, y, width, height};
}

TSheet* ConvertJobslateSheet(const QString& source, const QString& destination, QString* error) {
    const std::optional<QVariantMap> root = readLegacySheet(source, false, error);
    if (!root) return nullptr;
    TSheet* sheet = makeSheet(destination, error);
    if (!sheet) return nullptr;
    for (const QVariant& entry : topObjects(*root)) {
        if (entry.typeId() != QMetaType::QVariantMap) continue;
        const QVariantMap legacy = entry.toMap();
        Ref<TJobslate> card = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Untitled")));
        setUpCard(card.get(), legacy);
        sheet->AddCard(card.get());
        Ref<TListItem> rootItem = Ref<TListItem>::adopt(TListItem::Create());
        rootItem->SetRowNumbering(
            static_cast<qint32>(NSPrefs().integerForKey(kPreferenceKeyDefaultRowNumbering)));
        card->SetRoot(rootItem.get());
        const QVariant browser = legacy.value(QStringLiteral("browser"));
        if (browser.typeId() == QMetaType::QVariantMap) convertTasks(objectsOf(browser), rootItem.get());
    }
    return sheet;
}

TSheet* ConvertMemoleafSheet(const QString& source, const QString& destination, QString* error) {
    const std::optional<QVariantMap> root = readLegacySheet(source, true, error);
    if (!root) return nullptr;
    TSheet* sheet = makeSheet(destination, error);
    if (!sheet) return nullptr;
    const auto addCard = [&](const QVariantMap& legacy) {
        Ref<TMemoleaf> card = Ref<TMemoleaf>::adopt(TMemoleaf::Create(QStringLiteral("Untitled")));
        convertMemoleaf(legacy, card.get(), 0);
        sheet->AddCard(card.get());
    };
    for (const QVariant& entry : topObjects(*root)) {
        const QVariantMap legacy = entry.toMap();
        const QString cls = stringOf(legacy, QStringLiteral("system.class"));
        if (cls == QLatin1String("TMemoleaf")) {
            addCard(legacy);
        } else if (cls == QLatin1String("TStack")) {
            for (const QVariant& card : objectsOf(legacy.value(QStringLiteral("cards"))))
                if (card.typeId() == QMetaType::QVariantMap) addCard(card.toMap());
        }
    }
    return sheet;
}

QString ConvertedSheetPath(const QString& source, const QString& sheetFolder) {
    const QString name = QFileInfo(source).completeBaseName() + QStringLiteral(" (Converted)");
    QString path = sheetFolder + QLatin1Char('/') + name + QStringLiteral(".qxsheet");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = sheetFolder + QLatin1Char('/') + name + QStringLiteral(" %1.qxsheet").arg(n);
    return path;
}
