#include "CardItems.h"

#include "Globals.h"
#include "ModelContracts.h"
#include "Preferences.h"
#include "foundation/Archiver.h"
#include "foundation/NSObjectWrapper.h"
#include "platform/Diagnostics.h"
#include "platform/UserDefaults.h"
#include "platform/text/RTFDCodec.h"
#include "utilities/CGImages.h"
#include "utilities/StringPathUtilities.h"
#include "utilities/UserDefaultsUtilities.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QHash>
#include <QImageReader>

namespace {

const QString kNotes = QStringLiteral("notes");
const QString kUUID = QStringLiteral("uuid");
const QString kColumns = QStringLiteral("columns");
const QString kText = QStringLiteral("text");
const QString kImage = QStringLiteral("image");
const QString kImageSize = QStringLiteral("imageSize");
const QString kURL = QStringLiteral("url");
const QString kPath = QStringLiteral("path");
const QString kCard = QStringLiteral("card");

QHash<QString, QString>& viewClasses() {
    static QHash<QString, QString> registry;
    return registry;
}

TextAttributes fontAttributes(const QFont& font) {
    TextAttributes attributes;
    attributes.font.name = font.family();
    attributes.font.pointSize = font.pointSizeF() > 0 ? font.pointSizeF() : 0;
    attributes.font.bold = font.bold();
    attributes.font.italic = font.italic();
    return attributes;
}

} // namespace

// TCardItem

void TCardItem::Initialize() {
    TTreeNode::Initialize();
    if (!m_columns) m_columns = Ref<TObjectArray>::adopt(TObjectArray::Create());
    if (m_uuid.isEmpty()) m_uuid = NewUUIDString();
    SetMaintainCocoaObject(true);
}

void TCardItem::Deallocate() {
    m_columns = {};
    TTreeNode::Deallocate();
}

void TCardItem::CopyInstanceVariables(TObject* source) {
    TTreeNode::CopyInstanceVariables(source);
    const auto* item = static_cast<const TCardItem*>(source);
    m_notes = item->m_notes;
    m_columns = item->m_columns
                    ? Ref<TObjectArray>::adopt(static_cast<TObjectArray*>(item->m_columns->Copy()))
                    : Ref<TObjectArray>();
    m_kept = item->m_kept;
    m_uuid = NewUUIDString();
    m_viewRepresentation = nullptr;
    m_owningCard = nullptr;
}

void TCardItem::AddArchiveKeys(QSet<QString>& keys) const {
    keys.unite({TArchiver::kClassKey, TArchiver::kObjectPropertiesKey, QStringLiteral("children"),
                QStringLiteral("expanded"), kNotes, kUUID, kColumns});
}

void TCardItem::EncodeData(TArchiver* archiver) {
    m_kept.restore(archiver);
    TTreeNode::EncodeData(archiver);
    if (m_notes.isEmpty())
        archiver->Remove(kNotes);
    else
        archiver->SetValue(kNotes, m_notes);
    archiver->SetValue(kUUID, m_uuid);
    if (m_columns) m_columns->ArchiveObject(archiver, kColumns);
}

void TCardItem::DecodeData(TArchiver* archiver) {
    TTreeNode::DecodeData(archiver);
    DropChildrenNotOf(this, TCardItem::StaticClass());
    m_kept.take(archiver, GetClass(), [this](QSet<QString>& keys) { AddArchiveKeys(keys); });
    m_notes = archiver->GetStringValue(kNotes);
    m_uuid = archiver->GetStringValue(kUUID);
    if (archiver->ContainsKey(kColumns)) {
        TObject* columns = AllocateFromArchive(archiver, kColumns, nullptr);
        if (columns && columns->IsMember(TObjectArray::StaticClass()))
            m_columns = Ref<TObjectArray>::adopt(static_cast<TObjectArray*>(columns));
        else if (columns)
            columns->Release();
    }
}

