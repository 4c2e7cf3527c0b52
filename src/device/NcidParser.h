#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <vector>

// What an NCID server says to its clients, line by line. The parser is fed the
// bytes as they arrive, in chunks of any size, and knows nothing of sockets or
// time.

// The fields of a call line, as the server sent them ("-" and placeholders included).
struct NcidCall
{
    QString date;
    QString time;
    QString line;
    QString number;
    QString name;
    QString mesg;
};

struct NcidEvent
{
    enum class Kind {
        Greeting, // "200 …": text is the server's own description
        Api, // "210 …"
        LogEntry, // history from the call log: CIDLOG:, HUPLOG:, …, LOG:
        LogEnd, // 250 to 253: code and text
        Option, // "OPT: …"
        StartupDone, // "300 End of connection startup"
        Call, // a live "CID:" line
        Message, // a live "MSG:" or "NOT:" line: text is what it says
        Info, // other live lines about calls (CIDINFO:, HUP:, END:, …), kept apart from calls
        Ignored, // lines from another server ("+…"), answers, unknown line types
        LineTooLong, // no end of line within MaxLineLength bytes: nothing more is read
    };

    Kind kind = Kind::Ignored;
    // The line type before the colon ("CIDINFO"), or the numeric code of a status line.
    QString type;
    int code = 0;
    QString text;
    NcidCall call;
};

class NcidParser
{
public:
    static constexpr qsizetype MaxLineLength = 64 * 1024;

    // Events for every line that the chunk completes, in order.
    std::vector<NcidEvent> feed(QByteArrayView chunk);
    // Forgets a partial line and a previous overflow (for a new connection).
    void reset();

    // One line without its line end.
    static NcidEvent parseLine(QByteArrayView line);
    // The `*KEY*value*` pairs after a line type; the first of a repeated key counts.
    static QHash<QString, QString> fields(const QString& text);
    // "NCID 1.6" from "Server: ncidd (NCID) 1.6"; the greeting's own words otherwise.
    static QString modelFromGreeting(const QString& text);
    // The calling number as the call list shows it: private and missing numbers in words.
    static QString shownNumber(const QString& number);
    // The caller's name, empty for "-" and the placeholders.
    static QString shownName(const QString& name);

private:
    QByteArray m_pending;
    bool m_overflowed = false;
};

// Gives every line label a line number: a label that is a number keeps it,
// any other label gets the lowest number not yet given, in order of first
// appearance.
class NcidLineNumbers
{
public:
    // The number for the label; isNew tells whether the label was given a number just now.
    int numberFor(const QString& label, bool* isNew = nullptr);

private:
    QHash<QString, int> m_numbers;
    QList<int> m_taken;
};
