#include "Themes.h"

#include "platform/ApplicationInfo.h"
#include "platform/Diagnostics.h"
#include "platform/PlistCodec.h"
#include "utilities/CGDrawing.h"
#include "utilities/CocoaUtilities.h"
#include "utilities/ColorUtilities.h"
#include "utilities/ImageUtilities.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QUrl>
#include <optional>

namespace {

std::optional<QMap<QString, Ref<TTheme>>>& registry() {
    static std::optional<QMap<QString, Ref<TTheme>>> themes;
    return themes;
}

const QString kDefaultName = QStringLiteral("Default");
const QString kThemeExtension = QStringLiteral("qxtheme");

TTheme* createTheme(TObjectClass themeClass, const QString& path) {
    return TTheme::CreateOf(themeClass, path);
}

void registerTheme(TTheme* theme) {
    registry()->insert(theme->GetName(), Ref<TTheme>::retain(theme));
}

// Every theme bundle directly in the folder, in listing order; unreadable ones are skipped.
void loadFolder(const QString& folder, TObjectClass themeClass) {
    if (folder.isEmpty()) return;
    const QStringList names = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        const QString path = folder + QLatin1Char('/') + name;
        if (QFileInfo(name).suffix() != kThemeExtension) continue;
        if (!QFileInfo::exists(path + QStringLiteral("/info.plist"))) {
            // An empty or half-copied folder would shadow a working theme of the same name.
            Diagnostics::warning(QStringLiteral("The theme ") + QFileInfo(name).completeBaseName() +
                                 QStringLiteral(" has no info.plist; skipped."));
            continue;
        }
        try {
            Ref<TTheme> theme = Ref<TTheme>::adopt(createTheme(themeClass, path));
            registerTheme(theme.get());
            Diagnostics::line(QStringLiteral("* Loaded theme: ") + theme->GetName());
        } catch (const CocoaUtilities::Exception& error) {
            Diagnostics::warning(QString::fromUtf8(error.what()));
        }
    }
}

double number(const QVariant& value) {
    bool ok = false;
    const double result = value.toDouble(&ok);
    return ok ? result : 0.0;
}

QList<double> numbersIn(const QString& text, int count) {
    static const QRegularExpression numberPattern(
        QStringLiteral(R"([-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?)"));
    QList<double> numbers;
    auto matches = numberPattern.globalMatch(text);
    while (matches.hasNext() && numbers.size() < count) numbers.append(matches.next().captured().toDouble());
    while (numbers.size() < count) numbers.append(0.0);
    return numbers;
}

// A point of the unflipped view, as fractions of the rect, in the painter's y-down coordinates.
QPointF pointInRect(const QRectF& rect, const QPointF& fraction) {
    return {rect.left() + rect.width() * fraction.x(), rect.bottom() - rect.height() * fraction.y()};
}

double radiusOf(const TTheme& theme, const QVariantMap& input) {
    if (input.value(QStringLiteral("fullscreen")).toBool()) return 0.0;
    return theme.GetIntegerProperty(QStringLiteral("borderRadius"));
}

// Template glyphs standing in for the platform's stop, remove and add images.
QImage templateGlyph(qint32 kind) {
    QImage image(14, 14, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 2.0, Qt::SolidLine, Qt::RoundCap));
    if (kind == TCardTheme::CloseButton) {
        painter.drawLine(QPointF(3.5, 3.5), QPointF(10.5, 10.5));
        painter.drawLine(QPointF(10.5, 3.5), QPointF(3.5, 10.5));
    } else {
        painter.drawLine(QPointF(2.5, 7), QPointF(11.5, 7));
        if (kind == TCardTheme::ZoomButton) painter.drawLine(QPointF(7, 2.5), QPointF(7, 11.5));
    }
    painter.end();
    image.setText(ImageUtilities::kTemplateKey, QStringLiteral("1"));
    return image;
}

} // namespace

// TTheme

TTheme* TTheme::Create(const QString& path) {
    return CreateOf(StaticClass(), path);
}

TTheme* TTheme::CreateOf(TObjectClass themeClass, const QString& path) {
    TObject* object = TObject::AllocateOf(themeClass);
    auto* theme = object && object->IsMember(StaticClass()) ? static_cast<TTheme*>(object) : nullptr;
    if (!theme) {
        if (object) object->Release();
        theme = Allocate();
    }
    theme->m_path = path;
    try {
        theme->Initialize();
    } catch (...) {
        theme->Release();
        throw;
    }
    return theme;
}

void TTheme::Initialize() {
    TObject::Initialize();
    m_images.clear();
    m_properties.clear();
    if (QFileInfo::exists(GetInfoFile())) LoadResources();
}

void TTheme::LoadResources() {
    QFile file(GetInfoFile());
    QVariant value;
    if (file.open(QIODevice::ReadOnly)) value = PlistCodec::decode(file.readAll());
    if (value.typeId() != QMetaType::QVariantMap)
        CocoaUtilities::Fatal(QStringLiteral("The theme ") + GetName() + QStringLiteral(" failed to load."));
    m_properties = value.toMap();
}