void TCardItem::HandleChildrenChanged() {
    TTreeNode::HandleChildrenChanged();
    SetModified(true);
}

void TCardItem::HandleExpandStateChanged() {
    TTreeNode::HandleExpandStateChanged();
    SetModified(true);
}

void TCardItem::AddColumn(TCardColumn* column) {
    if (!column || !m_columns) return;
    m_columns->AppendValue(static_cast<const void*>(column));
    SetModified(true);
}

void TCardItem::RemoveColumn(TCardColumn* column) {
    if (!m_columns) return;
    m_columns->RemoveValue(static_cast<const void*>(column));
    SetModified(true);
}

void TCardItem::RemoveColumn(qint64 index) {
    if (!m_columns || index < 0 || index >= m_columns->Count()) return;
    m_columns->RemoveValue(index);
    SetModified(true);
}

void TCardItem::RemoveAllColumns() {
    if (!m_columns) return;
    m_columns->RemoveAllValues();
    SetModified(true);
}

TCard* TCardItem::GetCard() const {
    if (m_viewRepresentation)
        if (TCard* card = m_viewRepresentation->card()) return card;
    // Without a row view, through the tree: the root row knows its list card, an embedding row its card.
    const TTreeNode* node = this;
    while (node->GetParent()) node = node->GetParent();
    if (node->IsMember(TCardItem::StaticClass())) return static_cast<const TCardItem*>(node)->m_owningCard;
    return nullptr;
}

void TCardItem::SetModified(bool modified) {
    if (TCard* card = GetCard()) card->SetModified(modified);
}

void TCardItem::RegisterViewRepresentationClass(TObjectClass itemClass, const QString& viewClass) {
    if (itemClass) viewClasses().insert(QString::fromLatin1(itemClass->name), viewClass);
}

QString TCardItem::GetViewRepresentationClass() const {
    return viewClasses().value(ClassName());
}

QString TCardItem::GetViewRepresentationClass(TObjectClass itemClass) {
    return itemClass ? viewClasses().value(QString::fromLatin1(itemClass->name)) : QString();
}

// TTextItem

TTextItem* TTextItem::Create(const QString& text) {
    return CreateWithText<TTextItem>(text);
}

TTextItem* TTextItem::Create(const AttributedString& text) {
    return CreateWithText<TTextItem>(text);
}

void TTextItem::CopyInstanceVariables(TObject* source) {
    TCardItem::CopyInstanceVariables(source);
    const auto* item = static_cast<const TTextItem*>(source);
    m_text = item->m_text;
    m_rtfd = item->m_rtfd;
}

void TTextItem::AddArchiveKeys(QSet<QString>& keys) const {
    TCardItem::AddArchiveKeys(keys);
    keys.insert(kText);
}

void TTextItem::EncodeData(TArchiver* archiver) {
    TCardItem::EncodeData(archiver);
    if (m_rtfd.isEmpty() && m_text) m_rtfd = RTFDCodec::write(*m_text);
    if (!m_rtfd.isEmpty()) archiver->SetDataValue(kText, m_rtfd);
}

void TTextItem::DecodeData(TArchiver* archiver) {
    TCardItem::DecodeData(archiver);
    if (archiver->ContainsKey(kText)) {
        QByteArray bytes;
        archiver->GetDataValue(kText, &bytes);
        m_rtfd = bytes;
        m_text.reset();
    }
}

const AttributedString& TTextItem::GetText() const {
    if (!m_text) {
        QString error;
        std::optional<AttributedString> text =
            m_rtfd.isEmpty() ? std::nullopt : RTFDCodec::read(m_rtfd, &error);
        if (!text && !m_rtfd.isEmpty())
            Diagnostics::warning(QStringLiteral("The text of row ") + GetUUID() +
                                 QStringLiteral(" can't be read: ") + error);
        // Unreadable bytes stay as they are and are written back until the text is changed.
        m_text = text.value_or(AttributedString());
    }
    return *m_text;
}

