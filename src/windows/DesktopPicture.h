#pragma once

#include <QString>
#include <optional>

// The desktop's own background picture, for the backdrop of dashboard mode. Scaling values are
// those of the image views: 0 proportionally down, 1 axes independently, 2 none, 3 proportionally
// up or down.
struct DesktopPicture {
    QString path;
    std::optional<qint32> scaling; // none when the desktop gives no scaling
    friend bool operator==(const DesktopPicture&, const DesktopPicture&) = default;
};

// Where the desktop picture comes from. The shared provider reads GNOME's background settings
// (GnomeDesktopPictureProvider); tests install a FixedDesktopPictureProvider. Main thread only.
class DesktopPictureProvider {
public:
    virtual ~DesktopPictureProvider() = default;

    // The picture of the main screen; none when the desktop shows no picture or cannot say.
    virtual std::optional<DesktopPicture> current() = 0;

    static DesktopPictureProvider& shared();
    // Installs a provider (not owned); null goes back to the desktop's.
    static void setShared(DesktopPictureProvider* provider);
};

// Reads "picture-uri" (or "picture-uri-dark" under a dark colour scheme) and "picture-options" of
// org.gnome.desktop.background through the gsettings tool, run without a shell and given two
// seconds. Answers none outside GNOME-like desktops, without the tool, or when it fails.
class GnomeDesktopPictureProvider : public DesktopPictureProvider {
public:
    std::optional<DesktopPicture> current() override;

    // The string of a gsettings value as printed ('...' or "..." with backslash escapes); empty
    // for anything else.
    static QString parseString(const QByteArray& printed);
    // The scaling of a "picture-options" value; none for "none" and unknown values.
    static std::optional<qint32> scalingForPictureOptions(const QString& options);

private:
    static std::optional<QString> read(const QString& schema, const QString& key);
};

// Answers the picture it holds. For tests.
class FixedDesktopPictureProvider : public DesktopPictureProvider {
public:
    std::optional<DesktopPicture> current() override { return picture; }
    std::optional<DesktopPicture> picture;
};
