#include "PreferencesWindowController.h"

#include "model/Globals.h"
#include "model/Preferences.h"
#include "model/Themes.h"
#include "model/ui/ModelWidgets.h"
#include "platform/AlertPresenter.h"
#include "platform/PanelPresenter.h"
#include "platform/UserDefaults.h"
#include "utilities/FontUtilities.h"
#include "utilities/StringPathUtilities.h"
#include "utilities/UserDefaultsUtilities.h"
#include "windows/DesktopPicture.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileInfo>
#include <QFontDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeySequenceEdit>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

TPreferenceWindowController* g_shared = nullptr;
// The same picture the desktop window shows.
SystemDesktopPicture desktopsPicture() {
    const std::optional<DesktopPicture> picture = DesktopPictureProvider::shared().current();
    if (!picture) return {};
    return {picture->path, picture->scaling.value_or(-1), QColor()};
}

std::function<SystemDesktopPicture()> g_desktopPictureReader = desktopsPicture;

const QList<std::pair<QString, QString>>& fontKeys() {
    static const QList<std::pair<QString, QString>> keys = {
        {kPreferenceKeyListFont, QStringLiteral("List")},
        {kPreferenceKeyTaskFont, QStringLiteral("Tasks")},
        {kPreferenceKeyNoteFont, QStringLiteral("Notes")},
        {kPreferenceKeyPlainTextFont, QStringLiteral("Plain Text")},
        {kPreferenceKeySideBarFont, QStringLiteral("Side Bar")},
        {kPreferenceKeyTabFont, QStringLiteral("Tabs")},
    };
    return keys;
}

void setWellColour(QPushButton* well, const QColor& colour) {
    well->setIcon(QIcon(QPixmap::fromImage(ColorWellImage(colour))));
    well->setProperty("colour", colour);
}

// Tags of the picture's scaling pop-up for the desktop's scaling values.
int tagForScaling(int scaling) {
    switch (scaling) {
    case -1:
    case 0:
        return 0;
    case 3:
        return 1;
    case 1:
        return 2;
    case 2:
        return 3;
    default:
        return -1;
    }
}

} // namespace

TPreferenceWindowController* TPreferenceWindowController::sharedController() {
    if (!g_shared) g_shared = new TPreferenceWindowController;
    return g_shared;
}

bool TPreferenceWindowController::hasSharedController() {
    return g_shared != nullptr;
}

void TPreferenceWindowController::setSystemDesktopPictureReader(
    std::function<SystemDesktopPicture()> reader) {
    g_desktopPictureReader = reader ? std::move(reader) : desktopsPicture;
}

UserDefaults& TPreferenceWindowController::defaults() const {
    return UserDefaults::standardUserDefaults();
}

QStringList TPreferenceWindowController::themes() {
    QStringList names;
    for (TTheme* theme : TTheme::Standard()) names << theme->GetName();
    return names;
}

TPreferenceWindowController::TPreferenceWindowController() {
    m_window = new QWidget;
    m_window->setAttribute(Qt::WA_DeleteOnClose);
    m_window->setWindowTitle(QStringLiteral("Preferences"));
    connect(m_window, &QObject::destroyed, this, [this] {
        if (g_shared == this) g_shared = nullptr;
        deleteLater();
    });
    tabView = new QTabWidget(m_window);
    tabView->addTab(makeGeneralPane(), QStringLiteral("General"));
    tabView->addTab(makeFontsPane(), QStringLiteral("Fonts"));
    tabView->addTab(makeTasksPane(), QStringLiteral("Tasks"));
    tabView->addTab(makeDesktopPane(), QStringLiteral("Dashboard"));
    auto* layout = new QVBoxLayout(m_window);
    layout->addWidget(tabView);
    // The window takes the height of the selected pane, its top edge in place.
    connect(tabView, &QTabWidget::currentChanged, m_window, [this] { m_window->adjustSize(); });
    updateDesktopOptions();
}

TPreferenceWindowController::~TPreferenceWindowController() {
    if (g_shared == this) g_shared = nullptr;
    delete m_colourPanel;
}

