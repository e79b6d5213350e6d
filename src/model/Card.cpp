#include "Card.h"

#include "CardItems.h"
#include "Globals.h"
#include "ModelContracts.h"
#include "Preferences.h"
#include "Themes.h"
#include "foundation/Archiver.h"
#include "foundation/NSObjectWrapper.h"
#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "utilities/CGUtilities.h"
#include "utilities/Clock.h"
#include "utilities/ColorUtilities.h"
#include "utilities/UserDefaultsUtilities.h"

#include <QRandomGenerator>

namespace {

// A card's colour holds components from 0 to 1: a wider colour (an extended one, or a file's
// component above 1) is clamped, NaN taken as 0.
float unitComponent(float value) {
    return !(value > 0) ? 0.0f : value > 1 ? 1.0f : value;
}

ATSURGBAlphaColor unitColor(const ATSURGBAlphaColor& colour) {
    return {unitComponent(colour.red), unitComponent(colour.green), unitComponent(colour.blue),
            unitComponent(colour.alpha)};
}

const QString kTitle = QStringLiteral("title");
const QString kUUID = QStringLiteral("uuid");
const QString kColor = QStringLiteral("color");
const QString kFrame = QStringLiteral("frame");
const QString kSplitViewPosition = QStringLiteral("splitViewPosition");
const QString kSplitViewRestorePosition = QStringLiteral("splitViewRestorePosition");
const QString kMiniaturized = QStringLiteral("miniaturized");
const QString kCreatedDate = QStringLiteral("createdDate");
const QString kModifiedDate = QStringLiteral("modifiedDate");
const QString kBottomBarHidden = QStringLiteral("bottomBarHidden");
const QString kTheme = QStringLiteral("theme");
const QString kScreenRelativeFrame = QStringLiteral("screenRelativeFrame");
const QString kFloating = QStringLiteral("floating");
const QString kPreviewImage = QStringLiteral("previewImage");
const QString kTabIdentifiers = QStringLiteral("tabIdentifiers");
const QString kSelectedTabIdentifier = QStringLiteral("selectedTabIdentifier");

QDateTime now() {
    return Clock::shared().now();
}

// The registered theme of the name; null when none is.
TCardTheme* installedTheme(const QString& name) {
    LoadStandardThemes(TCardTheme::StaticClass()); // once; a no-op after launch
    TTheme* theme = TTheme::FindTheme(name);
    return theme && theme->IsMember(TCardTheme::StaticClass()) ? static_cast<TCardTheme*>(theme) : nullptr;
}

TCardTheme* defaultTheme() {
    TCardTheme* theme = installedTheme(QStringLiteral("Default"));
    return theme ? theme : static_cast<TCardTheme*>(TTheme::Default());
}

} // namespace

TCard* TCard::Create(const QString& title) {
    return CreateTitled<TCard>(title);
}

void TCard::Initialize() {
    TTreeNode::Initialize();
    SetMaintainCocoaObject(true);
    if (m_title.isNull()) m_title = QStringLiteral("Untitled");
    if (!m_theme) {
        // A decoded card never gets here with a mark: loading is no change.
        const QString preferred = NSPrefs().stringForKey(kPreferenceKeyDefaultCardTheme);
        TCardTheme* theme = installedTheme(preferred);
        ApplyTheme(theme ? theme : defaultTheme(), !DidInitializeFromArchive());
    }
    if (!DidInitializeFromArchive()) {
        if (m_uuid.isEmpty()) m_uuid = NewUUIDString();
        if (!m_hasColor) {
            const std::optional<QColor> stored =
                UserDefaultsUtilities::colorForKey(NSPrefs(), kPreferenceKeyDefaultCardColor);
            QColor colour;
            if (stored && stored->isValid()) {
                colour = *stored;
            } else {
                const QVariantList colours = DefaultCardColors();
                const int index =
                    QRandomGenerator::global()->bounded(int(colours.size()) - 1); // never the last
                colour = colours[index].toMap().value(QStringLiteral("color")).value<QColor>();
            }
            m_color = unitColor(ColorUtilities::cgRGB(colour));
            m_hasColor = true;
        }
        if (!DidInitializeFromCopying()) {
            m_frame = QRectF(0, 0, 400, 300);
            m_splitViewPosition = m_splitViewRestorePosition = 0;
            m_bottomBarHidden = !NSPrefs().boolForKey(kPreferenceKeyDefaultCardShowBottomBar);
            m_createdDate = m_modifiedDate = now();
        }
    }
    if (m_uuid.isEmpty()) m_uuid = NewUUIDString(); // an archive without one
    if (!m_createdDate.isValid()) m_createdDate = m_modifiedDate = now();
    if (!m_hasTabIdentifiers) {
        m_tabIdentifiers = {m_uuid};
        m_hasTabIdentifiers = true;
    }
}

