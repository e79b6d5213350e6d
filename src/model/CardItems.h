#pragma once

#include "Card.h"
#include "ModelObject.h"
#include "foundation/Array.h"
#include "foundation/TreeNode.h"
#include "platform/text/AttributedString.h"

#include <QFont>
#include <QImage>
#include <QSizeF>
#include <QUrl>
#include <optional>

class TCard;
class TCardItemViewController;

// Plain column and style objects; columns are the element type of an item's columns.
class TCardColumn : public TObject {
    T_OBJECT(TCardColumn, TObject)
protected:
    TCardColumn() = default;
};

class TTextStyle : public TObject {
    T_OBJECT(TTextStyle, TObject)
protected:
    TTextStyle() = default;
};

// One row of an outline card. The row view controller is the windows' (not owned; it clears itself
// when it goes). A change marks the card the row view names or, without a row view, the card whose
// root row the item stands under, or the card that embeds it.
class TCardItem : public TTreeNode {
    T_OBJECT(TCardItem, TTreeNode)
public:
    void Initialize() override;
    void CopyInstanceVariables(TObject* source) override;
    void EncodeData(TArchiver* archiver) override;
    void DecodeData(TArchiver* archiver) override;
    void HandleChildrenChanged() override;
    void HandleExpandStateChanged() override;

    QString GetUUID() const { return m_uuid; }
    TCardItemViewController* GetViewRepresentation() const { return m_viewRepresentation; }
    void SetViewRepresentation(TCardItemViewController* controller) { m_viewRepresentation = controller; }
    QString GetNotes() const { return m_notes; }
    void SetNotes(const QString& notes) { m_notes = notes; }
    TObjectArray* GetColumns() const { return m_columns.get(); }
    void AddColumn(TCardColumn* column);
    void RemoveColumn(TCardColumn* column);
    void RemoveColumn(qint64 index);
    void RemoveAllColumns();

    // Marks (or clears) the card the item belongs to.
    void SetModified(bool modified);
    // The card the item belongs to: its row view's card, else the card whose root row it stands
    // under; null for a free item.
    TCard* GetCard() const;
    // The card whose root row this item is (set by the list card; not counted).
    void SetOwningCard(TCard* card) { m_owningCard = card; }

    virtual bool GetAllowChildren() const { return true; }
    virtual bool IsGroup() const { return false; }
    virtual std::optional<AttributedString> ExportText() const { return std::nullopt; }

    // Row view classes by item class name (exact class, no inheritance).
    static void RegisterViewRepresentationClass(TObjectClass itemClass, const QString& viewClass);
    QString GetViewRepresentationClass() const;
    // The row view class registered for exactly this item class; empty without one.
    static QString GetViewRepresentationClass(TObjectClass itemClass);

protected:
    TCardItem() = default;
    void Deallocate() override;
    virtual void AddArchiveKeys(QSet<QString>& keys) const;
    const KeptArchiveKeys& Kept() const { return m_kept; }
    KeptArchiveKeys& Kept() { return m_kept; }

private:
    TCardItemViewController* m_viewRepresentation = nullptr;
    QString m_notes;
    Ref<TObjectArray> m_columns;
    QString m_uuid;
    TCard* m_owningCard = nullptr;
    KeptArchiveKeys m_kept;
};

// A row of text. The text is kept as the RTFD bytes it was read from until it is asked for or
// changed, and those bytes are written back while it is unchanged.
class TTextItem : public TCardItem {
    T_OBJECT(TTextItem, TCardItem)
public:
    static TTextItem* Create(const QString& text);
    static TTextItem* Create(const AttributedString& text);
    using TCardItem::Create;
    void CopyInstanceVariables(TObject* source) override;
    void EncodeData(TArchiver* archiver) override;
    void DecodeData(TArchiver* archiver) override;

    const AttributedString& GetText() const;
    QString GetPlainText() const { return GetText().plainText(); }
    void SetText(const AttributedString& text);
    // Plain text in the row's default font.
    void SetText(const QString& text);
    virtual QFont GetDefaultFont() const;
    std::optional<AttributedString> ExportText() const override { return GetText(); }
    void Show() const;

protected:
    TTextItem() = default;
    void AddArchiveKeys(QSet<QString>& keys) const override;
    // Sets the text without marking the card.
    void StoreText(const AttributedString& text);
    // Plain text in the row's default font, without marking the card.
    void StorePlainText(const QString& text);
    // A new row of the class with the text (plain in its default font, or attributed).
    template <class T> static T* CreateWithText(const QString& text) {
        T* item = T::Allocate();
        item->StorePlainText(text);
        item->Initialize();
        return item;
    }
    template <class T> static T* CreateWithText(const AttributedString& text) {
        T* item = T::Allocate();
        item->StoreText(text);
        item->Initialize();
        return item;
    }

private:
    mutable std::optional<AttributedString> m_text;
    QByteArray m_rtfd; // the bytes read, while the text is unchanged
};

class TSeperatorItem : public TCardItem {
    T_OBJECT(TSeperatorItem, TCardItem)
public:
    bool GetAllowChildren() const override { return false; }

protected:
    TSeperatorItem() = default;
};

