#include "DockWindowController.h"

#include "Compositor.h"
#include "GenericCardWindowController.h"
#include "ThemeView.h"
#include "WindowLevel.h"
#include "model/ListCard.h"
#include "model/Memoleaf.h"
#include "model/Preferences.h"
#include "model/Sheet.h"
#include "model/SheetManager.h"
#include "platform/UserDefaults.h"
#include "toolkit/NSBarItem.h"
#include "toolkit/NSFadeWindowController.h"
#include "toolkit/NSSlideWindowController.h"
#include "toolkit/ScreenProvider.h"
#include "utilities/ImageUtilities.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QRegion>
#include <algorithm>

namespace {
TDockController* gShared = nullptr;

QFont tabFont() {
    QFont font;
    font.setPointSizeF(12);
    return font;
}

bool boolPreference(const QString& key) {
    return UserDefaults::standardUserDefaults().boolForKey(key);
}
} // namespace

// Tabs.

TDockItemViewController::TDockItemViewController(TCard* card, QObject* parent)
    : NSViewController(parent), m_card(card) {}

int TDockItemViewController::widthForTitle(const QString& title) {
    return std::min(QFontMetrics(tabFont()).horizontalAdvance(title) + 40, kMaximumWidth);
}

QWidget* TDockItemViewController::loadView() {
    auto* view = new TThemeView(m_card->GetTheme());
    view->setPart(TCardTheme::Tab);
    view->setInput({{QStringLiteral("color"), m_card->GetColor()}});

    QImage icon;
    if (m_card->IsMember(TMemoleaf::StaticClass()))
        icon = m_card->GetTheme()->GetImage(QStringLiteral("noteRowImage"));
    else if (m_card->IsMember(TListCard::StaticClass()))
        icon = m_card->GetTheme()->GetImage(QStringLiteral("listRowImage"));
    const bool dark = m_card->IsDarkStyle();
    if (dark && !icon.isNull()) icon = ImageUtilities::invertedImage(icon);

    m_imageView = new QLabel(view);
    m_imageView->setFixedSize(16, 16);
    if (!icon.isNull())
        m_imageView->setPixmap(
            QPixmap::fromImage(icon.scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    m_titleField = new QLabel(m_card->GetTitle(), view);
    m_titleField->setFont(tabFont());
    QPalette palette = m_titleField->palette();
    palette.setColor(QPalette::WindowText, dark ? Qt::white : Qt::black);
    m_titleField->setPalette(palette);

    auto* layout = new QHBoxLayout(view);
    layout->setContentsMargins(12, 0, 8, 0);
    layout->setSpacing(4);
    layout->addWidget(m_imageView);
    layout->addWidget(m_titleField, 1);
    view->resize(widthForTitle(m_card->GetTitle()), kHeight);
    return view;
}

// The shared controller.

TDockController* TDockController::sharedController() {
    if (!gShared) {
        gShared = new TDockController;
        ModelContracts::setDockWindow(gShared);
    }
    return gShared;
}

void TDockController::destroyShared() {
    delete gShared;
    gShared = nullptr;
}

TDockController::TDockController() {
    m_window = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    m_window->setObjectName(QStringLiteral("dockWindow"));
    WindowLevel::showOnAllDesktops(m_window);
    // Not drawn; what the window manager and assistive tools call it.
    m_window->setWindowTitle(QStringLiteral("Minimized Cards"));
    if (Compositor::isRunning()) m_window->setAttribute(Qt::WA_TranslucentBackground);
    m_window->resize(0, kHeight);
    m_fader = new NSFadeWindowController(m_window, this);
    restoreWindowLevel();

    m_itemBar = new TDockItemBar(m_window);
    m_itemBar->setGeometry(0, 0, 0, kHeight);
    m_itemBar->setResizeToWidth(true);
    m_itemBar->setDelegate(this);
    m_itemBar->setDataSource(this);
    m_itemBar->setEdgeInset(4.0);
    m_itemBar->setAnimationDuration(0.0);

    connect(qApp, &QGuiApplication::applicationStateChanged, this, &TDockController::applicationStateChanged);
}

TDockController::~TDockController() {
    if (gShared == this) {
        gShared = nullptr;
        ModelContracts::setDockWindow(nullptr);
    }
    m_itemBar->setDelegate(nullptr);
    m_itemBar->setDataSource(nullptr);
    delete m_fader; // owns the window
}

void TDockController::setSheet(TSheet* sheet) {
    m_sheet = sheet;
    reload();
    reposition();
}

void TDockController::reload() {
    m_itemBar->reloadData();
    reposition();
}

void TDockController::setSheetBrowser(NSSlideWindowController* browser) {
    if (m_sheetBrowser && m_sheetBrowser->window()) m_sheetBrowser->window()->removeEventFilter(this);
    m_sheetBrowser = browser;
    if (browser && browser->window()) browser->window()->installEventFilter(this);
}

double TDockController::positionForSheetBrowser(const NSSlideWindowController* browser) const {
    const QWidget* window = browser ? browser->window() : nullptr;
    if (!window || !window->isVisible()) return 0;
    const double screenLeft = ScreenProvider::shared().availableGeometry(window).left();
    if (browser->slideEdge() != SlideGeometry::Left) return screenLeft;
    if (boolPreference(kPreferenceKeyAutoHideSheetBrowser)) return screenLeft;
    return window->geometry().x() + window->geometry().width() - 20;
}

QRect TDockController::frameForStart(double x) {
    const QList<QRect> screens = ScreenProvider::shared().availableGeometries();
    const QRect screen = screens.isEmpty() ? ScreenProvider::shared().mainScreenGeometry() : screens.first();
    // From the start to the right edge of the main screen's free area, never off it.
    const int left =
        std::clamp(int(x), screen.left(), std::max(screen.left(), screen.x() + screen.width() - kHeight));
    return QRect(left, screen.top(), screen.right() + 1 - left, kHeight);
}

void TDockController::reposition() {
    m_window->setGeometry(frameForStart(positionForSheetBrowser(m_sheetBrowser)));
    m_itemBar->setGeometry(0, 0, m_itemBar->width(), kHeight);
    itemBarResized(m_itemBar);
    if (m_itemBar->count() > 0)
        fadeIn(true);
    else
        fadeOut(true);
}

void TDockController::fadeIn(bool animate) {
    const bool atOnce = !boolPreference(kPreferenceKeyDockAnimation) ||
                        (boolPreference(kPreferenceKeyDashboardMode) && !animate) || !Compositor::isRunning();
    m_fader->setFadeInDuration(atOnce ? 0 : kFadeDuration);
    if (!atOnce && !m_window->isVisible()) {
        m_window->setWindowOpacity(0);
        m_window->show();
    }
    m_fader->fadeIn(true);
}

void TDockController::fadeOut(bool animate) {
    const bool atOnce = !boolPreference(kPreferenceKeyDockAnimation) ||
                        (boolPreference(kPreferenceKeyDashboardMode) && !animate) || !Compositor::isRunning();
    m_fader->setFadeOutDuration(atOnce ? 0 : kFadeDuration);
    m_fader->fadeOut(true);
}

void TDockController::restoreWindowLevel() {
    setWindowLevel(WindowLevel::kFloatingLevel);
}

void TDockController::setWindowLevel(qint32 level) {
    WindowLevel::setLevel(m_window, level);
}

QRect TDockController::frameForProposedDrop() const {
    const QPoint origin = m_itemBar->mapToGlobal(QPoint(m_itemBar->width(), 0));
    return QRect(origin, QSize(128, m_itemBar->height()));
}

bool TDockController::restoreCard(TCard* card, std::optional<QPointF> dropPoint) {
    if (!card) return false;
    TSheetManager* manager = TSheetManager::SharedManager();
    // No window is made for a miniaturised card: the flag goes first.
    const bool wasModified = card->IsModified();
    card->SetMiniaturized(false);
    TCardControllerProtocol* controller = manager->GetController(card);
    if (!controller) controller = manager->Instantiate(card, true);
    // Without a window the card stays in the dock, so it is not lost from sight.
    if (!controller) {
        card->SetMiniaturized(true);
        card->SetModified(wasModified);
        return false;
    }
    // A new window clears the card's changes; leaving the dock is one to save.
    card->SetModified(true);
    if (dropPoint) {
        auto* generic = dynamic_cast<TGenericCardWindowController*>(controller);
        if (generic && generic->window()) generic->window()->move((*dropPoint - m_dragOffset).toPoint());
    }
    controller->showWindow();
    return true;
}

// Data source and delegate.

TCard* TDockController::cardOfItem(const NSBarItem* item) {
    auto* tab = item ? qobject_cast<TDockItemViewController*>(item->viewController()) : nullptr;
    return tab ? tab->card() : nullptr;
}

qint32 TDockController::itemBarItemCount(NSItemBar*) {
    return m_sheet ? qint32(m_sheet->GetMiniaturizedCards()->Count()) : 0;
}

NSBarItem* TDockController::itemBarCreateItemForIndex(NSItemBar*, qint32 index) {
    if (!m_sheet) return nullptr;
    TObjectArray* cards = m_sheet->GetMiniaturizedCards();
    if (index < 0 || index >= cards->Count()) return nullptr;
    auto* card = static_cast<TCard*>(cards->GetObjectValue(index));
    auto* tab = new TDockItemViewController(card);
    NSBarItem* item = NSBarItem::initWithViewController(tab);
    item->setWidth(tab->view()->width());
    return item;
}

QImage TDockController::imageForDraggingItem(NSItemBar*, NSBarItem* item) {
    TCard* card = cardOfItem(item);
    if (!card) return {};
    // A damaged frame in a card file must not ask for a huge image.
    const QSize size = card->GetFrame().size().toSize().boundedTo(QSize(4096, 4096));
    if (size.isEmpty()) return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setOpacity(0.85);
    painter.drawImage(QRect(QPoint(), size), card->GetPreviewImage());
    return image;
}

void TDockController::willMoveItemToIndex(NSItemBar*, NSBarItem* item, qint64 index) {
    TCard* card = cardOfItem(item);
    if (!card || !m_sheet) return;
    // The bar counts miniaturised cards only; the sheet's order holds every card: the card takes
    // the place of the miniaturised card now at that index.
    TObjectArray* minimised = m_sheet->GetMiniaturizedCards();
    qint64 target = m_sheet->GetCards()->Count();
    if (index >= 0 && index < minimised->Count())
        target = m_sheet->GetCards()->GetIndex(minimised->GetObjectValue(index));
    m_sheet->ReorderCard(card, target);
}

void TDockController::itemBarResized(NSItemBar*) {
    // Without a compositor the window cannot be clear: only the tabs show and take the pointer.
    QRegion tabs;
    if (!Compositor::isRunning())
        for (const NSBarItem* item : m_itemBar->items())
            tabs += item->geometry().translated(m_itemBar->pos());
    if (tabs.isEmpty())
        m_window->clearMask();
    else
        m_window->setMask(tabs);
}

void TDockController::restoreMiniaturizedCard(TCard* card) {
    restoreCard(card);
    reload();
}

void TDockController::itemClicked(NSItemBar*, NSBarItem* item) {
    restoreMiniaturizedCard(cardOfItem(item));
}

void TDockController::itemDoubleClicked(NSItemBar* bar, NSBarItem* item) {
    // As a click (whose first half has restored the card already).
    itemClicked(bar, item);
}

void TDockController::draggingItemWillBeginAtPoint(NSItemBar*, NSBarItem* item, NSDraggingSession*,
                                                   const QPointF& point) {
    m_dragOffset = QPointF(item->mapFromGlobal(point.toPoint()));
}

bool TDockController::draggingItemMovedToPoint(NSItemBar* bar, NSBarItem*, NSDraggingSession*,
                                               const QPointF& point) {
    const bool inside = QRectF(bar->rect()).contains(bar->mapFromGlobal(point.toPoint()));
    QGuiApplication::changeOverrideCursor(inside ? Qt::ArrowCursor : Qt::DragCopyCursor);
    return true;
}

bool TDockController::draggingItemEndedAtPoint(NSItemBar*, NSBarItem* item, NSDraggingSession*,
                                               const QPointF& point, quint64 operation) {
    QGuiApplication::changeOverrideCursor(Qt::ArrowCursor);
    if (operation != NSDragOperationNone) return false;
    restoreCard(cardOfItem(item), point);
    reload();
    return true;
}

bool TDockController::eventFilter(QObject* watched, QEvent* event) {
    if (m_sheetBrowser && watched == m_sheetBrowser->window() &&
        (event->type() == QEvent::Move || event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        m_window->setGeometry(frameForStart(positionForSheetBrowser(m_sheetBrowser)));
    }
    return QObject::eventFilter(watched, event);
}

void TDockController::applicationStateChanged(Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive) {
        if (m_hiddenWhileInactive) m_window->show();
        m_hiddenWhileInactive = false;
        m_keepShownWhileInactive = false;
    } else if (m_window->isVisible() && !m_keepShownWhileInactive) {
        m_hiddenWhileInactive = true;
        m_window->hide();
    }
}
