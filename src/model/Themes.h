#pragma once

#include "foundation/Object.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QVariantMap>

class QPainter;

// Themes: folder bundles "<name>.qxtheme" holding "info.plist" (the properties) and the images the
// properties name. The program's own are in the resources folder's "themes"; the user's, in
// <library folder>/Themes, win over them by name. A theme named "Default" is always registered.
//
// Drawing takes rectangles in the painter's y-down coordinates and paints them as the card window's
// unflipped views show them: a gradient point's y 0 is the rectangle's bottom edge and y 1 its top
// edge, and a tiled background starts at the rectangle's bottom-left corner.

class TTheme : public TObject {
    T_OBJECT(TTheme, TObject)
public:
    static TTheme* Create(const QString& path);
    // A theme of the class (TTheme when it is none), owned by the caller.
    static TTheme* CreateOf(TObjectClass themeClass, const QString& path);

    void Initialize() override;
    // Reads the properties from info.plist; raises CocoaUtilities::Exception when it can't.
    virtual void LoadResources();
    virtual void Draw(QPainter& context, const QRectF& rect, qint32 part, const QVariantMap& input);

    QString GetPath() const { return m_path; }
    QString GetName() const;
    QString GetInfoFile() const;
    QVariantMap GetProperties() const { return m_properties; }
    QVariant GetProperty(const QString& key) const { return m_properties.value(key); }
    void SetProperty(const QString& key, const QVariant& value) { m_properties.insert(key, value); }
    bool ContainsProperty(const QString& key) const { return GetProperty(key).isValid(); }
    bool GetBooleanProperty(const QString& key) const override;
    qint32 GetIntegerProperty(const QString& key) const override;
    QString GetStringProperty(const QString& key) const override;
    // The bundle's file a property names; null for a value that leaves the bundle.
    QString GetResource(const QString& key) const;
    // The image a property names (its "@2x" companion preferred), cached; raises
    // CocoaUtilities::Exception when it does not load.
    QImage GetImage(const QString& key);

    // The registry, made by the first LoadStandardThemes.
    static QList<TTheme*> Standard();
    static TTheme* Default(); // raises when there is none; LoadStandardThemes always registers one
    static TTheme* FindTheme(const QString& name);
    // Makes one theme of the class, registers it under its name and answers it (the registry owns it).
    static TTheme* LoadTheme(const QString& path, TObjectClass themeClass);
    // Drops every registered theme (tests, and the end of the program).
    static void UnloadStandardThemes();

protected:
    TTheme() = default;
    void Deallocate() override;

    // The pictures made from the theme, by key: loaded or drawn once, shared by every window.
    QHash<QString, QImage> m_images;

private:
    QString m_path;
    QVariantMap m_properties;
};

// A gradient painted over a card's background.
struct ThemeGradient {
    QColor startColor;
    QColor endColor;
    QPointF startPoint;
    QPointF endPoint;
};

class TCardTheme : public TTheme {
    T_OBJECT(TCardTheme, TTheme)
public:
    enum Part : qint32 { Background = 0, ContentContainer = 1, SidebarContainer = 2, Tab = 3 };
    enum WindowButton : qint32 { CloseButton = 0, MiniaturizeButton = 1, ZoomButton = 2 };

    // Input keys: "color" (QColor, white when absent), "fullscreen" (square corners).
    void Draw(QPainter& context, const QRectF& rect, qint32 part, const QVariantMap& input) override;
    void DrawBackground(QPainter& context, const QRectF& rect, const QVariantMap& input);
    void DrawTab(QPainter& context, const QRectF& rect, const QVariantMap& input);
    QVariantList GetGradients() const;
    static ThemeGradient GradientForDictionary(const QVariantMap& dictionary);
    // A row's selection (style 0 or 1) and the drop-target highlight.
    static void DrawSelection(QPainter& context, const QRectF& rect, bool active, qint32 style);
    static void DrawDraggingDestinationFeedback(QPainter& context, const QRectF& rect, bool active);
    // The theme's image for the kind, else a drawn template glyph; null for another kind.
    QImage GetStandardWindowButtonImage(qint32 kind);
    bool GetAllowsColor() const { return GetBooleanProperty(QStringLiteral("allowColor")); }

protected:
    TCardTheme() = default;
};

// Loads the program's and the user's themes of the class, once; later calls do nothing. A bundle that
// can't be read is skipped with one diagnostic line.
void LoadStandardThemes(TObjectClass themeClass);

// The text forms of rectangles and points, read leniently: the first four (or two) numbers, 0 for
// numbers missing.
QRectF NSRectFromString(const QString& text);
QPointF NSPointFromString(const QString& text);
