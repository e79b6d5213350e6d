#include "Globals.h"

#include "ModelContracts.h"
#include "platform/ApplicationInfo.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "platform/calendar/VdirEventStore.h"
#include "utilities/HICommonThemes.h"
#include "utilities/ImageUtilities.h"

#include <QFileInfo>
#include <QPainter>
#include <QRegularExpression>
#include <QSysInfo>
#include <algorithm>
#include <cmath>

namespace {

bool g_resetPreferences = false;
std::shared_ptr<EKEventStore> g_eventStore;
ApplicationActivation* g_activation = nullptr;

QList<qint64> versionNumbers(const QString& version) {
    QList<qint64> numbers;
    for (const QString& part : version.split(QLatin1Char('.'))) {
        static const QRegularExpression leadingDigits(QStringLiteral("^\\d{1,15}"));
        const auto match = leadingDigits.match(part.trimmed());
        numbers.append(match.hasMatch() ? match.captured().toLongLong() : 0);
    }
    return numbers;
}

} // namespace

UserDefaults& NSPrefs() {
    return UserDefaults::standardUserDefaults();
}

QString BundleNameForExecutable(const QString& executableName) {
    QStringList words;
    for (const QString& word :
         QFileInfo(executableName).fileName().split(QLatin1Char('-'), Qt::SkipEmptyParts))
        words.append(word.left(1).toUpper() + word.mid(1).toLower());
    return words.join(QLatin1Char(' '));
}

QString NSBundleName() {
    return ApplicationInfo::name();
}

QString URISchemeBundle() {
    QString scheme;
    for (const QChar c : NSBundleName()) {
        const char16_t u = c.unicode();
        const bool letter = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
        const bool other = (u >= '0' && u <= '9') || u == '+' || u == '-' || u == '.';
        // A scheme starts with a letter and holds letters, digits, "+", "-" and ".".
        if (letter || (other && !scheme.isEmpty()))
            scheme.append(QChar(letter ? QChar(u).toLower() : QChar(u)));
    }
    return scheme;
}

QString URISchemeProtocol() {
    return URISchemeBundle() + QStringLiteral("://");
}
QString CardLink(const QString& uuid) {
    return URISchemeProtocol() + QStringLiteral("goto?card=") + uuid;
}
QString ItemLink(const QString& uuid) {
    return URISchemeProtocol() + QStringLiteral("goto?item=") + uuid;
}

bool isMemoleaf() {
    return NSBundleName() == QStringLiteral("Memoleaf");
}
bool isMini() {
    return NSBundleName() == QStringLiteral("Jobslate Mini");
}

void updateSheetPreview() {
    if (TAppController* delegate = ModelContracts::applicationDelegate())
        delegate->updateSheetPreviewAfterDelay();
}

bool OpenSheetAsFile(const QString& path) {
    if (path.isEmpty() || !QFileInfo::exists(path)) return false;
    Workspace::shared().openFilesWithThisApplication({path});
    return true;
}

bool ResetPreferences() {
    return g_resetPreferences;
}

void SetResetPreferencesFromArguments(const QStringList& arguments) {
    g_resetPreferences = false;
    for (const QString& argument : arguments.mid(1))
        if (argument == QStringLiteral("reset") || argument == QStringLiteral("-reset") ||
            argument == QStringLiteral("--reset"))
            g_resetPreferences = true;
}

int CompareVersionStrings(const QString& a, const QString& b) {
    QList<qint64> left = versionNumbers(a), right = versionNumbers(b);
    while (left.size() < right.size()) left.append(0);
    while (right.size() < left.size()) right.append(0);
    for (qsizetype i = 0; i < left.size(); ++i)
        if (left[i] != right[i]) return left[i] < right[i] ? -1 : 1;
    return 0;
}

QString GetOperatingSystemVersion() {
    // The distribution's release when it is numeric ("12", "24.04"), else the kernel's.
    QString version = QSysInfo::productVersion();
    static const QRegularExpression numeric(QStringLiteral("^\\d+(\\.\\d+)*$"));
    if (!numeric.match(version).hasMatch()) {
        static const QRegularExpression leading(QStringLiteral("^\\d+(\\.\\d+)*"));
        version = leading.match(QSysInfo::kernelVersion()).captured();
    }
    QList<qint64> numbers = versionNumbers(version.isEmpty() ? QStringLiteral("0") : version);
    while (numbers.size() < 3) numbers.append(0);
    return QStringLiteral("%1.%2.%3").arg(numbers[0]).arg(numbers[1]).arg(numbers[2]);
}

bool IsOperatingSystemLowerThanVersion(const QString& version) {
    return CompareVersionStrings(GetOperatingSystemVersion(), version) < 0;
}
bool IsOperatingSystemAtLeastVersion(const QString& version) {
    return !IsOperatingSystemLowerThanVersion(version);
}
bool IsOperatingSystemSameAsVersion(const QString& version) {
    return CompareVersionStrings(GetOperatingSystemVersion(), version) == 0;
}

std::shared_ptr<EKEventStore> EventStore() {
    return g_eventStore;
}

void RequestEventStoreAccess(const EventStoreMaker& make) {
    if (g_eventStore) return;
    g_eventStore = make ? make() : makeSystemEventStore();
    if (g_eventStore) g_eventStore->requestAccessToEntityType(EKEntityTypeEvent);
}

void SetEventStore(const std::shared_ptr<EKEventStore>& store) {
    g_eventStore = store;
}

ApplicationActivation* ApplicationActivation::shared() {
    return g_activation;
}
void ApplicationActivation::setShared(ApplicationActivation* activation) {
    g_activation = activation;
}

// TGlobalHotKey

TGlobalHotKey* TGlobalHotKey::SharedHandler() {
    static TGlobalHotKey* handler = Create();
    return handler;
}

