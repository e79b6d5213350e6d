#include "UNIXUtilities.h"

#include "platform/Diagnostics.h"

#include <QProcess>

namespace UNIXUtilities {

namespace {

const qsizetype kPieceSize = 255;

std::unique_ptr<QProcess> start(const QStringList& command) {
    if (command.isEmpty() || command.first().isEmpty()) return nullptr;
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    process->start(command.first(), command.mid(1), QIODevice::ReadOnly);
    if (!process->waitForStarted(-1)) return nullptr;
    return process;
}

int finish(QProcess& process) {
    if (process.state() != QProcess::NotRunning) process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit) return -1;
    return process.exitCode();
}

// The next line with its line end, or what is left at the end; null when nothing is left.
std::optional<QByteArray> nextLine(QProcess& process, QByteArray& pending) {
    for (;;) {
        const qsizetype end = pending.indexOf('\n');
        if (end >= 0) {
            const QByteArray line = pending.left(end + 1);
            pending.remove(0, end + 1);
            return line;
        }
        const QByteArray more = process.readAllStandardOutput();
        if (!more.isEmpty()) {
            pending += more;
            continue;
        }
        if (process.state() == QProcess::NotRunning) break;
        process.waitForReadyRead(-1);
    }
    if (pending.isEmpty()) return std::nullopt;
    QByteArray rest;
    rest.swap(pending);
    return rest;
}

QString withoutLineEnd(const QByteArray& line) {
    QByteArray text = line;
    if (text.endsWith('\n')) text.chop(1);
    if (text.endsWith('\r')) text.chop(1);
    return QString::fromUtf8(text);
}

} // namespace

QStringList splitCommand(const QString& command) {
    return QProcess::splitCommand(command);
}

int ProcessOpen(const QStringList& command) {
    const auto process = start(command);
    if (!process) return -1;
    return finish(*process);
}

int ProcessOpen(const QString& command) {
    return ProcessOpen(splitCommand(command));
}

QString ProcessRead(const QStringList& command) {
    QString first;
    ProcessRead(command, [&first](const QString& line, bool& stop) {
        first = line;
        stop = true;
    });
    return first;
}

QString ProcessRead(const QString& command) {
    return ProcessRead(splitCommand(command));
}

int ProcessRead(const QStringList& command, const ReadCallback& callback) {
    const auto process = start(command);
    if (!process) return -1;
    QByteArray pending;
    bool stop = false;
    while (!stop) {
        const std::optional<QByteArray> line = nextLine(*process, pending);
        if (!line) break;
        callback(withoutLineEnd(*line), stop);
    }
    return finish(*process);
}

std::optional<QString> ProcessCopy(const QStringList& command) {
    const auto process = start(command);
    if (!process) return std::nullopt;
    process->waitForFinished(-1);
    const QByteArray bytes = process->readAllStandardOutput();
    finish(*process);
    return QString::fromUtf8(bytes);
}

std::optional<QString> ProcessCopy(const QString& command) {
    return ProcessCopy(splitCommand(command));
}

std::optional<QStringList> ProcessCopyLines(const QStringList& command) {
    const std::optional<QString> text = ProcessCopy(command);
    if (!text) return std::nullopt;
    QStringList lines = text->split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

ProcessStream::ProcessStream() = default;
ProcessStream::~ProcessStream() {
    ProcessCloseStream(*this);
}
ProcessStream::ProcessStream(ProcessStream&&) noexcept = default;
ProcessStream& ProcessStream::operator=(ProcessStream&&) noexcept = default;

void ProcessOpenStream(ProcessStream& stream, const QStringList& command) {
    ProcessCloseStream(stream);
    stream.process = start(command);
}

std::optional<QString> ProcessReadStream(ProcessStream& stream) {
    if (!stream.process) return std::nullopt;
    QProcess& process = *stream.process;
    while (stream.pending.isEmpty()) {
        const QByteArray more = process.readAllStandardOutput();
        if (!more.isEmpty()) {
            stream.pending += more;
            break;
        }
        if (process.state() == QProcess::NotRunning) break;
        process.waitForReadyRead(-1);
    }
    if (stream.pending.isEmpty()) return std::nullopt;
    qsizetype n = qMin(kPieceSize, stream.pending.size());
    // Keep a UTF-8 sequence whole: back off over continuation bytes.
    if (n < stream.pending.size()) {
        qsizetype cut = n;
        while (cut > 0 && (uchar(stream.pending.at(cut)) & 0xC0) == 0x80) --cut;
        if (cut > 0) n = cut;
    }
    const QByteArray piece = stream.pending.left(n);
    stream.pending.remove(0, n);
    Diagnostics::line(QStringLiteral("got %1 bytes").arg(piece.size()));
    return QString::fromUtf8(piece);
}

bool ProcessReadStream(ProcessStream& stream, QString& piece) {
    const std::optional<QString> next = ProcessReadStream(stream);
    piece = next.value_or(QString());
    return next.has_value();
}

std::optional<QString> ProcessReadStreamByLine(ProcessStream& stream) {
    if (!stream.process) return std::nullopt;
    const std::optional<QByteArray> line = nextLine(*stream.process, stream.pending);
    if (!line) return std::nullopt;
    return withoutLineEnd(*line);
}

bool ProcessReadStreamByLine(ProcessStream& stream, QString& line) {
    const std::optional<QString> next = ProcessReadStreamByLine(stream);
    line = next.value_or(QString());
    return next.has_value();
}

bool IsProcessStreamOpen(const ProcessStream& stream) {
    return stream.process != nullptr;
}

void ProcessCloseStream(ProcessStream& stream) {
    if (!stream.process) return;
    finish(*stream.process);
    stream.process.reset();
    stream.pending.clear();
}

} // namespace UNIXUtilities
