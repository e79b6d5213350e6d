#include "SheetManager.h"
#include "SheetNotifications.h"

#include "Stack.h"
#include "foundation/Archiver.h"
#include "foundation/NSObjectWrapper.h"
#include "platform/Diagnostics.h"
#include "platform/NotificationCenter.h"
#include "platform/ProcessMemory.h"
#include "platform/Scheduler.h"
#include "utilities/CocoaUtilities.h"
#include "utilities/StringPathUtilities.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace {

const QString kName = QStringLiteral("name");

bool samePath(const QString& a, const QString& b) {
    return !a.isEmpty() && !b.isEmpty() &&
           (QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath() ||
            StringPathUtilities::comparePaths(a, b));
}

} // namespace

TSheetManager* TSheetManager::SharedManager() {
    static TSheetManager* manager = [] {
        RegisterClass(TSheetManagerItem::StaticClass());
        RegisterClass(TSheetManagerGroupItem::StaticClass());
        RegisterClass(TSheetManagerSeperatorItem::StaticClass());
        TSheetManager* created = Create();
        TStack::SetSheetLookup(
            [created](const QString& uuid) -> TSheet* { return created->FindSheetWithUUID(uuid); });
        return created;
    }();
    return manager;
}

void TSheetManager::Initialize() {
    TObject::Initialize();
    m_sheets = Ref<TObjectArray>::adopt(TObjectArray::Create());
}

void TSheetManager::Deallocate() {
    for (TCardControllerProtocol* controller : std::as_const(m_controllers)) delete controller;
    m_controllers.clear();
    m_activeSheet = {};
    m_sheets = {};
    TObject::Deallocate();
}

void TSheetManager::Retire(TCardControllerProtocol* controller) {
    m_controllers.removeAll(controller);
    Scheduler::shared().performAfterDelay(controller, QStringLiteral("TSheetManager.retire"), 0,
                                          [controller] { delete controller; });
}

namespace {

void addSheet(TObjectArray* sheets, TSheet* sheet) {
    sheets->AppendValue(static_cast<const void*>(sheet));
    NotificationCenter::defaultCenter().post(kSheetsChangedNotification);
}

} // namespace

TSheet* TSheetManager::RegisterSheet(const QString& path) {
    if (QFileInfo::exists(path)) {
        if (TSheet* sheet = FindSheet(path)) return sheet;
        TSheet* sheet = TSheet::SheetFromPath(path);
        if (sheet) addSheet(m_sheets.get(), sheet);
        return sheet;
    }
    Ref<TSheet> sheet = Ref<TSheet>::adopt(TSheet::Create(path));
    sheet->Save();
    addSheet(m_sheets.get(), sheet.get());
    return sheet.get();
}

TSheet* TSheetManager::RegisterSheet(const QString& path, SheetLookup& lookup,
                                     const std::optional<StringPathUtilities::FileIdentity>& identity) {
    if (!identity) {
        TSheet* sheet = RegisterSheet(path);
        lookup.add(sheet);
        return sheet;
    }
    if (TSheet* sheet = lookup.find(path, identity)) return sheet;
    TSheet* sheet = TSheet::SheetFromPath(path);
    if (!sheet) return nullptr;
    addSheet(m_sheets.get(), sheet);
    lookup.add(sheet, identity);
    return sheet;
}

void TSheetManager::UnregisterSheet(TSheet* sheet) {
    m_sheets->RemoveValue(static_cast<const void*>(sheet));
    NotificationCenter::defaultCenter().post(kSheetsChangedNotification);
}

void TSheetManager::UnregisterAllSheets() {
    m_sheets->RemoveAllValues();
    NotificationCenter::defaultCenter().post(kSheetsChangedNotification);
}

bool TSheetManager::ContainsSheet(const TSheet* sheet) const {
    return sheet && m_sheets->GetIndex(static_cast<const void*>(sheet)) >= 0;
}

TSheet* TSheetManager::FindSheet(const QString& path) const {
    for (TObject* sheet : *m_sheets)
        if (samePath(static_cast<TSheet*>(sheet)->GetPath(), path)) return static_cast<TSheet*>(sheet);
    return nullptr;
}

TSheet* TSheetManager::FindSheetWithUUID(const QString& uuid) const {
    for (TObject* sheet : *m_sheets)
        if (static_cast<TSheet*>(sheet)->GetUUID() == uuid) return static_cast<TSheet*>(sheet);
    return nullptr;
}

