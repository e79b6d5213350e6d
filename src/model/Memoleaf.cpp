#include "Memoleaf.h"

#include "foundation/Archiver.h"
#include "platform/Diagnostics.h"
#include "platform/text/RTFDCodec.h"

namespace {
const QString kText = QStringLiteral("text");
const QString kRichText = QStringLiteral("richText");
} // namespace

void TMemoleaf::Initialize() {
    TCard::Initialize();
    if (!DidInitializeFromArchive() && !DidInitializeFromCopying()) m_richText = true;
    if (!m_text && m_rtfd.isEmpty()) m_text = AttributedString();
}

void TMemoleaf::CopyInstanceVariables(TObject* source) {
    TCard::CopyInstanceVariables(source);
    const auto* card = static_cast<const TMemoleaf*>(source);
    m_text = card->m_text;
    m_rtfd = card->m_rtfd;
    m_words[0] = card->m_words[0];
    m_words[1] = card->m_words[1];
    m_richText = card->m_richText;
}

void TMemoleaf::AddArchiveKeys(QSet<QString>& keys) const {
    TCard::AddArchiveKeys(keys);
    keys.unite({kText, kRichText});
}

void TMemoleaf::EncodeData(TArchiver* archiver) {
    TCard::EncodeData(archiver);
    if (m_rtfd.isEmpty()) m_rtfd = RTFDCodec::write(GetText());
    archiver->SetDataValue(kText, m_rtfd);
    archiver->SetBooleanValue(kRichText, m_richText);
}

void TMemoleaf::DecodeData(TArchiver* archiver) {
    TCard::DecodeData(archiver);
    if (archiver->ContainsKey(kText)) {
        archiver->GetDataValue(kText, &m_rtfd);
        m_text.reset();
    }
    m_richText = archiver->GetBooleanValue(kRichText);
}

const AttributedString& TMemoleaf::GetText() const {
    if (!m_text) {
        QString error;
        std::optional<AttributedString> text = RTFDCodec::read(m_rtfd, &error);
        if (!text)
            Diagnostics::warning(QStringLiteral("The text of card ") + GetUUID() +
                                 QStringLiteral(" can't be read: ") + error);
        m_text = text.value_or(AttributedString());
    }
    return *m_text;
}

void TMemoleaf::SetText(const AttributedString& text) {
    m_text = text;
    m_rtfd.clear();
    SetModified(true);
}

void TMemoleaf::SetText(const QString& text) {
    SetText(AttributedString(text));
}

void TMemoleaf::SetRichText(bool richText) {
    m_richText = richText;
    SetModified(true);
}
