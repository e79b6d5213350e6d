#include "DesktopPicture.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QUrl>

namespace {
DesktopPictureProvider* gShared = nullptr;
constexpr int kTimeoutMs = 2000;
const QString kBackgroundSchema = QStringLiteral("org.gnome.desktop.background");

bool isGnomeLikeDesktop() {
    const QString desktop =
        QProcessEnvironment::systemEnvironment().value(QStringLiteral("XDG_CURRENT_DESKTOP"));
    for (const QString& name : desktop.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (name.compare(QStringLiteral("GNOME"), Qt::CaseInsensitive) == 0 ||
            name.compare(QStringLiteral("Unity"), Qt::CaseInsensitive) == 0 ||
            name.compare(QStringLiteral("Budgie"), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}
} // namespace

DesktopPictureProvider& DesktopPictureProvider::shared() {
    static GnomeDesktopPictureProvider gnome;
    return gShared ? *gShared : gnome;
}

void DesktopPictureProvider::setShared(DesktopPictureProvider* provider) {
    gShared = provider;
}

QString GnomeDesktopPictureProvider::parseString(const QByteArray& printed) {
    const QString text = QString::fromUtf8(printed).trimmed();
    if (text.size() < 2) return {};
    const QChar quote = text.front();
    if ((quote != QLatin1Char('\'') && quote != QLatin1Char('"')) || text.back() != quote) return {};
    QString value;
    for (qsizetype i = 1; i + 1 < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\\') && i + 2 < text.size()) ++i;
        value += text.at(i);
    }
    return value;
}

std::optional<qint32> GnomeDesktopPictureProvider::scalingForPictureOptions(const QString& options) {
    if (options == QStringLiteral("stretched")) return 1;
    if (options == QStringLiteral("centered") || options == QStringLiteral("wallpaper")) return 2;
    if (options == QStringLiteral("scaled") || options == QStringLiteral("zoom") ||
        options == QStringLiteral("spanned"))
        return 3;
    return std::nullopt;
}

std::optional<QString> GnomeDesktopPictureProvider::read(const QString& schema, const QString& key) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (tool.isEmpty()) return std::nullopt;
    QProcess process;
    process.start(tool, {QStringLiteral("get"), schema, key});
    if (!process.waitForFinished(kTimeoutMs)) {
        process.kill();
        process.waitForFinished(kTimeoutMs);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return std::nullopt;
    return parseString(process.readAllStandardOutput());
}

std::optional<DesktopPicture> GnomeDesktopPictureProvider::current() {
    if (!isGnomeLikeDesktop()) return std::nullopt;
    const std::optional<QString> options = read(kBackgroundSchema, QStringLiteral("picture-options"));
    if (!options || *options == QStringLiteral("none")) return std::nullopt;
    QString key = QStringLiteral("picture-uri");
    if (read(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("color-scheme")) ==
        QStringLiteral("prefer-dark"))
        key = QStringLiteral("picture-uri-dark");
    std::optional<QString> uri = read(kBackgroundSchema, key);
    if ((!uri || uri->isEmpty()) && key != QStringLiteral("picture-uri"))
        uri = read(kBackgroundSchema, QStringLiteral("picture-uri"));
    if (!uri || uri->isEmpty()) return std::nullopt;
    const QUrl url(*uri);
    const QString path = url.isLocalFile() ? url.toLocalFile() : (url.scheme().isEmpty() ? *uri : QString());
    if (path.isEmpty()) return std::nullopt;
    return DesktopPicture{path, scalingForPictureOptions(*options)};
}
