#include "ProcessUtilities.h"

#include "UNIXUtilities.h"

#include <QProcess>

namespace StringProcessUtilities {

QString execute(const QStringList& command) {
    return UNIXUtilities::ProcessCopy(command).value_or(QString());
}

QStringList executeWithResults(const QStringList& command) {
    return execute(command).split(QLatin1Char('\n'));
}

} // namespace StringProcessUtilities

namespace TaskUtilities {

std::optional<QString> readStandardOutput(QProcess& task) {
    return launchAndReadStandardOutputWithErrors(task, nullptr);
}

std::optional<QString> launchAndReadStandardOutputWithErrors(QProcess& task, std::optional<QString>* errors) {
    if (errors) *errors = std::nullopt;
    task.setProcessChannelMode(QProcess::SeparateChannels);
    task.setStandardInputFile(QProcess::nullDevice());
    task.start(QIODevice::ReadOnly);
    if (!task.waitForStarted(-1)) return std::nullopt;
    task.waitForFinished(-1);
    const QByteArray out = task.readAllStandardOutput();
    const QByteArray err = task.readAllStandardError();
    if (errors && !err.isEmpty()) *errors = QString::fromUtf8(err);
    if (out.isEmpty()) return std::nullopt;
    return QString::fromUtf8(out);
}

} // namespace TaskUtilities
