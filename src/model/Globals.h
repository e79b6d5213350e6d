#pragma once

#include "foundation/EventHandler.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>
#include <QVariantList>
#include <functional>
#include <memory>

class EKEventStore;
class QPainter;
class UserDefaults;

// What the whole program shares and what depends on the edition it runs as. Main thread only.

// The program's settings (UserDefaults::standardUserDefaults()).
UserDefaults& NSPrefs();

// Pasteboard types of the program's own drags.
inline const QString NSPasteboardTypeCardWrapper = QStringLiteral("TCard.wrapper");
inline const QString NSPasteboardTypeCardItemWrapper = QStringLiteral("TCardItem.wrapper");
inline const QString NSPasteboardTypeLinkName = QStringLiteral("card.linkname");

// Editions and the link scheme.
// The application name an executable runs as: "jobslate" → "Jobslate", "jobslate-mini" → "Jobslate
// Mini", "memoleaf" → "Memoleaf"; any other name in the same form (words by '-', capitalised).
QString BundleNameForExecutable(const QString& executableName);
QString NSBundleName();                // the application name
QString URISchemeBundle();             // the name in ASCII lower case, without what a URI scheme may not hold
QString URISchemeProtocol();           // the scheme and "://"
QString CardLink(const QString& uuid); // <scheme>://goto?card=<uuid>
QString ItemLink(const QString& uuid); // <scheme>://goto?item=<uuid>
bool isMemoleaf();                     // the rich-text edition
bool isMini();                         // the small edition
// Asks the application delegate to refresh the sheet preview after its delay.
void updateSheetPreview();
// Opens a sheet through the desktop as an open-files request to this program; false for a path that
// does not exist.
bool OpenSheetAsFile(const QString& path);

// Started with "reset" (or "-reset", "--reset") on the command line: the settings start afresh.
bool ResetPreferences();
void SetResetPreferencesFromArguments(const QStringList& arguments);

// System versions: dotted numbers compared number by number ("10.9.5" is lower than "10.11.0").
int CompareVersionStrings(const QString& a, const QString& b); // -1, 0 or 1
QString GetOperatingSystemVersion(); // the running system's release as major.minor.patch
bool IsOperatingSystemLowerThanVersion(const QString& version);
bool IsOperatingSystemAtLeastVersion(const QString& version);
bool IsOperatingSystemSameAsVersion(const QString& version);

// The calendar store behind tasks, made by RequestEventStoreAccess (once, at launch, before any card
// is read: a task finds its event as it is decoded). make: the store to use, the system's when empty.
using EventStoreMaker = std::function<std::shared_ptr<EKEventStore>()>;
std::shared_ptr<EKEventStore> EventStore();
void RequestEventStoreAccess(const EventStoreMaker& make = {});
void SetEventStore(const std::shared_ptr<EKEventStore>& store); // tests; null drops it

// What the activation hot key does to the program; the widget side installs the real one.
class ApplicationActivation {
public:
    virtual ~ApplicationActivation() = default;
    virtual bool isActive() const = 0;
    virtual void beep() = 0;
    virtual void activateIgnoringOtherApps() = 0;
    virtual void hide() = 0;
    virtual void arrangeInFront() = 0;

    static ApplicationActivation* shared();                   // null until installed
    static void setShared(ApplicationActivation* activation); // not owned
};

// The activation hot key (number 1): stored under "activationHotKey" as {"keyCode": Qt key,
// "modifierFlags": Qt keyboard modifiers}.
class TGlobalHotKey : public THotKeyHandler {
    T_OBJECT(TGlobalHotKey, THotKeyHandler)
public:
    static constexpr quint32 kActivationHotKey = 1;
    static TGlobalHotKey* SharedHandler(); // made on first use, kept until exit
    // Carbon modifiers of Qt keyboard modifiers.
    static quint32 CarbonModifiersFromQt(quint32 qtModifiers);
    // With a dictionary, registers its key; with an empty one, unregisters the number.
    void UpdateGlobalHotKey(quint32 id, const QVariantMap& dictionary);
    // Key code 0 unregisters; a number already registered keeps its key.
    void UpdateGlobalHotKey(quint32 id, quint32 keyCode, quint32 modifiers);
    void EventHotKeyPressed(EventHotKeyID hotKey, qint32& result) override;

protected:
    TGlobalHotKey() = default;
};

// Which control started a font change.
class TFontManager {
public:
    static TFontManager& shared();
    qint32 tag() const { return m_tag; }
    void setTag(qint32 tag) { m_tag = tag; }
    // The font actions record their sender's tag first.
    void addFontTrait(qint32 senderTag) { m_tag = senderTag; }
    void modifyFont(qint32 senderTag) { m_tag = senderTag; }

private:
    qint32 m_tag = 0;
};

// Card colours: {"name", "color"} maps, White last; components above 1.0 are kept.
QVariantList DefaultCardColors();
// A 22 × 14 swatch with a faint black frame.
QImage ColorWellImage(const QColor& colour);
// The program's icon for a file it knows nothing of.
QImage UnknownFileIcon();

// Draws the largest centred part of the image with the rect's aspect ratio into the rect.
void DrawImageScaledToFit(QPainter& painter, const QImage& image, const QRectF& rect);
// Draws the image into the integral rect, flipped vertically around it.
void DrawImage(QPainter& painter, const QRectF& rect, const QImage& image);
// The label background (a 3-part image) and its height.
void DrawLabelBackground(QPainter& painter, const QRectF& rect);
double LabelHeight();

// Every bit of the mask is set in the value.
constexpr bool TestBitmask(quint64 value, quint64 mask) {
    return (value | mask) == value;
}