void TTheme::Draw(QPainter&, const QRectF&, qint32, const QVariantMap&) {}

QString TTheme::GetName() const {
    return QFileInfo(m_path).completeBaseName();
}

QString TTheme::GetInfoFile() const {
    return m_path + QStringLiteral("/info.plist");
}

bool TTheme::GetBooleanProperty(const QString& key) const {
    return GetProperty(key).toBool();
}

qint32 TTheme::GetIntegerProperty(const QString& key) const {
    return static_cast<qint32>(qBound(-2147483648.0, number(GetProperty(key)), 2147483647.0));
}

QString TTheme::GetStringProperty(const QString& key) const {
    return GetProperty(key).toString();
}

QString TTheme::GetResource(const QString& key) const {
    const QString name = GetStringProperty(key);
    if (name.isEmpty() || QDir::isAbsolutePath(name) || !ApplicationInfo::staysInside(name)) return {};
    return m_path + QLatin1Char('/') + name;
}

QImage TTheme::GetImage(const QString& key) {
    const auto cached = m_images.constFind(key);
    if (cached != m_images.constEnd()) return *cached;
    QImage image;
    const QString path = GetResource(key);
    if (!path.isEmpty()) {
        const QList<QImage> representations =
            ImageUtilities::initRetinaImageWithContentsOfURL(QUrl::fromLocalFile(path));
        if (!representations.isEmpty()) image = representations.last();
    }
    if (image.isNull())
        CocoaUtilities::Fatal(QStringLiteral("The image resource ") + key +
                              QStringLiteral(" failed to load."));
    m_images.insert(key, image);
    return image;
}

QList<TTheme*> TTheme::Standard() {
    QList<TTheme*> themes;
    if (registry())
        for (const Ref<TTheme>& theme : *registry()) themes.append(theme.get());
    return themes;
}

TTheme* TTheme::Default() {
    TTheme* theme = FindTheme(kDefaultName);
    if (!theme) CocoaUtilities::Fatal(QStringLiteral("The default theme can not be found."));
    return theme;
}

TTheme* TTheme::FindTheme(const QString& name) {
    if (!registry()) return nullptr;
    const auto found = registry()->constFind(name);
    return found == registry()->constEnd() ? nullptr : found->get();
}

TTheme* TTheme::LoadTheme(const QString& path, TObjectClass themeClass) {
    if (!registry()) registry().emplace();
    Ref<TTheme> theme = Ref<TTheme>::adopt(createTheme(themeClass, path));
    registerTheme(theme.get());
    return theme.get();
}

void TTheme::UnloadStandardThemes() {
    registry().reset();
}

void TTheme::Deallocate() {
    m_images.clear();
    m_properties.clear();
    TObject::Deallocate();
}

void LoadStandardThemes(TObjectClass themeClass) {
    if (registry()) return;
    registry().emplace();
    const QString resources = ApplicationInfo::resourcesFolder();
    if (!resources.isEmpty()) loadFolder(resources + QStringLiteral("/themes"), themeClass);
    loadFolder(ApplicationInfo::libraryFolder() + QStringLiteral("/Themes"), themeClass);
    if (!TTheme::FindTheme(kDefaultName)) {
        // Without the bundled one: a plain white theme, so a card can always be made.
        Diagnostics::warning(QStringLiteral("The default theme is missing; using a plain one."));
        Ref<TTheme> fallback = Ref<TTheme>::adopt(createTheme(
            themeClass, QStringLiteral("/nonexistent/") + kDefaultName + QLatin1Char('.') + kThemeExtension));
        registerTheme(fallback.get());
    }
}

// TCardTheme

void TCardTheme::Draw(QPainter& context, const QRectF& rect, qint32 part, const QVariantMap& input) {
    if (part == Background)
        DrawBackground(context, rect, input);
    else if (part == Tab)
        DrawTab(context, rect, input);
}

void TCardTheme::DrawBackground(QPainter& context, const QRectF& rect, const QVariantMap& input) {
    const double radius = radiusOf(*this, input);
    const QPainterPath shape = CGUtilities::CGPathCreateRoundedRect(rect, radius, radius);
    context.save();
    context.setRenderHint(QPainter::Antialiasing);
    QImage background;
    if (ContainsProperty(QStringLiteral("background"))) {
        try {
            background = GetImage(QStringLiteral("background"));
        } catch (const CocoaUtilities::Exception&) {
            Diagnostics::warning(QStringLiteral("The theme image ") +
                                 GetStringProperty(QStringLiteral("background")) +
                                 QStringLiteral(" can not be found."));
        }
    }
    if (background.isNull()) {
        const QVariant colour = input.value(QStringLiteral("color"));
        const QColor fill = colour.canConvert<QColor>() && colour.value<QColor>().isValid()
                                ? colour.value<QColor>()
                                : QColor(Qt::white);
        context.fillPath(shape, fill);
    } else {
        context.save();
        context.setClipPath(shape, Qt::IntersectClip);
        const QSizeF tile = QSizeF(background.size()) / background.devicePixelRatio();
        // Tiles start at the bottom-left corner, as in the unflipped view.
        context.drawTiledPixmap(
            rect, QPixmap::fromImage(background),
            QPointF(0, std::fmod(tile.height() - std::fmod(rect.height(), tile.height()), tile.height())));
        context.restore();
    }
    for (const QVariant& entry : GetGradients()) {
        const ThemeGradient gradient = GradientForDictionary(entry.toMap());
        context.save();
        context.setClipPath(shape, Qt::IntersectClip);
        CGUtilities::CGContextDrawRGBGradient(
            context, ColorUtilities::cgRGB(gradient.startColor), ColorUtilities::cgRGB(gradient.endColor),
            pointInRect(rect, gradient.startPoint), pointInRect(rect, gradient.endPoint));
        context.restore();
    }
    context.restore();
}

