#pragma once

#include "toolkit/NSEditableImageView.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>

class QAction;
class QCheckBox;
class QComboBox;
class QKeySequenceEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;
class UserDefaults;

// The system's desktop picture, for "use the desktop's picture": the desktop window's by default.
struct SystemDesktopPicture {
    QString path;
    int scaling = -1; // 0 down, 1 axes independently, 2 none, 3 up or down; -1 not given
    QColor fill;      // invalid: not given
};

// The preferences window: every control shows its setting and writes it back at once, and follows the
// setting when it changes elsewhere. Fonts through a font dialog, colours through a colour dialog,
// the activation hot key through a key-sequence field, calendars from the event store.
class TPreferenceWindowController : public QObject, public NSEditableImageViewDelegate {
    Q_OBJECT
public:
    // Made on first use; forgotten when its window closes.
    static TPreferenceWindowController* sharedController();
    static bool hasSharedController();
    void showWindow();
    QWidget* window() const { return m_window; }

    // The names of the loaded standard themes.
    static QStringList themes();
    // Reader of the desktop's own picture (tests install one).
    static void setSystemDesktopPictureReader(std::function<SystemDesktopPicture()> reader);

    // Font keys: "listFont", "taskFont", "noteFont", "plainTextFont", "sideBarFont", "tabFont".
    void chooseFont(const QString& key);
    void fontChanged(const QString& key, const QFont& font);
    // An item of the colour menu; one without a colour ("Random") removes the key.
    void defaultCardColorChanged(QAction* item);
    void changeCardColor();
    void changeColor(const QColor& colour);
    void defaultCalendarChanged(int index);
    void completedTaskStyleChanged();
    void portalLevelChanged(QCheckBox* sender);
    void chooseSheetFolder();
    // {"keyCode", "modifierFlags"}; empty removes the key and unregisters the hot key.
    void keyComboDidChange(const QVariantMap& combo);
    void updateDesktopOptions();
    void imageViewChangedNewPath(NSEditableImageView* view, const QString& path) override;

    // The controls, for the window's own use and tests.
    QTabWidget* tabView = nullptr;
    QMap<QString, QLineEdit*> fontFields;
    QPushButton* completedTaskStyleColorWell = nullptr;
    QKeySequenceEdit* shortcutRecorder = nullptr;
    QComboBox* defaultColorPopupButton = nullptr;
    QComboBox* defaultCalendarPopupButton = nullptr;
    NSEditableImageView* desktopImageView = nullptr;
    QComboBox* desktopImageModeButton = nullptr;
    QPushButton* desktopColorWell = nullptr;
    QLineEdit* sheetFolderField = nullptr;
    QCheckBox* portalLevel1Button = nullptr;
    QCheckBox* portalLevel2Button = nullptr;
    QCheckBox* portalLevel3Button = nullptr;

private:
    TPreferenceWindowController();
    ~TPreferenceWindowController() override;
    QWidget* makeGeneralPane();
    QWidget* makeFontsPane();
    QWidget* makeTasksPane();
    QWidget* makeDesktopPane();
    QCheckBox* boundCheckBox(const QString& title, const QString& key);
    QComboBox* boundPopup(const QStringList& titles, const QString& key);
    QPushButton* colourWell(const QString& key);
    void showFont(const QString& key);
    void showDefaultColor();
    void showCalendar();
    void showPortalLevel();
    void showHotKey();
    UserDefaults& defaults() const;

    QPointer<QWidget> m_window;
    QPointer<QWidget> m_colourPanel;
    bool m_updating = false;
};