quint32 TGlobalHotKey::CarbonModifiersFromQt(quint32 qtModifiers) {
    quint32 carbon = 0;
    if (qtModifiers & Qt::ControlModifier) carbon |= HotKeyModifiers::cmdKey;
    if (qtModifiers & Qt::AltModifier) carbon |= HotKeyModifiers::optionKey;
    if (qtModifiers & Qt::MetaModifier) carbon |= HotKeyModifiers::controlKey;
    if (qtModifiers & Qt::ShiftModifier) carbon |= HotKeyModifiers::shiftKey;
    return carbon;
}

void TGlobalHotKey::UpdateGlobalHotKey(quint32 id, const QVariantMap& dictionary) {
    if (dictionary.isEmpty()) {
        UnregisterHotKey(id);
        return;
    }
    const auto unsignedValue = [&](const QString& key) {
        bool ok = false;
        const qint64 value = dictionary.value(key).toLongLong(&ok);
        return ok && value > 0 && value <= 0xFFFFFFFF ? static_cast<quint32>(value) : 0u;
    };
    UpdateGlobalHotKey(id, unsignedValue(QStringLiteral("keyCode")),
                       CarbonModifiersFromQt(unsignedValue(QStringLiteral("modifierFlags"))));
}

void TGlobalHotKey::UpdateGlobalHotKey(quint32 id, quint32 keyCode, quint32 modifiers) {
    if (keyCode == 0)
        UnregisterHotKey(id);
    else if (!IsRegistered(id))
        RegisterHotKey(keyCode, modifiers, id);
}

void TGlobalHotKey::EventHotKeyPressed(EventHotKeyID, qint32&) {
    ApplicationActivation* app = ApplicationActivation::shared();
    if (!app) return;
    if (NSPrefs().boolForKey(QStringLiteral("dashboardMode"))) {
        if (app->isActive())
            app->beep();
        else
            app->activateIgnoringOtherApps();
    } else if (app->isActive()) {
        app->hide();
    } else {
        app->activateIgnoringOtherApps();
        app->arrangeInFront();
    }
}

TFontManager& TFontManager::shared() {
    static TFontManager manager;
    return manager;
}

// Colours and images

QVariantList DefaultCardColors() {
    struct Entry {
        const char* name;
        double red, green, blue;
        bool lightened;
    };
    static const Entry entries[] = {
        {"Yellow", 0.992, 0.976, 0.683, true}, {"Blue", 0.679, 0.858, 0.992, true},
        {"Green", 0.693, 1.0, 0.654, true},    {"Pink", 1.0, 0.698, 0.698, true},
        {"Orange", 0.992, 0.711, 0.488, true}, {"Purple", 0.747, 0.688, 0.98, true},
        {"White", 1.0, 1.0, 1.0, false}};
    QVariantList colours;
    for (const Entry& entry : entries) {
        // Lightened by 0.2, at most to 1: a component above 1 is no colour a card file should hold.
        const double lighten = entry.lightened ? 0.2 : 0.0;
        const auto component = [&](double base) { return static_cast<float>(std::min(base + lighten, 1.0)); };
        const QColor colour =
            QColor::fromRgbF(component(entry.red), component(entry.green), component(entry.blue), 1.0f);
        colours.append(QVariantMap{{QStringLiteral("name"), QString::fromLatin1(entry.name)},
                                   {QStringLiteral("color"), colour}});
    }
    return colours;
}

QImage ColorWellImage(const QColor& colour) {
    QImage image(22, 14, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull() || !colour.isValid()) return {};
    const QColor rgb = colour.toRgb(); // clamped to what a pixel holds
    image.fill(rgb);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.3f), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(0, 0, 21, 13));
    return image;
}

QImage UnknownFileIcon() {
    static const QImage icon = ImageUtilities::imageWithResource(QStringLiteral("icons/UnknownFile.png"));
    return icon;
}

void DrawImageScaledToFit(QPainter& painter, const QImage& image, const QRectF& rect) {
    if (image.isNull() || rect.width() <= 0 || rect.height() <= 0) return;
    const QSizeF size = QSizeF(image.size()) / image.devicePixelRatio();
    const double ratio = rect.height() / rect.width();
    QSizeF part = ratio <= size.height() / size.width() ? QSizeF(size.width(), size.width() * ratio)
                                                        : QSizeF(size.height() / ratio, size.height());
    QRectF source(QPointF((size.width() - part.width()) / 2, (size.height() - part.height()) / 2), part);
    source = QRectF(std::floor(source.left()), std::floor(source.top()),
                    std::ceil(source.right()) - std::floor(source.left()),
                    std::ceil(source.bottom()) - std::floor(source.top()));
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(
        rect, image,
        QRectF(source.topLeft() * image.devicePixelRatio(), source.size() * image.devicePixelRatio()));
    painter.restore();
}

void DrawImage(QPainter& painter, const QRectF& rect, const QImage& image) {
    const QRectF integral = QRectF(rect.toAlignedRect());
    painter.save();
    painter.translate(0, integral.top() + integral.bottom());
    painter.scale(1, -1);
    painter.drawImage(integral, image);
    painter.restore();
}

namespace {
const HICommonThemes::HITheme3PartImage& labelImage() {
    static const HICommonThemes::HITheme3PartImage image = HICommonThemes::HIThemeLoad3PartImage(
        ApplicationInfo::resourcePath(QStringLiteral("images/LabelBackground")));
    return image;
}
} // namespace

void DrawLabelBackground(QPainter& painter, const QRectF& rect) {
    HICommonThemes::HIThemeDraw3PartImage(painter, labelImage(), rect);
}

double LabelHeight() {
    return labelImage().center.isNull() ? 0.0 : labelImage().center.height();
}