bool TSheetManager::VerifySheet(const QString& path) {
    return QFileInfo::exists(path + QLatin1Char('/') + TSheet::kInfoFile);
}

bool TSheetManager::IsActive(const QString& path) const {
    return m_activeSheet && samePath(m_activeSheet->GetPath(), path);
}

void TSheetManager::Open(TSheet* sheet) {
    if (m_activeSheet || !sheet) return;
    sheet->LoadCards();
    SetActiveSheet(sheet);
    for (TObject* card : *sheet->GetCards()) Instantiate(static_cast<TCard*>(card), true);
    for (TCardControllerProtocol* controller : GetControllers()) controller->showWindow();
    // What reading the files and making the windows needed only meanwhile.
    ProcessMemory::releaseFreedWhenIdle();
}

void TSheetManager::Close() {
    if (!m_activeSheet) return;
    Save();
    // What a failed save left unwritten is kept elsewhere before the sheet closes.
    if (m_activeSheet && m_activeSheet->IsModified()) m_activeSheet->KeepUnsavedForRecovery();
    CloseUnsaved();
}

void TSheetManager::CloseUnsaved() {
    if (!m_activeSheet) return;
    Ref<TSheet> sheet = m_activeSheet;
    if (m_delegate) m_delegate->activeSheetWillChange(sheet.get());
    for (TCardControllerProtocol* controller : GetControllers())
        if (m_delegate) m_delegate->removeController(controller);
    for (TCardControllerProtocol* controller : GetControllers()) Retire(controller);
    SetActiveSheet(nullptr);
}

TSheet* TSheetManager::Reload(TSheet* sheet) {
    if (!sheet) return nullptr;
    Ref<TSheet> old = Ref<TSheet>::retain(sheet);
    const QString path = sheet->GetPath();
    const bool wasActive = sheet == m_activeSheet.get();
    if (wasActive) {
        // The other device's version is taken: nothing of this one is written on the way out.
        sheet->SetAllModified(false);
        sheet->reloadPending = false;
        CloseUnsaved();
    }
    UnregisterSheet(sheet);
    TSheet* fresh = TSheet::SheetFromPath(path);
    if (fresh) {
        addSheet(m_sheets.get(), fresh);
        if (wasActive) Open(fresh);
    }
    return fresh;
}

void TSheetManager::Save() {
    if (!m_activeSheet) return;
    const QString path = m_activeSheet->GetPath();
    m_activeSheet->Save();
    AfterSave(path);
}

bool TSheetManager::SaveCard(TCard* card) {
    if (!m_activeSheet) return false;
    const QString path = m_activeSheet->GetPath();
    const bool saved = m_activeSheet->SaveCard(card);
    AfterSave(path);
    return saved;
}

void TSheetManager::AfterSave(const QString& formerPath) {
    // The archives written are gone again.
    ProcessMemory::releaseFreedWhenIdle();
    Ref<TSheet> sheet = m_activeSheet;
    if (!sheet) return;
    if (sheet->reloadPending) {
        Reload(sheet.get());
        return;
    }
    ShowArrivedCards();
    // Saved elsewhere: the sheet is remembered at its new place.
    if (sheet->GetPath() != formerPath && m_delegate) m_delegate->activeSheetDidChange(sheet.get());
}

void TSheetManager::ShowArrivedCards() {
    if (!m_activeSheet) return;
    // Kept with this version: shown as the sheet's own.
    for (const Ref<TCard>& card : m_activeSheet->TakeArrivedCards())
        if (TCardControllerProtocol* controller = Instantiate(card.get(), true)) controller->showWindow();
}

void TSheetManager::SetActiveSheet(TSheet* sheet) {
    m_activeSheet = Ref<TSheet>::retain(sheet);
    if (m_delegate) m_delegate->activeSheetDidChange(sheet);
}

QList<TCardControllerProtocol*> TSheetManager::GetControllers() const {
    return m_controllers;
}

TCardControllerProtocol* TSheetManager::GetController(const TCard* card) const {
    for (TCardControllerProtocol* controller : m_controllers)
        if (controller->card() && controller->card()->ContainsCard(card)) return controller;
    return nullptr;
}

