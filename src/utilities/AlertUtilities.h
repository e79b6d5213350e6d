#pragma once

#include "platform/AlertPresenter.h"

#include <QObject>
#include <QString>

// Builders of the alerts the program shows: one default button "Ok" and the informative text as it
// stands. The builders return the alert without showing it; the caller adds buttons and runs it.
// Alerts are shown through the shared AlertPresenter.
namespace AlertUtilities {

Alert alertWithMessageInformativeText(const QString& message, const QString& informativeText);
Alert alertWithMessage(const QString& message); // an empty informative text
// The informative text is the error's failure reason (empty when there is none).
Alert alertWithMessageError(const QString& message, const QString& failureReason);
// Shows an alert of only the message at once: attached to window (returning while it is up) when
// one is given, modally otherwise. Answers the alert shown.
Alert alertWithMessageForWindow(const QString& message, QObject* window);

// Runs the alert modally through the shared presenter; the chosen button (NSAlertFirstButtonReturn...).
int runModal(const Alert& alert, QObject* window = nullptr);

} // namespace AlertUtilities
