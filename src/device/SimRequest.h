#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The controller's requests as they arrive: a byte stream cut into lines, each
// line a JSON array of strings checked for its command's form. Nothing here
// knows of sockets or of the simulated device, so every byte a client can send
// is tested (and fuzzed) without either.
namespace SimProtocol {

// Longest request line accepted, without its newline.
constexpr int MaxLineLength = 16 * 1024;

enum class Command { Attach, Detach, Call, Signal, Fail, Status };

struct Request
{
    Command command = Command::Status;
    // The arguments as given, after the command's checks.
    QStringList args;
    // The line of a call, 1 to 4.
    int line = 0;
};

// Reads one request line (without its newline). Returns an empty string and
// fills request, or returns the error to answer.
QString ParseRequest(const QByteArray& line, Request& request);

// The usage of a command by name ("call LINE NUMBER"), empty for an unknown one.
QString Usage(const QString& command);

// Cuts a client's byte stream into lines. A line longer than MaxLineLength is
// reported once, as soon as it is known to be too long, and everything up to
// its newline is dropped unread: its memory is bounded and no tail of it can
// pass for a request.
class LineReader
{
public:
    struct Line
    {
        QByteArray text;
        bool tooLong = false;
    };

    void append(const char* data, qsizetype size);
    // The next complete line; false when none is buffered.
    bool next(Line& line);
    // At the end of the stream: the last line when it had no newline.
    bool finish(Line& line);
    // Bytes buffered and not yet returned.
    qsizetype buffered() const { return m_buffer.size() - m_start; }

private:
    QByteArray m_buffer;
    qsizetype m_start = 0;
    bool m_discarding = false;
};

} // namespace SimProtocol
