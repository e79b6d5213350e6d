#pragma once

#include "Card.h"

// A card holding one text, rich or treated as plain.
class TMemoleaf : public TCard {
    T_OBJECT(TMemoleaf, TCard)
public:
    static TMemoleaf* Create(const QString& title) { return CreateTitled<TMemoleaf>(title); }
    void Initialize() override;
    void CopyInstanceVariables(TObject* source) override;
    void EncodeData(TArchiver* archiver) override;
    void DecodeData(TArchiver* archiver) override;
    std::optional<AttributedString> ExportText() const override { return GetText(); }

    // The setters mark the card every time.
    const AttributedString& GetText() const;
    void SetText(const AttributedString& text);
    void SetText(const QString& text);
    QString GetPlainText() const { return GetText().plainText(); }
    bool IsRichText() const { return m_richText; }
    void SetRichText(bool richText);

protected:
    TMemoleaf() = default;
    void AddArchiveKeys(QSet<QString>& keys) const override;

private:
    mutable std::optional<AttributedString> m_text;
    QByteArray m_rtfd; // the bytes read, while the text is unchanged
    quint64 m_words[2] = {0, 0};
    bool m_richText = false;
};