void TPreferenceWindowController::showWindow() {
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

QCheckBox* TPreferenceWindowController::boundCheckBox(const QString& title, const QString& key) {
    auto* box = new QCheckBox(title);
    auto show = [this, box, key] { box->setChecked(defaults().boolForKey(key)); };
    show();
    defaults().observe(key, box, show);
    connect(box, &QCheckBox::toggled, box, [this, key](bool on) {
        if (defaults().boolForKey(key) != on) defaults().setBoolForKey(on, key);
    });
    return box;
}

QComboBox* TPreferenceWindowController::boundPopup(const QStringList& titles, const QString& key) {
    auto* popup = new QComboBox;
    popup->addItems(titles);
    auto show = [this, popup, key] {
        popup->setCurrentIndex(static_cast<int>(defaults().integerForKey(key)));
    };
    show();
    defaults().observe(key, popup, show);
    connect(popup, &QComboBox::activated, popup, [this, key](int index) {
        if (defaults().integerForKey(key) != index) defaults().setIntegerForKey(index, key);
    });
    return popup;
}

QPushButton* TPreferenceWindowController::colourWell(const QString& key) {
    auto* well = new QPushButton;
    auto show = [this, well, key] {
        setWellColour(well, UserDefaultsUtilities::colorForKey(defaults(), key).value_or(Qt::white));
    };
    show();
    defaults().observe(key, well, show);
    connect(well, &QPushButton::clicked, well, [this, well, key] {
        auto* dialog = new QColorDialog(well->property("colour").value<QColor>(), m_window);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setOption(QColorDialog::ShowAlphaChannel);
        connect(dialog, &QColorDialog::currentColorChanged, well, [this, key](const QColor& colour) {
            UserDefaultsUtilities::setColorForKey(defaults(), colour, key);
        });
        dialog->open();
    });
    return well;
}

QWidget* TPreferenceWindowController::makeGeneralPane() {
    auto* pane = new QWidget;
    auto* form = new QFormLayout(pane);

    sheetFolderField = new QLineEdit;
    sheetFolderField->setReadOnly(true);
    auto showFolder = [this] {
        sheetFolderField->setText(StringPathUtilities::stringByAbbreviatingWithTildeInPath(
            defaults().stringForKey(kPreferenceKeySheetFolder)));
    };
    showFolder();
    defaults().observe(kPreferenceKeySheetFolder, sheetFolderField, showFolder);
    auto* choose = new QPushButton(QStringLiteral("Choose..."));
    connect(choose, &QPushButton::clicked, this, &TPreferenceWindowController::chooseSheetFolder);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(sheetFolderField, 1);
    folderRow->addWidget(choose);
    form->addRow(QStringLiteral("Sheet folder:"), folderRow);

    shortcutRecorder = new QKeySequenceEdit;
    shortcutRecorder->setClearButtonEnabled(true);
    showHotKey();
    defaults().observe(kPreferenceKeyActivationHotKey, shortcutRecorder, [this] { showHotKey(); });
    connect(shortcutRecorder, &QKeySequenceEdit::keySequenceChanged, this,
            [this](const QKeySequence& sequence) {
                if (m_updating) return;
                QVariantMap combo;
                if (!sequence.isEmpty()) {
                    const QKeyCombination key = sequence[0];
                    combo = {{QStringLiteral("keyCode"), static_cast<qint64>(key.key())},
                             {QStringLiteral("modifierFlags"),
                              static_cast<qint64>(key.keyboardModifiers().toInt())}};
                }
                keyComboDidChange(combo);
            });
    form->addRow(QStringLiteral("Activation hot key:"), shortcutRecorder);

    defaultColorPopupButton = new QComboBox;
    showDefaultColor();
    defaults().observe(kPreferenceKeyDefaultCardColor, defaultColorPopupButton,
                       [this] { showDefaultColor(); });
    connect(defaultColorPopupButton, &QComboBox::activated, this, [this](int index) {
        const QVariant data = defaultColorPopupButton->itemData(index);
        if (data.toString() == QLatin1String("changeCardColor:")) {
            changeCardColor();
            return;
        }
        QAction item;
        item.setData(data);
        defaultCardColorChanged(&item);
    });
    form->addRow(QStringLiteral("Default card colour:"), defaultColorPopupButton);

    defaultCalendarPopupButton = new QComboBox;
    showCalendar();
    defaults().observe(kPreferenceKeyDefaultCardCalendar, defaultCalendarPopupButton,
                       [this] { showCalendar(); });
    connect(defaultCalendarPopupButton, &QComboBox::activated, this,
            &TPreferenceWindowController::defaultCalendarChanged);
    form->addRow(QStringLiteral("Calendar for tasks:"), defaultCalendarPopupButton);

    auto* theme = new QComboBox;
    theme->addItems(themes());
    auto showTheme = [this, theme] {
        theme->setCurrentText(defaults().stringForKey(kPreferenceKeyDefaultCardTheme));
    };
    showTheme();
    defaults().observe(kPreferenceKeyDefaultCardTheme, theme, showTheme);
    connect(theme, &QComboBox::activated, theme, [this, theme] {
        defaults().setObjectForKey(theme->currentText(), kPreferenceKeyDefaultCardTheme);
    });
    form->addRow(QStringLiteral("Card theme:"), theme);

    form->addRow(
        boundCheckBox(QStringLiteral("Animate card transitions"), kPreferenceKeyAnimateCardTransitions));
    form->addRow(boundCheckBox(QStringLiteral("Hide windows when inactive"), kPreferenceHideOnDeactive));
    form->addRow(boundCheckBox(QStringLiteral("Snap windows to grid"), kPreferenceKeySnapToGrid));

    portalLevel1Button = new QCheckBox(QStringLiteral("Important news and fixes"));
    portalLevel2Button = new QCheckBox(QStringLiteral("Updates"));
    portalLevel3Button = new QCheckBox(QStringLiteral("Tips and offers"));
    for (QCheckBox* box : {portalLevel1Button, portalLevel2Button, portalLevel3Button}) {
        connect(box, &QCheckBox::clicked, this, [this, box] { portalLevelChanged(box); });
        form->addRow(box);
    }
    showPortalLevel();
    defaults().observe(kPreferenceKeyPortalLevel, portalLevel1Button, [this] { showPortalLevel(); });
    return pane;
}

QWidget* TPreferenceWindowController::makeFontsPane() {
    auto* pane = new QWidget;
    auto* form = new QFormLayout(pane);
    for (const auto& [key, title] : fontKeys()) {
        auto* field = new QLineEdit;
        field->setReadOnly(true);
        fontFields[key] = field;
        showFont(key);
        defaults().observe(key, field, [this, key = key] { showFont(key); });
        auto* choose = new QPushButton(QStringLiteral("Select..."));
        connect(choose, &QPushButton::clicked, this, [this, key = key] { chooseFont(key); });
        auto* row = new QHBoxLayout;
        row->addWidget(field, 1);
        row->addWidget(choose);
        form->addRow(title + QLatin1Char(':'), row);
    }
    return pane;
}

QWidget* TPreferenceWindowController::makeTasksPane() {
    auto* pane = new QWidget;
    auto* form = new QFormLayout(pane);
    QComboBox* style = boundPopup({QStringLiteral("None"), QStringLiteral("Italic"), QStringLiteral("Bold"),
                                   QStringLiteral("Strikethrough")},
                                  kPreferenceKeyCompletedTaskStyle);
    completedTaskStyleColorWell = colourWell(kPreferenceKeyCompletedTaskColor);
    defaults().observe(kPreferenceKeyCompletedTaskStyle, completedTaskStyleColorWell,
                       [this] { completedTaskStyleChanged(); });
    completedTaskStyleChanged();
    auto* row = new QHBoxLayout;
    row->addWidget(style, 1);
    row->addWidget(completedTaskStyleColorWell);
    form->addRow(QStringLiteral("Completed tasks:"), row);
    form->addRow(boundCheckBox(QStringLiteral("Completing a task completes its subtasks"),
                               kPreferenceKeyCompletionAffectsChildren));
    form->addRow(
        boundCheckBox(QStringLiteral("Show dates in the side bar"), kPreferenceKeyShowDatesInSideBar));
    return pane;
}

QWidget* TPreferenceWindowController::makeDesktopPane() {
    auto* pane = new QWidget;
    auto* form = new QFormLayout(pane);
    form->addRow(boundCheckBox(QStringLiteral("Dashboard mode"), kPreferenceKeyDashboardMode));
    form->addRow(boundCheckBox(QStringLiteral("Animate dashboard transitions"),
                               kPreferenceKeyAnimateDashboardTransitions));
    form->addRow(boundCheckBox(QStringLiteral("Fade the desktop"), kPreferenceKeyDashboardDesktopFading));
    form->addRow(
        boundCheckBox(QStringLiteral("Shadows in animations"), kPreferenceKeyEnableAnimationShadows));
    QCheckBox* inherit =
        boundCheckBox(QStringLiteral("Use the desktop's picture"), kPreferenceKeyDesktopInheritFromSystem);
    form->addRow(inherit);
    desktopImageView = new NSEditableImageView;
    desktopImageView->setMinimumSize(160, 100);
    desktopImageView->setDelegate(this);
    desktopImageView->setChoosesImage(true);
    desktopImageView->setDirectoryURL(QStringLiteral("/usr/share/backgrounds"));
    form->addRow(QStringLiteral("Picture:"), desktopImageView);
    desktopImageModeButton =
        boundPopup({QStringLiteral("Fit"), QStringLiteral("Fill"), QStringLiteral("Stretch"),
                    QStringLiteral("Centre"), QStringLiteral("No Picture")},
                   kPreferenceKeyDesktopBackgroundImageMode);
    form->addRow(QStringLiteral("Scaling:"), desktopImageModeButton);
    desktopColorWell = colourWell(kPreferenceKeyDesktopColor);
    form->addRow(QStringLiteral("Colour:"), desktopColorWell);
    for (const QString& key :
         {kPreferenceKeyDesktopInheritFromSystem, kPreferenceKeyDesktopBackgroundImageMode})
        // After the change: the defaults take no write while they tell of one.
        defaults().observe(key, pane, [this] {
            if (!m_updating)
                QMetaObject::invokeMethod(this, &TPreferenceWindowController::updateDesktopOptions,
                                          Qt::QueuedConnection);
        });
    return pane;
}

void TPreferenceWindowController::showFont(const QString& key) {
    if (const std::optional<QFont> font = UserDefaultsUtilities::fontForKey(defaults(), key))
        fontFields[key]->setText(FontUtilities::nameAndSizeString(*font));
}

void TPreferenceWindowController::chooseFont(const QString& key) {
    auto* dialog =
        new QFontDialog(UserDefaultsUtilities::fontForKey(defaults(), key).value_or(QFont()), m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setObjectName(key);
    connect(dialog, &QFontDialog::currentFontChanged, this,
            [this, key](const QFont& font) { fontChanged(key, font); });
    dialog->open();
}

void TPreferenceWindowController::fontChanged(const QString& key, const QFont& font) {
    UserDefaultsUtilities::setFontForKey(defaults(), font, key);
    showFont(key);
}

void TPreferenceWindowController::showDefaultColor() {
    const std::optional<QColor> stored =
        UserDefaultsUtilities::colorForKey(defaults(), kPreferenceKeyDefaultCardColor);
    defaultColorPopupButton->clear();
    QMenu* menu =
        ModelWidgets::CardColorMenu(QStringLiteral("defaultCardColorChanged:"), stored.value_or(QColor()));
    for (QAction* item : menu->actions()) {
        if (item->isSeparator()) {
            defaultColorPopupButton->insertSeparator(defaultColorPopupButton->count());
            continue;
        }
        const bool other = item->property("tag").toInt() == -1;
        defaultColorPopupButton->addItem(item->icon(), item->text(),
                                         other ? QVariant(QStringLiteral("changeCardColor:")) : item->data());
    }
    delete menu;
    defaultColorPopupButton->insertSeparator(defaultColorPopupButton->count());
    defaultColorPopupButton->addItem(QStringLiteral("Random"));
    int selected = -1;
    for (int i = 0; i < defaultColorPopupButton->count(); ++i) {
        const QVariant data = defaultColorPopupButton->itemData(i);
        const bool random =
            !data.isValid() && defaultColorPopupButton->itemText(i) == QLatin1String("Random");
        if ((stored && data.typeId() == QMetaType::QColor && data.value<QColor>() == *stored) ||
            (!stored && random)) {
            selected = i;
            break;
        }
    }
    defaultColorPopupButton->setCurrentIndex(selected);
}

void TPreferenceWindowController::defaultCardColorChanged(QAction* item) {
    const QVariant data = item->data();
    if (data.typeId() == QMetaType::QColor)
        UserDefaultsUtilities::setColorForKey(defaults(), data.value<QColor>(),
                                              kPreferenceKeyDefaultCardColor);
    else
        defaults().removeObjectForKey(kPreferenceKeyDefaultCardColor);
}

void TPreferenceWindowController::changeCardColor() {
    delete m_colourPanel;
    auto* panel = new QColorDialog(
        UserDefaultsUtilities::colorForKey(defaults(), kPreferenceKeyDefaultCardColor).value_or(Qt::white),
        m_window);
    panel->setOption(QColorDialog::ShowAlphaChannel);
    connect(panel, &QColorDialog::currentColorChanged, this, &TPreferenceWindowController::changeColor);
    m_colourPanel = panel;
    panel->open();
}

void TPreferenceWindowController::changeColor(const QColor& colour) {
    UserDefaultsUtilities::setColorForKey(defaults(), colour, kPreferenceKeyDefaultCardColor);
}

void TPreferenceWindowController::showCalendar() {
    defaultCalendarPopupButton->clear();
    for (QAction* item : ModelWidgets::AvailableCalendarsForEvent()) {
        defaultCalendarPopupButton->addItem(item->icon(), item->text(), item->data());
        delete item;
    }
    int index =
        defaultCalendarPopupButton->findData(defaults().stringForKey(kPreferenceKeyDefaultCardCalendar));
    if (index < 0) index = defaultCalendarPopupButton->findData(DefaultCardCalendarIdentifier());
    defaultCalendarPopupButton->setCurrentIndex(index);
}

void TPreferenceWindowController::defaultCalendarChanged(int index) {
    const QVariant identifier = defaultCalendarPopupButton->itemData(index);
    if (identifier.isValid()) defaults().setObjectForKey(identifier, kPreferenceKeyDefaultCardCalendar);
}

void TPreferenceWindowController::completedTaskStyleChanged() {
    completedTaskStyleColorWell->setEnabled(defaults().integerForKey(kPreferenceKeyCompletedTaskStyle) > 0);
}

void TPreferenceWindowController::showPortalLevel() {
    const qint64 level = defaults().integerForKey(kPreferenceKeyPortalLevel);
    portalLevel1Button->setChecked(TestBitmask(level, 1));
    portalLevel2Button->setChecked(TestBitmask(level, 2));
    portalLevel3Button->setChecked(TestBitmask(level, 4));
}

void TPreferenceWindowController::portalLevelChanged(QCheckBox* sender) {
    if (sender == portalLevel1Button && !sender->isChecked()) {
        Alert alert;
        alert.style = Alert::Style::Informational;
        alert.buttons = {QStringLiteral("No"), QStringLiteral("Yes")};
        alert.messageText = QStringLiteral("Are you sure you want to disable this notification?");
        alert.informativeText =
            QStringLiteral("If you disable important news we may not be able to contact you with "
                           "special updates or bug fixes in the rare case we need to.");
        // Only "Yes" turns the news off; a question left unanswered keeps it on.
        if (AlertPresenter::shared().runModal(alert, m_window) != NSAlertSecondButtonReturn)
            sender->setChecked(true);
    }
    const qint64 level = (portalLevel1Button->isChecked() ? 1 : 0) +
                         (portalLevel2Button->isChecked() ? 2 : 0) +
                         (portalLevel3Button->isChecked() ? 4 : 0);
    defaults().setIntegerForKey(level, kPreferenceKeyPortalLevel);
}

void TPreferenceWindowController::chooseSheetFolder() {
    OpenPanel panel;
    panel.canChooseFiles = false;
    panel.canChooseDirectories = true;
    panel.canCreateDirectories = true;
    const QString current = defaults().stringForKey(kPreferenceKeySheetFolder);
    if (!current.isEmpty()) panel.directory = QFileInfo(current).absolutePath();
    if (PanelPresenter::shared().runModal(panel, m_window) != NSModalResponseOK ||
        panel.chosenPaths.isEmpty())
        return;
    defaults().setObjectForKey(panel.chosenPaths.first(), kPreferenceKeySheetFolder);
}

void TPreferenceWindowController::showHotKey() {
    const QVariantMap combo = defaults().dictionaryForKey(kPreferenceKeyActivationHotKey);
    QKeySequence sequence;
    if (!combo.isEmpty())
        sequence = QKeySequence(QKeyCombination(
            Qt::KeyboardModifiers::fromInt(combo.value(QStringLiteral("modifierFlags")).toInt()),
            static_cast<Qt::Key>(combo.value(QStringLiteral("keyCode")).toInt())));
    if (shortcutRecorder->keySequence() == sequence) return;
    m_updating = true;
    shortcutRecorder->setKeySequence(sequence);
    m_updating = false;
}

void TPreferenceWindowController::keyComboDidChange(const QVariantMap& combo) {
    if (combo.isEmpty())
        defaults().removeObjectForKey(kPreferenceKeyActivationHotKey);
    else
        defaults().setObjectForKey(combo, kPreferenceKeyActivationHotKey);
    TGlobalHotKey::SharedHandler()->UpdateGlobalHotKey(TGlobalHotKey::kActivationHotKey, combo);
}

void TPreferenceWindowController::updateDesktopOptions() {
    const bool inherit = defaults().boolForKey(kPreferenceKeyDesktopInheritFromSystem);
    m_updating = true;
    if (inherit) {
        const SystemDesktopPicture picture = g_desktopPictureReader();
        desktopImageView->setImage(picture.path.isEmpty() ? QImage() : QImage(picture.path));
        const int tag = tagForScaling(picture.scaling);
        if (tag >= 0) desktopImageModeButton->setCurrentIndex(tag);
        const QColor fill = picture.fill.isValid() ? picture.fill : QColor(Qt::white);
        setWellColour(desktopColorWell, fill);
        defaults().setIntegerForKey(desktopImageModeButton->currentIndex(),
                                    kPreferenceKeyDesktopBackgroundImageMode);
        if (picture.path.isEmpty())
            defaults().removeObjectForKey(kPreferenceKeyDesktopBackgroundImage);
        else
            defaults().setObjectForKey(picture.path, kPreferenceKeyDesktopBackgroundImage);
        UserDefaultsUtilities::setColorForKey(defaults(), fill, kPreferenceKeyDesktopColor);
        desktopImageView->setEnabled(false);
    } else {
        const QString path = defaults().stringForKey(kPreferenceKeyDesktopBackgroundImage);
        desktopImageView->setImage(path.isEmpty() ? QImage() : QImage(path));
        desktopImageView->setEnabled(defaults().integerForKey(kPreferenceKeyDesktopBackgroundImageMode) != 4);
    }
    desktopImageModeButton->setEnabled(!inherit);
    desktopColorWell->setEnabled(!inherit);
    m_updating = false;
}

void TPreferenceWindowController::imageViewChangedNewPath(NSEditableImageView*, const QString& path) {
    defaults().setObjectForKey(path, kPreferenceKeyDesktopBackgroundImage);
}
