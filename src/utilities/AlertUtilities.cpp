#include "AlertUtilities.h"

namespace AlertUtilities {

Alert alertWithMessageInformativeText(const QString& message, const QString& informativeText) {
    Alert alert;
    alert.messageText = message;
    alert.informativeText = informativeText;
    alert.buttons = {QStringLiteral("Ok")};
    return alert;
}

Alert alertWithMessage(const QString& message) {
    return alertWithMessageInformativeText(message, QString());
}

Alert alertWithMessageError(const QString& message, const QString& failureReason) {
    return alertWithMessageInformativeText(message, failureReason);
}

Alert alertWithMessageForWindow(const QString& message, QObject* window) {
    Alert alert;
    alert.messageText = message;
    if (window)
        AlertPresenter::shared().beginSheet(alert, window, {});
    else
        AlertPresenter::shared().runModal(alert);
    return alert;
}

int runModal(const Alert& alert, QObject* window) {
    return AlertPresenter::shared().runModal(alert, window);
}

} // namespace AlertUtilities
