#include "NSTabbedBar.h"

#include "NSTabbedBarItem.h"
#include "platform/Diagnostics.h"

#include <QMenu>
#include <QStackedWidget>
#include <QToolButton>

namespace {

QString pageIdentifier(const QWidget* page) {
    return page ? page->property("identifier").toString() : QString();
}

} // namespace

NSTabbedBar::NSTabbedBar(QWidget* parent) : NSItemBar(parent) {
    setItemMargin(8);
    setAnimationDuration(0);
}

QList<NSTabbedBarItem*> NSTabbedBar::tabs() const {
    QList<NSTabbedBarItem*> result;
    for (NSBarItem* item : items())
        if (auto* tab = qobject_cast<NSTabbedBarItem*>(item)) result.append(tab);
    return result;
}

NSTabbedBarItem* NSTabbedBar::itemWithIdentifier(const QString& identifier) const {
    for (NSTabbedBarItem* tab : tabs())
        if (tab->tabIdentifier() == identifier) return tab;
    return nullptr;
}

QStringList NSTabbedBar::tabIdentifiers() const {
    QStringList identifiers;
    for (const NSTabbedBarItem* tab : tabs()) identifiers.append(tab->tabIdentifier());
    return identifiers;
}

NSTabbedBarItem* NSTabbedBar::selectedItem() const {
    const QString identifier =
        m_tabView ? pageIdentifier(m_tabView->currentWidget()) : m_selectedItemIdentifier;
    return identifier.isNull() ? nullptr : itemWithIdentifier(identifier);
}

qint64 NSTabbedBar::indexOfSelectedItem() const {
    const NSTabbedBarItem* tab = selectedItem();
    return tab ? indexOfItem(tab) : -1;
}

void NSTabbedBar::selectItem(NSTabbedBarItem* tab) {
    if (!tab) return;
    NSTabbedBarItem* old = selectedItem();
    auto* tabDelegate = dynamic_cast<NSTabbedBarDelegate*>(delegate());
    if (tabDelegate) tabDelegate->willSelectItem(this, tab);
    if (m_tabView) {
        for (int i = 0; i < m_tabView->count(); ++i)
            if (pageIdentifier(m_tabView->widget(i)) == tab->tabIdentifier()) {
                m_tabView->setCurrentIndex(i);
                break;
            }
    } else {
        m_selectedItemIdentifier = tab->tabIdentifier();
    }
    if (old) {
        old->selectionChanged();
        old->update();
    }
    tab->selectionChanged();
    tab->update();
    if (tabDelegate) tabDelegate->didSelectItem(this, tab);
}

void NSTabbedBar::selectItemWithIdentifier(const QString& identifier) {
    selectItem(itemWithIdentifier(identifier));
}

void NSTabbedBar::selectItemAtIndex(qint64 index) {
    selectItem(qobject_cast<NSTabbedBarItem*>(itemAtIndex(index)));
}

bool NSTabbedBar::removeItemWithIdentifier(const QString& identifier) {
    NSTabbedBarItem* tab = itemWithIdentifier(identifier);
    if (!tab) {
        Diagnostics::warning(QStringLiteral("The tab ") + identifier + QStringLiteral(" is invalid."));
        return false;
    }
    removeItem(tab);
    return true;
}

void NSTabbedBar::recalculateClipping() {
    if (m_overflowEnabled) {
        if (m_overflowButton) m_overflowButton->hide();
        // The places this arrangement gives the tabs, every tab shown and fitted: the tabs
        // clipped by an earlier, narrower arrangement must not shift the centred ones.
        for (NSBarItem* item : items()) item->itemWillArrange();
        QList<ItemBarLayout::Slot> itemSlots = layoutSlots(false);
        for (ItemBarLayout::Slot& slot : itemSlots) {
            slot.hidden = false;
            slot.clipped = false;
        }
        const ItemBarLayout::Result placed = ItemBarLayout::arrange(layoutSettings(), itemSlots);
        QList<double> rightEdges;
        for (qsizetype i = 0; i < placed.frames.size(); ++i)
            rightEdges.append(placed.frames[i] ? placed.frames[i]->right() : 0);
        const QList<bool> clipped =
            ItemBarLayout::clippedTabs(rightEdges, width(), m_overflowButtonImage.width());
        bool anyClipped = false;
        for (qsizetype i = 0; i < items().size(); ++i) {
            NSBarItem* item = items()[i];
            if (isTrackingDrag()) {
                item->setClipped(false);
                continue;
            }
            item->setClipped(clipped[i]);
            if (item->hasSuperview()) item->setHidden(clipped[i]);
            anyClipped = anyClipped || clipped[i];
        }
        if (anyClipped) {
            // Made the first time a tab does not fit: most bars never need it.
            if (!m_overflowButton) {
                m_overflowButton = new QToolButton(this);
                m_overflowButton->setAutoRaise(true);
                m_overflowButton->setPopupMode(QToolButton::InstantPopup);
                m_overflowButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
                m_overflowButton->setStyleSheet(
                    QStringLiteral("QToolButton::menu-indicator { image: none; }"));
            }
            m_overflowButton->show();
        }
    }
    if (m_overflowButton && !m_overflowButton->isHidden()) updateOverflowButton();
}

void NSTabbedBar::updateOverflowButton() {
    const QSizeF imageSize(m_overflowButtonImage.size());
    m_overflowButton->setGeometry(ItemBarLayout::overflowButtonFrame(width(), height(), imageSize).toRect());
    m_overflowButton->setIcon(QIcon(QPixmap::fromImage(m_overflowButtonImage)));
    m_overflowButton->setIconSize(m_overflowButtonImage.size());
    QMenu* old = m_overflowButton->menu();
    auto* menu = new QMenu(m_overflowButton);
    for (NSTabbedBarItem* tab : tabs()) {
        if (!tab->isClipped()) continue;
        QAction* entry = menu->addAction(QIcon(QPixmap::fromImage(tab->image())), tab->text());
        entry->setData(QVariant::fromValue<QObject*>(tab));
        QPointer<NSTabbedBarItem> target(tab);
        connect(entry, &QAction::triggered, this, [this, target] {
            if (target && indexOfItem(target) >= 0)
                overflowButtonSelectedItem(target); // not one removed since
        });
    }
    m_overflowButton->setMenu(menu);
    if (old) old->deleteLater();
}

void NSTabbedBar::resetClipping() {
    for (NSBarItem* item : items()) {
        item->setClipped(false);
        if (item->hasSuperview()) item->show();
    }
    if (m_overflowButton) m_overflowButton->hide();
}

void NSTabbedBar::arrangeItems() {
    if (!m_ignoreClipping) recalculateClipping();
    NSItemBar::arrangeItems();
}

void NSTabbedBar::arrangeItemsByIgnoringClippping() {
    m_ignoreClipping = true;
    arrangeItems();
    m_ignoreClipping = false;
}
