#pragma once

#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

// Links typed or stored by the user, made into URLs the same way everywhere.
namespace LinkURL {
// The URL of typed text, parsed strictly: a leading "~" stands for the home folder (a file URL),
// "http://" is put in front only of text without a scheme ("example.com", "host:8080/x"), and text
// that is no valid URL gives nothing, with the reason in error.
std::optional<QUrl> fromUserText(const QString& text, QString* error = nullptr);
// A stored URL made openable: one without a scheme gets "http://" as typed text would.
QUrl openable(const QUrl& url);
// Whether the URL is of the program's own scheme, in any letter case.
bool isOwnScheme(const QUrl& url);

// Who handles links of the program's own scheme: the application's URL handling, set at start-up.
// Without one, such links do nothing. Main thread only.
using Handler = std::function<void(const QUrl&)>;
void setOwnLinkHandler(Handler handler);
// Follows a link a person clicked: one of the program's own scheme goes to that handler and answers
// false; any other opens through the shared Workspace, whose answer is returned.
bool open(const QUrl& url);
} // namespace LinkURL