void TCard::Deallocate() {
    m_theme = {};
    m_preview.clear();
    TTreeNode::Deallocate();
}

void TCard::CopyInstanceVariables(TObject* source) {
    TTreeNode::CopyInstanceVariables(source);
    const auto* card = static_cast<const TCard*>(source);
    m_title = card->m_title;
    m_color = card->m_color;
    m_hasColor = card->m_hasColor;
    m_frame = card->m_frame;
    m_preview = card->m_preview;
    m_theme = card->m_theme;
    m_themeName = card->m_themeName;
    m_createdDate = card->m_createdDate;
    m_modifiedDate = card->m_modifiedDate;
    m_bottomBarHidden = card->m_bottomBarHidden;
    m_splitViewPosition = card->m_splitViewPosition;
    m_splitViewRestorePosition = card->m_splitViewRestorePosition;
    m_kept = card->m_kept;
    m_uuid = NewUUIDString();
    // A copy is a free card of its own: no representations, no embedding row, its own tabs.
    m_listRepresentation = nullptr;
    m_viewRepresentation = nullptr;
    m_attachedParent = nullptr;
    m_tabIdentifiers.clear();
    m_hasTabIdentifiers = false;
    m_selectedTabIdentifier.clear();
}

void TCard::AddArchiveKeys(QSet<QString>& keys) const {
    keys.unite({TArchiver::kClassKey,
                TArchiver::kObjectPropertiesKey,
                QStringLiteral("children"),
                QStringLiteral("expanded"),
                kTitle,
                kUUID,
                QStringLiteral("color.red"),
                QStringLiteral("color.green"),
                QStringLiteral("color.blue"),
                QStringLiteral("color.alpha"),
                QStringLiteral("frame.origin.x"),
                QStringLiteral("frame.origin.y"),
                QStringLiteral("frame.size.width"),
                QStringLiteral("frame.size.height"),
                kSplitViewPosition,
                kSplitViewRestorePosition,
                kMiniaturized,
                kCreatedDate,
                kModifiedDate,
                kBottomBarHidden,
                kTheme,
                kScreenRelativeFrame,
                kFloating,
                kPreviewImage,
                kTabIdentifiers,
                kSelectedTabIdentifier});
}

void TCard::EncodeData(TArchiver* archiver) {
    m_kept.restore(archiver);
    TTreeNode::EncodeData(archiver);
    archiver->SetValue(kTitle, m_title);
    archiver->SetValue(kUUID, m_uuid);
    m_kept.writeReal(archiver, kColor + QStringLiteral(".red"), m_color.red, m_colorAsStored);
    m_kept.writeReal(archiver, kColor + QStringLiteral(".green"), m_color.green, m_colorAsStored);
    m_kept.writeReal(archiver, kColor + QStringLiteral(".blue"), m_color.blue, m_colorAsStored);
    m_kept.writeReal(archiver, kColor + QStringLiteral(".alpha"), m_color.alpha, m_colorAsStored);
    m_kept.writeRect(archiver, kFrame, m_frame);
    archiver->SetIntegerValue(kSplitViewPosition, m_splitViewPosition);
    archiver->SetIntegerValue(kSplitViewRestorePosition, m_splitViewRestorePosition);
    archiver->SetBooleanValue(kMiniaturized, m_miniaturized);
    m_kept.writeDate(archiver, kCreatedDate, m_createdDate);
    m_kept.writeDate(archiver, kModifiedDate, m_modifiedDate);
    archiver->SetBooleanValue(kBottomBarHidden, m_bottomBarHidden);
    archiver->SetValue(kTheme, m_themeName);
    archiver->SetBooleanValue(kScreenRelativeFrame, m_screenRelativeFrame);
    archiver->SetBooleanValue(kFloating, m_floating);
    m_preview.write(archiver, kPreviewImage);
    if (m_hasTabIdentifiers) archiver->SetValue(kTabIdentifiers, m_tabIdentifiers);
    if (!m_selectedTabIdentifier.isEmpty())
        archiver->SetValue(kSelectedTabIdentifier, m_selectedTabIdentifier);
}

