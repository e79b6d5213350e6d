#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QProcess;

// Commands run for their output, over UNIXUtilities (no shell: a program and its arguments).
namespace StringProcessUtilities {
// The whole standard output as UTF-8 (invalid bytes become replacement characters); empty when
// the command can't be started.
QString execute(const QStringList& command);
// execute split at every line feed: an empty last element when the output ends with one.
QStringList executeWithResults(const QStringList& command);
} // namespace StringProcessUtilities

// A prepared process (program and arguments set, not started).
namespace TaskUtilities {
// Starts it, reads all it writes to standard output and waits for it to end; null when it wrote
// nothing or could not be started.
std::optional<QString> readStandardOutput(QProcess& task);
// The same, with its standard error in errors (null when it wrote none).
std::optional<QString> launchAndReadStandardOutputWithErrors(QProcess& task, std::optional<QString>* errors);
} // namespace TaskUtilities
