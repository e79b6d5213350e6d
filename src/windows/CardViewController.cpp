#include "CardViewController.h"

#include "GenericCardWindowController.h"
#include "model/Card.h"

#include <QHash>
#include <QLabel>
#include <QVBoxLayout>

TCardContentViewController::TCardContentViewController(TCard* card, QObject* parent)
    : NSViewController(parent), m_card(card) {
    if (m_card) m_card->Retain();
}

TCardContentViewController::~TCardContentViewController() {
    if (!m_card) return;
    if (m_card->GetViewRepresentation() == this) m_card->SetViewRepresentation(nullptr);
    m_card->Release();
}

TCardControllerProtocol* TCardContentViewController::owner() const {
    auto* self = const_cast<TCardContentViewController*>(this);
    if (!self->isViewLoaded()) return nullptr;
    QWidget* view = self->view();
    if (!view->parentWidget()) return nullptr;
    return TGenericCardWindowController::controllerOfWidget(view);
}

void TCardContentViewController::setUINeedsDisplay() {
    if (TCardControllerProtocol* controller = owner()) controller->setUINeedsDisplay();
}

QWidget* TPlaceholderCardViewController::loadView() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    auto* label = new QLabel(card() ? card()->GetTitle() : QString(), view);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
    return view;
}

namespace CardViewControllers {
namespace {
QHash<const TObjectClassInfo*, Maker>& makers() {
    static QHash<const TObjectClassInfo*, Maker> registry;
    return registry;
}
} // namespace

void registerMaker(const TObjectClassInfo* cardClass, Maker maker) {
    makers().insert(cardClass, std::move(maker));
}

void unregisterMaker(const TObjectClassInfo* cardClass) {
    makers().remove(cardClass);
}

TCardContentViewController* make(TCard* card) {
    for (TObjectClass cls = card ? card->GetClass() : nullptr; cls; cls = cls->parent) {
        const auto found = makers().constFind(cls);
        if (found != makers().constEnd()) return (*found)(card);
    }
    return new TPlaceholderCardViewController(card);
}
} // namespace CardViewControllers
