#include "windows/SidebarRowView.h"

#include "model/Card.h"
#include "model/Globals.h"
#include "model/ListCard.h"
#include "model/Memoleaf.h"
#include "model/Preferences.h"
#include "model/Themes.h"
#include "platform/UserDefaults.h"
#include "utilities/DateUtilities.h"
#include "utilities/ImageUtilities.h"
#include "utilities/UserDefaultsUtilities.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

TSidebarRowViewController::TSidebarRowViewController(TCard* card) : m_card(Ref<TCard>::retain(card)) {
    setCaptionHidden(!NSPrefs().boolForKey(kPreferenceKeyShowDatesInSideBar));
    update();
}

TSidebarRowViewController::~TSidebarRowViewController() {
    if (m_card && m_card->GetListRepresentation() == this) m_card->SetListRepresentation(nullptr);
}

QWidget* TSidebarRowViewController::loadView() {
    auto* view = new QWidget;
    m_imageView = new QLabel(view);
    m_imageView->setGeometry(2, 3, 16, 16);
    m_imageView->setScaledContents(true);
    m_labelField = new QLineEdit(view);
    m_labelField->setFrame(false);
    // A palette, not a style sheet: a style sheet would reach the field's context menu too.
    QPalette clear = m_labelField->palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    m_labelField->setPalette(clear);
    m_noteField = new QLabel(view);
    connect(m_labelField, &QLineEdit::editingFinished, this, [this] {
        if (m_labelField->text() != m_card->GetTitle()) titleChanged(m_labelField->text());
    });
    view->resize(200, rowHeight());
    showInView(view);
    return view;
}

void TSidebarRowViewController::setCaptionHidden(bool hidden) {
    m_captionHidden = hidden;
    if (!isViewLoaded()) return;
    m_noteField->setHidden(hidden);
    view()->resize(view()->width(), rowHeight());
}

void TSidebarRowViewController::update() {
    TCard* card = m_card.get();
    TCard* top = static_cast<TCard*>(card->GetRoot());
    const bool dark = top && top->IsDarkStyle();
    m_icon = QImage();
    if (TCardTheme* theme = card->GetTheme()) {
        if (card->IsMember(TMemoleaf::StaticClass()))
            m_icon = theme->GetImage(QStringLiteral("noteRowImage"));
        else if (card->IsMember(TListCard::StaticClass()))
            m_icon = theme->GetImage(QStringLiteral("listRowImage"));
    }
    if (dark && !m_icon.isNull()) m_icon = ImageUtilities::invertedImage(m_icon);
    m_titleFont = UserDefaultsUtilities::fontForKey(NSPrefs(), kPreferenceKeySideBarFont)
                      .value_or(QApplication::font());
    m_titleColor = dark ? QColor(Qt::white) : QColor(Qt::black);
    m_caption = DateUtilities::dateString(card->GetCreatedDate(), DateUtilities::kShortStyle,
                                          DateUtilities::kShortStyle, true);
    if (isViewLoaded()) showInView(view());
}

void TSidebarRowViewController::showInView(QWidget* view) {
    if (!m_labelField) return;
    m_imageView->setPixmap(QPixmap::fromImage(m_icon));
    m_labelField->setFont(m_titleFont);
    QPalette palette = m_labelField->palette();
    palette.setColor(QPalette::Text, m_titleColor);
    m_labelField->setPalette(palette);
    m_labelField->setText(m_card->GetTitle());
    m_noteField->setText(m_caption);
    const int width = view->width();
    m_labelField->setGeometry(20, 2, std::max(1, width - 22), 18);
    m_noteField->setGeometry(20, 20, std::max(1, width - 22), 12);
    m_noteField->setHidden(m_captionHidden);
}

void TSidebarRowViewController::editTitle() {
    view();
    QLineEdit* field = m_labelField;
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

bool TSidebarRowViewController::titleChanged(const QString& title) {
    if (title.isEmpty()) {
        if (m_labelField) m_labelField->setText(m_card->GetTitle());
        return false;
    }
    m_card->SetTitle(title);
    if (TCardControllerProtocol* controller = owner()) controller->updateCardApperance(m_card.get());
    makeSelectedCardFirstResponder();
    return true;
}