TCardControllerProtocol* TSheetManager::Instantiate(TCard* card, bool registerController) {
    if (!card || !m_delegate) return nullptr;
    TCardControllerProtocol* controller = m_delegate->makeControllerForCard(card);
    if (!controller) return nullptr;
    card->ClearModifiedForAll();
    if (registerController)
        m_controllers.append(controller);
    else
        Scheduler::shared().performAfterDelay(controller, QStringLiteral("TSheetManager.retire"), 0,
                                              [controller] { delete controller; });
    return controller;
}

TCardControllerProtocol* TSheetManager::AddCard(TCard* card) {
    if (!m_activeSheet || !card) return nullptr;
    m_activeSheet->AddCard(card);
    return Instantiate(card, true);
}

void TSheetManager::AddCard(TCardControllerProtocol* controller) {
    if (!controller || !m_activeSheet) return;
    m_activeSheet->AddCard(controller->card());
    m_controllers.append(controller);
}

void TSheetManager::CloseCard(TCard* card, bool deleteFile) {
    if (TCardControllerProtocol* controller = GetController(card)) Retire(controller);
    if (m_activeSheet) m_activeSheet->RemoveCard(card, deleteFile);
}

void TSheetManager::ReloadCard(TCard* card) {
    TCardControllerProtocol* old = GetController(card);
    if (!old)
        CocoaUtilities::Fatal(
            QStringLiteral("The card can't be reloaded because it has no controller loaded."));
    Instantiate(card, true);
    old->close();
    Retire(old);
}

TCard* TSheetManager::FindCard(const QString& uuid) const {
    if (!m_activeSheet) return nullptr;
    for (TObject* card : *m_activeSheet->GetAllCards())
        if (static_cast<TCard*>(card)->GetUUID() == uuid) return static_cast<TCard*>(card);
    return nullptr;
}

void TSheetManager::UpdateCardPreview(TCard* card) {
    TCardControllerProtocol* controller = GetController(card);
    if (!controller) return;
    const QImage image = controller->capturePreviewImage();
    if (!image.isNull()) card->SetPreviewImage(image);
}

QImage TSheetManager::GeneratePreviewImage(const QSizeF& screenSize) const {
    if (m_controllers.isEmpty() || !m_delegate) return {};
    const QSize size = (screenSize * 0.125).toSize();
    if (size.isEmpty()) return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (TCardControllerProtocol* controller : m_controllers) {
        QRectF frame;
        const QImage preview = m_delegate->previewForController(controller, &frame);
        if (preview.isNull()) continue;
        const QRectF target(frame.x() * 0.125, frame.y() * 0.125, frame.width() * 0.125,
                            frame.height() * 0.125);
        // The shadow falls 4 points right and down (y-down), softened.
        painter.fillRect(target.translated(4 * 0.5, 4 * 0.5), QColor::fromRgbF(0, 0, 0, 0.3f));
        painter.drawImage(target, preview);
    }
    return image;
}

QImage TSheetManager::GeneratePreviewImage() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return GeneratePreviewImage(screen ? QSizeF(screen->geometry().size()) : QSizeF(1280, 800));
}

// SheetLookup

SheetLookup::SheetLookup(const TObjectArray* sheets)
    : SheetLookup(sheets, StringPathUtilities::fileIdentity) {}

SheetLookup::SheetLookup(const TObjectArray* sheets, const IdentityReader& identityOf) {
    m_byPath.reserve(sheets->Count());
    m_byIdentity.reserve(sheets->Count());
    for (TObject* object : *sheets) {
        auto* sheet = static_cast<TSheet*>(object);
        if (sheet) add(sheet, identityOf(sheet->GetPath()));
    }
}

void SheetLookup::add(TSheet* sheet) {
    if (sheet) add(sheet, StringPathUtilities::fileIdentity(sheet->GetPath()));
}

void SheetLookup::add(TSheet* sheet, const std::optional<StringPathUtilities::FileIdentity>& identity) {
    const QString path = sheet->GetPath();
    if (path.isEmpty()) return;
    // The first registered sheet of a folder is the one found, as a walk through them finds it.
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (!m_byPath.contains(absolute)) m_byPath.insert(absolute, sheet);
    if (identity && !m_byIdentity.contains(*identity)) m_byIdentity.insert(*identity, sheet);
}