void TTextItem::StoreText(const AttributedString& text) {
    m_text = text;
    m_rtfd.clear();
}

void TTextItem::StorePlainText(const QString& text) {
    StoreText(AttributedString(text, fontAttributes(GetDefaultFont())));
}

void TTextItem::SetText(const AttributedString& text) {
    StoreText(text);
    SetModified(true);
}

void TTextItem::SetText(const QString& text) {
    StorePlainText(text);
    SetModified(true);
}

QFont TTextItem::GetDefaultFont() const {
    return UserDefaultsUtilities::fontForKey(NSPrefs(), kPreferenceKeyListFont)
        .value_or(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
}

void TTextItem::Show() const {
    Diagnostics::line(GetPlainText() + QStringLiteral("(") + GetDebugString() + QStringLiteral(")"));
}

// TImageAndTextItem

void TImageAndTextItem::Initialize() {
    TTextItem::Initialize();
    if (!DidInitializeFromArchive() && !DidInitializeFromCopying()) m_imageSize = QSizeF(16, 16);
}

void TImageAndTextItem::Deallocate() {
    m_image = QImage();
    m_imageData.clear();
    TTextItem::Deallocate();
}

void TImageAndTextItem::CopyInstanceVariables(TObject* source) {
    TTextItem::CopyInstanceVariables(source);
    const auto* item = static_cast<const TImageAndTextItem*>(source);
    m_image = item->m_image;
    m_imageData = item->m_imageData;
    m_imageSize = item->m_imageSize;
    m_pixelSize = item->m_pixelSize;
}

void TImageAndTextItem::AddArchiveKeys(QSet<QString>& keys) const {
    TTextItem::AddArchiveKeys(keys);
    keys.unite({kImage, kImageSize + QStringLiteral(".width"), kImageSize + QStringLiteral(".height")});
}

void TImageAndTextItem::EncodeData(TArchiver* archiver) {
    TTextItem::EncodeData(archiver);
    if (!m_imageData.isEmpty())
        archiver->SetDataValue(kImage, m_imageData);
    else if (!m_image.isNull())
        archiver->SetImageValue(kImage, m_image);
    Kept().writeSize(archiver, kImageSize, m_imageSize);
}

void TImageAndTextItem::DecodeData(TArchiver* archiver) {
    TTextItem::DecodeData(archiver);
    // Kept as read, decodable here or not; decoded when shown.
    m_image = QImage();
    m_imageData.clear();
    m_pixelSize = QSize();
    if (archiver->ContainsKey(kImage)) archiver->GetDataValue(kImage, &m_imageData);
    m_imageSize = archiver->GetSizeValue(kImageSize);
}

namespace {

// Decodes at most kMaximumDecodedBytes; within bound when it is valid. Only JPEG scales while
// decoding; any other format decodes whole before scaling, so is held to the limit at its full size.
QImage decodePicture(const QByteArray& bytes, const QSize& bound) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(int(TImageAndTextItem::kMaximumDecodedBytes / (1024 * 1024)));
    const QSize size = reader.size();
    QSize target = size;
    if (size.isValid() && bound.isValid() && (size.width() > bound.width() || size.height() > bound.height()))
        target = size.scaled(bound, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    const auto bytesOf = [](const QSize& s) { return qint64(s.width()) * s.height() * 4; };
    const bool scalesWhileDecoding = reader.format() == "jpeg";
    if (size.isValid() &&
        bytesOf(scalesWhileDecoding ? target : size) > TImageAndTextItem::kMaximumDecodedBytes)
        return {};
    if (target != size) reader.setScaledSize(target);
    // A format that tells no size ahead is held to the allocation limit.
    QImage image = reader.read();
    if (bytesOf(image.size()) > TImageAndTextItem::kMaximumDecodedBytes) return {};
    if (!size.isValid() && bound.isValid() &&
        (image.width() > bound.width() || image.height() > bound.height()))
        image = image.scaled(bound, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

} // namespace

QImage TImageAndTextItem::GetImage() const {
    return GetImage(QSize());
}

QImage TImageAndTextItem::GetImage(const QSize& bound) const {
    if (!m_image.isNull()) {
        if (!bound.isValid() || (m_image.width() <= bound.width() && m_image.height() <= bound.height()))
            return m_image;
        return m_image.scaled(bound, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    if (m_imageData.isEmpty()) return {};
    return decodePicture(m_imageData, bound);
}

QSize TImageAndTextItem::GetImagePixelSize() const {
    if (!m_image.isNull()) return m_image.size();
    if (!m_pixelSize.isValid() && !m_imageData.isEmpty()) {
        QBuffer buffer;
        buffer.setData(m_imageData);
        buffer.open(QIODevice::ReadOnly);
        m_pixelSize = QImageReader(&buffer).size();
        if (!m_pixelSize.isValid()) m_pixelSize = QSize(0, 0);
    }
    return m_pixelSize.isValid() ? m_pixelSize : QSize();
}

void TImageAndTextItem::SetImage(const QImage& image) {
    m_image = image;
    m_imageData.clear();
    m_pixelSize = QSize();
    SetModified(true);
}

void TImageAndTextItem::SetImageSize(const QSizeF& size) {
    m_imageSize = size;
    SetModified(true);
}

// TURLAttachment

TURLAttachment* TURLAttachment::Create(const QUrl& url) {
    TURLAttachment* item = Allocate();
    item->m_url = url;
    item->Initialize();
    return item;
}

void TURLAttachment::Initialize() {
    TAttachment::Initialize();
    if (!DidInitializeFromArchive() && !DidInitializeFromCopying())
        StorePlainText(m_url.toString(QUrl::FullyEncoded));
}

void TURLAttachment::CopyInstanceVariables(TObject* source) {
    TAttachment::CopyInstanceVariables(source);
    m_url = static_cast<const TURLAttachment*>(source)->m_url;
}

void TURLAttachment::AddArchiveKeys(QSet<QString>& keys) const {
    TAttachment::AddArchiveKeys(keys);
    keys.insert(kURL);
}

void TURLAttachment::EncodeData(TArchiver* archiver) {
    TAttachment::EncodeData(archiver);
    archiver->SetValue(kURL, m_url.toString(QUrl::FullyEncoded));
}

void TURLAttachment::DecodeData(TArchiver* archiver) {
    TAttachment::DecodeData(archiver);
    if (archiver->ContainsKey(kURL)) m_url = QUrl(archiver->GetStringValue(kURL), QUrl::StrictMode);
}

void TURLAttachment::SetURL(const QUrl& url) {
    m_url = url;
    SetModified(true);
}

// TFileAttachment

TFileAttachment* TFileAttachment::Create(const QString& path) {
    TFileAttachment* item = Allocate();
    item->m_url = StringPathUtilities::fileURL(path);
    item->Initialize();
    return item;
}

void TFileAttachment::Initialize() {
    TURLAttachment::Initialize();
    if (!DidInitializeFromArchive() && !DidInitializeFromCopying())
        StorePlainText(StringPathUtilities::displayName(GetPath()));
}

void TFileAttachment::AddArchiveKeys(QSet<QString>& keys) const {
    TURLAttachment::AddArchiveKeys(keys);
    keys.insert(kPath);
}

void TFileAttachment::EncodeData(TArchiver* archiver) {
    TURLAttachment::EncodeData(archiver);
    archiver->Remove(kURL);
    const QString path = GetPath();
    if (path.isEmpty())
        archiver->Remove(kPath);
    else
        archiver->SetValue(kPath, StringPathUtilities::stringByAbbreviatingWithTildeInPath(path));
}

void TFileAttachment::DecodeData(TArchiver* archiver) {
    TURLAttachment::DecodeData(archiver);
    m_url = QUrl();
    const QString path = StringPathUtilities::stringByExpandingTildeInPath(archiver->GetStringValue(kPath));
    if (!path.isEmpty()) m_url = StringPathUtilities::fileURL(path);
}

void TFileAttachment::SetPath(const QString& path) {
    SetURL(StringPathUtilities::fileURL(path));
}

// TImageAttachment

TImageAttachment* TImageAttachment::Create(const QImage& image) {
    TImageAttachment* item = Allocate();
    item->m_image = image;
    item->Initialize();
    return item;
}

void TImageAttachment::Initialize() {
    TAttachment::Initialize();
    if (!GetText().isEmpty()) StoreText(AttributedString());
    // A stored size stays as it was stored (a picture of twice its size in pixels is shown at it);
    // without one, the picture's own size.
    const bool keepsSize =
        (DidInitializeFromArchive() || DidInitializeFromCopying()) && !m_imageSize.isEmpty();
    if (!keepsSize) m_imageSize = QSizeF(GetImagePixelSize());
}

std::optional<AttributedString> TImageAttachment::ExportText() const {
    AttributedString text;
    if (!HasImage()) return text;
    TextAttachment attachment;
    attachment.fileName = QStringLiteral("image.png");
    if (m_imageData.startsWith("\x89PNG\r\n\x1a\n"))
        attachment.data = m_imageData;
    else if (const QImage image = GetImage(); !image.isNull())
        attachment.data = CGUtilities::CGImageCopyData(image, CGUtilities::kUTTypePNG);
    else
        return text;
    text.appendAttachment(attachment);
    return text;
}

// TCardAttachment

TCardAttachment* TCardAttachment::Create(TCard* card) {
    TCardAttachment* item = Allocate();
    item->m_card = Ref<TCard>::retain(card);
    item->Initialize();
    return item;
}

void TCardAttachment::Initialize() {
    TAttachment::Initialize();
    if (m_card) m_card->SetAttachedParent(this);
}

void TCardAttachment::Deallocate() {
    SetCard(nullptr);
    TAttachment::Deallocate();
}

void TCardAttachment::SetCard(TCard* card) {
    if (m_card && m_card->GetAttachedParent() == this) m_card->SetAttachedParent(nullptr);
    m_card = Ref<TCard>::retain(card);
}

void TCardAttachment::CopyInstanceVariables(TObject* source) {
    TAttachment::CopyInstanceVariables(source);
    const auto* item = static_cast<const TCardAttachment*>(source);
    m_card = item->m_card ? Ref<TCard>::adopt(static_cast<TCard*>(item->m_card->Copy())) : Ref<TCard>();
}

void TCardAttachment::AddArchiveKeys(QSet<QString>& keys) const {
    TAttachment::AddArchiveKeys(keys);
    keys.insert(kCard);
}

void TCardAttachment::EncodeData(TArchiver* archiver) {
    TAttachment::EncodeData(archiver);
    if (m_card) m_card->ArchiveObject(archiver, kCard);
}

void TCardAttachment::DecodeData(TArchiver* archiver) {
    TAttachment::DecodeData(archiver);
    if (!archiver->ContainsKey(kCard)) return;
    TObject* card = AllocateFromArchive(archiver, kCard, nullptr);
    if (card && card->IsMember(TCard::StaticClass())) {
        SetCard(static_cast<TCard*>(card));
        card->Release();
        return;
    }
    if (card) card->Release();
    // A card of a kind this version lacks is written back as it was read.
    Kept().keep(archiver, kCard);
}

TCard* TCardAttachment::GetCard() const {
    return m_card.get();
}

TCardItem* wrappedItem(const NSObjectWrapperPtr& wrapper) {
    return wrapper ? wrapper->wrapped<TCardItem>() : nullptr;
}

qint64 itemIndex(const NSObjectWrapperPtr& wrapper) {
    TCardItem* item = wrappedItem(wrapper);
    return item ? item->GetIndex() : -1;
}