void TCard::DecodeData(TArchiver* archiver) {
    TTreeNode::DecodeData(archiver);
    DropChildrenNotOf(this, TCard::StaticClass());
    m_kept.take(archiver, GetClass(), [this](QSet<QString>& keys) { AddArchiveKeys(keys); });
    m_title = archiver->GetStringValue(kTitle);
    if (!archiver->ContainsKey(kTitle)) m_title = QString();
    m_uuid = archiver->GetStringValue(kUUID);
    m_color = unitColor(archiver->GetColorValue(kColor));
    m_hasColor = true;
    m_colorAsStored = true;
    m_frame = archiver->GetRectValue(kFrame);
    m_splitViewPosition = archiver->GetIntegerValue(kSplitViewPosition);
    m_splitViewRestorePosition = archiver->GetIntegerValue(kSplitViewRestorePosition);
    m_miniaturized = archiver->GetBooleanValue(kMiniaturized);
    m_createdDate = archiver->GetValue(kCreatedDate).toDateTime();
    m_modifiedDate = archiver->GetValue(kModifiedDate).toDateTime();
    m_bottomBarHidden = archiver->GetBooleanValue(kBottomBarHidden);
    m_screenRelativeFrame = archiver->GetBooleanValue(kScreenRelativeFrame);
    m_floating = archiver->GetBooleanValue(kFloating);
    if (archiver->ContainsKey(kTheme)) {
        // A theme not installed here keeps its name and is drawn with "Default" meanwhile.
        const QString name = archiver->GetStringValue(kTheme);
        TCardTheme* theme = installedTheme(name);
        ApplyTheme(theme ? theme : defaultTheme(), false);
        m_themeName = name;
    }
    m_preview.read(archiver, kPreviewImage);
    if (archiver->ContainsKey(kSelectedTabIdentifier))
        m_selectedTabIdentifier = archiver->GetStringValue(kSelectedTabIdentifier);
    if (archiver->ContainsKey(kTabIdentifiers)) {
        m_tabIdentifiers.clear();
        for (const QVariant& identifier : archiver->GetValue(kTabIdentifiers).toList())
            m_tabIdentifiers.append(identifier.toString());
        m_hasTabIdentifiers = true;
    }
}

void TCard::HandleChildrenChanged() {
    TTreeNode::HandleChildrenChanged();
    SetModified(true);
}

void TCard::Show() const {
    Diagnostics::line(m_title + QStringLiteral(" (") + m_uuid + QStringLiteral(")"));
}

TCardTheme* TCard::GetTheme() const {
    return m_theme.get();
}

void TCard::SetTitle(const QString& title) {
    if (title == m_title) return;
    m_title = title;
    SetModified(true);
}

QColor TCard::GetColor() const {
    return ColorUtilities::colorWithCGRGB(m_color);
}

void TCard::SetColor(const QColor& colour) {
    const ATSURGBAlphaColor record = unitColor(ColorUtilities::cgRGB(colour));
    // Compared as colours: the stored record may be finer than a colour holds, and handing back
    // GetColor() is no change.
    if (m_hasColor && (record == m_color || record == ColorUtilities::cgRGB(GetColor()))) return;
    m_color = record;
    m_hasColor = true;
    m_colorAsStored = false;
    SetModified(true);
}

void TCard::SetFrame(const QRectF& frame) {
    if (frame == m_frame) return;
    m_frame = frame;
    SetModified(true);
}

void TCard::SetFloating(bool floating) {
    if (floating == m_floating) return;
    m_floating = floating;
    SetModified(true);
}

void TCard::SetSplitViewPosition(qint32 position) {
    if (position == m_splitViewPosition) return;
    m_splitViewPosition = position;
    SetModified(true);
}

void TCard::SetSplitViewRestorePosition(qint32 position) {
    if (position == m_splitViewRestorePosition) return;
    m_splitViewRestorePosition = position;
    SetModified(true);
}

void TCard::SetBottomBarHidden(bool hidden) {
    if (hidden == m_bottomBarHidden) return;
    m_bottomBarHidden = hidden;
    SetModified(true);
}

