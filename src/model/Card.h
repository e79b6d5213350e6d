#pragma once

#include "ModelObject.h"
#include "Themes.h"
#include "foundation/Archiver.h"
#include "foundation/TreeNode.h"
#include "platform/text/AttributedString.h"

#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QRectF>
#include <QStringList>
#include <optional>

class TCardAttachment;
class TCardControllerProtocol;
class TCardRowViewController;
class TCardViewController;

// Posted on the platform's default notification centre, with no object, when a card becomes modified.
inline const QString kCardModifiedNotification = QStringLiteral("TCard.modified");

// One card: title, colour, theme, window frame and state, tabs and preview. Its tree children are the
// cards shown as tabs of its window. Every change that must reach the disk marks it modified.
// The representations are the windows' controllers, not owned; a controller clears itself when it goes.
class TCard : public TTreeNode {
    T_OBJECT(TCard, TTreeNode)
public:
    static TCard* Create(const QString& title);
    using TTreeNode::Create;

    void Initialize() override;
    void CopyInstanceVariables(TObject* source) override;
    void EncodeData(TArchiver* archiver) override;
    void DecodeData(TArchiver* archiver) override;
    void HandleChildrenChanged() override;
    void Show() const;

    QString GetTitle() const { return m_title; }
    QColor GetColor() const;
    QString GetUUID() const { return m_uuid; }
    QRectF GetFrame() const { return m_frame; }
    QDateTime GetCreatedDate() const { return m_createdDate; }
    QDateTime GetModifiedDate() const { return m_modifiedDate; }
    qint32 GetSplitViewPosition() const { return m_splitViewPosition; }
    qint32 GetSplitViewRestorePosition() const { return m_splitViewRestorePosition; }
    TCardRowViewController* GetListRepresentation() const { return m_listRepresentation; }
    TCardViewController* GetViewRepresentation() const { return m_viewRepresentation; }
    QStringList GetTabIdentifiers() const { return m_tabIdentifiers; }
    QString GetSelectedTabIdentifier() const {
        return m_selectedTabIdentifier.isEmpty() ? m_uuid : m_selectedTabIdentifier;
    }
    TCardAttachment* GetAttachedParent() const { return m_attachedParent; }
    // The card's theme; "Default" while the stored name is not installed.
    TCardTheme* GetTheme() const;
    // The name the card stores, kept even when no such theme is installed.
    QString GetThemeName() const { return m_themeName; }
    bool IsModified() const { return m_modified; }
    bool IsMiniaturized() const { return m_miniaturized; }
    bool IsBottomBarHidden() const { return m_bottomBarHidden; }
    bool IsFrameScreenRelative() const { return m_screenRelativeFrame; }
    bool IsFloating() const { return m_floating; }

    // Setters that mark the card modified when the value changes.
    void SetTitle(const QString& title);
    void SetColor(const QColor& colour);
    void SetFrame(const QRectF& frame);
    void SetSplitViewPosition(qint32 position);
    void SetSplitViewRestorePosition(qint32 position);
    void SetBottomBarHidden(bool hidden);
    void SetSelectedTabIdentifier(const QString& identifier);
    void SetMiniaturized(bool miniaturized);
    void SetTheme(TCardTheme* theme);
    void SetTabIdentifiers(const QStringList& identifiers);
    void AddTabIdentifier(const QString& identifier);
    // Setters that never mark.
    void SetScreenRelativeFrame(bool relative) { m_screenRelativeFrame = relative; }
    void SetFloating(bool floating);
    void SetAttachedParent(TCardAttachment* parent) { m_attachedParent = parent; }
    void SetPreviewImage(const QImage& image) { m_preview.set(image); }
    void SetListRepresentation(TCardRowViewController* controller) { m_listRepresentation = controller; }
    void SetViewRepresentation(TCardViewController* controller) { m_viewRepresentation = controller; }

    // Only a change from false to true acts: the content view hears of it, the modified date is
    // stamped and "TCard.modified" is posted.
    void SetModified(bool modified);
    void ClearModifiedForAll();
    void ClearTabs();
    TCard* FindCard(const QString& uuid);
    bool ContainsCard(const TCard* card) const;
    TCardControllerProtocol* GetWindowController() const;
    // The stored preview, else the unknown-file icon at the frame's size.
    QImage GetPreviewImage() const;
    bool HasPreviewImage() const { return !m_preview.isEmpty(); }
    bool IsDarkStyle() const;

    virtual bool IsRowNumberingAvailable() const { return false; }
    // The card's content as attributed text; null for a plain card.
    virtual std::optional<AttributedString> ExportText() const { return std::nullopt; }
    // Runs when the card is closed for good.
    virtual void PerformClose() {}

protected:
    TCard() = default;
    void Deallocate() override;
    virtual void AddArchiveKeys(QSet<QString>& keys) const;
    KeptArchiveKeys& Kept() { return m_kept; }
    // The title of a card not yet initialised.
    void SetInitialTitle(const QString& title) { m_title = title; }
    template <class T> static T* CreateTitled(const QString& title) {
        T* card = T::Allocate();
        card->SetInitialTitle(title);
        card->Initialize();
        return card;
    }

private:
    void ApplyTheme(TCardTheme* theme, bool mark);

    QString m_title;
    ATSURGBAlphaColor m_color{};
    bool m_hasColor = false;
    bool m_colorAsStored =
        false; // the colour read, unchanged: a file's component above 1 goes back as it was
    QString m_uuid;
    QRectF m_frame;
    qint32 m_splitViewPosition = 0;
    qint32 m_splitViewRestorePosition = 0;
    bool m_modified = false;
    TCardRowViewController* m_listRepresentation = nullptr;
    TCardViewController* m_viewRepresentation = nullptr;
    QStringList m_tabIdentifiers;
    bool m_hasTabIdentifiers = false;
    QString m_selectedTabIdentifier;
    bool m_miniaturized = false;
    EncodedImage m_preview;
    Ref<TCardTheme> m_theme;
    QString m_themeName;
    QDateTime m_createdDate;
    QDateTime m_modifiedDate;
    TCardAttachment* m_attachedParent = nullptr;
    bool m_bottomBarHidden = false;
    bool m_screenRelativeFrame = false;
    bool m_floating = false;
    KeptArchiveKeys m_kept;
};

// Wrappers that carry cards (table rows, pasteboard contents, tab items).
TCard* wrappedCard(const NSObjectWrapperPtr& wrapper);