TSheet* SheetLookup::find(const QString& path,
                          const std::optional<StringPathUtilities::FileIdentity>& identity) const {
    if (path.isEmpty()) return nullptr;
    if (TSheet* sheet = m_byPath.value(QFileInfo(path).absoluteFilePath())) return sheet;
    return identity ? m_byIdentity.value(*identity) : nullptr;
}

// TSheetManagerItem

TSheetManagerItem* TSheetManagerItem::Create(TSheet* sheet) {
    TSheetManagerItem* item = Allocate();
    item->Initialize();
    item->m_sheet = sheet;
    if (sheet) item->SetPath(sheet->GetPath());
    return item;
}

void TSheetManagerItem::Initialize() {
    TTreeNode::Initialize();
    SetMaintainCocoaObject(true);
}

void TSheetManagerItem::EncodeData(TArchiver* archiver) {
    TTreeNode::EncodeData(archiver);
    if (!m_path.isEmpty()) archiver->SetValue(kName, QFileInfo(m_path).fileName());
}

void TSheetManagerItem::DecodeData(TArchiver* archiver) {
    TTreeNode::DecodeData(archiver);
    if (archiver->ContainsKey(kName)) m_path = archiver->GetStringValue(kName);
}

void TSheetManagerItem::Show() const {
    Diagnostics::line(GetTitle() + QStringLiteral(" => ") + GetDebugString());
}

void TSheetManagerItem::SetPath(const QString& path) {
    m_path = path;
    if (m_sheet) m_sheet->SetPath(path);
}

QString TSheetManagerItem::GetTitle() const {
    return m_path.isEmpty() ? QString() : StringPathUtilities::lastPathComponentWithoutExtension(m_path);
}

QImage TSheetManagerItem::GetImage() const {
    return m_sheet ? m_sheet->GetPreviewImage() : FolderImage();
}

QImage TSheetManagerItem::FolderImage() {
    static const QImage image = [] {
        QImage folder(32, 32, QImage::Format_ARGB32_Premultiplied);
        folder.fill(Qt::transparent);
        QPainter painter(&folder);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(70, 110, 160), 1.5));
        painter.setBrush(QColor(120, 170, 220));
        painter.drawRoundedRect(QRectF(3, 6, 12, 6), 2, 2);
        painter.drawRoundedRect(QRectF(3, 9, 26, 18), 2, 2);
        return folder;
    }();
    return image;
}

TSheetManagerItem* TSheetManagerItem::FindItem(const QString& path, bool deep) const {
    if (deep) {
        for (TObject* node : *const_cast<TSheetManagerItem*>(this)->GetAllChildren())
            if (samePath(static_cast<TSheetManagerItem*>(node)->m_path, path))
                return static_cast<TSheetManagerItem*>(node);
        return nullptr;
    }
    for (qint64 i = 0; i < ChildCount(); ++i)
        if (samePath(static_cast<TSheetManagerItem*>(GetChild(i))->m_path, path))
            return static_cast<TSheetManagerItem*>(GetChild(i));
    return nullptr;
}

TSheetManagerItem* TSheetManagerItem::FindItemNamed(const QString& name) const {
    for (qint64 i = 0; i < ChildCount(); ++i) {
        auto* child = static_cast<TSheetManagerItem*>(GetChild(i));
        if (QFileInfo(child->m_path).fileName().compare(name, Qt::CaseInsensitive) == 0) return child;
    }
    return nullptr;
}

TSheetManagerItem* TSheetManagerItem::FindItem(const TSheet* sheet, bool deep) const {
    if (deep) {
        for (TObject* node : *const_cast<TSheetManagerItem*>(this)->GetAllChildren())
            if (static_cast<TSheetManagerItem*>(node)->m_sheet == sheet)
                return static_cast<TSheetManagerItem*>(node);
        return nullptr;
    }
    for (qint64 i = 0; i < ChildCount(); ++i)
        if (static_cast<TSheetManagerItem*>(GetChild(i))->m_sheet == sheet)
            return static_cast<TSheetManagerItem*>(GetChild(i));
    return nullptr;
}

TSheetManagerGroupItem* TSheetManagerGroupItem::Create(const QString& path) {
    TSheetManagerGroupItem* item = Allocate();
    item->Initialize();
    item->SetPath(path);
    return item;
}

TSheetManagerItem* wrappedSheetManagerItem(const NSObjectWrapperPtr& wrapper) {
    return wrapper ? wrapper->wrapped<TSheetManagerItem>() : nullptr;
}
