#pragma once

#include "UnitParser.h"

#include <QDateTime>
#include <QHash>
#include <QStringList>

#include <array>
#include <optional>

// Decides what the records of multi-line units become: calls for the list and
// short lines for the log. A call is an inbound start record, or an inbound end
// record of a call whose start was not seen (a unit set to report at the end
// only); outbound and detail records become log lines that name the line. Pure:
// the caller passes the time.
class UnitCalls
{
public:
    struct Call
    {
        QString line; // "1" … "8" (a chained unit's lines go on: "12")
        QString number; // as the list shows it: private and missing numbers in words
        QString dateTime; // "dd.MM.yyyy HH:mm"
        QString name;

        bool operator==(const Call&) const = default;
    };
    struct Outcome
    {
        std::optional<Call> call;
        QStringList log;
    };

    // What RECORD from the unit UNIT means. The log lines of a unit other than
    // the device's own (namedUnit) say which unit they come from.
    Outcome take(const QString& unit, const UnitRecord& record, const QDateTime& now,
        bool namedUnit = false);
    // Forgets the calls in progress (the device went away).
    void reset() { m_open.clear(); }

    // "Private", "Out-of-Area" and the like in words; an empty number too.
    static QString numberText(const QString& number);
    // The record's date and time in "dd.MM.yyyy HH:mm", in NOW's year (last
    // year's for a date after tomorrow); NOW itself when the record has none.
    static QString dateTimeText(const UnitRecord& record, const QDateTime& now);

private:
    static constexpr int MaxUnits = 32;
    static constexpr int Lines = 100;

    struct Open
    {
        bool active = false;
        bool inbound = true;
        QString number;
    };

    Open& open(const QString& unit, int line);

    // Per unit and line, the call whose start was seen and whose end was not.
    QHash<QString, std::array<Open, Lines>> m_open;
};

// Counts what a link throws away (over-long or malformed data, datagrams from
// a host that is not listened to): the first of each kind is worth a log line
// of its own, the rest are counted and summed up now and then.
class UnitDropLog
{
public:
    enum class Kind { TooLong, BadHeader, Unreadable, ForeignHost };

    // True when this is the first of its kind, to be logged in full; else it is counted.
    bool drop(Kind kind);
    // The counts since the last summary, as one log line (empty when nothing
    // was counted); the counts start again from 0.
    QString summary(int seconds);
    bool counting() const;

private:
    std::array<bool, 4> m_seen {};
    std::array<qint64, 4> m_counted {};
};