void TCard::SetSelectedTabIdentifier(const QString& identifier) {
    if (identifier == m_selectedTabIdentifier) return;
    m_selectedTabIdentifier = identifier;
    SetModified(true);
}

void TCard::SetMiniaturized(bool miniaturized) {
    if (miniaturized == m_miniaturized) return;
    m_miniaturized = miniaturized;
    SetModified(true);
}

void TCard::ApplyTheme(TCardTheme* theme, bool mark) {
    // Against the stored name: a theme not installed here is drawn as "Default" but is not it.
    const bool changed = !m_theme || !theme || theme->GetName() != m_themeName;
    m_theme = Ref<TCardTheme>::retain(theme);
    m_themeName = theme ? theme->GetName() : QString();
    if (mark && changed) SetModified(true);
}

void TCard::SetTheme(TCardTheme* theme) {
    ApplyTheme(theme, true);
}

void TCard::SetTabIdentifiers(const QStringList& identifiers) {
    if (m_hasTabIdentifiers && identifiers == m_tabIdentifiers) return;
    m_tabIdentifiers = identifiers;
    m_hasTabIdentifiers = true;
    SetModified(true);
}

void TCard::AddTabIdentifier(const QString& identifier) {
    if (m_tabIdentifiers.contains(identifier)) return;
    m_tabIdentifiers.append(identifier);
    m_hasTabIdentifiers = true;
    SetModified(true);
}

void TCard::SetModified(bool modified) {
    const bool was = m_modified;
    m_modified = modified;
    if (!modified) return;
    if (!was) {
        if (m_viewRepresentation) m_viewRepresentation->modify();
        m_modifiedDate = now();
        NotificationCenter::defaultCenter().post(kCardModifiedNotification);
    }
    // A card embedded in a row is saved with the card that holds the row. Saving clears only the
    // holder's flag, so every change is passed on, not just the first; a holder already marked
    // stops the chain (a card embedded in itself included). The row's card, not the one it embeds.
    if (m_attachedParent)
        if (TCard* holder = m_attachedParent->TCardItem::GetCard(); holder && !holder->IsModified())
            holder->SetModified(true);
}

void TCard::ClearModifiedForAll() {
    SetModified(false);
    for (qint64 i = 0; i < ChildCount(); ++i)
        if (GetChild(i)->IsMember(TCard::StaticClass()))
            static_cast<TCard*>(GetChild(i))->ClearModifiedForAll();
}

void TCard::ClearTabs() {
    m_tabIdentifiers = {m_uuid};
    m_hasTabIdentifiers = true;
    m_selectedTabIdentifier = m_uuid;
}

TCard* TCard::FindCard(const QString& uuid) {
    if (m_uuid == uuid) return this;
    for (qint64 i = 0; i < ChildCount(); ++i)
        if (GetChild(i)->IsMember(TCard::StaticClass()))
            if (TCard* found = static_cast<TCard*>(GetChild(i))->FindCard(uuid)) return found;
    return nullptr;
}

bool TCard::ContainsCard(const TCard* card) const {
    return card && (card == this || ContainsChild(card, true));
}

TCardControllerProtocol* TCard::GetWindowController() const {
    TCardControllerProtocol* owner = m_listRepresentation ? m_listRepresentation->owner() : nullptr;
    if (!owner && m_viewRepresentation) owner = m_viewRepresentation->owner();
    return owner;
}

QImage TCard::GetPreviewImage() const {
    const QImage preview = m_preview.image();
    if (!preview.isNull()) return preview;
    const QImage icon = UnknownFileIcon();
    // A frame from a file may be of any size: the picture stays within what a screen shows.
    constexpr double kLargest = 8192;
    const QSizeF frame = m_frame.size();
    if (icon.isNull() || !(frame.width() >= 1 && frame.height() >= 1)) return icon;
    const QSize size = frame.boundedTo(QSizeF(kLargest, kLargest)).toSize();
    return icon.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

bool TCard::IsDarkStyle() const {
    return CGUtilities::CGRGBColorGetLuminosity(m_color) < 0.5;
}

TCard* wrappedCard(const NSObjectWrapperPtr& wrapper) {
    return wrapper ? wrapper->wrapped<TCard>() : nullptr;
}
