#include "windows/RowControllers.h"

#include "model/CardItems.h"
#include "model/ListCard.h"
#include "windows/AttachmentRowViewControllers.h"
#include "windows/GroupRowViewController.h"
#include "windows/ListItemRowViewController.h"
#include "windows/SeperatorViewController.h"
#include "windows/TextItemViewController.h"

#include <QHash>

namespace {

const QString kTextRow = QStringLiteral("TTextItemViewController");

QHash<QString, RowControllers::Maker>& makers() {
    static QHash<QString, RowControllers::Maker> table;
    return table;
}

template <class T> RowControllers::Maker makerOf() {
    return [](TCardItem* item, TCard* card) -> TCardItemRowViewController* { return new T(item, card); };
}

} // namespace

namespace RowControllers {

void registerMaker(const QString& controllerClass, Maker maker) {
    makers().insert(controllerClass, std::move(maker));
}

void registerItemRows() {
    const std::pair<TObjectClass, const char*> rows[] = {
        {TGroupRowItem::StaticClass(), "TGroupRowViewController"},
        {TFileAttachment::StaticClass(), "TFileAttachmentViewController"},
        {TURLAttachment::StaticClass(), "TURLAttachmentViewController"},
        {TMailAttachment::StaticClass(), "TMailAttachmentViewController"},
        {TImageAttachment::StaticClass(), "TImageAttachmentViewController"},
        {TCardAttachment::StaticClass(), "TCardAttachmentViewController"},
        {TListItem::StaticClass(), "TListItemViewController"},
        {TSeperatorItem::StaticClass(), "TSeperatorViewController"},
    };
    for (const auto& [itemClass, controllerClass] : rows)
        TCardItem::RegisterViewRepresentationClass(itemClass, QString::fromLatin1(controllerClass));
    registerMaker(kTextRow, makerOf<TTextItemViewController>());
    registerMaker(QStringLiteral("TGroupRowViewController"), makerOf<TGroupRowViewController>());
    registerMaker(QStringLiteral("TListItemViewController"), makerOf<TListItemRowViewController>());
    registerMaker(QStringLiteral("TSeperatorViewController"), makerOf<TSeperatorViewController>());
    registerAttachmentAndTaskRows();
}

QString controllerClassFor(const TCardItem* item) {
    if (!item) return {};
    for (TObjectClass cls = item->GetClass(); cls; cls = cls->parent) {
        const QString name = TCardItem::GetViewRepresentationClass(cls);
        if (!name.isEmpty() && makers().contains(name)) return name;
    }
    return kTextRow;
}

TCardItemRowViewController* make(TCardItem* item, TCard* card) {
    if (!item) return nullptr;
    const Maker maker = makers().value(controllerClassFor(item), makerOf<TTextItemViewController>());
    TCardItemRowViewController* controller = maker(item, card);
    controller->load();
    controller->recalculateRow();
    item->SetViewRepresentation(controller);
    return controller;
}

} // namespace RowControllers
