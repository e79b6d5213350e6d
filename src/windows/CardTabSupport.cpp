#include "CardTabs.h"
#include "model/Card.h"
#include "model/Themes.h"

namespace CardTabs {

QString title(const TCard* card) {
    return card ? card->GetTitle() : QString();
}

QString identifier(const TCard* card) {
    return card ? card->GetUUID() : QString();
}

bool rootIsDark(const TCard* card) {
    TTreeNode* root = card ? const_cast<TCard*>(card)->GetRoot() : nullptr;
    return root && static_cast<TCard*>(root)->IsDarkStyle();
}

QImage closeImage(const TCard* card) {
    TCardTheme* theme = card ? card->GetTheme() : nullptr;
    if (!theme || !theme->ContainsProperty(QStringLiteral("tabButtonCloseImage"))) return {};
    return theme->GetImage(QStringLiteral("tabButtonCloseImage"));
}

void retainCard(TCard* card) {
    if (card) card->Retain();
}

void releaseCard(TCard* card) {
    if (card) card->Release();
}

} // namespace CardTabs
