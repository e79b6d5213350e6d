#pragma once

#include <QString>

// Facts about the running program: its name (which tells the editions apart), version and folders.
// Folders are answered, never created.
namespace ApplicationInfo {

QString name();    // the application name ("Jobslate", "Jobslate Mini", "Memoleaf")
QString version(); // the application version, else the build's version

// The read-only resources shipped with the program: <executable folder>/../share/jobslate when
// installed; in a build tree the source tree's resources folder. Null when neither exists.
QString resourcesFolder();
// The resources folder joined with a relative path, whether or not the item exists; null
// without a resources folder or for a path that leaves it (a ".." component).
QString resourcePath(const QString& relativePath);
// True when a relative path joined to a folder stays inside it: no component is "..".
bool staysInside(const QString& relativePath);

// $XDG_DATA_HOME/<name>: the program's own data (calendars, themes).
QString dataFolder();
// The folder the platform calls the library folder; here the same as dataFolder().
QString libraryFolder();
// $XDG_CONFIG_HOME/<name>: settings.
QString configFolder();

// True when the environment holds APP_SANDBOX_CONTAINER_ID (any value). Never set on Linux
// unless by hand.
bool isSandboxed();

// Tests only: the resources folder to answer (empty: find it again).
void setResourcesFolder(const QString& folder);

} // namespace ApplicationInfo
