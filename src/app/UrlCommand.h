#pragma once

#include <QMap>
#include <QString>
#include <QUrl>
#include <optional>

// Links of the program's own scheme: <scheme>://<command>?key=value&key=value. The scheme itself is
// not examined; the host is the command.
namespace UrlCommand {

// Option values: a key written without "=" has no value (nullopt).
using Options = QMap<QString, std::optional<QString>>;

struct Link {
    QString command;
    Options options;
};

// Splits the query at "&" and each pair at "="; keys and values are percent-decoded as UTF-8, later
// pieces after a second "=" are ignored and a later key replaces an earlier one.
Link parse(const QUrl& url);

} // namespace UrlCommand
