#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QProcess;

// Running commands and reading their output. A command is a program and its arguments; it is
// started directly, never through a shell, so an argument (a file name with blanks, quotes or
// "$(...)") reaches the program as it stands. The QString forms split a command line into words
// the way a shell would split quoted words, and do nothing else a shell does. An empty command
// runs nothing. Output is read as UTF-8; the command's errors go to this program's standard error.
// Every call blocks until the command ends (or, for streams, until the next piece arrives);
// standard input is empty. A command whose output is left unread (a callback stopped, a stream
// closed early) gets a second to end and is then killed, so a command that writes without end or
// never ends can't hang the caller.
namespace UNIXUtilities {

// The words of a command line: blanks separate, double quotes group ("" is one quote inside).
QStringList splitCommand(const QString& command);

// Runs the command without reading its output: its exit status; -1 when it could not be started
// or crashed.
int ProcessOpen(const QStringList& command);
int ProcessOpen(const QString& command);

// The first line of the output without its line end; empty without output.
QString ProcessRead(const QStringList& command);
QString ProcessRead(const QString& command);

// Calls back with each line of the output (without its line end) until the output ends or the
// callback sets stop; the exit status (-1 as above, also for a command killed after a stop).
using ReadCallback = std::function<void(const QString& line, bool& stop)>;
int ProcessRead(const QStringList& command, const ReadCallback& callback);

// The whole output; null for an empty command or one that could not be started.
std::optional<QString> ProcessCopy(const QStringList& command);
std::optional<QString> ProcessCopy(const QString& command);
// The output split into lines at line feeds (no empty last line for a final line feed); null as
// ProcessCopy.
std::optional<QStringList> ProcessCopyLines(const QStringList& command);

// A running command whose output the caller reads piece by piece.
struct ProcessStream {
    std::unique_ptr<QProcess> process;
    QByteArray pending; // read but not yet handed out
    ProcessStream();
    ~ProcessStream();
    ProcessStream(ProcessStream&&) noexcept;
    ProcessStream& operator=(ProcessStream&&) noexcept;
};

void ProcessOpenStream(ProcessStream& stream, const QStringList& command);
// The next piece of at most 255 bytes (the line "got <n> bytes" on stdout for each); null at the
// end of the output. Pieces end on a character boundary.
std::optional<QString> ProcessReadStream(ProcessStream& stream);
bool ProcessReadStream(ProcessStream& stream, QString& piece);
// The next line without its line end; null at the end.
std::optional<QString> ProcessReadStreamByLine(ProcessStream& stream);
bool ProcessReadStreamByLine(ProcessStream& stream, QString& line);
bool IsProcessStreamOpen(const ProcessStream& stream);
// Waits for the command and closes the stream; nothing when it is not open.
void ProcessCloseStream(ProcessStream& stream);

} // namespace UNIXUtilities
