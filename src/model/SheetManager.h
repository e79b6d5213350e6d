#pragma once

#include "ModelContracts.h"
#include "Sheet.h"
#include "foundation/TreeNode.h"
#include "utilities/StringPathUtilities.h"

#include <QHash>
#include <QList>
#include <functional>
#include <optional>

// The registered sheets by folder, for many look-ups in a row (a reload of the sheet folder): made
// once, each sheet's folder read once, then found by its absolute path or by the folder's identity
// (the same folder through a link). Sheets registered or moved behind its back are not seen;
// RegisterSheet through it keeps it in step. Not owned by the sheets; lives for one pass, which
// runs no event loop (one could unregister and free a sheet it holds).
class SheetLookup {
public:
    using IdentityReader =
        std::function<std::optional<StringPathUtilities::FileIdentity>(const QString& path)>;
    explicit SheetLookup(const TObjectArray* sheets);
    // The same with each sheet's folder identity from identityOf (read before, elsewhere).
    SheetLookup(const TObjectArray* sheets, const IdentityReader& identityOf);
    // The first registered sheet of the folder, as TSheetManager::FindSheet finds it; identity is
    // the folder's when the caller read it already.
    TSheet* find(const QString& path, const std::optional<StringPathUtilities::FileIdentity>& identity) const;
    // Learns a sheet; identity is its folder's when the caller read it already.
    void add(TSheet* sheet);
    void add(TSheet* sheet, const std::optional<StringPathUtilities::FileIdentity>& identity);

private:
    QHash<QString, TSheet*> m_byPath;
    QHash<StringPathUtilities::FileIdentity, TSheet*> m_byIdentity;
};

// The sheets the program knows, the one open sheet and the card windows that show its cards. Windows
// come from the delegate (the application delegate). Main thread only.
class TSheetManager : public TObject {
    T_OBJECT(TSheetManager, TObject)
public:
    static TSheetManager* SharedManager();

    void Initialize() override;
    void SetDelegate(TSheetManagerDelegate* delegate) { m_delegate = delegate; }
    TSheetManagerDelegate* GetDelegate() const { return m_delegate; }

    // The registered sheet of the folder; else read it (null when it can't be read) or, when nothing
    // is there, make a new sheet there.
    TSheet* RegisterSheet(const QString& path);
    // The same through a lookup made for a pass over many folders (the folder's identity read by the
    // caller, nullopt when nothing is there), which learns the sheet it reads.
    TSheet* RegisterSheet(const QString& path, SheetLookup& lookup,
                          const std::optional<StringPathUtilities::FileIdentity>& identity);
    void UnregisterSheet(TSheet* sheet);
    void UnregisterAllSheets();
    TObjectArray* GetSheets() const { return m_sheets.get(); }
    bool ContainsSheet(const TSheet* sheet) const;
    TSheet* FindSheet(const QString& path) const;
    TSheet* FindSheetWithUUID(const QString& uuid) const;
    static bool VerifySheet(const QString& path);

    TSheet* GetActiveSheet() const { return m_activeSheet.get(); }
    bool IsActive(const QString& path) const;
    void Open(TSheet* sheet);
    void Close();
    TSheet* Reload(TSheet* sheet);
    // Saves the active sheet; when the user took another device's version, reloads it at once, and
    // shows the cards another device added when the user kept this version.
    void Save();
    // The card window's Save: the card's file alone, unless a conflict makes it a whole save (then
    // as Save). True when the card is saved or the other version taken.
    bool SaveCard(TCard* card);
    // Shows the cards another device added that the active sheet took in when the person kept this
    // version (after a save or after the folder watcher's question).
    void ShowArrivedCards();
    void SetActiveSheet(TSheet* sheet);

    QList<TCardControllerProtocol*> GetControllers() const;
    TCardControllerProtocol* GetController(const TCard* card) const;
    TCardControllerProtocol* Instantiate(TCard* card, bool registerController);
    TCardControllerProtocol* AddCard(TCard* card);
    void AddCard(TCardControllerProtocol* controller);
    void CloseCard(TCard* card, bool deleteFile);
    void ReloadCard(TCard* card);
    TCard* FindCard(const QString& uuid) const;
    void UpdateCardPreview(TCard* card);
    // The open cards' windows at an eighth of the screen's size (the primary screen's by default);
    // null without open cards.
    QImage GeneratePreviewImage(const QSizeF& screenSize) const;
    QImage GeneratePreviewImage() const;

protected:
    TSheetManager() = default;
    void Deallocate() override;

private:
    void AfterSave(const QString& formerPath);
    void CloseUnsaved();
    Ref<TSheet> m_activeSheet;
    // Owned; one that leaves is deleted once the current event is over (it may be the caller).
    void Retire(TCardControllerProtocol* controller);
    QList<TCardControllerProtocol*> m_controllers;
    TSheetManagerDelegate* m_delegate = nullptr;
    Ref<TObjectArray> m_sheets;
};

// A node of the sheet-folder tree the sheet browser shows and stores ("name" in its archive).
class TSheetManagerItem : public TTreeNode {
    T_OBJECT(TSheetManagerItem, TTreeNode)
public:
    static TSheetManagerItem* Create(TSheet* sheet);
    using TTreeNode::Create;
    void Initialize() override;
    void EncodeData(TArchiver* archiver) override;
    void DecodeData(TArchiver* archiver) override;
    void Show() const;

    QString GetPath() const { return m_path; }
    void SetPath(const QString& path);
    TSheet* GetSheet() const { return m_sheet; }
    void SetSheet(TSheet* sheet) { m_sheet = sheet; }
    void* GetViewRepresentation() const { return m_viewRepresentation; }
    void SetViewRepresentation(void* view) { m_viewRepresentation = view; }
    QString GetTitle() const;
    virtual QImage GetImage() const;
    TSheetManagerItem* FindItem(const QString& path, bool deep) const;
    TSheetManagerItem* FindItemNamed(const QString& name) const;
    TSheetManagerItem* FindItem(const TSheet* sheet, bool deep) const;

    // The image of a folder row.
    static QImage FolderImage();

protected:
    TSheetManagerItem() = default;

private:
    QString m_path;
    void* m_viewRepresentation = nullptr; // the browser's row view, not owned
    TSheet* m_sheet = nullptr;            // not owned; the browser keeps it in step
};

class TSheetManagerGroupItem : public TSheetManagerItem {
    T_OBJECT(TSheetManagerGroupItem, TSheetManagerItem)
public:
    static TSheetManagerGroupItem* Create(const QString& path);
    using TSheetManagerItem::Create;
    QImage GetImage() const override { return FolderImage(); }

protected:
    TSheetManagerGroupItem() = default;
};

class TSheetManagerSeperatorItem : public TSheetManagerItem {
    T_OBJECT(TSheetManagerSeperatorItem, TSheetManagerItem)
protected:
    TSheetManagerSeperatorItem() = default;
};

TSheetManagerItem* wrappedSheetManagerItem(const NSObjectWrapperPtr& wrapper);
