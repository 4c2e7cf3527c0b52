#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QSet>
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
    // Bytes held of a line whose end has not come yet.
    qsizetype buffered() const { return m_pending.size(); }

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

// Gives every line label a line number of its own: a label that is a line
// number (1 to 9999, digits only) keeps it while it is free; any other label,
// and a number whose line is taken, gets the lowest number not yet given, in
// order of first appearance. The table holds a few dozen labels, told apart
// by their first characters; labels beyond it share one number.
class NcidLineNumbers
{
public:
    static constexpr int MaxLabels = 32;
    static constexpr qsizetype MaxLabelLength = 32;

    enum class Outcome {
        Known, // seen before
        Own, // a number that is its own line number
        Given, // given a number it does not carry itself: worth a line in the log
        TableFull, // the first label beyond the table: given the shared number
        Shared, // a later one: the shared number as well
    };

    int numberFor(const QString& label, Outcome* outcome = nullptr);
    // The label as the table keeps it and the log shows it ("-" for none).
    static QString shownLabel(const QString& label);

private:
    int lowestFree() const;

    QHash<QString, int> m_numbers;
    QSet<int> m_taken;
    int m_shared = 0;
};