class TGroupRowItem : public TTextItem {
    T_OBJECT(TGroupRowItem, TTextItem)
public:
    bool IsGroup() const override { return false; }

protected:
    TGroupRowItem() = default;
};

class TImageAndTextItem : public TTextItem {
    T_OBJECT(TImageAndTextItem, TTextItem)
public:
    void Initialize() override;
    void CopyInstanceVariables(TObject* source) override;
    void EncodeData(TArchiver* archiver) override;
    void DecodeData(TArchiver* archiver) override;
    // The picture is kept as the bytes it was read as and decoded only when asked for, never kept
    // decoded with the row; bytes this build can't decode are kept and written back unchanged.
    // The picture decoded whole, within kMaximumDecodedBytes; null without one, when it can't be
    // decoded or is larger.
    QImage GetImage() const;
    // The picture decoded to fit within bound (its aspect kept, never enlarged): what a row shows.
    QImage GetImage(const QSize& bound) const;
    // The picture's size in pixels as its header gives it, nothing decoded; empty without one.
    QSize GetImagePixelSize() const;
    bool HasImage() const { return !m_imageData.isEmpty() || !m_image.isNull(); }
    QSizeF GetImageSize() const { return m_imageSize; }
    void SetImage(const QImage& image);
    void SetImageSize(const QSizeF& size);

    static constexpr qint64 kMaximumDecodedBytes = qint64(128) * 1024 * 1024;

protected:
    TImageAndTextItem() = default;
    void Deallocate() override;
    void AddArchiveKeys(QSet<QString>& keys) const override;
    QImage m_image;         // a picture set here, until it is stored
    QByteArray m_imageData; // the picture as read, while the image is unchanged
    QSizeF m_imageSize;
    mutable QSize m_pixelSize; // of m_imageData, read once
};

class TAttachment : public TImageAndTextItem {
    T_OBJECT(TAttachment, TImageAndTextItem)
public:
    bool GetAllowChildren() const override { return false; }

protected:
    TAttachment() = default;
};

class TURLAttachment : public TAttachment {
    T_OBJECT(TURLAttachment, TAttachment)
public:
    static TURLAttachment* Create(const QUrl& url);
    using TAttachment::Create;
    void Initialize() override;
    void CopyInstanceVariables(TObject* source) override;
    void EncodeData(TArchiver* archiver) override;
    void DecodeData(TArchiver* archiver) override;
    QUrl GetURL() const { return m_url; }
    void SetURL(const QUrl& url);

protected:
    TURLAttachment() = default;
    void AddArchiveKeys(QSet<QString>& keys) const override;
    QUrl m_url;
};

// A file, kept as a file URL; archived as its path with the home folder as "~".
class TFileAttachment : public TURLAttachment {
    T_OBJECT(TFileAttachment, TURLAttachment)
public:
    static TFileAttachment* Create(const QString& path);
    using TURLAttachment::Create;
    void Initialize() override;
    void EncodeData(TArchiver* archiver) override;
    void DecodeData(TArchiver* archiver) override;
    void SetPath(const QString& path);
    QString GetPath() const { return m_url.isLocalFile() ? m_url.toLocalFile() : QString(); }

protected:
    TFileAttachment() = default;
    void AddArchiveKeys(QSet<QString>& keys) const override;
};

class TMailAttachment : public TURLAttachment {
    T_OBJECT(TMailAttachment, TURLAttachment)
public:
    static TMailAttachment* Create(const QUrl& url) {
        TMailAttachment* item = Allocate();
        item->m_url = url;
        item->Initialize();
        return item;
    }
    using TURLAttachment::Create;

protected:
    TMailAttachment() = default;
};

class TImageAttachment : public TAttachment {
    T_OBJECT(TImageAttachment, TAttachment)
public:
    static TImageAttachment* Create(const QImage& image);
    using TAttachment::Create;
    void Initialize() override;
    // One attachment character carrying the image as a PNG.
    std::optional<AttributedString> ExportText() const override;

protected:
    TImageAttachment() = default;
};

// A whole card embedded as a row; the card knows the row as its attached parent.
class TCardAttachment : public TAttachment {
    T_OBJECT(TCardAttachment, TAttachment)
public:
    static TCardAttachment* Create(TCard* card);
    using TAttachment::Create;
    void Initialize() override;
    void CopyInstanceVariables(TObject* source) override;
    void EncodeData(TArchiver* archiver) override;
    void DecodeData(TArchiver* archiver) override;
    TCard* GetCard() const;

protected:
    TCardAttachment() = default;
    void Deallocate() override;
    void AddArchiveKeys(QSet<QString>& keys) const override;

private:
    void SetCard(TCard* card);
    Ref<TCard> m_card;
};

// Wrappers that carry items (outline rows, pasteboard contents).
TCardItem* wrappedItem(const NSObjectWrapperPtr& wrapper);
qint64 itemIndex(const NSObjectWrapperPtr& wrapper); // -1 without an item
