#include "ApplicationInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ApplicationInfo {

namespace {
QString g_resourcesOverride;
}

QString name() {
    return QCoreApplication::applicationName();
}

QString version() {
    const QString v = QCoreApplication::applicationVersion();
    return v.isEmpty() ? QStringLiteral(JOBSLATE_VERSION) : v;
}

QString resourcesFolder() {
    if (!g_resourcesOverride.isEmpty()) return g_resourcesOverride;
    const QDir bin(QCoreApplication::applicationDirPath());
    const QString installed = QDir::cleanPath(bin.filePath(QStringLiteral("../share/jobslate")));
    if (QFileInfo(installed).isDir()) return installed;
    const QString source = QStringLiteral(JOBSLATE_SOURCE_RESOURCES);
    if (QFileInfo(source).isDir()) return QDir::cleanPath(source);
    return QString();
}

bool staysInside(const QString& relativePath) {
    const QStringList parts = relativePath.split(QLatin1Char('/'));
    return !parts.contains(QStringLiteral(".."));
}

QString resourcePath(const QString& relativePath) {
    const QString folder = resourcesFolder();
    if (folder.isEmpty() || !staysInside(relativePath)) return QString();
    QString tail = relativePath;
    while (tail.startsWith(QLatin1Char('/'))) tail.remove(0, 1);
    return tail.isEmpty() ? folder : folder + QLatin1Char('/') + tail;
}

QString dataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') + name();
}

QString libraryFolder() {
    return dataFolder();
}

QString configFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') +
           name();
}

bool isSandboxed() {
    return qEnvironmentVariableIsSet("APP_SANDBOX_CONTAINER_ID");
}

void setResourcesFolder(const QString& folder) {
    g_resourcesOverride = folder;
}

} // namespace ApplicationInfo