void TCardTheme::DrawTab(QPainter& context, const QRectF& rect, const QVariantMap& input) {
    const double radius = radiusOf(*this, input);
    QRectF grown = rect;
    grown.setTop(rect.top() - radius); // taller, its bottom-left origin kept
    context.save();
    context.setRenderHint(QPainter::Antialiasing);
    context.setClipPath(
        CGUtilities::CGPathCreateRoundedRect(grown.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius),
        Qt::IntersectClip);
    DrawBackground(context, grown, input);
    context.save();
    const QPainterPath outline = CGUtilities::CGPathCreateRoundedRect(grown, radius, radius);
    context.setClipPath(outline, Qt::IntersectClip);
    context.strokePath(outline, QPen(QColor::fromRgbF(0, 0, 0, 0.55), 2.0));
    context.restore();
    context.restore();
}

QVariantList TCardTheme::GetGradients() const {
    return GetProperty(QStringLiteral("gradients")).toList();
}

ThemeGradient TCardTheme::GradientForDictionary(const QVariantMap& dictionary) {
    const auto colour = [&](const QString& key) {
        const QRectF r = NSRectFromString(dictionary.value(key).toString());
        return ColorUtilities::colorWithRedGreenBlueAlpha(r.x(), r.y(), r.width(), r.height());
    };
    return {colour(QStringLiteral("startColor")), colour(QStringLiteral("endColor")),
            NSPointFromString(dictionary.value(QStringLiteral("startPoint")).toString()),
            NSPointFromString(dictionary.value(QStringLiteral("endPoint")).toString())};
}

void TCardTheme::DrawSelection(QPainter& context, const QRectF& rect, bool active, qint32 style) {
    const QColor colour = QColor::fromRgbF(0, 0, 0, active ? 0.15f : 0.075f);
    if (style == 0) {
        context.fillRect(rect.adjusted(-4, 0, 4, 0), colour);
    } else if (style == 1) {
        const QRectF wide = rect.adjusted(-1, 0, 1, 0);
        context.fillRect(wide, colour);
        context.save();
        context.setPen(QPen(colour, 1.0));
        context.setBrush(Qt::NoBrush);
        context.drawRect(wide);
        context.restore();
    }
}

void TCardTheme::DrawDraggingDestinationFeedback(QPainter& context, const QRectF& rect, bool active) {
    context.save();
    context.setRenderHint(QPainter::Antialiasing);
    context.fillPath(CGUtilities::CGPathCreateRoundedRect(rect.adjusted(4, 0, -4, 0), 8, 8),
                     QColor::fromRgbF(0, 0, 0, active ? 0.2f : 0.1f));
    context.restore();
}

QImage TCardTheme::GetStandardWindowButtonImage(qint32 kind) {
    static const QString keys[] = {QStringLiteral("windowButtonCloseImage"),
                                   QStringLiteral("windowButtonMiniaturizeImage"),
                                   QStringLiteral("windowButtonZoomImage")};
    if (kind < 0 || kind > 2) return {};
    // Made once per theme: every card window of the theme shares the picture.
    const QString templateKey = keys[kind] + QStringLiteral(".template");
    const auto cached = m_images.constFind(templateKey);
    if (cached != m_images.constEnd()) return *cached;
    QImage image;
    if (ContainsProperty(keys[kind])) {
        try {
            image = GetImage(keys[kind]);
        } catch (const CocoaUtilities::Exception& error) {
            Diagnostics::warning(QString::fromUtf8(error.what()));
        }
    }
    if (image.isNull())
        image = templateGlyph(kind);
    else
        image.setText(ImageUtilities::kTemplateKey, QStringLiteral("1"));
    m_images.insert(templateKey, image);
    return image;
}

QRectF NSRectFromString(const QString& text) {
    const QList<double> n = numbersIn(text, 4);
    return {n[0], n[1], n[2], n[3]};
}

QPointF NSPointFromString(const QString& text) {
    const QList<double> n = numbersIn(text, 2);
    return {n[0], n[1]};
}
