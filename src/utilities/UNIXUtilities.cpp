#include "UNIXUtilities.h"

#include "platform/Diagnostics.h"

#include <QProcess>

namespace UNIXUtilities {

namespace {

const qsizetype kPieceSize = 255;
// How long a command whose output is no longer read may take to end before it is killed.
const int kGraceMs = 1000;

std::unique_ptr<QProcess> start(const QStringList& command) {
    if (command.isEmpty() || command.first().isEmpty()) return nullptr;
    auto process = std::make_unique<QProcess>();
    // Its errors go where ours go, as through a pipe; they are never gathered in memory.
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
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

// Ends a command whose output the caller stopped reading: what it still writes is dropped, and one
// that doesn't end soon (it writes without end, or waits) is killed (-1).
int finishUnread(QProcess& process) {
    process.closeReadChannel(QProcess::StandardOutput);
    if (process.state() != QProcess::NotRunning && !process.waitForFinished(kGraceMs)) {
        process.kill();
        process.waitForFinished(-1);
    }
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

// The bytes at the end that begin a UTF-8 sequence the rest of which has not arrived.
qsizetype incompleteTail(const QByteArray& bytes) {
    for (qsizetype back = 1; back <= qMin<qsizetype>(4, bytes.size()); ++back) {
        const uchar c = uchar(bytes.at(bytes.size() - back));
        if ((c & 0xC0) == 0x80) continue;
        const qsizetype length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return back < length ? back : 0;
    }
    return 0;
}

// How much of what was read makes the next piece: at most kPieceSize bytes, ending on a character
// boundary; before the end of the output a character still arriving is left for the next piece.
qsizetype pieceLength(const QByteArray& pending, bool ended) {
    qsizetype n = qMin(kPieceSize, pending.size());
    if (n < pending.size()) {
        qsizetype cut = n;
        while (cut > 0 && (uchar(pending.at(cut)) & 0xC0) == 0x80) --cut;
        if (cut > 0) n = cut;
    } else if (!ended) {
        n -= incompleteTail(pending);
    }
    return n;
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
    return stop ? finishUnread(*process) : finish(*process);
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
    qsizetype n = 0;
    for (;;) {
        stream.pending += process.readAllStandardOutput();
        const bool ended = process.state() == QProcess::NotRunning;
        n = pieceLength(stream.pending, ended);
        if (n > 0 || ended) break;
        process.waitForReadyRead(-1);
    }
    if (n == 0) return std::nullopt;
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
    finishUnread(*stream.process);
    stream.process.reset();
    stream.pending.clear();
}

} // namespace UNIXUtilities
