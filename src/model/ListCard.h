#pragma once

#include "Card.h"
#include "CardItems.h"

// How a row numbers its children.
enum TRowNumbering : qint32 {
    kRowNumberingNone = 0,
    kRowNumberingDecimal = 1,
    kRowNumberingUpperLetters = 2,
    kRowNumberingLowerLetters = 3,
    kRowNumberingUpperRoman = 4,
    kRowNumberingLowerRoman = 5,
    kRowNumberingOutline = 6,
};

// A list row: a text row whose numbering style numbers its children, with the marker its row view
// last showed (not archived).
class TListItem : public TTextItem {
    T_OBJECT(TListItem, TTextItem)
public:
    static TListItem* Create(const QString& text);
    static TListItem* Create(const AttributedString& text);
    using TTextItem::Create;
    void CopyInstanceVariables(TObject* source) override;
    void EncodeData(TArchiver* archiver) override;
    void DecodeData(TArchiver* archiver) override;
    std::optional<AttributedString> ExportText() const override;
    QFont GetDefaultFont() const override;

    qint32 GetRowNumbering() const { return m_rowNumbering; }
    void SetRowNumbering(qint32 numbering); // marks the card, also when unchanged
    QString GetMarkerString() const { return m_markerString; }
    void SetMarkerString(const QString& marker); // marks the card, also when unchanged
    // Keeps the marker the row's view shows without marking the card: showing a card is no change
    // to it, and the marker is not archived.
    void SetShownMarkerString(const QString& marker) { m_markerString = marker; }
    bool HasMarker() const;

protected:
    TListItem() = default;
    void AddArchiveKeys(QSet<QString>& keys) const override;

private:
    friend class TListCard;
    qint32 m_rowNumbering = 0;
    QString m_markerString;
};

// A card whose content is an outline of rows under an invisible root row.
class TListCard : public TCard {
    T_OBJECT(TListCard, TCard)
public:
    static TListCard* Create(const QString& title) { return CreateTitled<TListCard>(title); }
    void Initialize() override;
    void CopyInstanceVariables(TObject* source) override;
    void EncodeData(TArchiver* archiver) override;
    void DecodeData(TArchiver* archiver) override;
    bool IsRowNumberingAvailable() const override { return true; }
    // The rows as indented text: one line per row, a tab per level below the top.
    std::optional<AttributedString> ExportText() const override;
    virtual void ExportItemText(qint32 depth, const TCardItem* parent, AttributedString& target) const;

    TListItem* GetRoot() const { return m_root.get(); }
    void SetRoot(TListItem* root);
    // Every row under the root, depth first, the root left out (autoreleased array).
    TObjectArray* GetAllItems() const;

protected:
    TListCard() = default;
    void Deallocate() override;
    void AddArchiveKeys(QSet<QString>& keys) const override;

private:
    Ref<TListItem> m_root;
};

// The letter marker of a row number: 1 "a", 26 "z", 27 "aa", 52 "az", 53 "aba"; only a to z, at
// most 255 letters; empty below 1.
QString IntToLetter(qint64 n);
// Roman numerals in upper case; the decimal number past 3999 or below 1.
QString IntToRoman(qint64 n);

// The marker a list row's view shows: from its parent's numbering and its 1-based position, with the
// prefix for no numbering and the suffix after any other marker. An outline number is the row's full
// number, the positions of its rows above the root and its own ("3.2.1").
QString ListMarker(const TListItem* item, const QString& prefix, const QString& suffix);
// With "listPrefix" ("-" when unset) and "listSuffix" from the settings.
QString ListMarker(const TListItem* item);
// What a list row's view does on updateMarker: keeps the marker in the item (without marking the
// card) when it differs from the shown one. Answers the marker.
QString UpdateListMarker(TListItem* item, const QString& shownMarker);
